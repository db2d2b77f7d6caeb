#include "tools/pack/engine_strip.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/os/shell_execute.h"

namespace tamlo::pack {
namespace {

constexpr uint16_t kPeMachineAmd64 = 0x8664;
constexpr uint16_t kPeMachineI386 = 0x14c;

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Little-endian fields; 0 for a field that does not lie wholly inside the bytes.
uint64_t field(const std::string& bytes, uint64_t offset, unsigned width) {
    if (offset > bytes.size() || bytes.size() - offset < width) {
        return 0;
    }
    uint64_t value = 0;
    for (unsigned i = 0; i < width; ++i) {
        value |= uint64_t{static_cast<uint8_t>(bytes[offset + i])} << (8 * i);
    }
    return value;
}

// A 64-bit little-endian ELF with a section named .debug* or .symtab.
bool elfCarriesDebugInformation(const std::string& bytes) {
    if (bytes.compare(0, 4,
                      "\x7f"
                      "ELF") != 0 ||
        field(bytes, 4, 1) != 2 || field(bytes, 5, 1) != 1) {
        return false;
    }
    const uint64_t sectionTable = field(bytes, 0x28, 8);
    const uint64_t entrySize = field(bytes, 0x3A, 2);
    const uint64_t count = field(bytes, 0x3C, 2);
    const uint64_t namesIndex = field(bytes, 0x3E, 2);
    if (entrySize < 0x28 || namesIndex >= count) {
        return false;
    }
    const uint64_t namesHeader = sectionTable + namesIndex * entrySize;
    const uint64_t names = field(bytes, namesHeader + 0x18, 8);
    const uint64_t namesSize = field(bytes, namesHeader + 0x20, 8);
    if (names > bytes.size() || bytes.size() - names < namesSize) {
        return false;
    }
    for (uint64_t i = 0; i < count; ++i) {
        const uint64_t nameOffset = field(bytes, sectionTable + i * entrySize, 4);
        if (nameOffset >= namesSize) {
            continue;
        }
        const char* name = bytes.data() + names + nameOffset;
        const size_t room = static_cast<size_t>(namesSize - nameOffset);
        const std::string text(name, strnlen(name, room));
        if (text.compare(0, 6, ".debug") == 0 || text == ".symtab") {
            return true;
        }
    }
    return false;
}

// The PE machine of a program with a COFF symbol table (where its debug sections are named),
// or 0.
uint16_t peMachineWithSymbols(const std::string& bytes) {
    if (bytes.compare(0, 2, "MZ") != 0) {
        return 0;
    }
    const uint64_t header = field(bytes, 0x3C, 4);
    if (field(bytes, header, 4) != 0x00004550) {  // "PE\0\0"
        return 0;
    }
    const bool symbols = field(bytes, header + 12, 4) != 0 || field(bytes, header + 16, 4) != 0;
    return symbols ? static_cast<uint16_t>(field(bytes, header + 4, 2)) : 0;
}

}  // namespace

bool carriesDebugInformation(const std::string& program) {
    const std::string bytes = readAll(program);
    return elfCarriesDebugInformation(bytes) || peMachineWithSymbols(bytes) != 0;
}

std::string strippedEngine(const std::string& program, const std::string& scratch,
                           std::string* warning) {
    const std::string bytes = readAll(program);
    std::string tool;
    if (elfCarriesDebugInformation(bytes)) {
        tool = "strip";
    } else if (const uint16_t machine = peMachineWithSymbols(bytes); machine != 0) {
        tool = machine == kPeMachineAmd64  ? "x86_64-w64-mingw32-strip"
               : machine == kPeMachineI386 ? "i686-w64-mingw32-strip"
                                           : "";
    } else {
        return program;
    }
    const std::string copy = scratch + "/engine";
    const shell::CommandStatus status =
        tool.empty() ? shell::CommandStatus{}
                     : shell::runAndWait({tool, "--strip-all", "-o", copy, program});
    if (!status.started || status.exitCode != 0) {
        *warning = "the engine " + program +
                   " carries debug information and could not be stripped" +
                   (tool.empty() ? std::string() : " (" + tool + " failed or is missing)");
        return program;
    }
    return copy;
}

}  // namespace tamlo::pack
