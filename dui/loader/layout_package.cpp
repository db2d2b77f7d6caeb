#include "dui/loader/layout_package.h"

#include <cstdlib>

#include "platform/debug_sink.h"
#include "resources/file_system.h"

namespace tamlo {

LayoutPackage::~LayoutPackage() {
    release();
}

bool LayoutPackage::load(const std::u16string& name) {
    release();
    FileSystem* files = globalFileSystem();
    int size = 0;
    uint8_t* data = files ? files->read(name, size) : nullptr;
    if (data == nullptr) {
        debugOutput(u"layout package missing: " + name);
        return false;
    }
    buffer = data;
    reader = std::make_unique<PackageReader>(buffer, static_cast<size_t>(size));
    if (reader->damaged()) {
        debugOutput("layout package damaged: " + reader->problem());
        release();
        return false;
    }
    return true;
}

void LayoutPackage::release() {
    reader.reset();
    if (buffer != nullptr) {
        if (FileSystem* files = globalFileSystem()) {
            files->free(buffer);
        } else {
            std::free(buffer);  // the file system went first; its buffers are malloc'd
        }
        buffer = nullptr;
    }
}

}  // namespace tamlo
