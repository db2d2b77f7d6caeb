#include "platform/os/registry_store.h"

#include "platform/os/known_folders.h"

#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/text_encoding.h"

namespace tamlo::registry {
namespace {

constexpr int kBusyTimeoutMs = 10000;

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS reg_keys("
    "  root TEXT NOT NULL, folded TEXT NOT NULL, path TEXT NOT NULL,"
    "  PRIMARY KEY(root, folded));"
    "CREATE TABLE IF NOT EXISTS reg_values("
    "  root TEXT NOT NULL, key TEXT NOT NULL, folded_name TEXT NOT NULL, name TEXT NOT NULL,"
    "  type INTEGER NOT NULL, data,"
    "  PRIMARY KEY(root, key, folded_name));";

std::string homeFolder() {
    return folders::homeFolder().value_or("/");
}

std::string envOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::string(value) : fallback;
}

bool makeFolders(const std::string& folder) {
    std::string prefix;
    size_t start = 0;
    while (start <= folder.size()) {
        size_t slash = folder.find('/', start);
        size_t end = slash == std::string::npos ? folder.size() : slash;
        prefix = folder.substr(0, end);
        if (!prefix.empty()) {
            mkdir(prefix.c_str(), 0755);
        }
        if (slash == std::string::npos) {
            break;
        }
        start = slash + 1;
    }
    struct stat info {};
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string joinKey(const std::vector<std::string>& pieces, size_t count) {
    std::string joined;
    for (size_t i = 0; i < count; ++i) {
        if (i > 0) {
            joined += '\\';
        }
        joined += pieces[i];
    }
    return joined;
}

struct ConnectionCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Connection = std::unique_ptr<sqlite3, ConnectionCloser>;
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// One statement with text parameters bound in order.
class Query {
  public:
    Query(sqlite3* db, const char* sql) {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) == SQLITE_OK) {
            statement_.reset(raw);
        }
    }
    bool ok() const { return statement_ != nullptr; }
    Query& bind(std::string_view text) {
        if (statement_) {
            sqlite3_bind_text(statement_.get(), ++bound_, text.data(),
                              static_cast<int>(text.size()), SQLITE_TRANSIENT);
        }
        return *this;
    }
    Query& bind(int64_t number) {
        if (statement_) {
            sqlite3_bind_int64(statement_.get(), ++bound_, number);
        }
        return *this;
    }
    Query& bindBlob(std::string_view bytes) {
        if (statement_) {
            sqlite3_bind_blob(statement_.get(), ++bound_, bytes.data(),
                              static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
        }
        return *this;
    }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step() { return statement_ ? sqlite3_step(statement_.get()) : SQLITE_ERROR; }
    bool run() {
        int code = step();
        return code == SQLITE_DONE || code == SQLITE_ROW;
    }
    std::string text(int column) const {
        const unsigned char* bytes = sqlite3_column_text(statement_.get(), column);
        int length = sqlite3_column_bytes(statement_.get(), column);
        return bytes != nullptr
                   ? std::string(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length))
                   : std::string();
    }
    std::string blob(int column) const {
        const void* bytes = sqlite3_column_blob(statement_.get(), column);
        int length = sqlite3_column_bytes(statement_.get(), column);
        return bytes != nullptr
                   ? std::string(static_cast<const char*>(bytes), static_cast<size_t>(length))
                   : std::string();
    }
    int64_t number(int column) const { return sqlite3_column_int64(statement_.get(), column); }

  private:
    Statement statement_;
    int bound_ = 0;
};

bool execute(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

Value readValue(const Query& query, int typeColumn, int dataColumn) {
    Value value;
    value.type = static_cast<uint32_t>(query.number(typeColumn));
    if (value.type == REG_DWORD) {
        value = Value::dword(static_cast<uint32_t>(query.number(dataColumn)));
    } else if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
        value.data = query.text(dataColumn);
    } else {
        value.data = query.blob(dataColumn);
    }
    return value;
}

// Stored so that the database stays readable with ordinary SQLite tools: texts as
// TEXT, numbers as INTEGER, anything else as BLOB.
void bindValueData(Query& query, const Value& value) {
    if (value.type == REG_DWORD && value.asDword()) {
        query.bind(static_cast<int64_t>(*value.asDword()));
    } else if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
        query.bind(std::string_view(value.data));
    } else {
        query.bindBlob(value.data);
    }
}

}  // namespace

Store::Store(Root root) : root_(root), path_(databasePathFor(root)) {}

Store::Store(Root root, std::string databaseFile) : root_(root), path_(std::move(databaseFile)) {}

std::string Store::databasePathFor(Root root) {
    std::string folder = envOr("TAMLO_REGISTRY_DIR", "");
    if (folder.empty()) {
        if (root == Root::CurrentUser || root == Root::ClassesRoot) {
            folder = envOr("XDG_DATA_HOME", homeFolder() + "/.local/share") + "/tamlo";
        } else {
            folder = "/var/lib/tamlo";
        }
    }
    return folder + "/registry.db";
}

namespace {

enum class Access { Read, Modify, Create };

// Opens the database. Reading or changing a missing database finds nothing; only
// writing a value or a key creates it.
Connection openDatabase(const std::string& path, Access access, std::string* error) {
    bool forWriting = access != Access::Read;
    if (access == Access::Create) {
        size_t slash = path.rfind('/');
        if (slash != std::string::npos && slash > 0 && !makeFolders(path.substr(0, slash))) {
            *error = "cannot create the folder of " + path + ": " + std::strerror(errno);
            return nullptr;
        }
    } else if (::access(path.c_str(), F_OK) != 0) {
        *error = "no registry database at " + path;
        return nullptr;
    }
    sqlite3* raw = nullptr;
    int flags = access == Access::Create   ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE
                : access == Access::Modify ? SQLITE_OPEN_READWRITE
                                           : SQLITE_OPEN_READONLY;
    flags |= SQLITE_OPEN_NOMUTEX;
    int code = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    Connection db(raw);
    if (code != SQLITE_OK) {
        *error = "cannot open " + path + ": " + (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(code));
        return nullptr;
    }
    sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
    if (forWriting && !execute(db.get(), kSchema)) {
        *error = "cannot prepare " + path + ": " + sqlite3_errmsg(db.get());
        return nullptr;
    }
    return db;
}

// A write transaction that rolls back unless committed.
class Transaction {
  public:
    explicit Transaction(sqlite3* db) : db_(db) {
        // IMMEDIATE takes the write lock up front, so two writers wait instead of deadlocking.
        open_ = execute(db_, "BEGIN IMMEDIATE");
    }
    ~Transaction() {
        if (open_) {
            execute(db_, "ROLLBACK");
        }
    }
    bool open() const { return open_; }
    bool commit() {
        if (!open_) {
            return false;
        }
        open_ = false;
        if (execute(db_, "COMMIT")) {
            return true;
        }
        execute(db_, "ROLLBACK");
        return false;
    }

  private:
    sqlite3* db_;
    bool open_ = false;
};

std::string foldedKey(std::string_view key) {
    std::vector<std::string> pieces = splitKeyPath(key);
    return foldCase(joinKey(pieces, pieces.size()));
}

// Inserts every missing key along the path. A new key is spelled as its parent was
// created plus its own piece as given now.
bool insertKeyChain(sqlite3* db, const char* root, const std::vector<std::string>& pieces) {
    std::string display;
    for (size_t count = 1; count <= pieces.size(); ++count) {
        std::string folded = foldCase(joinKey(pieces, count));
        Query select(db, "SELECT path FROM reg_keys WHERE root = ? AND folded = ?");
        select.bind(root).bind(folded);
        int code = select.step();
        if (code == SQLITE_ROW) {
            display = select.text(0);
            continue;
        }
        if (code != SQLITE_DONE) {
            return false;
        }
        display = count == 1 ? pieces[0] : display + "\\" + pieces[count - 1];
        Query insert(db, "INSERT INTO reg_keys(root, folded, path) VALUES(?, ?, ?)");
        if (!insert.bind(root).bind(folded).bind(display).run()) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<Value> Store::query(std::string_view key, std::string_view name) const {
    Connection db = openDatabase(path_, Access::Read, &lastError_);
    if (!db) {
        return std::nullopt;
    }
    Query select(
        db.get(),
        "SELECT type, data FROM reg_values WHERE root = ? AND key = ? AND folded_name = ?");
    select.bind(rootName(root_)).bind(foldedKey(key)).bind(foldCase(name));
    if (select.step() != SQLITE_ROW) {
        lastError_ = "value not found";
        return std::nullopt;
    }
    return readValue(select, 0, 1);
}

bool Store::keyExists(std::string_view key) const {
    return keyDisplayPath(key).has_value();
}

std::optional<std::string> Store::keyDisplayPath(std::string_view key) const {
    std::vector<std::string> pieces = splitKeyPath(key);
    if (pieces.empty()) {
        return std::string();  // the root always exists
    }
    Connection db = openDatabase(path_, Access::Read, &lastError_);
    if (!db) {
        return std::nullopt;
    }
    Query select(db.get(), "SELECT path FROM reg_keys WHERE root = ? AND folded = ?");
    select.bind(rootName(root_)).bind(foldCase(joinKey(pieces, pieces.size())));
    if (select.step() != SQLITE_ROW) {
        lastError_ = "key not found";
        return std::nullopt;
    }
    return select.text(0);
}

std::vector<std::string> Store::subKeys(std::string_view key) const {
    std::vector<std::string> names;
    Connection db = openDatabase(path_, Access::Read, &lastError_);
    if (!db) {
        return names;
    }
    std::vector<std::string> pieces = splitKeyPath(key);
    std::string prefix =
        pieces.empty() ? std::string() : foldCase(joinKey(pieces, pieces.size())) + "\\";
    // Direct children: the folded path starts with the prefix and has no further '\'.
    Query select(db.get(),
                 "SELECT path FROM reg_keys WHERE root = ?1 AND length(folded) > length(?2)"
                 " AND substr(folded, 1, length(?2)) = ?2"
                 " AND instr(substr(folded, length(?2) + 1), '\\') = 0 ORDER BY folded");
    select.bind(rootName(root_)).bind(prefix);
    while (select.step() == SQLITE_ROW) {
        std::string path = select.text(0);
        size_t slash = path.rfind('\\');
        names.push_back(slash == std::string::npos ? path : path.substr(slash + 1));
    }
    return names;
}

std::vector<NamedValue> Store::values(std::string_view key) const {
    std::vector<NamedValue> found;
    Connection db = openDatabase(path_, Access::Read, &lastError_);
    if (!db) {
        return found;
    }
    std::vector<std::string> pieces = splitKeyPath(key);
    Query select(db.get(),
                 "SELECT name, type, data FROM reg_values WHERE root = ? AND key = ?"
                 " ORDER BY folded_name");
    select.bind(rootName(root_)).bind(foldCase(joinKey(pieces, pieces.size())));
    while (select.step() == SQLITE_ROW) {
        found.push_back(NamedValue{select.text(0), readValue(select, 1, 2)});
    }
    return found;
}

bool Store::createKey(std::string_view key) {
    Connection db = openDatabase(path_, Access::Create, &lastError_);
    if (!db) {
        return false;
    }
    Transaction transaction(db.get());
    if (!transaction.open() || !insertKeyChain(db.get(), rootName(root_), splitKeyPath(key)) ||
        !transaction.commit()) {
        lastError_ = sqlite3_errmsg(db.get());
        return false;
    }
    return true;
}

bool Store::setValue(std::string_view key, std::string_view name, const Value& value) {
    Connection db = openDatabase(path_, Access::Create, &lastError_);
    if (!db) {
        return false;
    }
    std::vector<std::string> pieces = splitKeyPath(key);
    Transaction transaction(db.get());
    if (!transaction.open() || !insertKeyChain(db.get(), rootName(root_), pieces)) {
        lastError_ = sqlite3_errmsg(db.get());
        return false;
    }
    // A value written again keeps the name's first spelling, as the key does.
    Query upsert(db.get(),
                 "INSERT INTO reg_values(root, key, folded_name, name, type, data)"
                 " VALUES(?, ?, ?, ?, ?, ?) ON CONFLICT(root, key, folded_name)"
                 " DO UPDATE SET type = excluded.type, data = excluded.data");
    upsert.bind(rootName(root_))
        .bind(foldCase(joinKey(pieces, pieces.size())))
        .bind(foldCase(name))
        .bind(name)
        .bind(static_cast<int64_t>(value.type));
    bindValueData(upsert, value);
    if (!upsert.run() || !transaction.commit()) {
        lastError_ = sqlite3_errmsg(db.get());
        return false;
    }
    return true;
}

bool Store::deleteValue(std::string_view key, std::string_view name) {
    Connection db = openDatabase(path_, Access::Modify, &lastError_);
    if (!db) {
        return false;
    }
    std::vector<std::string> pieces = splitKeyPath(key);
    Transaction transaction(db.get());
    Query remove(db.get(), "DELETE FROM reg_values WHERE root = ? AND key = ? AND folded_name = ?");
    remove.bind(rootName(root_))
        .bind(foldCase(joinKey(pieces, pieces.size())))
        .bind(foldCase(name));
    if (!transaction.open() || !remove.run()) {
        lastError_ = sqlite3_errmsg(db.get());
        return false;
    }
    bool removed = sqlite3_changes(db.get()) > 0;
    if (!transaction.commit()) {
        lastError_ = sqlite3_errmsg(db.get());
        return false;
    }
    if (!removed) {
        lastError_ = "value not found";
    }
    return removed;
}

bool Store::deleteKey(std::string_view key) {
    std::vector<std::string> pieces = splitKeyPath(key);
    if (pieces.empty()) {
        lastError_ = "the root key cannot be deleted";
        return false;
    }
    Connection db = openDatabase(path_, Access::Modify, &lastError_);
    if (!db) {
        return false;
    }
    std::string folded = foldCase(joinKey(pieces, pieces.size()));
    std::string prefix = folded + "\\";
    Transaction transaction(db.get());
    Query removeKeys(db.get(),
                     "DELETE FROM reg_keys WHERE root = ?1 AND (folded = ?2"
                     " OR substr(folded, 1, length(?3)) = ?3)");
    removeKeys.bind(rootName(root_)).bind(folded).bind(prefix);
    if (!transaction.open() || !removeKeys.run()) {
        lastError_ = sqlite3_errmsg(db.get());
        return false;
    }
    bool removed = sqlite3_changes(db.get()) > 0;
    Query removeValues(db.get(),
                       "DELETE FROM reg_values WHERE root = ?1 AND (key = ?2"
                       " OR substr(key, 1, length(?3)) = ?3)");
    removeValues.bind(rootName(root_)).bind(folded).bind(prefix);
    if (!removeValues.run() || !transaction.commit()) {
        lastError_ = sqlite3_errmsg(db.get());
        return false;
    }
    if (!removed) {
        lastError_ = "key not found";
    }
    return removed;
}

}  // namespace tamlo::registry
