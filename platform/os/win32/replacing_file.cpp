#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/os/file_operations.h"
#include "platform/os/win32/file_closer.h"
#include "platform/os/win32/wide_text.h"

// The new file is a C runtime descriptor so the class keeps one member on every platform.
namespace tamlo::files {
namespace {

std::string folderOf(const std::string& path) {
    const size_t separator = path.find_last_of("\\/");
    if (separator == std::string::npos) {
        return ".";
    }
    return path.substr(0, separator);
}

constexpr int kOwnerWrite = 0200;

// Renames the open file to `target`, replacing a file there. Through the handle, so the new
// file is not looked up again by name.
bool renameOpenFile(HANDLE handle, const std::wstring& target) {
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    const DWORD length = GetFullPathNameW(target.c_str(), 0, nullptr, nullptr);
    if (length == 0) {
        return false;
    }
    // The name is stored past the structure's end; the buffer keeps its alignment.
    const size_t bytes = sizeof(FILE_RENAME_INFO) + length * sizeof(wchar_t);
    std::vector<uint64_t> buffer((bytes + sizeof(uint64_t) - 1) / sizeof(uint64_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    const DWORD written = GetFullPathNameW(target.c_str(), length, rename->FileName, nullptr);
    if (written == 0 || written >= length) {
        return false;
    }
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = written * sizeof(wchar_t);
    return SetFileInformationByHandle(handle, FileRenameInfo, rename,
                                      static_cast<DWORD>(buffer.size() * sizeof(uint64_t))) != 0;
}

// The C runtime descriptor of a file just made at `path`, given the mode's read-only bit;
// -1 with the file removed again when there is none.
int descriptorOfNewFile(HANDLE handle, const std::string& path, int mode) {
    const int descriptor =
        _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY | _O_NOINHERIT);
    if (descriptor < 0) {
        CloseHandle(handle);
        DeleteFileW(win32::widen(path).c_str());
        return -1;
    }
    // Windows keeps only the owner's write bit, as the read-only attribute. It binds new
    // opens only, so the descriptor keeps writing and a rename carries it over.
    if (mode >= 0 && (mode & kOwnerWrite) == 0) {
        SetFileAttributesW(win32::widen(path).c_str(), FILE_ATTRIBUTE_READONLY);
    }
    return descriptor;
}

}  // namespace

ReplacingFile::~ReplacingFile() {
    discard();
}

bool ReplacingFile::open(const std::string& target, int mode) {
    discard();
    if (target.empty() || target.back() == '/' || target.back() == '\\') {
        return false;
    }
    // The target is not looked up here: asking for a name that is not there yet costs a
    // scan of the whole folder on some file systems. A folder at the target makes commit() fail.
    static std::atomic<uint32_t> counter{0};
    std::string temporary;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = folderOf(target) + "\\.tamlo-new-" + std::to_string(GetCurrentProcessId()) +
                    "-" + std::to_string(counter.fetch_add(1));
        // DELETE lets commit() rename the file through this handle.
        handle = CreateFileW(win32::widen(temporary).c_str(), GENERIC_WRITE | DELETE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
            GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
    }
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    const int descriptor = descriptorOfNewFile(handle, temporary, mode);
    if (descriptor < 0) {
        return false;
    }
    descriptor_ = descriptor;
    target_ = target;
    temporary_ = std::move(temporary);
    return true;
}

bool ReplacingFile::openForCheckedBytes(const std::string& target, int mode) {
    discard();
    if (target.empty() || target.back() == '/' || target.back() == '\\') {
        return false;
    }
    // CREATE_NEW: never an existing file. Shared with nobody until whole.
    HANDLE handle = CreateFileW(win32::widen(target).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return open(target, mode);  // something is there: it is replaced only once whole
    }
    const int descriptor = descriptorOfNewFile(handle, target, mode);
    if (descriptor < 0) {
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
        const unsigned int piece = size > (1u << 30) ? (1u << 30) : static_cast<unsigned int>(size);
        const int written = ::_write(descriptor_, data, piece);
        if (written <= 0) {
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool ReplacingFile::position(uint64_t* offset) const {
    const int64_t here = descriptor_ < 0 ? -1 : _telli64(descriptor_);
    if (here < 0) {
        return false;
    }
    *offset = static_cast<uint64_t>(here);
    return true;
}

bool ReplacingFile::seek(uint64_t offset) {
    return descriptor_ >= 0 && offset <= static_cast<uint64_t>(INT64_MAX) &&
           _lseeki64(descriptor_, static_cast<int64_t>(offset), SEEK_SET) >= 0;
}

bool ReplacingFile::truncateHere() {
    uint64_t here = 0;
    if (!position(&here)) {
        return false;
    }
    // The descriptor's position is the handle's file pointer: the file ends there.
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor_));
    return handle != INVALID_HANDLE_VALUE && SetEndOfFile(handle) != 0;
}

bool ReplacingFile::commit() {
    if (descriptor_ < 0) {
        return false;
    }
    if (inPlace_) {
        const bool closed = _close(descriptor_) == 0;
        descriptor_ = -1;
        if (!closed) {
            discard();  // removes the file it made
            return false;
        }
        inPlace_ = false;
        return true;
    }
    // A file closed late may still hold the target, shared with nobody.
    finishClosingFiles();
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor_));
    const std::wstring target = win32::widen(target_);
    bool renamed = renameOpenFile(handle, target);
    if (!renamed) {
        // A read-only target refuses to be replaced: lift the attribute, restore it on failure.
        const DWORD attributes = GetFileAttributesW(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) ==
                FILE_ATTRIBUTE_READONLY &&
            SetFileAttributesW(target.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) != 0) {
            renamed = renameOpenFile(handle, target);
            if (!renamed) {
                SetFileAttributesW(target.c_str(), attributes);
            }
        }
    }
    const bool closed = _close(descriptor_) == 0;
    descriptor_ = -1;
    if (!renamed) {
        discard();  // removes the new file; the target stays as it was
        return false;
    }
    temporary_.clear();
    return closed;
}

bool ReplacingFile::commitClosingLater() {
    if (descriptor_ < 0 || !inPlace_) {
        return commit();
    }
    closeLater(descriptor_);
    descriptor_ = -1;
    inPlace_ = false;
    return true;
}

void ReplacingFile::discard() {
    if (descriptor_ >= 0) {
        _close(descriptor_);
        descriptor_ = -1;
    }
    if (inPlace_) {
        inPlace_ = false;
        const std::wstring target = win32::widen(target_);
        SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(target.c_str());
    }
    if (!temporary_.empty()) {
        const std::wstring temporary = win32::widen(temporary_);
        SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(temporary.c_str());
        temporary_.clear();
    }
}

}  // namespace tamlo::files
