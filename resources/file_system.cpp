#include "resources/file_system.h"

#include <atomic>

namespace tamlo {
namespace {
std::atomic<FileSystem*> currentFileSystem{nullptr};
}  // namespace

FileSystem* globalFileSystem() {
    return currentFileSystem.load();
}

void setGlobalFileSystem(FileSystem* fileSystem) {
    currentFileSystem.store(fileSystem);
}

}  // namespace tamlo
