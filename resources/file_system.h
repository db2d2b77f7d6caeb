#pragma once

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

  protected:
    ~FileSystem() = default;
};

// The process-wide file system (the resource registry once start-up has built it).
FileSystem* globalFileSystem();
void setGlobalFileSystem(FileSystem* fileSystem);

}  // namespace tamlo
