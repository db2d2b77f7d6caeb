#include "platform/os/program_needs.h"

#include <cstdint>
#include <cstring>

#include "platform/os/mapped_file.h"

// The DLLs a PE program imports, read from its import directory. Every offset comes from
// the file, so each is checked against the file's size before use.
namespace tamlo::os {
namespace {

class Reader {
  public:
    Reader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
    bool has(uint64_t offset, uint64_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    uint16_t u16(uint64_t offset) const {
        return static_cast<uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
    }
    uint32_t u32(uint64_t offset) const {
        return static_cast<uint32_t>(bytes_[offset]) |
               static_cast<uint32_t>(bytes_[offset + 1]) << 8 |
               static_cast<uint32_t>(bytes_[offset + 2]) << 16 |
               static_cast<uint32_t>(bytes_[offset + 3]) << 24;
    }
    const uint8_t* at(uint64_t offset) const { return bytes_ + offset; }
    size_t size() const { return size_; }

  private:
    const uint8_t* bytes_;
    size_t size_;
};

struct Section {
    uint32_t virtualAddress;
    uint32_t virtualSize;
    uint32_t rawOffset;
    uint32_t rawSize;
};

constexpr uint16_t kPe32 = 0x10b;
constexpr uint16_t kPe32Plus = 0x20b;
constexpr uint32_t kImportDirectory = 1;
constexpr size_t kImportDescriptorSize = 20;

}  // namespace

bool neededLibraries(const std::string& programPath, std::vector<std::string>* names,
                     std::string* error) {
    names->clear();
    platform::MappedFile file;
    if (!file.open(programPath, error)) {
        return false;
    }
    const Reader pe(file.data(), file.size());
    const std::string notPe = programPath + " is not a PE program";
    if (!pe.has(0, 0x40) || pe.u16(0) != 0x5A4D) {
        *error = notPe;
        return false;
    }
    const uint64_t header = pe.u32(0x3C);
    if (!pe.has(header, 24) || pe.u32(header) != 0x00004550) {
        *error = notPe;
        return false;
    }
    const uint16_t sectionCount = pe.u16(header + 6);
    const uint16_t optionalSize = pe.u16(header + 20);
    const uint64_t optional = header + 24;
    if (!pe.has(optional, optionalSize) || optionalSize < 2) {
        *error = notPe;
        return false;
    }
    const uint16_t magic = pe.u16(optional);
    const uint64_t directoryCountAt = magic == kPe32Plus ? 108 : magic == kPe32 ? 92 : 0;
    if (directoryCountAt == 0 || optionalSize < directoryCountAt + 4) {
        *error = notPe;
        return false;
    }
    const uint32_t directoryCount = pe.u32(optional + directoryCountAt);
    const uint64_t directories = optional + directoryCountAt + 4;
    std::vector<Section> sections;
    const uint64_t sectionTable = optional + optionalSize;
    for (uint16_t i = 0; i < sectionCount && pe.has(sectionTable + i * 40ull, 40); ++i) {
        const uint64_t entry = sectionTable + i * 40ull;
        sections.push_back(
            {pe.u32(entry + 12), pe.u32(entry + 8), pe.u32(entry + 20), pe.u32(entry + 16)});
    }
    // The file offset of a virtual address, or none when no section holds it.
    auto fileOffset = [&](uint32_t address, uint64_t* offset) {
        for (const Section& section : sections) {
            const uint32_t extent =
                section.virtualSize != 0 ? section.virtualSize : section.rawSize;
            if (address >= section.virtualAddress && address - section.virtualAddress < extent &&
                address - section.virtualAddress < section.rawSize) {
                *offset =
                    static_cast<uint64_t>(section.rawOffset) + (address - section.virtualAddress);
                return pe.has(*offset, 1);
            }
        }
        return false;
    };
    if (directoryCount <= kImportDirectory ||
        directories + (kImportDirectory + 1) * 8 > optional + optionalSize) {
        return true;  // no import directory: a program that needs no DLL
    }
    const uint32_t importAddress = pe.u32(directories + kImportDirectory * 8);
    if (importAddress == 0) {
        return true;
    }
    uint64_t descriptor = 0;
    if (!fileOffset(importAddress, &descriptor)) {
        *error = programPath + " has an import directory outside its sections";
        return false;
    }
    // The list ends with an all-zero descriptor; its name field being 0 is enough.
    for (; pe.has(descriptor, kImportDescriptorSize); descriptor += kImportDescriptorSize) {
        const uint32_t nameAddress = pe.u32(descriptor + 12);
        if (nameAddress == 0) {
            break;
        }
        uint64_t nameOffset = 0;
        if (!fileOffset(nameAddress, &nameOffset)) {
            continue;
        }
        const char* name = reinterpret_cast<const char*>(pe.at(nameOffset));
        names->emplace_back(name, strnlen(name, pe.size() - nameOffset));
    }
    return true;
}

}  // namespace tamlo::os
