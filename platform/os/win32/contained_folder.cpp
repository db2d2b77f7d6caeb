#include "platform/os/contained_folder.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <vector>

#include "platform/os/win32/wide_text.h"

// Windows cannot open a path relative to a folder handle, so containment comes from
// holding every folder on the way open without FILE_SHARE_DELETE: while held, none of
// them can be renamed or replaced by a link, and each is checked not to be one.
// The root handle lives in a C runtime descriptor, the class's one member.
namespace tamlo::files {
namespace {

win32::Handle openFolder(const std::wstring& path) {
    return win32::Handle(CreateFileW(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool isPlainFolder(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileInformationByHandle(handle, &info) != 0 &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

// One name inside a folder: no separators, no drive or stream colon, no "." or "..".
bool plainSegment(const std::string& segment) {
    return !segment.empty() && segment != "." && segment != ".." &&
           segment.find_first_of(std::string("\\/:\0", 4)) == std::string::npos;
}

std::string lastErrorText() {
    return win32::errorText(GetLastError());
}

// The root's path as the system resolved it when it was opened.
std::wstring pathOfHandle(HANDLE handle) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length =
            GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            return std::wstring(buffer.data(), length);
        }
        buffer.resize(length + 1);
    }
}

}  // namespace

ContainedFolder::~ContainedFolder() {
    if (root_ >= 0) {
        _close(root_);
    }
}

bool ContainedFolder::openRoot(const std::string& directory, std::string* error) {
    std::wstring path = win32::widen(directory);
    // Create the folder and its missing parents; each failure shows in the open below.
    for (size_t at = path.find_first_of(L"\\/", 0); at != std::wstring::npos;
         at = path.find_first_of(L"\\/", at + 1)) {
        if (at > 0 && path[at - 1] != L':') {
            CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
        }
    }
    CreateDirectoryW(path.c_str(), nullptr);
    win32::Handle folder(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder.valid() || !isPlainFolder(folder.get())) {
        *error = "cannot open the folder " + directory + ": " + lastErrorText();
        return false;
    }
    int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(folder.get()), _O_RDONLY);
    if (descriptor < 0) {
        *error = "cannot open the folder " + directory;
        return false;
    }
    folder.release();
    root_ = descriptor;
    return true;
}

bool ContainedFolder::write(const std::vector<std::string>& segments,
                            const std::function<bool(const ChunkWriter&, std::string*)>& fill,
                            std::string* error, bool /*executable*/) {
    if (root_ < 0 || segments.empty()) {
        *error = "no output folder";
        return false;
    }
    for (const std::string& segment : segments) {
        if (!plainSegment(segment)) {
            *error = "not a plain name: " + segment;
            return false;
        }
    }
    std::wstring path = pathOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(root_)));
    if (path.empty()) {
        *error = "cannot find the output folder: " + lastErrorText();
        return false;
    }
    std::string shown;
    std::vector<win32::Handle> held;
    for (size_t i = 0; i + 1 < segments.size(); ++i) {
        shown += segments[i] + "\\";
        path += L"\\" + win32::widen(segments[i]);
        if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            *error = "cannot create the folder " + shown + ": " + lastErrorText();
            return false;
        }
        win32::Handle folder = openFolder(path);
        if (!folder.valid() || !isPlainFolder(folder.get())) {
            *error = "cannot enter the folder " + shown + ": " +
                     (folder.valid() ? std::string("not a plain folder") : lastErrorText());
            return false;
        }
        held.push_back(std::move(folder));
    }
    shown += segments.back();
    path += L"\\" + win32::widen(segments.back());
    // A link at the leaf is opened as itself, never followed, and then refused.
    win32::Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid()) {
        *error = "cannot create " + shown + ": " + lastErrorText();
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(file.get(), &info) == 0 ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        *error = "cannot create " + shown + ": a link is in the way";
        return false;
    }
    bool writeFailed = false;
    DWORD writeError = 0;
    ChunkWriter sink = [&](const uint8_t* data, size_t size) {
        while (size > 0) {
            DWORD piece = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
            DWORD done = 0;
            if (!WriteFile(file.get(), data, piece, &done, nullptr) || done == 0) {
                writeFailed = true;
                writeError = GetLastError();
                return false;
            }
            data += done;
            size -= done;
        }
        return true;
    };
    std::string fillError;
    bool filled = fill(sink, &fillError);
    if (writeFailed) {
        fillError = "cannot write: " + win32::errorText(writeError);
    }
    if (!CloseHandle(file.release()) && filled) {
        filled = false;
        fillError = "cannot write: " + lastErrorText();
    }
    if (!filled) {
        DeleteFileW(path.c_str());
        *error = shown + ": " + fillError;
        return false;
    }
    return true;
}

}  // namespace tamlo::files
