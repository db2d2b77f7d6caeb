#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tamlo {

// How every embedded file is read. Buffers come from malloc, are 4 bytes longer than
// the reported size with those 4 bytes zero (scripts are loaded as zero-terminated
// text), and are released with free() of the same file system.
class FileSystem {
  public:
    // Null when there is no such file; `size` is then left untouched.
    virtual uint8_t* read(const std::u16string& name, int& size) = 0;
    virtual void free(uint8_t* buffer) = 0;

    // The file's bytes without a copy, valid while the file system lives, or null when
    // this file system cannot lend them (read() then). Large payloads are read this way.
    virtual const uint8_t* lend(const std::u16string& /*name*/, size_t& /*size*/) {
        return nullptr;
    }
    // Lent bytes in [offset, offset + length) are not needed again soon: the memory behind
    // them may be given back (a later touch reads them again).
    virtual void releaseLent(const uint8_t* /*bytes*/, size_t /*offset*/, size_t /*length*/) {}

    // True when the file is there but failed its integrity check, so the installer is damaged
    // (start-up tells the user); false for a sound or a missing file.
    virtual bool damaged(const std::u16string& /*name*/) { return false; }

  protected:
    ~FileSystem() = default;
};

// The process-wide file system (the resource registry once start-up has built it).
FileSystem* globalFileSystem();
void setGlobalFileSystem(FileSystem* fileSystem);

}  // namespace tamlo
