#include "platform/os/volumes.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <fstream>
#include <set>
#include <sstream>

namespace tamlo::volumes {
namespace {

// Mount points escape space, tab, newline and backslash as \ooo.
std::string unescapeOctal(const std::string& text) {
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '3' &&
            text[i + 2] >= '0' && text[i + 2] <= '7' && text[i + 3] >= '0' && text[i + 3] <= '7') {
            plain += static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 +
                                       (text[i + 3] - '0'));
            i += 3;
        } else {
            plain += text[i];
        }
    }
    return plain;
}

bool contains(const std::string& mountPoint, const std::string& path) {
    if (mountPoint == "/") {
        return !path.empty() && path[0] == '/';
    }
    return path.compare(0, mountPoint.size(), mountPoint) == 0 &&
           (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

std::optional<bool> readRemovableFlag(const std::string& file) {
    std::ifstream in(file);
    std::string value;
    if (!(in >> value)) {
        return std::nullopt;
    }
    return value != "0";
}

// A partition has no "removable" attribute of its own; its disk, one folder up, has.
std::optional<bool> removableFromSys(unsigned major, unsigned minor) {
    std::string link = "/sys/dev/block/" + std::to_string(major) + ":" + std::to_string(minor);
    char buffer[PATH_MAX];
    if (realpath(link.c_str(), buffer) == nullptr) {
        return std::nullopt;
    }
    std::string device = buffer;
    if (auto flag = readRemovableFlag(device + "/removable")) {
        return flag;
    }
    size_t slash = device.rfind('/');
    if (slash == std::string::npos || slash == 0) {
        return std::nullopt;
    }
    return readRemovableFlag(device.substr(0, slash) + "/removable");
}

}  // namespace

std::vector<MountEntry> parseMountInfo(const std::string& text) {
    std::vector<MountEntry> mounts;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        // id parent major:minor root mount-point options [optional...] - type source super
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint;
        if (!(fields >> id >> parent >> device >> root >> mountPoint)) {
            continue;
        }
        std::string field;
        bool separator = false;
        while (fields >> field) {
            if (field == "-") {
                separator = true;
                break;
            }
        }
        std::string fsType;
        if (!separator || !(fields >> fsType)) {
            continue;
        }
        MountEntry entry;
        size_t colon = device.find(':');
        if (colon == std::string::npos) {
            continue;
        }
        char* end = nullptr;
        entry.major = static_cast<unsigned>(std::strtoul(device.c_str(), &end, 10));
        entry.minor = static_cast<unsigned>(std::strtoul(device.c_str() + colon + 1, &end, 10));
        entry.mountPoint = unescapeOctal(mountPoint);
        entry.fsType = fsType;
        mounts.push_back(std::move(entry));
    }
    return mounts;
}

std::optional<MountEntry> mountFor(const std::vector<MountEntry>& mounts, const std::string& path) {
    const MountEntry* best = nullptr;
    for (const MountEntry& entry : mounts) {
        if (contains(entry.mountPoint, path) &&
            (best == nullptr || entry.mountPoint.size() >= best->mountPoint.size())) {
            best = &entry;
        }
    }
    return best ? std::optional<MountEntry>(*best) : std::nullopt;
}

bool isLocalDiskFileSystem(const std::string& fsType) {
    static const std::set<std::string> notFixed = {
        // network
        "nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "9p", "afs", "ceph", "glusterfs",
        "fuse.sshfs", "fuse.glusterfs", "fuse.s3fs", "davfs", "fuse.davfs2", "fuse.rclone",
        "lustre", "gfs2", "ocfs2", "coda",
        // memory
        "tmpfs", "ramfs", "devtmpfs", "zram",
        // optical
        "iso9660", "udf",
        // pseudo
        "proc", "sysfs", "devpts", "cgroup", "cgroup2", "securityfs", "debugfs", "tracefs",
        "pstore", "bpf", "mqueue", "hugetlbfs", "configfs", "fusectl", "autofs", "binfmt_misc",
        "efivarfs", "nsfs", "rpc_pipefs", "selinuxfs"};
    return !fsType.empty() && notFixed.count(fsType) == 0;
}

bool isFixedVolume(const std::vector<MountEntry>& mounts, const std::string& resolvedPath,
                   const RemovableLookup& removable) {
    std::optional<MountEntry> mount = mountFor(mounts, resolvedPath);
    if (!mount || !isLocalDiskFileSystem(mount->fsType)) {
        return false;
    }
    // Major 0 is an anonymous device (overlay, btrfs subvolumes): no block device to ask.
    if (mount->major == 0 || !removable) {
        return true;
    }
    return !removable(mount->major, mount->minor).value_or(false);
}

bool volumeExists(const std::string& path) {
    char buffer[PATH_MAX];
    if (path.empty() || realpath(path.c_str(), buffer) == nullptr) {
        return false;
    }
    std::ifstream in("/proc/self/mountinfo");
    std::stringstream text;
    text << in.rdbuf();
    return isFixedVolume(parseMountInfo(text.str()), buffer, removableFromSys);
}

std::optional<uint64_t> freeSpace(const std::string& path) {
    std::string probe = path;
    struct stat status;
    while (!probe.empty() && stat(probe.c_str(), &status) != 0) {
        probe = parentPath(probe);
    }
    struct statvfs volume;
    if (probe.empty() || statvfs(probe.c_str(), &volume) != 0) {
        return std::nullopt;
    }
    // f_bavail: the blocks left to unprivileged users, which is what an installer may use.
    return static_cast<uint64_t>(volume.f_bavail) * static_cast<uint64_t>(volume.f_frsize);
}

}  // namespace tamlo::volumes
