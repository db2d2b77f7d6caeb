#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "authoring/package_builder.h"
#include "authoring/project_installer.h"
#include "platform/os/os_services.h"
#include "platform/os/program_needs.h"
#include "platform/text_encoding.h"
#include "resources/bundle.h"
#include "tools/pack/engine_strip.h"
#include "tools/pack/pack_commands.h"

namespace tamlo::pack {

namespace fs = std::filesystem;

namespace {

// A private scratch folder, removed with everything in it.
class ScratchFolder {
  public:
    ~ScratchFolder() {
        if (!path_.empty()) {
            std::error_code ignored;
            fs::remove_all(path_, ignored);
        }
    }
    bool create(std::string* error) {
        std::string pattern = os::tempPath() + "tamlo-pack-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            *error = "cannot create a scratch folder in " + os::tempPath();
            return false;
        }
        path_ = pattern;
        return true;
    }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// The engine program sits beside tamlo-pack.
std::string engineProgramPath() {
    return (fs::path(os::executablePath()).parent_path() / "tamlo").string();
}

// "INSTALLER: 4.2 MiB (4404019 bytes); needs libgtk-3.so.0 ... libc.so.6": what a user's
// machine must have, read from the engine's dynamic section.
std::string installerSummary(const std::string& installer, const std::string& program) {
    std::error_code failure;
    const uintmax_t bytes = fs::file_size(installer, failure);
    char size[64];
    std::snprintf(size, sizeof size, "%.1f MiB (%ju bytes)", static_cast<double>(bytes) / 1048576.0,
                  bytes);
    std::vector<std::string> needed;
    std::string why;
    std::string needs;
    if (isWindowsProgram(program)) {
        // Linked statically: it needs only the DLLs every Windows has.
        needs = "a Windows program";
    } else if (!os::neededLibraries(program, &needed, &why)) {
        needs = "needs unknown (" + why + ")";
    } else {
        needs = "needs";
        for (const std::string& library : needed) {
            needs += " " + library;
        }
    }
    return installer + ": " + size + "; " + needs;
}

}  // namespace

int runBuild(const std::vector<std::string>& args, std::string* error) {
    // PROJECT -o INSTALLER [--engine PROGRAM] [--force]: the engine defaults to the tamlo
    // beside us; --engine names another, such as the cross-built tamlo.exe. --force builds
    // a project the check finds errors in (to try how the installer fails). --block trades
    // decoding on every core for size: fewer, larger blocks pack smaller, and one over
    // 16 MiB is streamed, decoded by one core while the others wait.
    std::string project, installer, program;
    bool force = false;
    bool perEntry = false;
    bool blockGiven = false;
    PackageBuildOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--force") {
            force = true;
        } else if (args[i] == "--per-entry") {
            perEntry = true;
        } else if (args[i] == "--block" && hasValue) {
            if (!parseBlockSize(args[++i], &options.solidOptions.blockSize, error)) {
                return kUsage;
            }
            blockGiven = true;
        } else if (args[i] == "-o" && hasValue && installer.empty()) {
            installer = args[++i];
        } else if (args[i] == "--engine" && hasValue && program.empty()) {
            program = args[++i];
        } else if (project.empty() && !args[i].empty() && args[i][0] != '-') {
            project = args[i];
        } else {
            project.clear();
            break;
        }
    }
    if (project.empty() || installer.empty() || (perEntry && blockGiven)) {
        *error =
            "usage: build PROJECT -o INSTALLER [--engine PROGRAM] [--force] [--per-entry | "
            "--block MiB]";
        return kUsage;
    }
    if (!projectHasScripts(project, error) || !checkBeforeBuild(project, force, error)) {
        return kFailure;
    }
    std::error_code failure;
    if (program.empty()) {
        program = engineProgramPath();
    }
    if (!fs::is_regular_file(program, failure)) {
        *error = "the engine program " + program + " is missing";
        return kFailure;
    }
    ScratchFolder scratch;
    if (!scratch.create(error)) {
        return kFailure;
    }
    options.storeGlobs = imageStoreGlobs();
    options.solidPayload = !perEntry;
    std::vector<std::string> warnings;
    // An installer carries the engine without its debug information.
    std::string stripWarning;
    const std::string engine = strippedEngine(program, scratch.path(), &stripWarning);
    if (!buildInstallerFromProject(project, scratch.path(), options, engine, installer, error,
                                   &warnings)) {
        return kFailure;
    }
    if (!stripWarning.empty()) {
        warnings.push_back(stripWarning);
    }
    for (const std::string& warning : warnings) {
        std::fprintf(stderr, "tamlo-pack build: warning: %s\n", warning.c_str());
    }
    std::printf("%s\n", installerSummary(installer, program).c_str());
    return kSuccess;
}

int runBundleList(const std::vector<std::string>& args, std::string* error) {
    if (args.size() != 1) {
        *error = "usage: bundle-list INSTALLER";
        return kUsage;
    }
    std::unique_ptr<Bundle> bundle = Bundle::open(args[0], error);
    if (!bundle) {
        return kFailure;
    }
    for (const BundleFileInfo& file : bundle->files()) {
        std::printf("%d\t%s\t%u\n", file.id, utf16ToUtf8(file.name).c_str(), file.size);
    }
    return kSuccess;
}

}  // namespace tamlo::pack
