#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "resources/package_reader.h"

namespace tamlo {

// The opened layout package: a reader over a buffer read through the global file
// system. Both start empty; start-up fills them from the layout package file.
struct LayoutPackage {
    LayoutPackage() = default;
    LayoutPackage(const LayoutPackage&) = delete;
    LayoutPackage& operator=(const LayoutPackage&) = delete;
    // Deletes the reader, then frees the buffer it borrowed.
    ~LayoutPackage();

    std::unique_ptr<PackageReader> reader;
    uint8_t* buffer = nullptr;

    // Releases what is loaded, then reads `name` through the global file system and
    // indexes it. False (and nothing loaded) when it is missing or damaged.
    bool load(const std::u16string& name);
    void release();
};

}  // namespace tamlo
