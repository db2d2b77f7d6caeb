#include "platform/os/registry_store.h"

// The parts of the store every platform shares: value encoding, root names, key paths.
namespace tamlo::registry {

Value Value::text(std::string utf8, uint32_t type) {
    Value value;
    value.type = type;
    value.data = std::move(utf8);
    return value;
}

Value Value::dword(uint32_t number) {
    Value value;
    value.type = REG_DWORD;
    for (int i = 0; i < 4; ++i) {
        value.data += static_cast<char>((number >> (8 * i)) & 0xFFu);
    }
    return value;
}

std::optional<uint32_t> Value::asDword() const {
    if (type != REG_DWORD || data.size() != 4) {
        return std::nullopt;
    }
    uint32_t number = 0;
    for (int i = 3; i >= 0; --i) {
        number = (number << 8) | static_cast<unsigned char>(data[static_cast<size_t>(i)]);
    }
    return number;
}

std::optional<Root> rootFromHandle(int32_t handle) {
    switch (handle) {
        case kClassesRootHandle:
            return Root::ClassesRoot;
        case kCurrentUserHandle:
            return Root::CurrentUser;
        case kLocalMachineHandle:
            return Root::LocalMachine;
        case kUsersHandle:
            return Root::Users;
        default:
            return std::nullopt;
    }
}

std::optional<Root> rootFromName(std::string_view name) {
    std::string upper(name);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    if (upper == "HKCR" || upper == "HKEY_CLASSES_ROOT") {
        return Root::ClassesRoot;
    }
    if (upper == "HKCU" || upper == "HKEY_CURRENT_USER") {
        return Root::CurrentUser;
    }
    if (upper == "HKLM" || upper == "HKEY_LOCAL_MACHINE") {
        return Root::LocalMachine;
    }
    if (upper == "HKU" || upper == "HKEY_USERS") {
        return Root::Users;
    }
    return std::nullopt;
}

const char* rootName(Root root) {
    switch (root) {
        case Root::ClassesRoot:
            return "HKCR";
        case Root::CurrentUser:
            return "HKCU";
        case Root::LocalMachine:
            return "HKLM";
        case Root::Users:
            return "HKU";
    }
    return "";
}

std::vector<std::string> splitKeyPath(std::string_view key) {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start <= key.size()) {
        size_t end = key.find('\\', start);
        if (end == std::string_view::npos) {
            end = key.size();
        }
        if (end > start) {
            pieces.emplace_back(key.substr(start, end - start));
        }
        start = end + 1;
    }
    return pieces;
}

}  // namespace tamlo::registry
