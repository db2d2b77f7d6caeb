#include <sys/stat.h>

#include "support/os_contract.h"

namespace tamlo::test {

bool pathExists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

void makeReadOnly(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) == 0) {
        chmod(path.c_str(), S_ISDIR(info.st_mode) ? 0555 : 0444);
    }
}

bool isReadOnly(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && (info.st_mode & 0222) == 0;
}

}  // namespace tamlo::test
