#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tamlo::platform {

// A whole regular file mapped read-only; pages are read on demand, so even a large
// package costs little memory to open. A failed open leaves it empty with a reason.
class MappedFile {
  public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    bool open(const std::string& path, std::string* error);
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

    // Lets the pages of [offset, offset + length) go; they are read again if touched.
    // Keeps the memory of a long sequential read from growing with the file.
    // Only whole pages inside the range go.
    void dropPages(size_t offset, size_t length) const;
    // Asks for the pages to be read ahead in order.
    void adviseSequential() const;

  private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

}  // namespace tamlo::platform
