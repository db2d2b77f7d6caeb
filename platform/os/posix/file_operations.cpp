#include "platform/os/file_operations.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/os/os_services.h"

namespace tamlo::files {
namespace {

constexpr mode_t kPermissionBits = 07777;

std::string parentFolder(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool writeAll(int fd, const char* bytes, size_t size) {
    while (size > 0) {
        ssize_t written = write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool copyContent(int source, int target) {
    char buffer[64 * 1024];
    for (;;) {
        ssize_t got = read(source, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (got == 0) {
            return true;
        }
        if (!writeAll(target, buffer, static_cast<size_t>(got))) {
            return false;
        }
    }
}

}  // namespace

std::string normalizeSeparators(std::string path) {
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    return path;
}

bool removeFile(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) {
        return false;
    }
    // Only a regular file's own mode is touched; chmod on a link would change its target.
    if (S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) == 0) {
        chmod(path.c_str(), (info.st_mode & kPermissionBits) | S_IWUSR);
    }
    return unlink(path.c_str()) == 0;
}

bool copyFile(const std::string& from, const std::string& to) {
    if (from.empty() || to.empty()) {
        return false;
    }
    int source = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (source < 0) {
        return false;
    }
    struct stat sourceInfo;
    struct stat targetInfo;
    if (fstat(source, &sourceInfo) != 0 || !S_ISREG(sourceInfo.st_mode) ||
        (stat(to.c_str(), &targetInfo) == 0 &&
         (S_ISDIR(targetInfo.st_mode) ||
          (targetInfo.st_dev == sourceInfo.st_dev && targetInfo.st_ino == sourceInfo.st_ino)))) {
        close(source);
        return false;
    }
    std::string temporary = parentFolder(to) + "/.tamlo-copy-XXXXXX";
    int target = mkostemp(temporary.data(), O_CLOEXEC);
    if (target < 0) {
        close(source);
        return false;
    }
    bool ok =
        copyContent(source, target) && fchmod(target, sourceInfo.st_mode & kPermissionBits) == 0;
    ok = close(target) == 0 && ok;
    close(source);
    if (ok && rename(temporary.c_str(), to.c_str()) == 0) {
        return true;
    }
    unlink(temporary.c_str());
    return false;
}

bool moveFile(const std::string& from, const std::string& to) {
    if (from.empty() || to.empty()) {
        return false;
    }
    if (rename(from.c_str(), to.c_str()) == 0) {
        return true;
    }
    if (errno != EXDEV) {
        return false;
    }
    if (!copyFile(from, to)) {
        return false;
    }
    if (unlink(from.c_str()) != 0) {
        // Both would exist; a move that cannot finish leaves the source as it was.
        unlink(to.c_str());
        return false;
    }
    return true;
}

void removeDirectory(const std::string& path) {
    std::string folder = normalizeSeparators(path);
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    if (folder.empty() || folder == "/") {
        return;
    }
    os::deleteTree(folder);
}

void createDirectory(const std::string& path) {
    std::string normalized = normalizeSeparators(path);
    std::string prefix = !normalized.empty() && normalized[0] == '/' ? "/" : "";
    size_t start = 0;
    while (start < normalized.size()) {
        size_t end = normalized.find('/', start);
        if (end == std::string::npos) {
            end = normalized.size();
        }
        if (end > start) {
            prefix += normalized.substr(start, end - start);
            mkdir(prefix.c_str(), 0777);
            prefix += '/';
        }
        start = end + 1;
    }
}

bool fileExists(const std::string& path) {
    struct stat info;
    return !path.empty() && stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool directoryEmpty(const std::string& path) {
    if (path.empty() || access(path.c_str(), F_OK) != 0) {
        return true;
    }
    DIR* dir = opendir(path.c_str());
    if (dir == nullptr) {
        return false;
    }
    bool empty = true;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") {
            empty = false;
            break;
        }
    }
    closedir(dir);
    return empty;
}

bool setCurrentDirectory(const std::string& path) {
    return !path.empty() && chdir(path.c_str()) == 0;
}

int executableFileMode() {
    // The umask is read from /proc: setting it to read it races with other threads.
    unsigned mask = 022;
    if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status) != nullptr) {
            if (std::sscanf(line, "Umask: %o", &mask) == 1) {
                break;
            }
        }
        std::fclose(status);
    }
    return static_cast<int>(0777 & ~mask);
}

}  // namespace tamlo::files

namespace tamlo::files {

bool directoryExists(const std::string& path) {
    struct stat info;
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool removeEmptyDirectory(const std::string& path) {
    return !path.empty() && rmdir(path.c_str()) == 0;
}

AppendingFile::~AppendingFile() {
    close();
}

bool AppendingFile::open(const std::string& path) {
    close();
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    handle_ = fd;
    // The new name itself must survive a crash too.
    int folder = ::open(parentFolder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        ::close(folder);
    }
    return true;
}

bool AppendingFile::append(const std::string& bytes, bool flush) {
    int fd = static_cast<int>(handle_);
    return fd >= 0 && writeAll(fd, bytes.data(), bytes.size()) && (!flush || fdatasync(fd) == 0);
}

void AppendingFile::close() {
    if (handle_ >= 0) {
        ::close(static_cast<int>(handle_));
        handle_ = -1;
    }
}

bool AppendingFile::isOpen() const {
    return handle_ >= 0;
}

}  // namespace tamlo::files
