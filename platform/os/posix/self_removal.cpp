#include "platform/os/self_removal.h"

#include <unistd.h>

#include <cerrno>
#include <string>

namespace tamlo::os {

bool restartFromCopyIn(const std::string&, const std::string&, const std::vector<std::string>&,
                       std::string* copyPath) {
    copyPath->clear();
    return false;
}

bool programFileCanGoWhileRunning() {
    return true;
}

bool removeProgramFile(const std::string& program) {
    // The kernel's name for a running program whose file went already.
    const std::string gone = " (deleted)";
    if (program.size() > gone.size() &&
        program.compare(program.size() - gone.size(), gone.size(), gone) == 0) {
        return true;
    }
    return ::unlink(program.c_str()) == 0 || errno == ENOENT;
}

}  // namespace tamlo::os
