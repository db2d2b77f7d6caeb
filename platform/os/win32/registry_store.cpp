#include "platform/os/registry_store.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/os/win32/wide_text.h"

// The store is the system registry itself; a database file has no meaning here.
namespace tamlo::registry {
namespace {

HKEY rootKey(Root root) {
    switch (root) {
        case Root::ClassesRoot:
            return HKEY_CLASSES_ROOT;
        case Root::CurrentUser:
            return HKEY_CURRENT_USER;
        case Root::LocalMachine:
            return HKEY_LOCAL_MACHINE;
        case Root::Users:
            return HKEY_USERS;
    }
    return HKEY_CURRENT_USER;
}

// The key path cleaned as on every platform: empty pieces dropped, '\' between the rest.
std::wstring cleanedPath(std::string_view key) {
    std::string joined;
    for (const std::string& piece : splitKeyPath(key)) {
        if (!joined.empty()) {
            joined += '\\';
        }
        joined += piece;
    }
    return win32::widen(joined);
}

class Key {
  public:
    Key() = default;
    ~Key() {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

// Opens an existing key; an empty path opens the root itself.
LONG openKey(Root root, std::string_view key, REGSAM access, Key* opened) {
    return RegOpenKeyExW(rootKey(root), cleanedPath(key).c_str(), 0, access, opened->out());
}

// Texts are stored with their terminator, which reading drops again (with any others a
// foreign writer left).
std::string textFromBytes(const std::vector<BYTE>& bytes) {
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    std::copy(bytes.begin(), bytes.begin() + text.size() * sizeof(wchar_t),
              reinterpret_cast<BYTE*>(text.data()));
    while (!text.empty() && text.back() == L'\0') {
        text.pop_back();
    }
    return win32::narrow(text);
}

Value valueFromBytes(DWORD type, const std::vector<BYTE>& bytes) {
    Value value;
    value.type = type;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        value.data = textFromBytes(bytes);
    } else {
        value.data.assign(bytes.begin(), bytes.end());
    }
    return value;
}

std::vector<BYTE> bytesOf(const Value& value) {
    if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
        std::wstring text = win32::widen(value.data);
        const BYTE* start = reinterpret_cast<const BYTE*>(text.c_str());
        return std::vector<BYTE>(start, start + (text.size() + 1) * sizeof(wchar_t));
    }
    return std::vector<BYTE>(value.data.begin(), value.data.end());
}

// A value's type and bytes; the size is asked first, and again if it grew meanwhile.
LONG readValue(HKEY key, const std::wstring& name, DWORD* type, std::vector<BYTE>* bytes) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = 0;
        LONG code = RegQueryValueExW(key, name.c_str(), nullptr, type, nullptr, &size);
        if (code != ERROR_SUCCESS) {
            return code;
        }
        bytes->assign(size, 0);
        code = RegQueryValueExW(key, name.c_str(), nullptr, type, bytes->data(), &size);
        if (code == ERROR_SUCCESS) {
            bytes->resize(size);
            return code;
        }
        if (code != ERROR_MORE_DATA) {
            return code;
        }
    }
    return ERROR_MORE_DATA;
}

// The names of the key's sub-keys as created, or of its values.
std::vector<std::wstring> enumerate(HKEY key, bool values) {
    std::vector<std::wstring> names;
    DWORD longestKey = 0;
    DWORD longestValue = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, &longestKey, nullptr, nullptr,
                         &longestValue, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return names;
    }
    std::vector<wchar_t> buffer((values ? longestValue : longestKey) + 2);
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(buffer.size());
        LONG code = values ? RegEnumValueW(key, index, buffer.data(), &length, nullptr, nullptr,
                                           nullptr, nullptr)
                           : RegEnumKeyExW(key, index, buffer.data(), &length, nullptr, nullptr,
                                           nullptr, nullptr);
        if (code == ERROR_MORE_DATA) {
            buffer.resize(buffer.size() * 2);
            --index;
            continue;
        }
        if (code != ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(buffer.data(), length);
    }
    return names;
}

void sortByFoldedName(std::vector<std::string>* names) {
    std::sort(names->begin(), names->end(),
              [](const std::string& a, const std::string& b) { return foldCase(a) < foldCase(b); });
}

}  // namespace

Store::Store(Root root) : root_(root) {}

Store::Store(Root root, std::string /*databaseFile*/) : root_(root) {}

std::string Store::databasePathFor(Root /*root*/) {
    return {};
}

std::optional<Value> Store::query(std::string_view key, std::string_view name) const {
    Key opened;
    LONG code = openKey(root_, key, KEY_QUERY_VALUE, &opened);
    DWORD type = 0;
    std::vector<BYTE> bytes;
    if (code == ERROR_SUCCESS) {
        code = readValue(opened.get(), win32::widen(name), &type, &bytes);
    }
    if (code != ERROR_SUCCESS) {
        lastError_ = code == ERROR_FILE_NOT_FOUND ? "value not found" : win32::errorText(code);
        return std::nullopt;
    }
    return valueFromBytes(type, bytes);
}

bool Store::keyExists(std::string_view key) const {
    Key opened;
    LONG code = openKey(root_, key, KEY_READ, &opened);
    if (code != ERROR_SUCCESS) {
        lastError_ = code == ERROR_FILE_NOT_FOUND ? "key not found" : win32::errorText(code);
    }
    return code == ERROR_SUCCESS;
}

std::optional<std::string> Store::keyDisplayPath(std::string_view key) const {
    // The registry answers any spelling; the created one is found among each parent's keys.
    std::vector<std::string> pieces = splitKeyPath(key);
    std::string display;
    std::string parent;
    for (const std::string& piece : pieces) {
        Key opened;
        LONG code = openKey(root_, parent, KEY_ENUMERATE_SUB_KEYS, &opened);
        if (code != ERROR_SUCCESS) {
            lastError_ = code == ERROR_FILE_NOT_FOUND ? "key not found" : win32::errorText(code);
            return std::nullopt;
        }
        std::optional<std::string> found;
        const std::string wanted = foldCase(piece);
        for (const std::wstring& name : enumerate(opened.get(), false)) {
            std::string spelled = win32::narrow(name);
            if (foldCase(spelled) == wanted) {
                found = spelled;
                break;
            }
        }
        if (!found) {
            lastError_ = "key not found";
            return std::nullopt;
        }
        display += (display.empty() ? "" : "\\") + *found;
        parent += (parent.empty() ? "" : "\\") + piece;
    }
    return display;
}

std::vector<std::string> Store::subKeys(std::string_view key) const {
    std::vector<std::string> names;
    Key opened;
    if (openKey(root_, key, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
        return names;
    }
    for (const std::wstring& name : enumerate(opened.get(), false)) {
        names.push_back(win32::narrow(name));
    }
    sortByFoldedName(&names);
    return names;
}

std::vector<NamedValue> Store::values(std::string_view key) const {
    std::vector<NamedValue> found;
    Key opened;
    if (openKey(root_, key, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
        return found;
    }
    std::vector<std::string> names;
    for (const std::wstring& name : enumerate(opened.get(), true)) {
        names.push_back(win32::narrow(name));
    }
    sortByFoldedName(&names);
    for (const std::string& name : names) {
        DWORD type = 0;
        std::vector<BYTE> bytes;
        if (readValue(opened.get(), win32::widen(name), &type, &bytes) == ERROR_SUCCESS) {
            found.push_back(NamedValue{name, valueFromBytes(type, bytes)});
        }
    }
    return found;
}

bool Store::createKey(std::string_view key) {
    Key created;
    LONG code =
        RegCreateKeyExW(rootKey(root_), cleanedPath(key).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, created.out(), nullptr);
    if (code != ERROR_SUCCESS) {
        lastError_ = win32::errorText(code);
        return false;
    }
    return true;
}

bool Store::setValue(std::string_view key, std::string_view name, const Value& value) {
    Key created;
    LONG code =
        RegCreateKeyExW(rootKey(root_), cleanedPath(key).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, created.out(), nullptr);
    if (code == ERROR_SUCCESS) {
        std::vector<BYTE> bytes = bytesOf(value);
        code = RegSetValueExW(created.get(), win32::widen(name).c_str(), 0, value.type,
                              bytes.empty() ? nullptr : bytes.data(),
                              static_cast<DWORD>(bytes.size()));
    }
    if (code != ERROR_SUCCESS) {
        lastError_ = win32::errorText(code);
        return false;
    }
    return true;
}

bool Store::deleteValue(std::string_view key, std::string_view name) {
    Key opened;
    LONG code = openKey(root_, key, KEY_SET_VALUE, &opened);
    if (code == ERROR_SUCCESS) {
        code = RegDeleteValueW(opened.get(), win32::widen(name).c_str());
    }
    if (code != ERROR_SUCCESS) {
        lastError_ = code == ERROR_FILE_NOT_FOUND ? "value not found" : win32::errorText(code);
        return false;
    }
    return true;
}

bool Store::deleteKey(std::string_view key) {
    // An empty path, or one of separators only, names the root: RegDeleteTreeW would
    // empty it, so it is refused before any call.
    std::wstring path = cleanedPath(key);
    if (path.empty()) {
        lastError_ = "the root key cannot be deleted";
        return false;
    }
    LONG code = RegDeleteTreeW(rootKey(root_), path.c_str());
    if (code == ERROR_SUCCESS) {
        // Some systems empty the named key but leave it; it goes as well.
        RegDeleteKeyW(rootKey(root_), path.c_str());
        return true;
    }
    lastError_ = code == ERROR_FILE_NOT_FOUND ? "key not found" : win32::errorText(code);
    return false;
}

}  // namespace tamlo::registry
