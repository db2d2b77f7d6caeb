// libFuzzer target: any bytes as a tamlo-run steps file, parsed with and without the
// steps of a whole run.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/run/show_steps.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    for (bool runSteps : {false, true}) {
        std::vector<tamlo::runtool::ShowStep> steps;
        std::string error;
        tamlo::runtool::parseShowSteps(content, steps, &error, runSteps);
    }
    return 0;
}
