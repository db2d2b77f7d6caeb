#include "platform/os/file_operations.h"

#include <windows.h>

#include <atomic>

#include "platform/os/os_services.h"
#include "platform/os/win32/wide_text.h"

namespace tamlo::files {
namespace {

std::string parentFolder(const std::string& path) {
    size_t separator = path.find_last_of("\\/");
    if (separator == std::string::npos) {
        return ".";
    }
    return path.substr(0, separator);
}

// The volume and file index name a file whatever path reaches it.
bool fileIdentity(const std::wstring& path, BY_HANDLE_FILE_INFORMATION* info) {
    win32::Handle file(CreateFileW(path.c_str(), 0,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file.valid() && GetFileInformationByHandle(file.get(), info) != 0;
}

void clearReadOnly(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
}

}  // namespace

std::string normalizeSeparators(std::string path) {
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

bool removeFile(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    std::wstring wide = win32::widen(path);
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        SetFileAttributesW(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    return DeleteFileW(wide.c_str()) != 0;
}

bool copyFile(const std::string& from, const std::string& to) {
    if (from.empty() || to.empty()) {
        return false;
    }
    const std::wstring source = win32::widen(from);
    const std::wstring target = win32::widen(to);
    BY_HANDLE_FILE_INFORMATION sourceInfo;
    BY_HANDLE_FILE_INFORMATION targetInfo;
    if (!fileIdentity(source, &sourceInfo) ||
        (sourceInfo.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return false;
    }
    if (fileIdentity(target, &targetInfo) &&
        ((targetInfo.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
         (targetInfo.dwVolumeSerialNumber == sourceInfo.dwVolumeSerialNumber &&
          targetInfo.nFileIndexHigh == sourceInfo.nFileIndexHigh &&
          targetInfo.nFileIndexLow == sourceInfo.nFileIndexLow))) {
        return false;
    }
    static std::atomic<uint32_t> counter{0};
    const std::wstring temporary =
        win32::widen(parentFolder(to) + "\\.tamlo-copy-" + std::to_string(GetCurrentProcessId()) +
                     "-" + std::to_string(counter.fetch_add(1)));
    // CopyFileW carries the attributes over, the read-only one included.
    if (!CopyFileW(source.c_str(), temporary.c_str(), TRUE)) {
        return false;
    }
    clearReadOnly(target);
    if (MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return true;
    }
    clearReadOnly(temporary);
    DeleteFileW(temporary.c_str());
    return false;
}

bool moveFile(const std::string& from, const std::string& to) {
    if (from.empty() || to.empty()) {
        return false;
    }
    // Never deferred to a reboot: the move happens now or fails.
    return MoveFileExW(win32::widen(from).c_str(), win32::widen(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

void removeDirectory(const std::string& path) {
    // deleteTree refuses empty paths and roots.
    os::deleteTree(normalizeSeparators(path));
}

void createDirectory(const std::string& path) {
    std::string normalized = normalizeSeparators(path);
    std::string prefix;
    size_t start = 0;
    // A UNC path's server and share, or a leading '\', cannot be created: keep them.
    if (normalized.compare(0, 2, "\\\\") == 0) {
        size_t server = normalized.find('\\', 2);
        size_t share = server == std::string::npos ? server : normalized.find('\\', server + 1);
        start = share == std::string::npos ? normalized.size() : share + 1;
        prefix = normalized.substr(0, start);
    } else if (!normalized.empty() && normalized[0] == '\\') {
        prefix = "\\";
        start = 1;
    }
    while (start < normalized.size()) {
        size_t end = normalized.find('\\', start);
        if (end == std::string::npos) {
            end = normalized.size();
        }
        if (end > start) {
            prefix += normalized.substr(start, end - start);
            prefix += '\\';
            // A drive such as "C:\" fails here, which is fine.
            CreateDirectoryW(win32::widen(prefix).c_str(), nullptr);
        }
        start = end + 1;
    }
}

bool fileExists(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    DWORD attributes = GetFileAttributesW(win32::widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool directoryEmpty(const std::string& path) {
    if (path.empty()) {
        return true;
    }
    std::wstring folder = win32::widen(path);
    DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return false;
    }
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) {
        folder.pop_back();
    }
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data,
                                   FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) {
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    bool empty = true;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") {
            empty = false;
            break;
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return empty;
}

bool setCurrentDirectory(const std::string& path) {
    return !path.empty() && SetCurrentDirectoryW(win32::widen(path).c_str()) != 0;
}

int executableFileMode() {
    return -1;
}

}  // namespace tamlo::files

namespace tamlo::files {

bool directoryExists(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    DWORD attributes = GetFileAttributesW(win32::widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool removeEmptyDirectory(const std::string& path) {
    return !path.empty() && RemoveDirectoryW(win32::widen(path).c_str()) != 0;
}

AppendingFile::~AppendingFile() {
    close();
}

bool AppendingFile::open(const std::string& path) {
    close();
    HANDLE file = CreateFileW(win32::widen(path).c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    handle_ = reinterpret_cast<intptr_t>(file);
    return true;
}

bool AppendingFile::append(const std::string& bytes, bool flush) {
    if (handle_ == -1) {
        return false;
    }
    HANDLE file = reinterpret_cast<HANDLE>(handle_);
    const char* data = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        DWORD written = 0;
        DWORD piece = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
        if (WriteFile(file, data, piece, &written, nullptr) == 0 || written == 0) {
            return false;
        }
        data += written;
        left -= written;
    }
    return !flush || FlushFileBuffers(file) != 0;
}

void AppendingFile::close() {
    if (handle_ != -1) {
        CloseHandle(reinterpret_cast<HANDLE>(handle_));
        handle_ = -1;
    }
}

bool AppendingFile::isOpen() const {
    return handle_ != -1;
}

}  // namespace tamlo::files
