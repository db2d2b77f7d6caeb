#include "platform/os/volumes.h"

namespace tamlo::volumes {

std::string parentPath(const std::string& path) {
    std::string rest = path;
    // Trailing separators name the same folder.
    while (rest.size() > 1 && (rest.back() == '/' || rest.back() == '\\')) {
        rest.pop_back();
    }
    const size_t cut = rest.find_last_of("/\\");
    if (cut == std::string::npos) {
        return std::string();
    }
    // A root keeps its separator: "/" and "C:\".
    if (cut == 0 || (cut == 2 && rest[1] == ':')) {
        return rest.size() == cut + 1 ? std::string() : rest.substr(0, cut + 1);
    }
    return rest.substr(0, cut);
}

}  // namespace tamlo::volumes
