#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <set>
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

constexpr char kNewPrefix[] = ".tamlo-new-";

std::string newFileName(const std::string& folder) {
    static std::atomic<uint32_t> counter{0};
    return folder + "/" + kNewPrefix + std::to_string(getpid()) + "-" +
           std::to_string(counter.fetch_add(1));
}

// The process id in ".tamlo-new-<pid>-<n>", or 0 when the name is not one of ours.
pid_t writerOf(const char* name) {
    const std::string text(name);
    const size_t prefix = sizeof kNewPrefix - 1;
    if (text.compare(0, prefix, kNewPrefix) != 0) {
        return 0;
    }
    const size_t dash = text.find('-', prefix);
    if (dash == std::string::npos || dash == prefix || dash + 1 == text.size()) {
        return 0;
    }
    for (size_t i = prefix; i < text.size(); ++i) {
        if (i != dash && (text[i] < '0' || text[i] > '9')) {
            return 0;
        }
    }
    const long pid = std::strtol(text.c_str() + prefix, nullptr, 10);
    return pid > 0 && pid <= INT32_MAX ? static_cast<pid_t>(pid) : 0;
}

// New files of writers that died before their commit (a killed process, or a system
// without unnamed files): removed once per folder and process, files of this user only.
void removeLeftoversOfDeadWriters(const std::string& folder) {
    static std::mutex lock;
    static std::set<std::string> swept;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (!swept.insert(folder).second) {
            return;
        }
    }
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr) {
        return;
    }
    const int folderDescriptor = dirfd(listing);
    while (const dirent* entry = readdir(listing)) {
        const pid_t writer = writerOf(entry->d_name);
        if (writer == 0 || writer == getpid() || kill(writer, 0) == 0 || errno != ESRCH) {
            continue;
        }
        struct stat info;
        if (fstatat(folderDescriptor, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && info.st_uid == geteuid()) {
            unlinkat(folderDescriptor, entry->d_name, 0);
        }
    }
    closedir(listing);
}

// An unnamed file in `folder` that vanishes with the process unless linked; -1 where the
// file system cannot make one.
int openUnnamed(const std::string& folder) {
#ifdef O_TMPFILE
    const int descriptor = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    // Without /proc it could not be linked into place at the end.
    if (descriptor >= 0 &&
        access(("/proc/self/fd/" + std::to_string(descriptor)).c_str(), F_OK) != 0) {
        close(descriptor);
        return -1;
    }
    return descriptor;
#else
    (void)folder;
    errno = EOPNOTSUPP;
    return -1;
#endif
}

// Gives an unnamed file the name `path` (which must not exist).
bool linkUnnamed(int descriptor, const std::string& path) {
    const std::string self = "/proc/self/fd/" + std::to_string(descriptor);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return true;
    }
#ifdef AT_EMPTY_PATH
    return linkat(descriptor, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0;
#else
    return false;
#endif
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
    const std::string folder = folderOf(target);
    removeLeftoversOfDeadWriters(folder);
    // Unnamed first: a writer killed before its commit leaves nothing behind.
    std::string temporary;
    int descriptor = openUnnamed(folder);
    for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        temporary = newFileName(folder);
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
        if (!temporary.empty()) {
            unlink(temporary.c_str());
        }
        return false;
    }
    descriptor_ = descriptor;
    target_ = target;
    temporary_ = std::move(temporary);
    return true;
}

bool ReplacingFile::openForCheckedBytes(const std::string& target, int mode) {
    discard();
    if (target.empty() || target.back() == '/') {
        return false;
    }
    // O_EXCL: never an existing file, nor one a link points to.
    const int descriptor =
        ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        return open(target, mode);  // something is there: it is replaced only once whole
    }
    if (mode >= 0 && fchmod(descriptor, static_cast<mode_t>(mode)) != 0) {
        close(descriptor);
        unlink(target.c_str());
        return false;
    }
    descriptor_ = descriptor;
    inPlace_ = true;
    target_ = target;
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
    if (inPlace_) {
        inPlace_ = false;
        if (close(descriptor) != 0) {
            unlink(target_.c_str());
            return false;
        }
        return true;
    }
    if (temporary_.empty()) {
        // The unnamed file gets a name only now, for the moment before the rename.
        bool linked = false;
        for (int attempt = 0; attempt < 100 && !linked; ++attempt) {
            temporary_ = newFileName(folderOf(target_));
            linked = linkUnnamed(descriptor, temporary_);
            if (!linked && errno != EEXIST) {
                break;
            }
        }
        if (!linked) {
            close(descriptor);
            temporary_.clear();
            return false;
        }
    }
    if (close(descriptor) != 0 || rename(temporary_.c_str(), target_.c_str()) != 0) {
        unlink(temporary_.c_str());
        temporary_.clear();
        return false;
    }
    temporary_.clear();
    return true;
}

// Closing costs little here: it happens at once.
bool ReplacingFile::commitClosingLater() {
    return commit();
}

void finishClosingFiles() {}

void ReplacingFile::discard() {
    if (descriptor_ >= 0) {
        close(descriptor_);
        descriptor_ = -1;
    }
    if (inPlace_) {
        inPlace_ = false;
        unlink(target_.c_str());
    }
    if (!temporary_.empty()) {
        unlink(temporary_.c_str());
        temporary_.clear();
    }
}

}  // namespace tamlo::files
