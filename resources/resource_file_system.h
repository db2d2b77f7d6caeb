#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "resources/bundle.h"
#include "resources/bundle_verifier.h"
#include "resources/file_system.h"

namespace tamlo {

// Hands out the embedded files of a bundle by registered name. Each read returns a fresh
// malloc'd copy with 4 zero bytes after the reported size. A file's CRC and SHA-256 are
// checked on its first read, unless the verifier already knows its verdict (a read waits
// while the verifier checks the file in the background); a file that fails reads as missing.
// Safe to use from several threads.
class ResourceFileSystem final : public FileSystem {
  public:
    // `module` null: every read fails. `verifier` null: a verifier of its own.
    explicit ResourceFileSystem(const Bundle* module, BundleVerifier* verifier = nullptr);

    // Registers `name` as the embedded file `id`.
    void enter(const std::u16string& name, int32_t id);
    // Registers the five standard embedded files.
    void enterStandardFiles();

    uint8_t* read(const std::u16string& name, int& size) override;
    void free(uint8_t* buffer) override;
    // The file inside the mapped program, checked like a read.
    const uint8_t* lend(const std::u16string& name, size_t& size) override;
    void releaseLent(const uint8_t* bytes, size_t offset, size_t length) override;
    bool damaged(const std::u16string& name) override;

  private:
    // The checked bytes of a registered name, or null. Called without the lock: it may
    // wait for the verifier.
    const uint8_t* checkedBytes(const std::u16string& name, uint32_t& length);
    int32_t idOf(const std::u16string& name);

    const Bundle* module_;
    std::unique_ptr<BundleVerifier> ownVerifier_;
    BundleVerifier* verifier_;
    std::mutex mutex_;
    std::map<std::u16string, int32_t> ids_;
};

}  // namespace tamlo
