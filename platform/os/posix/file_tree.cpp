#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "platform/os/glob_match.h"
#include "platform/os/os_services.h"

namespace tamlo::os {
namespace {

// Names in the folder open at `dirFd`, without "." and "..". The stream is closed
// before the caller recurses, so a deep tree holds one descriptor per level.
std::vector<std::string> entryNames(int dirFd) {
    std::vector<std::string> names;
    int streamFd = dup(dirFd);
    if (streamFd < 0) {
        return names;
    }
    DIR* dir = fdopendir(streamFd);
    if (dir == nullptr) {
        close(streamFd);
        return names;
    }
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(std::move(name));
        }
    }
    closedir(dir);
    return names;
}

// Opens a folder for deleting its contents: never through a link, and made
// listable and writable by its owner first (a read-only folder keeps its files).
int openFolderForDelete(int parentFd, const char* name) {
    int fd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        // A folder without read or search permission cannot be opened for reading.
        struct stat info;
        if (fstatat(parentFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(info.st_mode)) {
            return -1;
        }
        int pathFd = openat(parentFd, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (pathFd < 0) {
            return -1;
        }
        std::string procPath = "/proc/self/fd/" + std::to_string(pathFd);
        chmod(procPath.c_str(), (info.st_mode & 07777) | S_IRWXU);
        close(pathFd);
        fd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            return -1;
        }
    }
    struct stat info;
    if (fstat(fd, &info) == 0 && (info.st_mode & S_IRWXU) != S_IRWXU) {
        fchmod(fd, (info.st_mode & 07777) | S_IRWXU);
    }
    return fd;
}

void deleteContents(int dirFd) {
    for (const std::string& name : entryNames(dirFd)) {
        struct stat info;
        if (fstatat(dirFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        if (S_ISDIR(info.st_mode)) {
            int childFd = openFolderForDelete(dirFd, name.c_str());
            if (childFd >= 0) {
                deleteContents(childFd);
                close(childFd);
            }
            unlinkat(dirFd, name.c_str(), AT_REMOVEDIR);
        } else {
            // Links, files and everything else: the entry goes, a link's target stays.
            unlinkat(dirFd, name.c_str(), 0);
        }
    }
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

}  // namespace

std::vector<std::string> listFiles(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> paths;
    std::string base = withoutTrailingSlashes(folder);
    if (base.empty()) {
        return paths;
    }
    int dirFd = open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        return paths;
    }
    std::vector<std::string> names = entryNames(dirFd);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        struct stat info;
        // Names match ignoring case, as a Windows file search does.
        if (platform::globMatches(pattern, name) &&
            fstatat(dirFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode)) {
            paths.push_back(base == "/" ? "/" + name : base + "/" + name);
        }
    }
    close(dirFd);
    return paths;
}

void deleteTree(const std::string& folder) {
    std::string path = withoutTrailingSlashes(folder);
    if (path.empty() || path == "/") {
        return;
    }
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) {
        return;
    }
    if (!S_ISDIR(info.st_mode)) {
        // The folder itself is a link or a file: remove that entry only.
        unlink(path.c_str());
        return;
    }
    int dirFd = openFolderForDelete(AT_FDCWD, path.c_str());
    if (dirFd >= 0) {
        deleteContents(dirFd);
        close(dirFd);
    }
    rmdir(path.c_str());
}

}  // namespace tamlo::os
