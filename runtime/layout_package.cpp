#include "runtime/layout_package.h"

#include <cstdlib>

#include "resources/file_system.h"

namespace tamlo {

LayoutPackage::~LayoutPackage() {
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
