#include "platform/os/restart_marker.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/os/file_operations.h"
#include "platform/os/known_folders.h"
#include "platform/os/os_services.h"

namespace tamlo::platform {
namespace {

// A marker counts only when it is a regular file written by us or by root: a file
// someone else left in a shared temp folder must not block or fake anything.
bool trustworthy(int fd) {
    struct stat info;
    return fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
           (info.st_uid == geteuid() || info.st_uid == 0);
}

size_t readUpTo(int fd, uint8_t* buffer, size_t wanted) {
    size_t done = 0;
    while (done < wanted) {
        ssize_t n = read(fd, buffer + done, wanted - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    return done;
}

void writeAll(int fd, const uint8_t* bytes, size_t count) {
    size_t done = 0;
    while (done < count) {
        ssize_t n = write(fd, bytes + done, count - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        done += static_cast<size_t>(n);
    }
}

// Opens the marker for writing as a regular file of ours, or -1. O_NONBLOCK keeps a
// FIFO planted at the path from stalling us.
int openForWriting(const std::string& path) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd >= 0) {
        struct stat info;
        if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == geteuid()) {
            return fd;
        }
        close(fd);
    } else if (errno != ELOOP) {
        return -1;
    }
    // A link or a foreign object sits at the path: replace the entry with a fresh file.
    if (unlink(path.c_str()) != 0) {
        return -1;
    }
    return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

// The marker's folder is ours when it is a real folder of this user (or root) that no
// other user may write; it is made 0700 when missing.
bool ownFolder(const std::string& folder, bool create) {
    struct stat info;
    if (lstat(folder.c_str(), &info) != 0) {
        if (!create || errno != ENOENT || mkdir(folder.c_str(), 0700) != 0 ||
            lstat(folder.c_str(), &info) != 0) {
            return false;
        }
    }
    // Group write is fine for the user's own group (a umask of 002 gives it).
    return S_ISDIR(info.st_mode) && (info.st_uid == geteuid() || info.st_uid == 0) &&
           (info.st_mode & S_IWOTH) == 0 &&
           ((info.st_mode & S_IWGRP) == 0 || info.st_gid == getegid());
}

std::string markerFolder() {
    std::string path = restartMarkerPath();
    return path.substr(0, path.rfind('/'));
}

}  // namespace

std::string restartMarkerPath() {
    // The user's own data folder, not the shared temp folder, where another user could
    // take the name first.
    auto data = folders::resolveSpecialFolder(folders::SpecialFolder::AppData, false);
    return data.value_or(os::tempPath() + "orvinex_restart_" + std::to_string(geteuid())) +
           "/tamlo/orvinex_restart";
}

bool pendingRebootCheck() {
    std::string path = restartMarkerPath();
    struct stat entry;
    if (lstat(path.c_str(), &entry) != 0) {
        return false;
    }
    bool pending = false;
    int fd = !ownFolder(markerFolder(), false)
                 ? -1
                 : open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        std::array<uint8_t, 8> marker{};
        if (trustworthy(fd) && readUpTo(fd, marker.data(), marker.size()) == marker.size()) {
            pending = marker == os::bootTimeBytes();
        }
        close(fd);
    }
    if (!pending) {
        unlink(path.c_str());
    }
    return pending;
}

void markRestart() {
    const std::string folder = markerFolder();
    files::createDirectory(folder.substr(0, folder.rfind('/')));
    if (!ownFolder(folder, true)) {
        return;
    }
    int fd = openForWriting(restartMarkerPath());
    if (fd < 0) {
        return;
    }
    // The file may predate us with wider permissions or longer content.
    fchmod(fd, 0600);
    if (ftruncate(fd, 0) == 0) {
        std::array<uint8_t, 8> bootTime = os::bootTimeBytes();
        writeAll(fd, bootTime.data(), bootTime.size());
    }
    close(fd);
}

}  // namespace tamlo::platform
