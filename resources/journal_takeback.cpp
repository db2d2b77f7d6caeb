#include "resources/journal_takeback.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>

#include "platform/debug_sink.h"
#include "platform/os/file_operations.h"
#include "platform/os/mapped_file.h"
#include "platform/os/os_services.h"
#include "platform/os/registry_store.h"
#include "resources/change_journal.h"

namespace tamlo::journal {
namespace {

std::optional<registry::Store> storeOf(const Record& record) {
    std::optional<registry::Root> root = registry::rootFromName(record.field(0));
    if (!root) {
        return std::nullopt;
    }
    return registry::Store(*root);
}

// The value a record keeps from field `at` on: absent, or a type and its bytes.
std::optional<registry::Value> recordedValue(const Record& record, size_t at) {
    if (record.field(at) == "absent" || record.fields.size() < at + 2) {
        return std::nullopt;
    }
    registry::Value value;
    value.type = static_cast<uint32_t>(std::strtoul(record.field(at).c_str(), nullptr, 10));
    value.data = record.field(at + 1);
    return value;
}

void putValue(const Record& record, size_t at) {
    std::optional<registry::Store> store = storeOf(record);
    if (!store) {
        return;
    }
    std::optional<registry::Value> value = recordedValue(record, at);
    if (value) {
        store->setValue(record.field(1), record.field(2), *value);
    } else {
        store->deleteValue(record.field(1), record.field(2));
    }
}

void putBackFile(const std::string& kept, const std::string& path) {
    if (files::fileExists(kept) || files::directoryExists(kept)) {
        files::moveFile(kept, path);
    }
}

void rollBack(const Record& record) {
    const std::string& kind = record.kind;
    if (kind == "created-file") {
        files::removeFile(record.field(0));
    } else if (kind == "replaced-file" || kind == "deleted-file" || kind == "deleted-folder") {
        if (kind == "deleted-folder" && files::directoryExists(record.field(1))) {
            return;  // the removal never happened
        }
        putBackFile(record.field(0), record.field(1));
    } else if (kind == "moved-file") {
        if (files::fileExists(record.field(1)) && !files::fileExists(record.field(0))) {
            files::moveFile(record.field(1), record.field(0));
        }
    } else if (kind == "created-folder") {
        files::removeEmptyDirectory(record.field(0));
    } else if (kind == "wrote-value") {
        putValue(record, 3);
    } else if (kind == "deleted-value") {
        putValue(record, 3);
    } else if (kind == "created-key") {
        if (std::optional<registry::Store> store = storeOf(record)) {
            store->deleteKey(record.field(1));
        }
    } else if (kind == "deleted-key") {
        if (std::optional<registry::Store> store = storeOf(record)) {
            store->createKey(record.field(1));
        }
    }
}

std::string valueId(const Record& record) {
    return record.field(0) + "\\" + registry::foldCase(record.field(1)) + "\\\\" +
           registry::foldCase(record.field(2));
}

std::string keyId(const Record& record) {
    return record.field(0) + "\\" + registry::foldCase(record.field(1));
}

// What another journal made: left alone by an uninstall.
struct Owned {
    std::set<std::string> paths;
    std::set<std::string> values;
    std::set<std::string> keys;
};

Owned ownedBy(const std::vector<Record>& records) {
    Owned owned;
    for (const Record& record : records) {
        if (record.kind == "created-file" || record.kind == "created-folder") {
            owned.paths.insert(record.field(0));
        } else if (record.kind == "replaced-file" || record.kind == "moved-file") {
            owned.paths.insert(record.field(1));
        } else if (record.kind == "wrote-value") {
            owned.values.insert(valueId(record));
        } else if (record.kind == "created-key") {
            owned.keys.insert(keyId(record));
        }
    }
    return owned;
}

// Removes the key and the keys below it that hold no value; true when it went.
bool removeEmptyKeys(registry::Store& store, const std::string& key) {
    bool empty = true;
    for (const std::string& child : store.subKeys(key)) {
        empty = removeEmptyKeys(store, key + "\\" + child) && empty;
    }
    if (!empty || !store.values(key).empty()) {
        return false;
    }
    return store.deleteKey(key);
}

void keep(std::vector<std::string>* kept, const std::string& path, const char* why) {
    debugOutput("uninstall: kept " + path + ": " + why);
    kept->push_back(path);
}

}  // namespace

const char* stateName(State state) {
    switch (state) {
        case State::Open:
            return "open";
        case State::Committed:
            return "committed";
        case State::None:
            break;
    }
    return "none";
}

bool readJournal(const std::string& path, std::vector<Record>* records) {
    platform::MappedFile file;
    std::string error;
    if (!file.open(path, &error)) {
        return false;
    }
    *records =
        parseRecords(std::string_view(reinterpret_cast<const char*>(file.data()), file.size()));
    return true;
}

bool isCommitted(const std::vector<Record>& records) {
    return std::any_of(records.begin(), records.end(),
                       [](const Record& record) { return record.kind == "committed"; });
}

State journalState(const std::string& path) {
    std::vector<Record> records;
    if (!files::fileExists(path) || !readJournal(path, &records)) {
        return State::None;
    }
    return isCommitted(records) ? State::Committed : State::Open;
}

bool rollbackFile(const std::string& path, std::string* error) {
    std::vector<Record> records;
    if (!files::fileExists(path) || !readJournal(path, &records)) {
        *error = "no journal at " + path;
        return false;
    }
    if (isCommitted(records)) {
        *error = path + " is committed: uninstall it instead";
        return false;
    }
    for (auto record = records.rbegin(); record != records.rend(); ++record) {
        rollBack(*record);
    }
    os::deleteTree(keptFolderOf(path));
    files::removeFile(path);
    // The folders that held the journal itself empty only now.
    for (auto record = records.rbegin(); record != records.rend(); ++record) {
        if (record->kind == "created-folder") {
            files::removeEmptyDirectory(record->field(0));
        }
    }
    return true;
}

bool uninstallJournal(const std::string& rawPath, const std::string& rawKeepPath,
                      std::vector<std::string>* kept, std::string* error) {
    const std::string path = files::normalizeSeparators(rawPath);
    const std::string keepPath = files::normalizeSeparators(rawKeepPath);
    std::vector<Record> records;
    if (!files::fileExists(path) || !readJournal(path, &records)) {
        *error = "no journal at " + path;
        return false;
    }
    if (!isCommitted(records)) {
        *error = path + " is not committed: roll it back instead";
        return false;
    }
    std::vector<Record> keepRecords;
    if (!keepPath.empty() && !readJournal(keepPath, &keepRecords)) {
        *error = "no journal at " + keepPath;
        return false;
    }
    const Owned owned = ownedBy(keepRecords);
    std::map<std::string, std::string> digests;
    std::vector<std::string> folders;
    std::vector<std::string> fullFolders;
    std::vector<Record> keys;
    std::vector<Record> handedOver;
    std::map<std::string, Record> earlier;
    for (const Record& record : records) {
        if (record.kind == "file-digest") {
            digests[record.field(1)] = record.field(0);
        } else if (record.kind == "earlier-value") {
            earlier.emplace(valueId(record), record);  // the first one is the oldest
        }
    }
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        const Record& record = *it;
        if (record.kind == "created-file" || record.kind == "replaced-file") {
            const std::string& file = record.field(record.kind == "created-file" ? 0 : 1);
            if (owned.paths.count(file) != 0 || !files::fileExists(file)) {
                continue;
            }
            auto digest = digests.find(file);
            if (digest != digests.end() && fileDigest(file) == digest->second) {
                files::removeFile(file);
            } else {
                keep(kept, file, "changed since it was installed");
            }
        } else if (record.kind == "created-folder") {
            folders.push_back(record.field(0));
        } else if (record.kind == "created-key") {
            keys.push_back(record);
        } else if (record.kind == "wrote-value") {
            // A value an older version wrote first was handed over with what it replaced.
            auto older = earlier.find(valueId(record));
            Record before = older != earlier.end() ? older->second : record;
            if (owned.values.count(valueId(record)) != 0) {
                // The newer journal takes over what was there before this one.
                before.kind = "earlier-value";
                handedOver.push_back(before);
            } else {
                putValue(before, 3);
            }
        }
    }
    // Folders once the files are gone, the deepest first.
    std::sort(folders.begin(), folders.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const std::string& folder : folders) {
        if (owned.paths.count(folder) != 0 || !files::directoryExists(folder)) {
            continue;
        }
        if (!files::removeEmptyDirectory(folder)) {
            if (keepPath.empty()) {
                fullFolders.push_back(folder);
            } else {
                handedOver.push_back(Record{"created-folder", {folder}});
            }
        }
    }
    for (const Record& record : keys) {
        std::optional<registry::Store> store = storeOf(record);
        if (!store || owned.keys.count(keyId(record)) != 0 || !store->keyExists(record.field(1))) {
            continue;
        }
        if (!removeEmptyKeys(*store, record.field(1)) && !keepPath.empty()) {
            handedOver.push_back(record);
        }
    }
    if (!handedOver.empty()) {
        files::AppendingFile newer;
        if (newer.open(keepPath)) {
            for (const Record& record : handedOver) {
                newer.append(formatRecord(record));
            }
        }
    }
    os::deleteTree(keptFolderOf(path));  // left by a run killed while it committed
    files::removeFile(path);
    // The folders that held the journal itself empty only now.
    for (const std::string& folder : fullFolders) {
        if (!files::removeEmptyDirectory(folder)) {
            // What is left in it is the user's own: name each file, then the folder.
            for (const std::string& file : os::listFiles(folder, "*")) {
                if (std::find(kept->begin(), kept->end(), file) == kept->end()) {
                    keep(kept, file, "the user made it");
                }
            }
            keep(kept, folder, "it holds other files");
        }
    }
    return true;
}

}  // namespace tamlo::journal
