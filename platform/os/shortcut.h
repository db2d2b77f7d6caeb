#pragma once

#include <string>

// Shortcuts are desktop-entry launchers (shell links, .lnk files, on Windows).
namespace tamlo::shortcuts {

// Writes an executable launcher at `linkPath` (the path is used as given) that starts
// `target`. The file is written beside its final place and renamed over it, so a reader
// sees the old launcher or the whole new one. False when the folder is missing or the
// file cannot be written. A non-empty `icon` (an image file, or a program whose first
// icon is taken on Windows) becomes the launcher's icon.
bool createShortcut(const std::string& target, const std::string& linkPath,
                    const std::string& icon = std::string());

// The launcher text for `target`, named after the link's file name without its extension,
// with an Icon line when `icon` is not empty.
std::string desktopEntryText(const std::string& target, const std::string& linkPath,
                             const std::string& icon = std::string());

}  // namespace tamlo::shortcuts
