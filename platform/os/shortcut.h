#pragma once

#include <string>

// Shortcuts are desktop-entry launchers (shell links, .lnk files, on Windows).
namespace tamlo::shortcuts {

// Writes an executable launcher at `linkPath` (the path is used as given) that starts
// `target`. The file is written beside its final place and renamed over it, so a reader
// sees the old launcher or the whole new one. False when the folder is missing or the
// file cannot be written.
bool createShortcut(const std::string& target, const std::string& linkPath);

// The launcher text for `target`, named after the link's file name without its extension.
std::string desktopEntryText(const std::string& target, const std::string& linkPath);

}  // namespace tamlo::shortcuts
