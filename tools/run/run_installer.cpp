// run: the whole installer from its scripts, as `tamlo` runs it, inside a prefix folder
// that holds its registry, profile, temporary and special folders, so the author's own
// machine is not touched. A project folder is staged into stored packages first.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "app/engine_stages.h"
#include "app/startup.h"
#include "authoring/package_builder.h"
#include "authoring/project_installer.h"
#include "platform/os/os_services.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/messages.h"
#include "resources/bundle.h"
#include "tools/check/project_check.h"
#include "tools/run/run_commands.h"
#include "tools/run/run_steps.h"
#include "tools/run/show_steps.h"
#include "tools/run/virtual_clock.h"

namespace tamlo::runtool {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: tamlo-run run PROJECT|INSTALLER [--headless] [--steps FILE] [--out DIR] "
    "[--prefix DIR] [--guards] [--timeout SECONDS]";
constexpr int kDefaultTimeoutSeconds = 600;
// After the time limit the loops are asked to end; this much later the run gives up.
constexpr int kGraceSeconds = 20;

struct RunOptions {
    std::string target;
    bool headless = false;
    std::string stepsFile;
    std::string outDir = ".";
    std::string prefix;
    bool guards = false;
    int timeoutSeconds = kDefaultTimeoutSeconds;
};

bool parseOptions(const std::vector<std::string>& arguments, RunOptions& options) {
    if (arguments.empty()) {
        return false;
    }
    options.target = arguments[0];
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (word == "--headless") {
            options.headless = true;
        } else if (word == "--guards") {
            options.guards = true;
        } else if (word == "--steps" && hasValue) {
            options.stepsFile = arguments[++i];
        } else if (word == "--out" && hasValue) {
            options.outDir = arguments[++i];
        } else if (word == "--prefix" && hasValue) {
            options.prefix = arguments[++i];
        } else if (word == "--timeout" && hasValue) {
            options.timeoutSeconds = std::atoi(arguments[++i].c_str());
            if (options.timeoutSeconds <= 0) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

bool makeFolder(const std::string& path) {
    std::error_code failure;
    fs::create_directories(path, failure);
    return fs::is_directory(path, failure);
}

// The prefix, absolute and existing: the one asked for, or a new temporary folder.
bool preparePrefix(RunOptions& options, std::string* error) {
    if (options.prefix.empty()) {
        // A fresh name, made by us alone: create_directory fails on one that exists.
        std::random_device random;
        std::error_code failure;
        for (int attempt = 0; attempt < 100 && options.prefix.empty(); ++attempt) {
            char name[32];
            std::snprintf(name, sizeof name, "tamlo-run-%08x", random());
            const std::string candidate = os::tempPath() + name;
            if (fs::create_directory(candidate, failure)) {
                options.prefix = candidate;
            }
        }
        if (options.prefix.empty()) {
            *error = "cannot create a prefix folder in " + os::tempPath();
            return false;
        }
        std::printf("prefix: %s\n", options.prefix.c_str());
        std::fflush(stdout);
    }
    if (!makeFolder(options.prefix)) {
        *error = "cannot create the prefix " + options.prefix;
        return false;
    }
    std::error_code failure;
    options.prefix = fs::canonical(options.prefix, failure).string();
    return !failure;
}

// Everything the engine writes for the user or the system lands under the prefix.
bool isolateInPrefix(const RunOptions& options, std::string* error) {
    const std::string& prefix = options.prefix;
    const std::string home = prefix + "/home";
    const struct {
        const char* variable;
        std::string value;
    } environment[] = {
        {"HOME", home},
        {"XDG_DATA_HOME", home + "/.local/share"},
        {"XDG_CONFIG_HOME", home + "/.config"},
        {"XDG_CACHE_HOME", home + "/.cache"},
        {"XDG_DESKTOP_DIR", home + "/Desktop"},
        {"TMPDIR", prefix + "/tmp"},
        {"TAMLO_REGISTRY_DIR", prefix + "/registry"},
        {"TAMLO_PER_USER_FOLDERS", "1"},
        {"TAMLO_REBOOT_COMMAND", "echo 'tamlo-run: the script asked for a reboot' >&2"},
    };
    for (const auto& entry : environment) {
        const bool folder = std::string(entry.variable) != "TAMLO_PER_USER_FOLDERS" &&
                            std::string(entry.variable) != "TAMLO_REBOOT_COMMAND";
        if (folder && !makeFolder(entry.value)) {
            *error = "cannot create " + entry.value;
            return false;
        }
        os::setEnvironmentVariable(entry.variable, entry.value);
    }
    if (!options.guards) {
        // A private instance lock: another installer on this machine is not stopped.
        const std::string instance = "tamlo-run-" + std::to_string(std::random_device{}());
        os::setEnvironmentVariable("TAMLO_INSTANCE_NAME", instance);
    }
    if (options.headless) {
        os::setEnvironmentVariable("TAMLO_PLATFORM", "headless");
    }
    return true;
}

// A project folder becomes an installer bundle of stored packages under the prefix.
bool stageProject(const std::string& project, const std::string& prefix, std::string& bundlePath,
                  std::string* error) {
    const std::string stage = prefix + "/.tamlo-run";
    if (!makeFolder(stage)) {
        *error = "cannot create " + stage;
        return false;
    }
    PackageBuildOptions store;
    store.storeGlobs = {"*"};  // nothing to gain from compressing a trial run
    const std::string program = stage + "/program";
    std::ofstream(program, std::ios::binary | std::ios::trunc).close();
    bundlePath = stage + "/installer";
    std::vector<std::string> warnings;
    if (!buildInstallerFromProject(project, stage, store, program, bundlePath, error, &warnings)) {
        return false;
    }
    for (const std::string& warning : warnings) {
        std::fprintf(stderr, "tamlo-run: warning: %s\n", warning.c_str());
    }
    return true;
}

bool readSteps(const std::string& path, std::vector<ShowStep>& steps, std::string* error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        *error = "cannot read \"" + path + "\"";
        return false;
    }
    std::ostringstream content;
    content << file.rdbuf();
    return parseShowSteps(content.str(), steps, error, /*runSteps=*/true);
}

// Ends a run that overstays its time limit: first the loops, then the process.
void watchTheClock(int seconds) {
    std::thread([seconds] {
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        fail("the run took longer than " + std::to_string(seconds) + " s");
        platform::postThreadMessage(platform::uiThreadId(), win32::WM_QUIT, 1, 0);
        std::this_thread::sleep_for(std::chrono::seconds(kGraceSeconds));
        std::_Exit(1);
    }).detach();
}

}  // namespace

int runInstallerCommand(const std::vector<std::string>& arguments) {
    RunOptions options;
    if (!parseOptions(arguments, options)) {
        return fail(kUsage);
    }
    std::vector<ShowStep> steps;
    std::string error;
    if (!options.stepsFile.empty() && !readSteps(options.stepsFile, steps, &error)) {
        return fail(error);
    }
    std::error_code failure;
    const fs::file_status target = fs::status(options.target, failure);
    if (failure || !fs::exists(target)) {
        return fail("no such project or installer: " + options.target);
    }
    // The author sees the project's mistakes first; the run goes on regardless.
    if (check::checkAndPrint(options.target, stderr, &error) > 0) {
        std::fprintf(stderr, "tamlo-run: the project has errors (above); running it anyway\n");
    }
    if (!preparePrefix(options, &error) || !isolateInPrefix(options, &error)) {
        return fail(error);
    }
    std::string bundlePath = options.target;
    if (fs::is_directory(target) &&
        !stageProject(options.target, options.prefix, bundlePath, &error)) {
        return fail(error);
    }
    if (!makeFolder(options.outDir)) {
        return fail("cannot create " + options.outDir);
    }

    RunStepRunner runner(std::move(steps), options.prefix, options.outDir);
    app::StartupOptions startup;
    startup.openBundle = [&bundlePath](std::string* why) { return Bundle::open(bundlePath, why); };
    startup.runGuards = options.guards;
    if (!options.guards) {
        startup.killByImageName = [](const std::string&) {};
    }
    startup.stages = app::engineStages();
    const auto startUi = startup.stages.startUi;
    std::unique_ptr<VirtualClockDriver> clock;
    bool started = false;
    startup.stages.startUi = [&runner, &clock, &started, startUi] {
        startUi();
        clock = std::make_unique<VirtualClockDriver>();
        runner.start();
        started = true;
    };
    watchTheClock(options.timeoutSeconds);
    const int code = app::runInstaller(startup);
    clock.reset();
    // The steps left check what the finished installation left (its workers have ended).
    runner.finish();
    if (!started && code != 0) {
        return fail("the installer could not start");
    }
    if (code != 0) {
        // The script's own status (or its failure) is reported; the steps decide the result.
        std::fprintf(stderr, "tamlo-run: the installer exited with %d\n", code);
    }
    return runner.status();
}

}  // namespace tamlo::runtool
