#include "platform/os/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tamlo::platform {

MappedFile::~MappedFile() {
    if (data_ != nullptr) {
        munmap(data_, size_);
    }
}

void MappedFile::dropPages(size_t offset, size_t length) const {
    if (data_ == nullptr || offset >= size_) {
        return;
    }
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t start = offset / page * page;
    const size_t end = std::min(size_, offset + std::min(length, size_ - offset));
    madvise(data_ + start, end - start, MADV_DONTNEED);
}

void MappedFile::adviseSequential() const {
    if (data_ != nullptr) {
        madvise(data_, size_, MADV_SEQUENTIAL);
    }
}

bool MappedFile::open(const std::string& path, std::string* error) {
    std::string ignored;
    if (error == nullptr) {
        error = &ignored;
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        *error = path + " is not a regular file";
        return false;
    }
    size_ = static_cast<size_t>(info.st_size);
    if (size_ > 0) {
        void* view = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
        if (view == MAP_FAILED) {
            ::close(fd);
            *error = "cannot map " + path + ": " + std::strerror(errno);
            size_ = 0;
            return false;
        }
        data_ = static_cast<uint8_t*>(view);
    }
    ::close(fd);
    return true;
}

}  // namespace tamlo::platform
