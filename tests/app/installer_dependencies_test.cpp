// What a built installer needs from the machine it runs on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "authoring/bundle_writer.h"
#include "platform/os/program_needs.h"
#include "support/test_environment.h"

namespace tamlo {
namespace {

bool isAllowed(const std::string& library) {
    // glibc, the C++ runtime, and the GTK 3 desktop stack every Linux desktop has: the
    // libraries `pkg-config --libs gtk+-3.0 pangocairo` names (zlib among them).
    static const char* const kAllowed[] = {
        "libc.so.",        "libm.so.",           "libdl.so.",         "libpthread.so.",
        "librt.so.",       "ld-linux-x86-64.so", "libstdc++.so.",     "libgcc_s.so.",
        "libgtk-3.so.",    "libgdk-3.so.",       "libpangocairo-1.0", "libpango-1.0.so.",
        "libcairo.so.",    "libcairo-gobject.",  "libgdk_pixbuf-2.0", "libgobject-2.0.so",
        "libglib-2.0.so.", "libgio-2.0.so.",     "libatk-1.0.so.",    "libharfbuzz.so.",
        "libz.so.",
    };
    for (const char* prefix : kAllowed) {
        if (library.rfind(prefix, 0) == 0) {
            return true;
        }
    }
#if defined(__SANITIZE_ADDRESS__)
    // A sanitizer build brings its runtimes (address and undefined behaviour together);
    // no installer is built that way.
    return library.rfind("libasan.so.", 0) == 0 || library.rfind("libubsan.so.", 0) == 0;
#else
    return false;
#endif
}

TEST(InstallerDependencies, TheEngineNeedsOnlyGlibcTheCxxRuntimeAndTheDesktopStack) {
    std::vector<std::string> needed;
    std::string error;
    ASSERT_TRUE(os::neededLibraries(test::binaryPath("tamlo"), &needed, &error)) << error;
    bool sawLibc = false;
    for (const std::string& library : needed) {
        EXPECT_TRUE(isAllowed(library)) << "tamlo needs " << library << " from the machine";
        sawLibc |= library.rfind("libc.so.", 0) == 0;
    }
    EXPECT_TRUE(sawLibc);  // the reader found the real list, not some other section
    EXPECT_FALSE(isAllowed("liblua5.2.so.0"));
    // A script is no program: a reason, no names.
    EXPECT_FALSE(os::neededLibraries(TAMLO_SOURCE_DIR "/scripts/fuzz", &needed, &error));
    EXPECT_TRUE(needed.empty());
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
    // The script failed on purpose, so the run's status is 1.
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_NE(result.err.find("messagebox caption=\"错误\" text=\"reached Lua 5.2\""),
              std::string::npos)
        << result.err;
}

}  // namespace
}  // namespace tamlo
