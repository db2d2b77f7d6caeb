#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "app/startup.h"

namespace tamlo::app {
namespace {

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') {
        return home;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return {};
}

}  // namespace

std::string profileFolder() {
    // A relative XDG_DATA_HOME is invalid and ignored; the profile is deleted at start,
    // so it must never resolve against the current folder.
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (data && data[0] == '/') {
        base = data;
    } else {
        std::string home = homeFolder();
        if (!home.empty()) {
            base = home + "/.local/share";
        }
    }
    while (!base.empty() && base.back() == '/') {
        base.pop_back();
    }
    return base.empty() ? std::string() : base + "/Orvinex/";
}

}  // namespace tamlo::app
