#include "resources/change_journal.h"

#include <cstdlib>
#include <mutex>

#include "platform/debug_sink.h"
#include "platform/os/file_operations.h"
#include "platform/os/mapped_file.h"
#include "platform/os/os_services.h"
#include "platform/os/shortcut.h"
#include "resources/journal_takeback.h"
#include "resources/sha256.h"

namespace tamlo::journal {
namespace {

struct OpenJournal {
    std::mutex mutex;
    files::AppendingFile file;
    std::string path;
    std::string keptFolder;
    uint64_t keptCount = 0;
    uint64_t recordCount = 0;
    int64_t stopAfter = -1;  // a test seam: the process ends after this many records
};

OpenJournal& current() {
    static OpenJournal journal;
    return journal;
}

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

std::string fileName(const std::string& path) {
    size_t at = path.find_last_of("/\\");
    return at == std::string::npos ? path : path.substr(at + 1);
}

// The journal and its kept copies are never journalled.
bool excluded(const OpenJournal& journal, const std::string& path) {
    if (path == journal.path) {
        return true;
    }
    const std::string& kept = journal.keptFolder;
    return path.size() > kept.size() && path.compare(0, kept.size(), kept) == 0 &&
           isSeparator(path[kept.size()]);
}

// Called with the lock held. A record of a change still to be made is on the disk before
// the change; one that only describes a change made (a digest) rides with the next flush.
bool append(OpenJournal& journal, Record record, bool flush = true) {
    if (!journal.file.append(formatRecord(record), flush)) {
        debugOutput("journal: cannot write to " + journal.path + ": the change is not made");
        return false;
    }
    ++journal.recordCount;
    if (journal.stopAfter >= 0 && static_cast<int64_t>(journal.recordCount) >= journal.stopAfter) {
        std::_Exit(137);
    }
    return true;
}

std::string newKeptPath(OpenJournal& journal, const std::string& path) {
    return journal.keptFolder + "/" + std::to_string(++journal.keptCount) + "-" + fileName(path);
}

std::string valueType(const registry::Value& value) {
    return std::to_string(value.type);
}

Record valueRecord(const char* kind, registry::Root root, const std::string& key,
                   const std::string& name, const std::optional<registry::Value>& value) {
    Record record{kind, {registry::rootName(root), key, name}};
    if (value) {
        record.fields.push_back(valueType(*value));
        record.fields.push_back(value->data);
    } else {
        record.fields.push_back("absent");
    }
    return record;
}

void recordKeyTree(OpenJournal& journal, registry::Store& store, const std::string& key, bool* ok) {
    std::string shown = store.keyDisplayPath(key).value_or(key);
    *ok = *ok && append(journal, Record{"deleted-key", {registry::rootName(store.root()), shown}});
    for (const registry::NamedValue& value : store.values(key)) {
        *ok = *ok && append(journal, valueRecord("deleted-value", store.root(), shown, value.name,
                                                 value.value));
    }
    for (const std::string& child : store.subKeys(key)) {
        recordKeyTree(journal, store, shown + "\\" + child, ok);
    }
}

// The folders of `path` that do not exist, outermost first.
std::vector<std::string> missingFolders(const std::string& path) {
    std::vector<std::string> missing;
    for (size_t end = 1; end <= path.size(); ++end) {
        if (end < path.size() && !isSeparator(path[end])) {
            continue;
        }
        std::string prefix = path.substr(0, end);
        if (!isSeparator(prefix.back()) && prefix.back() != ':' &&
            !files::directoryExists(prefix)) {
            missing.push_back(prefix);
        }
    }
    return missing;
}

}  // namespace

std::string keptFolderOf(const std::string& path) {
    return path + ".kept";
}

std::string fileDigest(const std::string& path) {
    platform::MappedFile file;
    std::string error;
    if (!file.open(path, &error)) {
        return std::string();
    }
    return toHex(sha256(file.data(), file.size()));
}

bool openJournal(const std::string& rawPath, std::string* error) {
    const std::string path = files::normalizeSeparators(rawPath);
    OpenJournal& journal = current();
    std::lock_guard<std::mutex> lock(journal.mutex);
    if (journal.file.isOpen()) {
        *error = "a journal is already open: " + journal.path;
        return false;
    }
    State state = journalState(path);
    if (state != State::None) {
        *error = path + " holds a journal " +
                 (state == State::Open ? "left open: take it back first"
                                       : "already committed: use a new path");
        return false;
    }
    // The folders made for the journal are its first records: taking it back removes them.
    std::string text = formatRecord({"tamlo-journal", {"1"}});
    size_t slash = path.find_last_of("/\\");
    if (slash != std::string::npos && slash > 0) {
        for (const std::string& folder : missingFolders(path.substr(0, slash))) {
            text += formatRecord({"created-folder", {folder}});
        }
        files::createDirectory(path.substr(0, slash));
    }
    files::createDirectory(keptFolderOf(path));
    if (!journal.file.open(path) || !journal.file.append(text)) {
        journal.file.close();
        *error = "cannot write the journal " + path;
        return false;
    }
    journal.path = path;
    journal.keptFolder = keptFolderOf(path);
    journal.keptCount = 0;
    journal.recordCount = 0;
    const char* stop = std::getenv("TAMLO_JOURNAL_STOP_AFTER");
    journal.stopAfter = stop != nullptr && *stop != '\0' ? std::atoll(stop) : -1;
    return true;
}

bool commitJournal(std::string* error) {
    OpenJournal& journal = current();
    std::lock_guard<std::mutex> lock(journal.mutex);
    if (!journal.file.isOpen()) {
        *error = "no journal is open";
        return false;
    }
    if (!journal.file.append(formatRecord({"committed", {}}))) {
        *error = "cannot write to the journal " + journal.path;
        return false;
    }
    journal.file.close();
    os::deleteTree(journal.keptFolder);
    journal.path.clear();
    journal.keptFolder.clear();
    return true;
}

bool rollbackJournal(const std::string& rawPath, std::string* error) {
    std::string path = files::normalizeSeparators(rawPath);
    {
        OpenJournal& journal = current();
        std::lock_guard<std::mutex> lock(journal.mutex);
        if (path.empty() || path == journal.path) {
            if (!journal.file.isOpen()) {
                *error = "no journal is open";
                return false;
            }
            journal.file.close();
            path = journal.path;
            journal.path.clear();
            journal.keptFolder.clear();
        }
    }
    return rollbackFile(path, error);
}

bool noteFileWrite(const std::string& rawPath) {
    OpenJournal& journal = current();
    std::lock_guard<std::mutex> lock(journal.mutex);
    const std::string path = files::normalizeSeparators(rawPath);
    if (!journal.file.isOpen() || excluded(journal, path)) {
        return true;
    }
    if (!files::fileExists(path)) {
        return append(journal, Record{"created-file", {path}});
    }
    files::finishClosingFiles();  // the file may be one just written, not yet closed
    std::string kept = newKeptPath(journal, path);
    if (!files::copyFile(path, kept)) {
        debugOutput("journal: cannot keep a copy of " + path + ": it is not replaced");
        return false;
    }
    return append(journal, Record{"replaced-file", {kept, path}});
}

bool recording() {
    OpenJournal& journal = current();
    std::lock_guard<std::mutex> lock(journal.mutex);
    return journal.file.isOpen();
}

void noteFileWritten(const std::string& rawPath, std::string digest) {
    const std::string path = files::normalizeSeparators(rawPath);
    {
        OpenJournal& journal = current();
        std::lock_guard<std::mutex> lock(journal.mutex);
        if (!journal.file.isOpen() || excluded(journal, path)) {
            return;
        }
    }
    if (digest.empty()) {
        digest = fileDigest(path);
    }
    OpenJournal& journal = current();
    std::lock_guard<std::mutex> lock(journal.mutex);
    if (journal.file.isOpen() && !digest.empty()) {
        append(journal, Record{"file-digest", {digest, path}}, false);
    }
}

bool removeFile(const std::string& rawPath) {
    const std::string path = files::normalizeSeparators(rawPath);
    std::string kept;
    {
        OpenJournal& journal = current();
        std::lock_guard<std::mutex> lock(journal.mutex);
        if (journal.file.isOpen() && !excluded(journal, path) && files::fileExists(path)) {
            kept = newKeptPath(journal, path);
            if (!append(journal, Record{"deleted-file", {kept, path}})) {
                return false;
            }
        }
    }
    // A removed file is moved aside, so a rollback can put it back.
    if (!kept.empty() && files::moveFile(path, kept)) {
        return true;
    }
    return files::removeFile(rawPath);
}

bool moveFile(const std::string& from, const std::string& to) {
    const std::string source = files::normalizeSeparators(from);
    const std::string target = files::normalizeSeparators(to);
    bool journalled = false;
    {
        OpenJournal& journal = current();
        std::lock_guard<std::mutex> lock(journal.mutex);
        journalled = journal.file.isOpen() && files::fileExists(source);
    }
    if (journalled) {
        if (!noteFileWrite(target)) {
            return false;
        }
        OpenJournal& journal = current();
        std::lock_guard<std::mutex> lock(journal.mutex);
        if (journal.file.isOpen() && !append(journal, Record{"moved-file", {source, target}})) {
            return false;
        }
    }
    bool moved = files::moveFile(from, to);
    if (moved && journalled) {
        noteFileWritten(target);
    }
    return moved;
}

bool copyFile(const std::string& from, const std::string& to) {
    if (files::fileExists(from) && !noteFileWrite(to)) {
        return false;
    }
    bool copied = files::copyFile(from, to);
    if (copied) {
        noteFileWritten(to);
    }
    return copied;
}

bool createShortcut(const std::string& target, const std::string& link, const std::string& icon) {
    if (!noteFileWrite(link)) {
        return false;
    }
    bool made = shortcuts::createShortcut(target, link, icon);
    if (made) {
        noteFileWritten(link);
    }
    return made;
}

void createDirectory(const std::string& rawPath) {
    const std::string path = files::normalizeSeparators(rawPath);
    {
        OpenJournal& journal = current();
        std::lock_guard<std::mutex> lock(journal.mutex);
        if (journal.file.isOpen()) {
            for (const std::string& folder : missingFolders(path)) {
                if (!excluded(journal, folder) &&
                    !append(journal, Record{"created-folder", {folder}})) {
                    return;
                }
            }
        }
    }
    files::createDirectory(rawPath);
}

void removeDirectory(const std::string& rawPath) {
    std::string path = files::normalizeSeparators(rawPath);
    while (path.size() > 1 && isSeparator(path.back())) {
        path.pop_back();
    }
    std::string kept;
    {
        OpenJournal& journal = current();
        std::lock_guard<std::mutex> lock(journal.mutex);
        if (journal.file.isOpen() && files::directoryExists(path)) {
            const std::string& own = journal.path;
            if (own.size() > path.size() && own.compare(0, path.size(), path) == 0 &&
                isSeparator(own[path.size()])) {
                debugOutput("journal: " + path + " holds the open journal: it is not removed");
                return;
            }
            kept = newKeptPath(journal, path);
            if (!append(journal, Record{"deleted-folder", {kept, path}})) {
                return;
            }
        }
    }
    if (!kept.empty() && files::moveFile(path, kept)) {
        return;
    }
    files::removeDirectory(rawPath);
}

bool setValue(registry::Store& store, const std::string& key, const std::string& name,
              const registry::Value& value) {
    {
        OpenJournal& journal = current();
        std::lock_guard<std::mutex> lock(journal.mutex);
        if (journal.file.isOpen()) {
            if (!store.keyExists(key)) {
                // The outermost key the write makes.
                std::string prefix;
                for (const std::string& piece : registry::splitKeyPath(key)) {
                    prefix += (prefix.empty() ? "" : "\\") + piece;
                    if (!store.keyExists(prefix)) {
                        if (!append(journal, Record{"created-key",
                                                    {registry::rootName(store.root()), prefix}})) {
                            return false;
                        }
                        break;
                    }
                }
            }
            if (!append(journal, valueRecord("wrote-value", store.root(), key, name,
                                             store.query(key, name)))) {
                return false;
            }
        }
    }
    return store.setValue(key, name, value);
}

bool deleteValue(registry::Store& store, const std::string& key, const std::string& name) {
    {
        OpenJournal& journal = current();
        std::lock_guard<std::mutex> lock(journal.mutex);
        if (journal.file.isOpen()) {
            std::optional<registry::Value> old = store.query(key, name);
            if (old &&
                !append(journal, valueRecord("deleted-value", store.root(), key, name, old))) {
                return false;
            }
        }
    }
    return store.deleteValue(key, name);
}

bool deleteKey(registry::Store& store, const std::string& key) {
    {
        OpenJournal& journal = current();
        std::lock_guard<std::mutex> lock(journal.mutex);
        if (journal.file.isOpen() && !registry::splitKeyPath(key).empty() && store.keyExists(key)) {
            bool ok = true;
            recordKeyTree(journal, store, key, &ok);
            if (!ok) {
                return false;
            }
        }
    }
    return store.deleteKey(key);
}

}  // namespace tamlo::journal
