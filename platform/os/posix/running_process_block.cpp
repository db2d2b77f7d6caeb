#include "platform/os/running_process_block.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/debug_sink.h"
#include "platform/os/os_services.h"
#include "platform/text_encoding.h"

namespace tamlo::processes {
namespace {

constexpr mode_t kSharedMode = 0666;

// Opens a shared-memory object, creating it readable and writable by everyone when
// `create` is set. The mode is widened only on an object this call created.
int openShared(const std::string& name, bool create) {
    std::string path = "/" + name;
    if (create) {
        int fd = shm_open(path.c_str(), O_RDWR | O_CREAT | O_EXCL, kSharedMode);
        if (fd >= 0) {
            fchmod(fd, kSharedMode);  // the umask narrowed it
            return fd;
        }
        if (errno != EEXIST) {
            return -1;
        }
    }
    int fd = shm_open(path.c_str(), O_RDWR, 0);
    if (fd < 0 && (errno == EACCES || errno == EPERM)) {
        fd = shm_open(path.c_str(), O_RDONLY, 0);
    }
    return fd;
}

// The block's lock, held while the object lives.
class BlockLock {
  public:
    explicit BlockLock(const std::string& name) : fd_(openShared(name, true)) {
        if (fd_ < 0) {
            return;
        }
        auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kBlockLockWaitMs);
        for (;;) {
            if (flock(fd_, LOCK_EX | LOCK_NB) == 0) {
                held_ = true;
                return;
            }
            if ((errno != EWOULDBLOCK && errno != EINTR) ||
                std::chrono::steady_clock::now() >= deadline) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ~BlockLock() {
        if (held_) {
            flock(fd_, LOCK_UN);
        }
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    BlockLock(const BlockLock&) = delete;
    BlockLock& operator=(const BlockLock&) = delete;
    bool held() const { return held_; }

  private:
    int fd_;
    bool held_ = false;
};

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

std::optional<std::u16string> readRunningProcessBlock(const BlockNames& names) {
    // No block, nothing to lock: a machine without the product keeps /dev/shm clean.
    FileDescriptor section(openShared(names.section, false));
    if (section.get() < 0) {
        return std::nullopt;
    }
    BlockLock lock(names.lock);
    if (!lock.held()) {
        return std::nullopt;
    }
    // pread rather than a mapping: a block shorter than promised cannot fault us.
    unsigned char bytes[kBlockSize];
    size_t got = 0;
    while (got < kBlockSize) {
        ssize_t n = pread(section.get(), bytes + got, kBlockSize - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    std::u16string text;
    for (size_t i = 0; i + 1 < got; i += 2) {
        char16_t unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (unit == 0) {
            break;
        }
        text += unit;
    }
    return text;
}

bool writeRunningProcessBlock(const BlockNames& names, std::u16string_view text) {
    BlockLock lock(names.lock);
    if (!lock.held()) {
        return false;
    }
    FileDescriptor section(openShared(names.section, true));
    struct stat info;
    if (section.get() < 0 || fstat(section.get(), &info) != 0) {
        return false;
    }
    if (info.st_size < static_cast<off_t>(kBlockSize) &&
        ftruncate(section.get(), static_cast<off_t>(kBlockSize)) != 0) {
        return false;
    }
    unsigned char bytes[kBlockSize] = {};
    size_t units = std::min(text.size(), kBlockSize / 2 - 1);
    for (size_t i = 0; i < units; ++i) {
        bytes[2 * i] = static_cast<unsigned char>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<unsigned char>(text[i] >> 8);
    }
    return pwrite(section.get(), bytes, kBlockSize, 0) == static_cast<ssize_t>(kBlockSize);
}

void removeRunningProcessBlock(const BlockNames& names) {
    shm_unlink(("/" + names.section).c_str());
    shm_unlink(("/" + names.lock).c_str());
}

}  // namespace tamlo::processes
