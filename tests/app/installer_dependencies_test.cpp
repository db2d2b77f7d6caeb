// What a built installer needs from the machine it runs on.
#include <elf.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "resources/bundle_writer.h"
#include "support/test_environment.h"

namespace tamlo {
namespace {

// The DT_NEEDED names of a 64-bit little-endian ELF file, read from its dynamic section
// and the string table that section links to. Empty (with a failure) for anything else.
std::vector<std::string> neededLibraries(const std::string& path) {
    const std::string file = test::readFile(path);
    std::vector<std::string> names;
    if (file.size() < sizeof(Elf64_Ehdr) || std::memcmp(file.data(), ELFMAG, SELFMAG) != 0 ||
        file[EI_CLASS] != ELFCLASS64 || file[EI_DATA] != ELFDATA2LSB) {
        ADD_FAILURE() << path << " is not a 64-bit little-endian ELF file";
        return names;
    }
    Elf64_Ehdr header;
    std::memcpy(&header, file.data(), sizeof header);
    auto section = [&](size_t index, Elf64_Shdr& out) {
        const size_t at = header.e_shoff + index * sizeof(Elf64_Shdr);
        if (index >= header.e_shnum || at + sizeof out > file.size()) {
            return false;
        }
        std::memcpy(&out, file.data() + at, sizeof out);
        return out.sh_offset + out.sh_size <= file.size();
    };
    for (size_t i = 0; i < header.e_shnum; ++i) {
        Elf64_Shdr dynamic;
        Elf64_Shdr strings;
        if (!section(i, dynamic) || dynamic.sh_type != SHT_DYNAMIC ||
            !section(dynamic.sh_link, strings)) {
            continue;
        }
        for (size_t at = 0; at + sizeof(Elf64_Dyn) <= dynamic.sh_size; at += sizeof(Elf64_Dyn)) {
            Elf64_Dyn entry;
            std::memcpy(&entry, file.data() + dynamic.sh_offset + at, sizeof entry);
            if (entry.d_tag == DT_NULL) {
                break;
            }
            if (entry.d_tag == DT_NEEDED && entry.d_un.d_val < strings.sh_size) {
                const char* name = file.data() + strings.sh_offset + entry.d_un.d_val;
                names.emplace_back(name, strnlen(name, strings.sh_size - entry.d_un.d_val));
            }
        }
    }
    return names;
}

bool isAllowed(const std::string& library) {
    // glibc, the C++ runtime, and the GTK 3 desktop stack every Linux desktop has.
    static const char* const kAllowed[] = {
        "libc.so.",       "libm.so.",           "libdl.so.",         "libpthread.so.",
        "librt.so.",      "ld-linux-x86-64.so", "libstdc++.so.",     "libgcc_s.so.",
        "libgtk-3.so.",   "libgdk-3.so.",       "libpangocairo-1.0", "libpango-1.0.so.",
        "libcairo.so.",   "libgdk_pixbuf-2.0",  "libgobject-2.0.so", "libglib-2.0.so.",
        "libgio-2.0.so.",
    };
    for (const char* prefix : kAllowed) {
        if (library.rfind(prefix, 0) == 0) {
            return true;
        }
    }
    return false;
}

TEST(InstallerDependencies, TheEngineNeedsOnlyGlibcTheCxxRuntimeAndTheDesktopStack) {
    const std::vector<std::string> needed = neededLibraries(test::binaryPath("tamlo"));
    ASSERT_FALSE(needed.empty());
    bool sawLibc = false;
    for (const std::string& library : needed) {
        EXPECT_TRUE(isAllowed(library)) << "tamlo needs " << library << " from the machine";
        sawLibc |= library.rfind("libc.so.", 0) == 0;
    }
    EXPECT_TRUE(sawLibc);  // the reader found the real list, not some other section
    EXPECT_FALSE(isAllowed("liblua5.2.so.0"));
}

TEST(InstallerDependencies, AnInstallerStartsWithAnEmptyLibraryPathInAFreshProfile) {
    // The UI script's error box proves Lua ran inside the installer itself.
    const std::string dir = test::makeTempDir("fresh");
    const std::vector<std::pair<int32_t, std::string>> files = {
        {111, "error('reached ' .. _VERSION, 0)\n"},
        {113, "frame"},
        {114, "print('worker')\n"},
        {115, "program"},
        {116, "style"}};
    std::vector<BundleInput> inputs;
    for (const auto& [id, content] : files) {
        const std::string path = dir + "/" + std::to_string(id);
        ASSERT_TRUE(test::writeFile(path, content));
        inputs.push_back({id, path});
    }
    const std::string installer = dir + "/setup";
    std::string error;
    ASSERT_TRUE(writeBundle(test::binaryPath("tamlo"), inputs, installer, &error)) << error;

    const std::string home = test::makeTempDir("home");
    const test::CommandResult result = test::runCommand(
        {"/usr/bin/env", "-i", "LD_LIBRARY_PATH=", "PATH=/usr/bin:/bin", "HOME=" + home,
         "XDG_DATA_HOME=" + home + "/.local/share", "XDG_CONFIG_HOME=" + home + "/.config",
         "TMPDIR=" + test::makeTempDir("tmp"), "TAMLO_PLATFORM=headless",
         "TAMLO_INSTANCE_NAME=tamlo-fresh-" + std::to_string(getpid()), installer});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("messagebox caption=\"错误\" text=\"reached Lua 5.2\""),
              std::string::npos)
        << result.err;
}

}  // namespace
}  // namespace tamlo
