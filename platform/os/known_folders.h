#pragma once

#include <optional>
#include <string>

// The folders scripts ask for by name, in their XDG form (the shell's folders on Windows,
// the all-users desktop and Start menu unless TAMLO_PER_USER_FOLDERS is set). Paths have
// no trailing separator.
namespace tamlo::folders {

enum class SpecialFolder {
    AppData,    // $XDG_DATA_HOME, else ~/.local/share
    Programs,   // /opt for root, else ~/.local/opt
    Desktop,    // the XDG desktop folder
    StartMenu,  // /usr/share/applications for root, else ~/.local/share/applications
};

// The user's home folder: $HOME when it is absolute, else the account's home; nothing
// when neither is known. Never relative.
std::optional<std::string> homeFolder();

// Where the folder is for this environment; `systemWide` selects the root variants.
// Nothing when the home folder cannot be found.
std::optional<std::string> resolveSpecialFolder(SpecialFolder folder, bool systemWide);

// The folder for the current user (root gets the system-wide ones), created with its
// missing parents when absent. Nothing when it cannot be found or created.
std::optional<std::string> specialFolder(SpecialFolder folder);

// The temporary folder with its trailing '/'.
std::string tempFolder();

}  // namespace tamlo::folders
