#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The running-process block: 4096 bytes of shared memory in which the installed product
// lists its running executables as UTF-16LE text, each entry ended by ';', the text ended
// by a zero unit, guarded by a named lock that is released when its holder dies. Both are
// open to every user's processes. Their names:
//   section  5f0c9e2a-8d41-4b7e-a3f6-1c2e7d9b4a60
//   lock     c3a7d19e-6b52-4f08-9e1d-72b4a5f08c3d
// (on Linux, shared memory in /dev/shm with mode 0666 and a lock on the second object).
// The installer only reads the block; the writer below is the product's side (and tests').
namespace tamlo::processes {

constexpr size_t kBlockSize = 4096;
constexpr int kBlockLockWaitMs = 100;

struct BlockNames {
    std::string section;  // shm_open names without the leading '/'
    std::string lock;
};

// The two fixed names above.
BlockNames defaultBlockNames();

// The block's text up to its first zero unit, or nothing when the block does not exist,
// cannot be opened or its lock is not free within kBlockLockWaitMs.
std::optional<std::u16string> readRunningProcessBlock(const BlockNames& names);

// Creates the block (mode 0666) when missing and replaces its text; a text that does not
// fit with its terminator is cut. False when the block cannot be written.
bool writeRunningProcessBlock(const BlockNames& names, std::u16string_view text);

// Removes both objects (a product's tear-down, tests).
void removeRunningProcessBlock(const BlockNames& names);

// Entries of a block text: each ';' ends one, text after the last ';' is none, empty
// entries are skipped.
std::vector<std::u16string> blockEntries(std::u16string_view text);

// The file-name part of an entry: after the last '\' or '/'.
std::u16string entryImageName(std::u16string_view entry);

// Kills, without waiting, every process named like an entry of the block (last entry
// first, each entry and its name written to the debug output), then every process named
// `productImageName`, whether or not the block could be read.
void killRunningProcesses(const BlockNames& names, const std::string& productImageName);

}  // namespace tamlo::processes
