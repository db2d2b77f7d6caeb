#include "platform/os/mapped_file.h"

#include <windows.h>

#include <algorithm>

#include "platform/os/win32/wide_text.h"

namespace tamlo::platform {

MappedFile::~MappedFile() {
    if (data_ != nullptr) {
        UnmapViewOfFile(data_);
    }
}

void MappedFile::dropPages(size_t offset, size_t length) const {
    if (data_ == nullptr || offset >= size_) {
        return;
    }
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const size_t page = system.dwPageSize;
    const size_t start = (offset + page - 1) / page * page;
    const size_t end = std::min(size_, offset + std::min(length, size_ - offset)) / page * page;
    if (end > start) {
        // Unlocking pages that were never locked takes them out of the working set; being a
        // read-only file view, they are read again from the file when touched.
        VirtualUnlock(data_ + start, end - start);
    }
}

void MappedFile::adviseSequential() const {
    // Windows 7 has no read-ahead request for a view; its cache manager reads ahead on
    // its own once a sequential pattern shows.
}

bool MappedFile::open(const std::string& path, std::string* error) {
    std::string ignored;
    if (error == nullptr) {
        error = &ignored;
    }
    // Sharing writes lets the change journal be read while this process appends to it; a
    // mapping's size is fixed when it is made and a mapped file cannot be cut shorter.
    win32::Handle file(CreateFileW(win32::widen(path).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        *error = "cannot open " + path + ": " + win32::errorText(GetLastError());
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info;
    LARGE_INTEGER length;
    if (GetFileInformationByHandle(file.get(), &info) == 0 ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileSizeEx(file.get(), &length) ||
        length.QuadPart < 0) {
        *error = path + " is not a regular file";
        return false;
    }
    if (static_cast<unsigned long long>(length.QuadPart) > SIZE_MAX) {
        *error = path + " is too large to map";
        return false;
    }
    size_ = static_cast<size_t>(length.QuadPart);
    if (size_ == 0) {
        return true;  // an empty file cannot be mapped, and needs no mapping
    }
    win32::Handle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    void* view = mapping.valid() ? MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0) : nullptr;
    if (view == nullptr) {
        *error = "cannot map " + path + ": " + win32::errorText(GetLastError());
        size_ = 0;
        return false;
    }
    // The view keeps the mapping and the file alive after their handles close.
    data_ = static_cast<uint8_t*>(view);
    return true;
}

}  // namespace tamlo::platform
