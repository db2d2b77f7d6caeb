#include "platform/os/contained_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

namespace tamlo::files {

namespace {

class Descriptor {
  public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    void reset(int fd = -1) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }
    int get() const { return fd_; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

bool writeAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t done = ::write(fd, data, size);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            return false;
        }
        data += done;
        size -= static_cast<size_t>(done);
    }
    return true;
}

}  // namespace

ContainedFolder::~ContainedFolder() {
    if (root_ >= 0) {
        ::close(root_);
    }
}

bool ContainedFolder::openRoot(const std::string& directory, std::string* error) {
    std::error_code failure;
    std::filesystem::create_directories(directory, failure);
    root_ = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root_ < 0) {
        *error = "cannot open the folder " + directory + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool ContainedFolder::write(const std::vector<std::string>& segments,
                            const std::function<bool(const ChunkWriter&, std::string*)>& fill,
                            std::string* error, bool executable) {
    if (root_ < 0 || segments.empty()) {
        *error = "no output folder";
        return false;
    }
    std::string shown;
    Descriptor parent(::dup(root_));
    for (size_t i = 0; i + 1 < segments.size(); ++i) {
        const char* segment = segments[i].c_str();
        shown += segments[i] + "/";
        if (mkdirat(parent.get(), segment, 0755) != 0 && errno != EEXIST) {
            *error = "cannot create the folder " + shown + ": " + std::strerror(errno);
            return false;
        }
        // O_NOFOLLOW: a link planted in the folder cannot redirect the write elsewhere.
        int next = openat(parent.get(), segment, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            *error = "cannot enter the folder " + shown + ": " + std::strerror(errno);
            return false;
        }
        parent.reset(next);
    }
    const std::string& leaf = segments.back();
    shown += leaf;
    // Written beside the target and renamed over it once whole: a failed decode leaves
    // an existing file as it was.
    static std::atomic<unsigned> counter{0};
    std::string temporary;
    Descriptor file;
    for (int attempt = 0; attempt < 100 && file.get() < 0; ++attempt) {
        temporary = ".tamlo-new-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        file.reset(openat(parent.get(), temporary.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          executable ? 0755 : 0644));
        if (file.get() < 0 && errno != EEXIST) {
            break;
        }
    }
    if (file.get() < 0) {
        *error = "cannot create " + shown + ": " + std::strerror(errno);
        return false;
    }
    bool writeFailed = false;
    ChunkWriter sink = [&](const uint8_t* data, size_t size) {
        if (!writeAll(file.get(), data, size)) {
            writeFailed = true;
            return false;
        }
        return true;
    };
    std::string fillError;
    bool filled = fill(sink, &fillError);
    if (writeFailed) {
        fillError = std::string("cannot write: ") + std::strerror(errno);
    }
    if (::close(file.release()) != 0 && filled) {
        filled = false;
        fillError = std::string("cannot write: ") + std::strerror(errno);
    }
    struct stat existing {};
    if (filled && fstatat(parent.get(), leaf.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(existing.st_mode)) {
        // A link planted at the target is neither followed nor silently replaced.
        filled = false;
        fillError = "the target is a symbolic link";
    }
    if (filled && renameat(parent.get(), temporary.c_str(), parent.get(), leaf.c_str()) != 0) {
        filled = false;
        fillError = std::string("cannot put the file in place: ") + std::strerror(errno);
    }
    if (!filled) {
        unlinkat(parent.get(), temporary.c_str(), 0);
        *error = shown + ": " + fillError;
        return false;
    }
    return true;
}

}  // namespace tamlo::files
