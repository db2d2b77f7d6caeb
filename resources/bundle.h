#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "resources/sha256.h"

namespace tamlo {

namespace platform {
class MappedFile;
}

// The five embedded files and their resource ids.
struct EmbeddedFileName {
    int32_t id;
    const char16_t* name;
};
constexpr EmbeddedFileName kEmbeddedFiles[] = {
    {111, u"UI.lua"},     {113, u"frame.lz"}, {114, u"LG.lua"},
    {115, u"program.lz"}, {116, u"style.lz"},
};
// The registered name of an id, or null for an id that is not one of the five.
const char16_t* embeddedFileName(int32_t id);

struct BundleFileInfo {
    int32_t id;
    std::u16string name;
    uint64_t offset;  // from the start of the program file
    uint32_t size;
    uint32_t crc32;  // CRC-32 (the zlib polynomial) of the file's bytes
    uint32_t flags;  // bundle::kUninstallerFlag and such; zero in installers
    Sha256Digest sha256;
};

// The files appended to a program: data blocks (each followed by at least 4 zero bytes),
// then a table of {id, offset, size, crc, SHA-256}, then a footer that locates the table.
// Safe on any input: a file that is not a valid bundle opens as null with a reason.
class Bundle {
  public:
    ~Bundle();
    Bundle(const Bundle&) = delete;
    Bundle& operator=(const Bundle&) = delete;

    // Memory-maps `path` read-only. Null when it cannot be read or holds no valid bundle.
    static std::unique_ptr<Bundle> open(const std::string& path, std::string* error);
    // The running program (os::runningProgramFile).
    static std::unique_ptr<Bundle> openSelf(std::string* error);
    // Over bytes the caller keeps alive (not copied).
    static std::unique_ptr<Bundle> fromMemory(const uint8_t* bytes, size_t length,
                                              std::string* error);

    const std::vector<BundleFileInfo>& files() const { return files_; }
    const BundleFileInfo* find(int32_t id) const;

    // The file's bytes inside the mapped program, followed by 4 zero bytes; null when
    // absent. `size` (may be null) receives the length.
    const uint8_t* data(int32_t id, uint32_t* size) const;

    // Mapped bytes in [begin, begin + length) are dropped from memory until touched
    // again (whole pages inside the range only). Nothing for a bundle in memory.
    void releasePages(const uint8_t* begin, size_t length) const;

    // Checks the file's CRC and SHA-256; its pages are released afterwards, so checking a large
    // program does not keep it in memory.
    bool verify(int32_t id) const;
    // Checks every file; `error` names the first that fails.
    bool verifyAll(std::string* error) const;

  private:
    Bundle(const uint8_t* bytes, size_t length, std::unique_ptr<platform::MappedFile> mapping);
    bool parse(std::string* error);

    const uint8_t* bytes_;
    size_t length_;
    std::unique_ptr<platform::MappedFile> mapping_;  // null for bytes in memory
    std::vector<BundleFileInfo> files_;
};

}  // namespace tamlo
