#include "platform/os/program_needs.h"

#include <elf.h>

#include <cstring>

#include "platform/os/mapped_file.h"

namespace tamlo::os {

bool neededLibraries(const std::string& programPath, std::vector<std::string>* names,
                     std::string* error) {
    names->clear();
    platform::MappedFile file;
    if (!file.open(programPath, error)) {
        return false;
    }
    const uint8_t* bytes = file.data();
    const size_t size = file.size();
    if (size < sizeof(Elf64_Ehdr) || std::memcmp(bytes, ELFMAG, SELFMAG) != 0 ||
        bytes[EI_CLASS] != ELFCLASS64 || bytes[EI_DATA] != ELFDATA2LSB) {
        *error = programPath + " is not a 64-bit little-endian ELF program";
        return false;
    }
    Elf64_Ehdr header;
    std::memcpy(&header, bytes, sizeof header);
    // Copies a section header out, refusing any that points outside the file.
    auto section = [&](size_t index, Elf64_Shdr* out) {
        if (index >= header.e_shnum || header.e_shoff > size ||
            (size - header.e_shoff) / sizeof(Elf64_Shdr) <= index) {
            return false;
        }
        std::memcpy(out, bytes + header.e_shoff + index * sizeof(Elf64_Shdr), sizeof *out);
        return out->sh_offset <= size && out->sh_size <= size - out->sh_offset;
    };
    bool found = false;
    for (size_t i = 0; i < header.e_shnum; ++i) {
        Elf64_Shdr dynamic;
        Elf64_Shdr strings;
        if (!section(i, &dynamic) || dynamic.sh_type != SHT_DYNAMIC ||
            !section(dynamic.sh_link, &strings)) {
            continue;
        }
        found = true;
        for (size_t at = 0; at + sizeof(Elf64_Dyn) <= dynamic.sh_size; at += sizeof(Elf64_Dyn)) {
            Elf64_Dyn entry;
            std::memcpy(&entry, bytes + dynamic.sh_offset + at, sizeof entry);
            if (entry.d_tag == DT_NULL) {
                break;
            }
            if (entry.d_tag == DT_NEEDED && entry.d_un.d_val < strings.sh_size) {
                const char* name =
                    reinterpret_cast<const char*>(bytes + strings.sh_offset + entry.d_un.d_val);
                names->emplace_back(name, strnlen(name, strings.sh_size - entry.d_un.d_val));
            }
        }
    }
    if (!found) {
        *error = programPath + " has no dynamic section";
        return false;
    }
    return true;
}

}  // namespace tamlo::os
