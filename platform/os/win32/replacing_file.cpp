#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <string>

#include "platform/os/file_operations.h"
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

}  // namespace

ReplacingFile::~ReplacingFile() {
    discard();
}

bool ReplacingFile::open(const std::string& target, int mode) {
    discard();
    if (target.empty() || target.back() == '/' || target.back() == '\\') {
        return false;
    }
    DWORD existing = GetFileAttributesW(win32::widen(target).c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return false;  // a folder is never replaced by a file
    }
    static std::atomic<uint32_t> counter{0};
    std::string temporary;
    int descriptor = -1;
    for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        temporary = folderOf(target) + "\\.tamlo-new-" + std::to_string(GetCurrentProcessId()) +
                    "-" + std::to_string(counter.fetch_add(1));
        descriptor =
            _wopen(win32::widen(temporary).c_str(),
                   _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
        if (descriptor < 0 && errno != EEXIST) {
            return false;
        }
    }
    if (descriptor < 0) {
        return false;
    }
    // Windows keeps only the owner's write bit, as the read-only attribute. It binds new
    // opens only, so the descriptor keeps writing and the rename carries it over.
    if (mode >= 0 && (mode & kOwnerWrite) == 0) {
        SetFileAttributesW(win32::widen(temporary).c_str(), FILE_ATTRIBUTE_READONLY);
    }
    descriptor_ = descriptor;
    target_ = target;
    temporary_ = std::move(temporary);
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
    const int descriptor = descriptor_;
    descriptor_ = -1;
    const std::wstring temporary = win32::widen(temporary_);
    const std::wstring target = win32::widen(target_);
    bool ok = _close(descriptor) == 0;
    // A read-only target refuses to be replaced: lift the attribute, restore it on failure.
    DWORD targetAttributes = GetFileAttributesW(target.c_str());
    const bool targetReadOnly = targetAttributes != INVALID_FILE_ATTRIBUTES &&
                                (targetAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (ok && targetReadOnly) {
        SetFileAttributesW(target.c_str(), targetAttributes & ~FILE_ATTRIBUTE_READONLY);
    }
    ok = ok && MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    if (!ok) {
        if (targetReadOnly) {
            SetFileAttributesW(target.c_str(), targetAttributes);
        }
        SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(temporary.c_str());
        temporary_.clear();
        return false;
    }
    temporary_.clear();
    return true;
}

void ReplacingFile::discard() {
    if (descriptor_ >= 0) {
        _close(descriptor_);
        descriptor_ = -1;
    }
    if (!temporary_.empty()) {
        const std::wstring temporary = win32::widen(temporary_);
        SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(temporary.c_str());
        temporary_.clear();
    }
}

}  // namespace tamlo::files
