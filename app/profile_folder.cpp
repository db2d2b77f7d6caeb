#include <cstdlib>
#include <optional>

#include "app/startup.h"
#include "platform/os/known_folders.h"

namespace tamlo::app {

std::string profileFolder() {
    // A relative XDG_DATA_HOME is invalid and ignored; the profile is deleted at start,
    // so it must never resolve against the current folder.
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (data && data[0] == '/') {
        base = data;
    } else {
        if (std::optional<std::string> home = folders::homeFolder()) {
            base = *home + "/.local/share";
        }
    }
    while (!base.empty() && base.back() == '/') {
        base.pop_back();
    }
    return base.empty() ? std::string() : base + "/Orvinex/";
}

}  // namespace tamlo::app
