#pragma once

#include <string>
#include <vector>

#include "platform/os/registry_store.h"

namespace tamlo::regtool {

struct Outcome {
    bool ok = false;
    bool usageError = false;  // the command line itself was wrong
    std::string output;       // for stdout
    std::string error;        // one line, without its line break
};

// Runs one command given as its arguments (without the program name).
Outcome run(const std::vector<std::string>& arguments);

// One value as the tool prints it: `text` for texts, `3 (0x00000003)` for numbers,
// hexadecimal bytes for anything else.
std::string formatValue(const registry::Value& value);
const char* typeName(uint32_t type);

// The key with its values and, indented below, every sub-key.
std::string exportTree(const registry::Store& store, const std::string& key);

// The usage, and where the store of each root is (TAMLO_REGISTRY_DIR moves both).
std::string helpText();

}  // namespace tamlo::regtool
