#include "platform/os/known_folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/os/file_operations.h"
#include "platform/os/os_services.h"

namespace tamlo::folders {

std::optional<std::string> homeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home == '/') {
        return std::string(home);
    }
    // getpwuid_r: a worker thread may ask at the same time.
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return std::string(found->pw_dir);
    }
    return std::nullopt;
}

namespace {

// XDG base variables must be absolute to count.
std::optional<std::string> absoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value == '/') {
        return std::string(value);
    }
    return std::nullopt;
}

std::optional<std::string> dataHome() {
    if (auto value = absoluteEnv("XDG_DATA_HOME")) {
        return value;
    }
    auto home = homeFolder();
    return home ? std::optional<std::string>(*home + "/.local/share") : std::nullopt;
}

// XDG_DESKTOP_DIR="$HOME/Desktop" from user-dirs.dirs; only "$HOME/..." and absolute
// paths are valid there.
std::optional<std::string> desktopFromUserDirs(const std::string& home) {
    std::string config = absoluteEnv("XDG_CONFIG_HOME").value_or(home + "/.config");
    std::ifstream file(config + "/user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_DESKTOP_DIR=";
    while (std::getline(file, line)) {
        if (line.compare(0, key.size(), key) != 0) {
            continue;
        }
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        if (value.compare(0, 5, "$HOME") == 0) {
            value = home + value.substr(5);
        }
        if (!value.empty() && value[0] == '/') {
            return value;
        }
    }
    return std::nullopt;
}

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

}  // namespace

std::optional<std::string> resolveSpecialFolder(SpecialFolder folder, bool systemWide) {
    std::optional<std::string> path;
    switch (folder) {
        case SpecialFolder::AppData:
            path = dataHome();
            break;
        case SpecialFolder::Programs:
            if (systemWide) {
                path = "/opt";
            } else if (auto home = homeFolder()) {
                path = *home + "/.local/opt";
            }
            break;
        case SpecialFolder::Desktop:
            if (auto value = absoluteEnv("XDG_DESKTOP_DIR")) {
                path = value;
            } else if (auto home = homeFolder()) {
                path = desktopFromUserDirs(*home).value_or(*home + "/Desktop");
            }
            break;
        case SpecialFolder::StartMenu:
            if (systemWide) {
                path = "/usr/share/applications";
            } else if (auto data = dataHome()) {
                path = *data + "/applications";
            }
            break;
    }
    if (path) {
        path = withoutTrailingSlash(*path);
    }
    return path;
}

std::optional<std::string> specialFolder(SpecialFolder folder) {
    // TAMLO_PER_USER_FOLDERS keeps a root run inside its home (tamlo-run's prefix).
    const bool systemWide = geteuid() == 0 && std::getenv("TAMLO_PER_USER_FOLDERS") == nullptr;
    std::optional<std::string> path = resolveSpecialFolder(folder, systemWide);
    if (!path) {
        return std::nullopt;
    }
    files::createDirectory(*path);
    struct stat info;
    if (stat(path->c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return std::nullopt;
    }
    return path;
}

std::string tempFolder() {
    return os::tempPath();
}

}  // namespace tamlo::folders
