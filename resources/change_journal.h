#pragma once

#include <string>
#include <vector>

#include "platform/os/registry_store.h"

// The journal of every change a script makes to the machine: one per process, opened by
// a script, appended to (and flushed) before each change, so a process killed at any
// point leaves a journal that describes what it did. Files replaced or deleted meanwhile
// are kept in "<journal>.kept" until the journal commits. The text is journal_record.h's.
namespace tamlo::journal {

enum class State { None, Open, Committed };

State journalState(const std::string& path);
const char* stateName(State state);

// Starts a new journal at `path` (its folder made when missing). Refused while this
// process has one open, or when a journal, open or committed, already lies there.
bool openJournal(const std::string& path, std::string* error);
// Drops the kept copies, marks the journal committed and closes it.
bool commitJournal(std::string* error);
// Takes back the open journal (empty path) or one left open by a killed run, newest
// change first, then removes the journal and its kept copies.
bool rollbackJournal(const std::string& path, std::string* error);
// Takes back a committed journal: removes the files it wrote that nobody changed since,
// the values and keys it made, the folders it made that are empty; puts back values it
// overwrote. What it leaves because it was changed or still holds other things goes to
// `kept`. Whatever `keepPath`'s journal also made is left alone and handed to it.
bool uninstallJournal(const std::string& path, const std::string& keepPath,
                      std::vector<std::string>* kept, std::string* error);

// The journalled changes: each records, then does what its files:: / shortcuts:: /
// registry::Store namesake does, and returns what it returns. With no journal open they
// are their namesakes. A change whose record cannot be written is not made.
bool removeFile(const std::string& path);
bool moveFile(const std::string& from, const std::string& to);
bool copyFile(const std::string& from, const std::string& to);
void removeDirectory(const std::string& path);
void createDirectory(const std::string& path);
bool createShortcut(const std::string& target, const std::string& link, const std::string& icon);
bool setValue(registry::Store& store, const std::string& key, const std::string& name,
              const registry::Value& value);
bool deleteValue(registry::Store& store, const std::string& key, const std::string& name);
bool deleteKey(registry::Store& store, const std::string& key);

// For writers of their own (the payload extractor): the record before a file is put in
// place, and its digest once it is (the SHA-256 in hex of what the writer wrote, or empty to
// read the file for it). recording() says whether a journal is open to want the digest.
bool recording();
bool noteFileWrite(const std::string& path);
void noteFileWritten(const std::string& path, std::string digest = {});

// Where the journal at `path` keeps replaced files.
std::string keptFolderOf(const std::string& path);
// The SHA-256 of a file in hex, empty when it cannot be read.
std::string fileDigest(const std::string& path);

}  // namespace tamlo::journal
