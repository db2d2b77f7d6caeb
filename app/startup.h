#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "resources/bundle.h"
#include "resources/bundle_verifier.h"

// The installer's start-up sequence and tear-down, callable from a test as well as from
// main(). Everything it needs from outside can be replaced through StartupOptions.
namespace tamlo::app {

// The stages that bring up the UI and run the UI script. They run after the guards,
// the companion kill, the profile delete and the resource registry, with the global
// file system set. Empty hooks are skipped.
struct StartupStages {
    // OLE, the run queue, the UI context with its dispatcher window, "style.lz" into
    // the style set, "frame.lz" as the layout package, the script host.
    std::function<void()> startUi;
    // Runs "UI.lua" to its end; its modal loops are the program's message loop.
    std::function<void()> runUiScript;
    // Releases the UI context, then stops the run queue, waiting for every worker.
    std::function<void()> stopUi;
    // The payload failed its check while the UI runs (called on the checking thread): tell
    // the user the installer is damaged and end the dialog, setting `told` once the message
    // is on its way. Unset or not told: start-up shows the message after the UI has ended.
    std::function<void(std::shared_ptr<std::atomic<bool>> told)> payloadDamaged;
};

struct StartupOptions {
    // Opens the bundle of the running program; empty means Bundle::openSelf.
    std::function<std::unique_ptr<Bundle>(std::string* error)> openBundle;
    // Stops every process with this image name; empty means os::killProcessesByImageName.
    std::function<void(const std::string& imageName)> killByImageName;
    // The instance and reboot guards, the companion kill and the profile delete. Off for a
    // trial run that must not stop or remove anything.
    bool runGuards = true;
    // Started with "--silent" (or "/S" on Windows): the guards show no box and refuse
    // with their own exit codes.
    bool unattended = false;
    // The file an uninstaller removes when done (and copies on Windows); empty means the
    // running program's (a test points it elsewhere).
    std::string ownProgramFile;
    // Hashes one embedded file; empty means Bundle::verify (a test counts through it).
    BundleVerifier::Check checkEmbeddedFile;
    StartupStages stages;
};

// The process's exit status. A normal run returns what the UI script set with
// setExitCode, else 0, or kScriptFailed when the UI script failed.
enum ExitCode : int {
    kExitNormal = 0,
    kScriptFailed = 1,        // also: no UI backend could start
    kDamagedInteractive = 1,  // the damaged-installer box was shown
    kAnotherInstance = 2,     // unattended: another installer or uninstaller runs
    kRebootPending = 3,       // unattended: an earlier installation waits for a reboot
    kDamagedInstaller = 4,    // unattended: the program's embedded files are damaged
};

// Runs the installer. Interactive refusals (a second instance, a pending reboot) show
// their box and return 0; unattended ones return their codes above.
// The scripts, layouts and styles are checked before anything else happens; the payload
// ("program.lz") is checked on a background thread while the UI comes up, and the companion
// kill and the profile delete wait for its verdict, as does every read of it. A damaged
// installer therefore changes nothing, whichever of its files is damaged.
int runInstaller(const StartupOptions& options);

// The product's profile folder with a trailing '/': $XDG_DATA_HOME/Orvinex/, else
// ~/.local/share/Orvinex/. Empty when no absolute location is known.
std::string profileFolder();

// Kills the companion programs of <profile>codecs/: every "*.exe" there whose path does
// not contain "orvmon.exe", by image name, then "orvmon.exe" itself, always last.
void stopCompanionPrograms(const std::string& profile,
                           const std::function<void(const std::string& imageName)>& kill);

}  // namespace tamlo::app
