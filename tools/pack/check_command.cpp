#include <cstdio>

#include "tools/check/project_check.h"
#include "tools/pack/pack_commands.h"

namespace tamlo::pack {

int runCheck(const std::vector<std::string>& args, std::string* error) {
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
        *error = "usage: check PROJECT|INSTALLER";
        return kUsage;
    }
    const int errors = check::checkAndPrint(args[0], stdout, error);
    if (errors < 0) {
        return kFailure;
    }
    if (errors > 0) {
        *error = std::to_string(errors) + (errors == 1 ? " error" : " errors");
        return kFailure;
    }
    return kSuccess;
}

bool checkBeforeBuild(const std::string& project, bool force, std::string* error) {
    const int errors = check::checkAndPrint(project, stderr, error);
    if (errors > 0 && force) {
        std::fprintf(stderr, "tamlo-pack build: built with %d error%s (--force)\n", errors,
                     errors == 1 ? "" : "s");
        return true;
    }
    if (errors > 0) {
        *error = "not built: the project has " + std::to_string(errors) +
                 (errors == 1 ? " error" : " errors") + " (above)";
    }
    return errors == 0;
}

}  // namespace tamlo::pack
