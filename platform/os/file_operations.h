#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// File and folder operations as installation scripts use them. Paths are UTF-8.
// Failures are reported by return values; nothing here throws.
namespace tamlo::files {

// Scripts may write either separator: each becomes the system's own ('\' becomes '/' on
// Linux, '/' becomes '\' on Windows).
std::string normalizeSeparators(std::string path);

// Makes a read-only file writable by its owner, then unlinks it. A folder is refused.
bool removeFile(const std::string& path);

// Renames, replacing an existing target; across file systems copies, then deletes the source.
bool moveFile(const std::string& from, const std::string& to);

// Copies a regular file's content and permission bits, replacing an existing target.
// The copy is written beside the target and renamed over it, so the target is never
// left half written. Copying a file onto itself fails and leaves it intact.
bool copyFile(const std::string& from, const std::string& to);

// Deletes the folder and everything in it; links inside are removed, never followed.
// An empty path and the file system root are refused.
void removeDirectory(const std::string& path);

// Creates the folder and every missing parent; doubled and trailing separators are
// ignored. Failures are ignored too.
void createDirectory(const std::string& path);

// True when the path exists and is not a folder.
bool fileExists(const std::string& path);

// True when nothing exists at the path, or when it is a folder without entries.
bool directoryEmpty(const std::string& path);

bool setCurrentDirectory(const std::string& path);

// True when the path names a folder.
bool directoryExists(const std::string& path);

// Removes the folder only when it holds nothing; false otherwise.
bool removeEmptyDirectory(const std::string& path);

// A file written only at its end, each piece on the disk before append() returns (unless
// told not to flush it: the next flushed piece takes it along), so a process killed at any
// moment leaves every piece it appended whole or the last one cut.
class AppendingFile {
  public:
    AppendingFile() = default;
    ~AppendingFile();
    AppendingFile(const AppendingFile&) = delete;
    AppendingFile& operator=(const AppendingFile&) = delete;

    // Opens the file for appending, creating it when missing (its folder must exist).
    bool open(const std::string& path);
    bool append(const std::string& bytes, bool flush = true);
    void close();
    bool isOpen() const;

  private:
    intptr_t handle_ = -1;
};

// The mode a new executable file gets: 0777 less the process's umask, never setuid,
// setgid or sticky. -1 where files carry no such permission (Windows).
int executableFileMode();

// Returns once every file committed with commitClosingLater() is closed.
void finishClosingFiles();

// Writes a new file beside `target` and puts it in the target's place only on commit(),
// so the path always holds the old file or the whole new one, never a part. A writer
// destroyed without a commit removes what it wrote. The new file gets mode 0666 less the
// umask, like any newly created file, or exactly `mode` when one is given.
class ReplacingFile {
  public:
    ReplacingFile() = default;
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // False when no file can be made in the target's folder (it must exist).
    bool open(const std::string& target, int mode = -1);
    // As open(), for bytes checked before they are written: when nothing is at the target,
    // the file is made there at once, so commit() only closes it (saving a rename per
    // file) and discard() removes it again.
    bool openForCheckedBytes(const std::string& target, int mode = -1);
    // Writes every byte at the current position or fails.
    bool write(const uint8_t* data, size_t size);
    // The current position, and moving it (to write over what was written before).
    bool position(uint64_t* offset) const;
    bool seek(uint64_t offset);
    // Cuts the new file at the current position.
    bool truncateHere();
    // Closes the new file and renames it over the target (a read-only target is
    // replaced all the same). False leaves the target as it was. A folder at the target
    // fails here at the latest (Windows does not look the target up before).
    bool commit();
    // As commit(), where closing can wait: on Windows a file made at its target is closed
    // by a thread of its own (a virus scanner reads a file on the thread that closes it),
    // shared with nobody until then. Whoever may touch it next calls finishClosingFiles().
    bool commitClosingLater();
    // Removes the new file; the target stays as it was.
    void discard();

  private:
    int descriptor_ = -1;
    bool inPlace_ = false;  // made at the target itself by openForCheckedBytes()
    std::string target_;
    std::string temporary_;
};

}  // namespace tamlo::files
