#pragma once

#include <string>

// The restart marker: a file where only the installing user (or the administrator) can
// write, holding the boot time at which an installation asked for a reboot. While the
// machine has not rebooted since, the installer refuses to start; after a reboot the boot
// time differs and the next check deletes the marker.
namespace tamlo::platform {

// Linux: "tamlo/orvinex_restart" in the user's data folder (a folder of 0700 made for it);
// Windows: tempPath() + "orvinex_restart", the user's own temp folder.
std::string restartMarkerPath();

// True while a marker's first 8 bytes equal the current boot time (the marker stays).
// A marker that is short, differs, or cannot be opened as a regular file of this user
// (or root) is deleted and the answer is false. No marker: false.
bool pendingRebootCheck();

// Writes the current boot time (8 bytes) to the marker, mode 0600. A symbolic link at
// the path is removed, never written through. Failures are not reported.
void markRestart();

}  // namespace tamlo::platform
