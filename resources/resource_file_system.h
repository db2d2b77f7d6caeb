#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "resources/bundle.h"
#include "resources/file_system.h"

namespace tamlo {

// Hands out the embedded files of a bundle by registered name. Each read returns a fresh
// malloc'd copy with 4 zero bytes after the reported size. A file's CRC is checked on its
// first read; a file that fails it reads as missing. Safe to use from several threads.
class ResourceFileSystem final : public FileSystem {
  public:
    explicit ResourceFileSystem(const Bundle* module);  // null: every read fails

    // Registers `name` as the embedded file `id`.
    void enter(const std::u16string& name, int32_t id);
    // Registers the five standard embedded files.
    void enterStandardFiles();

    uint8_t* read(const std::u16string& name, int& size) override;
    void free(uint8_t* buffer) override;
    // The file inside the mapped program, checked like a read.
    const uint8_t* lend(const std::u16string& name, size_t& size) override;
    void releaseLent(const uint8_t* bytes, size_t offset, size_t length) override;

  private:
    // The checked bytes of a registered name, or null. Caller holds the lock.
    const uint8_t* checkedBytes(const std::u16string& name, uint32_t& length);

    const Bundle* module_;
    std::mutex mutex_;
    std::map<std::u16string, int32_t> ids_;
    std::set<int32_t> verified_;
    std::set<int32_t> failed_;
};

}  // namespace tamlo
