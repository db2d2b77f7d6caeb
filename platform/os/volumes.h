#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Whether a path lies on a mounted, local, fixed file system. On Windows only volumeExists
// is there: the drive holding the path must be a fixed one.
namespace tamlo::volumes {

struct MountEntry {
    unsigned major = 0;
    unsigned minor = 0;
    std::string mountPoint;  // unescaped
    std::string fsType;
};

// The entries of a /proc/self/mountinfo text, in order; malformed lines are skipped.
std::vector<MountEntry> parseMountInfo(const std::string& text);

// The mount holding the absolute, resolved `path`: the longest mount point that
// contains it, the later one when a point is mounted over.
std::optional<MountEntry> mountFor(const std::vector<MountEntry>& mounts, const std::string& path);

// Network, memory, optical and pseudo file systems are not fixed volumes.
bool isLocalDiskFileSystem(const std::string& fsType);

// Answers whether the block device major:minor is removable; nothing when unknown.
using RemovableLookup = std::function<std::optional<bool>(unsigned major, unsigned minor)>;

// The decision on given data: the path's mount is a local disk file system whose
// device is not removable.
bool isFixedVolume(const std::vector<MountEntry>& mounts, const std::string& resolvedPath,
                   const RemovableLookup& removable);

// The live answer: resolves `path`, reads /proc/self/mountinfo and the device's
// "removable" attribute under /sys. False for a path that does not exist.
bool volumeExists(const std::string& path);

// The bytes this user may still write on the volume holding `path`, or its nearest
// existing parent when the path does not exist yet (an install folder still to be made).
// Nothing when no part of the path exists or the volume cannot be asked.
std::optional<uint64_t> freeSpace(const std::string& path);

// `path` without its last component ("/a/b" -> "/a", "/a" -> "/", "C:\a" -> "C:\");
// empty when nothing is left. Both separators count.
std::string parentPath(const std::string& path);

}  // namespace tamlo::volumes
