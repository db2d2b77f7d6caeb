#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/test_environment.h"

namespace tamlo::test {
namespace {

// The manifest a user's Windows reads before the engine starts: administrator rights, the
// version 6 common controls and the DPI entry, all inside the built tamlo.exe.
TEST(Win32EngineProgram, CarriesItsManifestAsResourceOne) {
    const std::string program = binaryPath("tamlo.exe");
    std::wstring path(program.begin(), program.end());
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr) << program << " error " << GetLastError();
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr);
    const DWORD size = SizeofResource(module, found);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
    ASSERT_NE(bytes, nullptr);
    const std::string manifest(bytes, size);
    FreeLibrary(module);

    EXPECT_NE(manifest.find(R"(level="requireAdministrator")"), std::string::npos);
    // The program's own processor, as the loader checks it.
    const char* processor =
        sizeof(void*) == 8 ? R"(processorArchitecture="amd64")" : R"(processorArchitecture="x86")";
    EXPECT_NE(manifest.find(processor), std::string::npos);
    EXPECT_NE(manifest.find(R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")"),
              std::string::npos);
    // Per-monitor aware: the system leaves the windows unscaled and the engine draws at each
    // monitor's DPI.
    EXPECT_NE(manifest.find(">PerMonitorV2"), std::string::npos);
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
    EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos);
}

}  // namespace
}  // namespace tamlo::test
