#include "tools/reg/reg_commands.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace tamlo::regtool {
namespace {

constexpr const char* kUsage =
    "usage: tamlo-reg query ROOT KEY [NAME] | set ROOT KEY NAME sz|dword VALUE | "
    "delete ROOT KEY [NAME] | export ROOT [KEY]  (ROOT: HKCU, HKLM, HKCR, HKU)";

Outcome failure(std::string error, bool usage = false) {
    Outcome outcome;
    outcome.error = std::move(error);
    outcome.usageError = usage;
    return outcome;
}

Outcome success(std::string output = {}) {
    Outcome outcome;
    outcome.ok = true;
    outcome.output = std::move(output);
    return outcome;
}

std::string displayName(const std::string& name) {
    return name.empty() ? "(default)" : name;
}

// Decimal or 0x-hexadecimal, negative numbers as their 32-bit two's complement.
bool parseDword(const std::string& text, uint32_t* number) {
    if (text.empty()) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    long long value = std::strtoll(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || value < INT32_MIN ||
        value > static_cast<long long>(UINT32_MAX)) {
        return false;
    }
    *number = static_cast<uint32_t>(value);
    return true;
}

std::string fullKey(const registry::Store& store, const std::string& key) {
    std::string display = store.keyDisplayPath(key).value_or(key);
    return std::string(registry::rootName(store.root())) + (display.empty() ? "" : "\\" + display);
}

void appendTree(const registry::Store& store, const std::string& key, int depth, std::string* out) {
    std::string indent(static_cast<size_t>(depth) * 2, ' ');
    for (const registry::NamedValue& named : store.values(key)) {
        *out += indent + "  " + displayName(named.name) + " (" + typeName(named.value.type) +
                ") = " + formatValue(named.value) + "\n";
    }
    for (const std::string& child : store.subKeys(key)) {
        std::string childKey = key.empty() ? child : key + "\\" + child;
        *out += indent + "  " + child + "\n";
        appendTree(store, childKey, depth + 1, out);
    }
}

Outcome query(const registry::Store& store, const std::vector<std::string>& args) {
    const std::string& key = args[2];
    if (!store.keyExists(key)) {
        return failure("key not found: " + fullKey(store, key));
    }
    if (args.size() == 4) {
        std::optional<registry::Value> value = store.query(key, args[3]);
        if (!value) {
            return failure("value not found: " + fullKey(store, key) + " " + displayName(args[3]));
        }
        return success(formatValue(*value) + "\n");
    }
    std::string out;
    for (const registry::NamedValue& named : store.values(key)) {
        out += displayName(named.name) + " (" + typeName(named.value.type) +
               ") = " + formatValue(named.value) + "\n";
    }
    for (const std::string& child : store.subKeys(key)) {
        out += child + "\\\n";
    }
    return success(out);
}

Outcome set(registry::Store& store, const std::vector<std::string>& args) {
    const std::string& type = args[4];
    registry::Value value;
    if (type == "sz") {
        value = registry::Value::text(args[5]);
    } else if (type == "dword") {
        uint32_t number = 0;
        if (!parseDword(args[5], &number)) {
            return failure("not a 32-bit number: " + args[5], true);
        }
        value = registry::Value::dword(number);
    } else {
        return failure("unknown type " + type + " (sz or dword)", true);
    }
    if (!store.setValue(args[2], args[3], value)) {
        return failure("cannot write " + fullKey(store, args[2]) + ": " + store.lastError());
    }
    return success();
}

Outcome remove(registry::Store& store, const std::vector<std::string>& args) {
    const std::string& key = args[2];
    if (registry::splitKeyPath(key).empty()) {
        return failure("refusing to delete a whole root", true);
    }
    if (!store.keyExists(key)) {
        return failure("key not found: " + fullKey(store, key));
    }
    if (args.size() == 4) {
        if (!store.deleteValue(key, args[3])) {
            return failure("cannot delete " + fullKey(store, key) + " " + displayName(args[3]) +
                           ": " + store.lastError());
        }
        return success();
    }
    if (!store.deleteKey(key)) {
        return failure("cannot delete " + fullKey(store, key) + ": " + store.lastError());
    }
    return success();
}

}  // namespace

const char* typeName(uint32_t type) {
    switch (type) {
        case registry::REG_SZ:
            return "REG_SZ";
        case registry::REG_EXPAND_SZ:
            return "REG_EXPAND_SZ";
        case registry::REG_BINARY:
            return "REG_BINARY";
        case registry::REG_DWORD:
            return "REG_DWORD";
        default:
            return "REG_UNKNOWN";
    }
}

std::string formatValue(const registry::Value& value) {
    if (value.type == registry::REG_SZ || value.type == registry::REG_EXPAND_SZ) {
        return value.data;
    }
    char buffer[48];
    if (std::optional<uint32_t> number = value.asDword()) {
        std::snprintf(buffer, sizeof buffer, "%u (0x%08x)", *number, *number);
        return buffer;
    }
    std::string hex;
    for (unsigned char byte : value.data) {
        std::snprintf(buffer, sizeof buffer, hex.empty() ? "%02x" : " %02x", byte);
        hex += buffer;
    }
    return hex;
}

std::string exportTree(const registry::Store& store, const std::string& key) {
    std::string out = fullKey(store, key) + "\n";
    appendTree(store, key, 0, &out);
    return out;
}

Outcome run(const std::vector<std::string>& args) {
    if (args.size() < 2) {
        return failure(kUsage, true);
    }
    const std::string& command = args[0];
    std::optional<registry::Root> root = registry::rootFromName(args[1]);
    if (!root) {
        return failure("unknown root " + args[1] + " (HKCU, HKLM, HKCR or HKU)", true);
    }
    registry::Store store(*root);
    if (command == "query" && (args.size() == 3 || args.size() == 4)) {
        return query(store, args);
    }
    if (command == "set" && args.size() == 6) {
        return set(store, args);
    }
    if (command == "delete" && (args.size() == 3 || args.size() == 4)) {
        return remove(store, args);
    }
    if (command == "export" && (args.size() == 2 || args.size() == 3)) {
        std::string key = args.size() == 3 ? args[2] : std::string();
        if (!store.keyExists(key)) {
            return failure("key not found: " + fullKey(store, key));
        }
        return success(exportTree(store, key));
    }
    return failure(kUsage, true);
}

}  // namespace tamlo::regtool

namespace tamlo::regtool {

std::string helpText() {
    using registry::Root;
    using registry::Store;
    return std::string(kUsage) +
           "\n\nThe store, as an installer running now would use it:\n"
           "  HKCU, HKCR  " +
           Store::databasePathFor(Root::CurrentUser) + "\n" + "  HKLM, HKU   " +
           Store::databasePathFor(Root::LocalMachine) + "\n" +
           "(TAMLO_REGISTRY_DIR moves both; tamlo-run keeps its own inside its prefix)\n";
}

}  // namespace tamlo::regtool
