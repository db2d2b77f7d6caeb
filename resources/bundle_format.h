#pragma once

#include <cstddef>
#include <cstdint>

namespace tamlo::bundle {

// Footer at the very end of the program file:
//   u64 tableOffset, u32 fileCount, u32 tableCrc32, 8 bytes kMagic.
// The table sits right before the footer: fileCount records of
//   u32 id, u32 size, u64 offset, u32 crc32, u32 flags, 32 bytes SHA-256.
// The CRC catches damage; the digest also a file altered on purpose, since matching it
// would take a second preimage.
constexpr char kMagic[8] = {'T', 'A', 'M', 'L', 'O', 'B', 'D', '2'};
constexpr size_t kFooterSize = 24;
constexpr size_t kDigestOffset = 24;
// Zero in installers. kUninstallerFlag on the payload's record: the program is an
// uninstaller, which rids the machine of its own file when it ends.
constexpr size_t kFlagsOffset = 20;
constexpr uint32_t kUninstallerFlag = 1;
constexpr size_t kRecordSize = 56;
constexpr uint32_t kMaxFiles = 16;
// Zero bytes that follow every file so a mapped view reads as zero-terminated text.
constexpr size_t kTerminatorSize = 4;

}  // namespace tamlo::bundle
