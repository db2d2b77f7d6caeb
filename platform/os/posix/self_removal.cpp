#include "platform/os/self_removal.h"

#include <unistd.h>

#include <cerrno>

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
    return ::unlink(program.c_str()) == 0 || errno == ENOENT;
}

}  // namespace tamlo::os
