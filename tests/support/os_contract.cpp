#include "support/os_contract.h"

#include "platform/os/file_operations.h"
#include "support/test_environment.h"

namespace tamlo::test {

std::string contractFolder(const std::string& hint) {
    return files::normalizeSeparators(makeTempDir(hint));
}

std::string inFolder(const std::string& folder, const std::string& name) {
    return files::normalizeSeparators(folder + "/" + name);
}

}  // namespace tamlo::test
