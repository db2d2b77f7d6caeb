#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <string>

#include "platform/os/file_operations.h"

namespace tamlo::files {
namespace {

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

ReplacingFile::~ReplacingFile() {
    discard();
}

bool ReplacingFile::open(const std::string& target, int mode) {
    discard();
    if (target.empty() || target.back() == '/') {
        return false;
    }
    struct stat existing {};
    if (lstat(target.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
        return false;  // a folder is never replaced by a file
    }
    // Created with 0666 so the umask gives the product's file its usual mode (mkstemp
    // would make it 0600, and changing the umask is not thread-safe).
    static std::atomic<uint32_t> counter{0};
    std::string temporary;
    int descriptor = -1;
    for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        temporary = folderOf(target) + "/.tamlo-new-" + std::to_string(getpid()) + "-" +
                    std::to_string(counter.fetch_add(1));
        descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0 && errno != EEXIST) {
            return false;
        }
    }
    if (descriptor < 0) {
        return false;
    }
    if (mode >= 0 && fchmod(descriptor, static_cast<mode_t>(mode)) != 0) {
        close(descriptor);
        unlink(temporary.c_str());
        return false;
    }
    descriptor_ = descriptor;
    target_ = target;
    temporary_ = std::move(temporary);
    return true;
}

bool ReplacingFile::write(const uint8_t* data, size_t size) {
    if (descriptor_ < 0) {
        return false;
    }
    while (size > 0) {
        const ssize_t written = ::write(descriptor_, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool ReplacingFile::position(uint64_t* offset) const {
    const off_t here = descriptor_ < 0 ? -1 : lseek(descriptor_, 0, SEEK_CUR);
    if (here < 0) {
        return false;
    }
    *offset = static_cast<uint64_t>(here);
    return true;
}

bool ReplacingFile::seek(uint64_t offset) {
    return descriptor_ >= 0 && offset <= static_cast<uint64_t>(INT64_MAX) &&
           lseek(descriptor_, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

bool ReplacingFile::truncateHere() {
    uint64_t here = 0;
    return position(&here) && ftruncate(descriptor_, static_cast<off_t>(here)) == 0;
}

bool ReplacingFile::commit() {
    if (descriptor_ < 0) {
        return false;
    }
    const int descriptor = descriptor_;
    descriptor_ = -1;
    if (close(descriptor) != 0 || rename(temporary_.c_str(), target_.c_str()) != 0) {
        unlink(temporary_.c_str());
        temporary_.clear();
        return false;
    }
    temporary_.clear();
    return true;
}

void ReplacingFile::discard() {
    if (descriptor_ >= 0) {
        close(descriptor_);
        descriptor_ = -1;
    }
    if (!temporary_.empty()) {
        unlink(temporary_.c_str());
        temporary_.clear();
    }
}

}  // namespace tamlo::files
