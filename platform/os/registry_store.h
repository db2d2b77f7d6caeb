#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/text_case.h"

// The registry on Linux: one SQLite database per group of roots. HKEY_CURRENT_USER and
// HKEY_CLASSES_ROOT live in $XDG_DATA_HOME/tamlo/registry.db, HKEY_LOCAL_MACHINE and
// HKEY_USERS in /var/lib/tamlo/registry.db; TAMLO_REGISTRY_DIR replaces both folders.
// Key paths are '\'-separated, compared ignoring case and keep the case they were created
// with. Every write is one transaction, and the database may be shared by several processes.
// Each call opens its own connection, so the store may be used from any thread.
// On Windows the store is the system registry itself: no database file, and
// TAMLO_REGISTRY_DIR means nothing.
namespace tamlo::registry {

enum class Root { ClassesRoot, CurrentUser, LocalMachine, Users };

// Predefined root handles as a script passes them (32-bit HKEY values).
constexpr int32_t kClassesRootHandle = INT32_MIN;       // 0x80000000
constexpr int32_t kCurrentUserHandle = INT32_MIN + 1;   // 0x80000001
constexpr int32_t kLocalMachineHandle = INT32_MIN + 2;  // 0x80000002
constexpr int32_t kUsersHandle = INT32_MIN + 3;         // 0x80000003

// Value types.
constexpr uint32_t REG_SZ = 1;
constexpr uint32_t REG_EXPAND_SZ = 2;
constexpr uint32_t REG_BINARY = 3;
constexpr uint32_t REG_DWORD = 4;

std::optional<Root> rootFromHandle(int32_t handle);
// "HKCU", "HKLM", "HKCR", "HKU" and the long HKEY_... names, ignoring case.
std::optional<Root> rootFromName(std::string_view name);
// The short name: "HKCU", "HKLM", "HKCR", "HKU".
const char* rootName(Root root);

// Texts (REG_SZ, REG_EXPAND_SZ) hold UTF-8 without terminator; REG_DWORD holds 4
// little-endian bytes; other types hold their bytes unchanged.
struct Value {
    uint32_t type = 0;
    std::string data;

    static Value text(std::string utf8, uint32_t type = REG_SZ);
    static Value dword(uint32_t number);
    // The number of a REG_DWORD value of 4 bytes.
    std::optional<uint32_t> asDword() const;
};

struct NamedValue {
    std::string name;  // as written first; "" is the key's default value
    Value value;
};

class Store {
  public:
    explicit Store(Root root);
    // A store in the given database file (tools and tests).
    Store(Root root, std::string databaseFile);

    // The database file a root uses under the current environment.
    static std::string databasePathFor(Root root);
    const std::string& databasePath() const { return path_; }
    Root root() const { return root_; }

    // A missing key or value, or an unreadable database, gives nothing.
    std::optional<Value> query(std::string_view key, std::string_view name) const;
    bool keyExists(std::string_view key) const;
    // The key path with the case each piece was created with.
    std::optional<std::string> keyDisplayPath(std::string_view key) const;
    std::vector<std::string> subKeys(std::string_view key) const;  // names, creation case
    std::vector<NamedValue> values(std::string_view key) const;    // sorted by name

    // Creates the key and every missing parent, then writes the value. The database
    // and its folder are created when missing.
    bool setValue(std::string_view key, std::string_view name, const Value& value);
    bool createKey(std::string_view key);
    // False when the key or the value does not exist.
    bool deleteValue(std::string_view key, std::string_view name);
    // Removes the key with all its sub-keys and values. The root itself cannot be removed.
    bool deleteKey(std::string_view key);

    // The failure text of the last call that failed.
    const std::string& lastError() const { return lastError_; }

  private:
    Root root_;
    std::string path_;
    mutable std::string lastError_;
};

// A key path cleaned for storage: pieces split at '\', empty pieces dropped.
std::vector<std::string> splitKeyPath(std::string_view key);
// Keys and value names compare by the one case fold of the system.
using os::foldCase;

}  // namespace tamlo::registry
