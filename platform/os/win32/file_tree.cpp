#include <windows.h>

#include <algorithm>

#include "platform/os/glob_match.h"
#include "platform/os/os_services.h"
#include "platform/os/win32/wide_text.h"

namespace tamlo::os {
namespace {

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

std::wstring withoutTrailingSeparators(std::wstring path) {
    while (path.size() > 1 && isSeparator(path.back())) {
        path.pop_back();
    }
    return path;
}

// A drive, a drive's root or the root of the current drive: never deleted.
bool isRoot(const std::wstring& path) {
    if (path.size() == 1 && isSeparator(path[0])) {
        return true;
    }
    return (path.size() == 2 || (path.size() == 3 && isSeparator(path[2]))) && path[1] == L':';
}

struct Entry {
    std::wstring name;
    DWORD attributes = 0;
};

std::vector<Entry> entriesOf(const std::wstring& folder) {
    std::vector<Entry> entries;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data,
                                   FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) {
        return entries;
    }
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") {
            entries.push_back({std::move(name), data.dwFileAttributes});
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return entries;
}

void makeWritable(const std::wstring& path, DWORD attributes) {
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
}

// Removes one entry that is not a real folder: a file, or a junction or symbolic link,
// which goes without its target being touched.
void removeEntry(const std::wstring& path, DWORD attributes) {
    makeWritable(path, attributes);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        RemoveDirectoryW(path.c_str());
    } else {
        DeleteFileW(path.c_str());
    }
}

void deleteContents(const std::wstring& folder) {
    // The stream is closed before recursing, so a deep tree holds one search at a time.
    for (const Entry& entry : entriesOf(folder)) {
        std::wstring path = folder + L"\\" + entry.name;
        const bool realFolder = (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                                (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
        if (realFolder) {
            makeWritable(path, entry.attributes);
            deleteContents(path);
            RemoveDirectoryW(path.c_str());
        } else {
            removeEntry(path, entry.attributes);
        }
    }
}

}  // namespace

std::vector<std::string> listFiles(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> paths;
    std::wstring base = withoutTrailingSeparators(win32::widen(folder));
    if (base.empty()) {
        return paths;
    }
    std::vector<std::string> names;
    for (const Entry& entry : entriesOf(base)) {
        if ((entry.attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
            continue;
        }
        std::string name = win32::narrow(entry.name);
        if (platform::globMatches(pattern, name)) {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end());
    std::string prefix = win32::narrow(base);
    if (!isSeparator(base.back())) {
        prefix += '\\';
    }
    for (const std::string& name : names) {
        paths.push_back(prefix + name);
    }
    return paths;
}

void deleteTree(const std::string& folder) {
    std::wstring path = withoutTrailingSeparators(win32::widen(folder));
    if (path.empty() || isRoot(path)) {
        return;
    }
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        // The folder itself is a link or a file: remove that entry only.
        removeEntry(path, attributes);
        return;
    }
    makeWritable(path, attributes);
    deleteContents(path);
    RemoveDirectoryW(path.c_str());
}

}  // namespace tamlo::os
