#include "app/startup.h"

#include <cstdio>

#include "platform/backend.h"
#include "platform/debug_sink.h"
#include "platform/os/command_line.h"
#include "platform/os/instance_guard.h"
#include "platform/os/os_services.h"
#include "platform/os/restart_marker.h"
#include "platform/os/self_removal.h"
#include "platform/text_encoding.h"
#include "platform/win32_constants.h"
#include "resources/bundle_format.h"
#include "resources/resource_file_system.h"
#include "script/installer_arguments.h"
#include "script/script_host.h"

namespace tamlo::app {
namespace {

const char16_t kDamagedText[] = u"安装程序已损坏，请重新下载。";
const char16_t kDamagedCaption[] = u"错误";
const char16_t kAlreadyRunningText[] = u"检测到Tamlo安装或卸载程序正在运行，请结束后重试。";
const char16_t kRebootPendingText[] = u"检测到Tamlo安装或卸载操作尚未完成，需要重启电脑。";
const char16_t kNoticeCaption[] = u"提示";
const char kDaemonName[] = "orvmon.exe";

// An unattended run has nobody to click a box: the text goes to standard error.
void notify(const StartupOptions& options, const char16_t* text, const char16_t* caption) {
    if (options.unattended) {
        std::fprintf(stderr, "tamlo: %s\n", utf16ToUtf8(text).c_str());
        return;
    }
    platform::backend().messageBox(0, text, caption, win32::MB_OK);
}

constexpr int32_t kPayloadId = 115;

// The bundle must hold all five files, and everything but the payload must pass its check
// before anything else happens, so a damaged download never kills, deletes or locks anything.
std::unique_ptr<Bundle> openCheckedBundle(const StartupOptions& options,
                                          std::unique_ptr<BundleVerifier>& verifier) {
    std::string error;
    std::unique_ptr<Bundle> bundle =
        options.openBundle ? options.openBundle(&error) : Bundle::openSelf(&error);
    for (const EmbeddedFileName& file : kEmbeddedFiles) {
        if (bundle && bundle->find(file.id) == nullptr) {
            error = "the embedded file " + utf16ToUtf8(file.name) + " is missing";
            bundle.reset();
        }
    }
    if (bundle) {
        verifier = std::make_unique<BundleVerifier>(bundle.get(), options.checkEmbeddedFile);
        for (const EmbeddedFileName& file : kEmbeddedFiles) {
            if (file.id != kPayloadId && !verifier->verified(file.id)) {
                error = "the embedded file " + utf16ToUtf8(file.name) + " fails its check";
                verifier.reset();
                bundle.reset();
                break;
            }
        }
    }
    if (!bundle) {
        debugOutput("startup: the program's embedded files are damaged: " + error);
    }
    return bundle;
}

void runStage(const std::function<void()>& stage) {
    if (stage) {
        stage();
    }
}

}  // namespace

void stopCompanionPrograms(const std::string& profile,
                           const std::function<void(const std::string& imageName)>& kill) {
    if (profile.empty()) {
        return;
    }
    for (const std::string& path : os::listFiles(profile + "codecs/", "*.exe")) {
        if (path.find(kDaemonName) != std::string::npos) {
            continue;
        }
        kill(path.substr(path.rfind('/') + 1));
    }
    kill(kDaemonName);
}

int runInstaller(const StartupOptions& options) {
    std::string error;
    if (platform::startBackend(&error) == nullptr) {
        std::fprintf(stderr, "tamlo: %s\n", error.c_str());
        return kScriptFailed;
    }
    std::unique_ptr<BundleVerifier> verifier;
    std::unique_ptr<Bundle> bundle = openCheckedBundle(options, verifier);
    if (!bundle) {
        notify(options, kDamagedText, kDamagedCaption);
        return options.unattended ? kDamagedInstaller : kDamagedInteractive;
    }
    const bool uninstaller = (bundle->find(kPayloadId)->flags & bundle::kUninstallerFlag) != 0;
    const std::string ownProgram =
        options.ownProgramFile.empty() ? os::executablePath() : options.ownProgramFile;
    if (uninstaller && options.runGuards) {
        // Windows: the install folder cannot go while we run from it; a copy in the
        // temporary folder carries on with our arguments, and is removed at the next reboot.
        std::string copy;
        if (os::restartFromCopyIn(ownProgram, os::tempPath(), os::programArguments(), &copy)) {
            debugOutput("startup: the uninstaller goes on as " + copy);
            return kExitNormal;
        }
    }

    if (options.runGuards) {
        // 1. One installer at a time. Without a lock at all, run unguarded.
        if (platform::acquireInstanceMutex() == platform::InstanceGuardResult::AlreadyRunning) {
            notify(options, kAlreadyRunningText, kNoticeCaption);
            return options.unattended ? kAnotherInstance : kExitNormal;
        }
        // 2. An earlier installation waits for a reboot.
        if (platform::pendingRebootCheck()) {
            notify(options, kRebootPendingText, kNoticeCaption);
            platform::releaseInstanceMutex();
            return options.unattended ? kRebootPending : kExitNormal;
        }
    }
    // 3. Stop the companion programs, the daemon last; 4. remove the profile. Both follow a
    // sound verdict on the payload, which is checked meanwhile, while the UI comes up.
    auto told = std::make_shared<std::atomic<bool>>(false);
    auto changeProfile = [&options] {
        if (!options.runGuards) {
            return;
        }
        std::string profile = profileFolder();
        stopCompanionPrograms(
            profile, options.killByImageName
                         ? options.killByImageName
                         : [](const std::string& name) { os::killProcessesByImageName(name); });
        if (!profile.empty()) {
            os::deleteTree(profile);
        }
    };
    auto payloadDamaged = [&options, told] {
        debugOutput("startup: the embedded file program.lz fails its check");
        if (options.stages.payloadDamaged) {
            options.stages.payloadDamaged(told);
        }
    };
    verifier->verifyInBackground(kPayloadId, changeProfile, payloadDamaged);

    // 5. The resource registry becomes the global file system.
    script::clearRequestedExitCode();
    script::ScriptHost::instance().clearFailure();
    bool payloadSound = false;
    {
        ResourceFileSystem resources(bundle.get(), verifier.get());
        for (const EmbeddedFileName& file : kEmbeddedFiles) {
            resources.enter(file.name, file.id);
        }
        setGlobalFileSystem(&resources);

        // 6 to 12, then the UI's own tear-down.
        runStage(options.stages.startUi);
        runStage(options.stages.runUiScript);
        runStage(options.stages.stopUi);

        // The payload's verdict, and the profile changes a sound one brought, are in before
        // the instance mutex goes.
        payloadSound = verifier->verified(kPayloadId);

        // Tear-down: the instance mutex if the script did not release it, then the registry.
        platform::releaseInstanceMutex();
        setGlobalFileSystem(nullptr);
    }
    verifier.reset();  // the checking thread has told whatever it had to tell
    if (!payloadSound) {
        if (!told->load()) {
            notify(options, kDamagedText, kDamagedCaption);
        }
        return options.unattended ? kDamagedInstaller : kDamagedInteractive;
    }
    // Returned only now, after the whole tear-down.
    int status = script::ScriptHost::instance().lastRunFailed() ? kScriptFailed : kExitNormal;
    if (std::optional<int> requested = script::requestedExitCode()) {
        status = *requested;
    }
    // An uninstaller that ended well leaves no file of its own (a declined or failed one
    // sets another status and stays, to be run again). On Windows this is the temporary
    // copy, removed at the next reboot whatever the run did.
    const bool removeSelf = status == kExitNormal || !os::programFileCanGoWhileRunning();
    if (uninstaller && options.runGuards && removeSelf && !os::removeProgramFile(ownProgram)) {
        debugOutput("startup: the uninstaller cannot remove " + ownProgram);
    }
    return status;
}

}  // namespace tamlo::app
