#include <optional>

#include "app/startup.h"
#include "platform/os/known_folders.h"

namespace tamlo::app {

std::string profileFolder() {
    // The per-user application data folder (only an absolute one: the profile is deleted at
    // start, so it must never resolve against the current folder).
    std::string base = folders::specialFolder(folders::SpecialFolder::AppData).value_or("");
    while (!base.empty() && (base.back() == '/' || base.back() == '\\')) {
        base.pop_back();
    }
    return base.empty() ? std::string() : base + "/Orvinex/";
}

}  // namespace tamlo::app
