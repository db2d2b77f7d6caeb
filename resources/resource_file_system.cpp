#include "resources/resource_file_system.h"

#include <cstdlib>
#include <cstring>

namespace tamlo {

ResourceFileSystem::ResourceFileSystem(const Bundle* module, BundleVerifier* verifier)
    : module_(module), verifier_(verifier) {
    if (verifier_ == nullptr) {
        ownVerifier_ = std::make_unique<BundleVerifier>(module);
        verifier_ = ownVerifier_.get();
    }
}

void ResourceFileSystem::enter(const std::u16string& name, int32_t id) {
    std::lock_guard<std::mutex> lock(mutex_);
    ids_[name] = id;
}

void ResourceFileSystem::enterStandardFiles() {
    for (const EmbeddedFileName& file : kEmbeddedFiles) {
        enter(file.name, file.id);
    }
}

int32_t ResourceFileSystem::idOf(const std::u16string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    // An unknown name is remembered with id 0, which no embedded file has.
    return ids_.emplace(name, 0).first->second;
}

const uint8_t* ResourceFileSystem::checkedBytes(const std::u16string& name, uint32_t& length) {
    const int32_t id = idOf(name);
    if (module_ == nullptr) {
        return nullptr;
    }
    const uint8_t* bytes = module_->data(id, &length);
    if (bytes == nullptr || length > static_cast<uint32_t>(INT32_MAX) - 4) {
        return nullptr;
    }
    return verifier_->verified(id) ? bytes : nullptr;
}

bool ResourceFileSystem::damaged(const std::u16string& name) {
    return module_ != nullptr && verifier_->knownDamaged(idOf(name));
}

const uint8_t* ResourceFileSystem::lend(const std::u16string& name, size_t& size) {
    uint32_t length = 0;
    const uint8_t* bytes = checkedBytes(name, length);
    if (bytes != nullptr) {
        size = length;
    }
    return bytes;
}

void ResourceFileSystem::releaseLent(const uint8_t* bytes, size_t offset, size_t length) {
    if (module_ != nullptr && bytes != nullptr) {
        module_->releasePages(bytes + offset, length);
    }
}

uint8_t* ResourceFileSystem::read(const std::u16string& name, int& size) {
    uint32_t length = 0;
    const uint8_t* bytes = checkedBytes(name, length);
    if (bytes == nullptr) {
        return nullptr;
    }
    uint8_t* copy = static_cast<uint8_t*>(std::malloc(size_t{length} + 4));
    if (copy == nullptr) {
        return nullptr;
    }
    std::memcpy(copy, bytes, length);
    std::memset(copy + length, 0, 4);
    size = static_cast<int>(length);
    return copy;
}

void ResourceFileSystem::free(uint8_t* buffer) {
    std::free(buffer);
}

}  // namespace tamlo
