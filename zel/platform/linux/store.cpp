#include "zel/platform/store.h"

#include <fcntl.h>
#include <pthread.h>
#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "zel/platform/internal/fd_closer.h"

namespace zel::platform {


namespace {

// "zel1": marks a database as this store's, so a foreign one is left alone.
constexpr int32_t kApplicationId = 0x7A656C31;
constexpr int32_t kSchemaVersion = 1;

constexpr const char* kSchema = R"sql(
CREATE TABLE keys(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER,
  name TEXT NOT NULL COLLATE NOCASE,
  path TEXT NOT NULL UNIQUE COLLATE NOCASE);
CREATE INDEX keys_by_parent ON keys(parent, name);
INSERT INTO keys(id, parent, name, path) VALUES(1, NULL, '', '');
CREATE TABLE vals(
  path TEXT NOT NULL COLLATE NOCASE REFERENCES keys(path) ON DELETE CASCADE,
  name TEXT NOT NULL COLLATE NOCASE,
  type INTEGER NOT NULL,
  data,
  PRIMARY KEY(path, name)) WITHOUT ROWID;
)sql";

// Prepared statements kept per database, by index.
enum Stmt {
  kFindKey,
  kReadValue,
  kWriteValue,
  kDeleteValue,
  kSubKeys,
  kValueNames,
  kInsertKey,
  kDeleteKeys,
  kBegin,
  kCommit,
  kRollback,
  kStmtCount
};

constexpr std::array<const char*, kStmtCount> kStmtText = {
    "SELECT id FROM keys WHERE path=?1",
    "SELECT type, data FROM vals WHERE path=?1 AND name=?2",
    "INSERT INTO vals(path, name, type, data) VALUES(?1, ?2, ?3, ?4) "
    "ON CONFLICT(path, name) DO UPDATE SET type=excluded.type, data=excluded.data",
    "DELETE FROM vals WHERE path=?1 AND name=?2",
    "SELECT c.name FROM keys p JOIN keys c ON c.parent=p.id WHERE p.path=?1 "
    "ORDER BY c.name COLLATE NOCASE",
    "SELECT name FROM vals WHERE path=?1 ORDER BY name",
    "INSERT INTO keys(parent, name, path) VALUES(?1, ?2, ?3) ON CONFLICT(path) DO NOTHING",
    // Everything whose path starts with "<key>\" sorts between "<key>\" and
    // "<key>]" (']' follows '\'), also under the path's NOCASE collation.
    "DELETE FROM keys WHERE path=?1 OR (path>=?2 AND path<?3)",
    "BEGIN IMMEDIATE",
    "COMMIT",
    "ROLLBACK",
};

std::string HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home && home[0] == '/') return home;
  struct passwd pw;
  struct passwd* result = nullptr;
  std::array<char, 4096> buf{};
  if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &result) == 0 && result && result->pw_dir &&
      result->pw_dir[0] == '/')
    return result->pw_dir;
  return {};
}

bool MakeDirectories(const std::string& dir) {
  struct stat st;
  if (stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  const size_t slash = dir.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeDirectories(dir.substr(0, slash)))
    return false;
  return mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

// One open database with its statements.
class Connection {
 public:
  explicit Connection(std::string path) : path_(std::move(path)) {}
  ~Connection() {
    for (sqlite3_stmt* s : stmts_) sqlite3_finalize(s);
    if (db_) sqlite3_close_v2(db_);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  const std::string& Path() const { return path_; }

  // Opens the file (which must exist) and checks or lays out the schema.
  void Open() {
    const int rc =
        sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) Fail(rc);
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kStoreBusyTimeoutMs);
    const int32_t app_id = PragmaInt("PRAGMA application_id");
    const int32_t version = PragmaInt("PRAGMA user_version");
    if (app_id == 0 && version == 0 && PragmaInt("SELECT count(*) FROM sqlite_schema") == 0) {
      // An empty file (new, or left by a process that died before laying
      // out the schema): make it a store.
      Exec("PRAGMA journal_mode=WAL");
      Exec("BEGIN IMMEDIATE");
      try {
        if (PragmaInt("SELECT count(*) FROM sqlite_schema") == 0) {
          Exec(kSchema);
          Exec("PRAGMA application_id=" + std::to_string(kApplicationId));
          Exec("PRAGMA user_version=" + std::to_string(kSchemaVersion));
        }
        Exec("COMMIT");
      } catch (...) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
      }
    } else if (app_id != kApplicationId) {
      throw StoreError(path_ + ": not a configuration store");
    } else if (version > kSchemaVersion) {
      throw StoreError(path_ + ": configuration store of a newer version");
    }
    Exec("PRAGMA journal_mode=WAL");
    Exec("PRAGMA synchronous=NORMAL");
    Exec("PRAGMA foreign_keys=ON");
  }

  // The prepared statement, reset and unbound.
  sqlite3_stmt* Get(Stmt which) {
    sqlite3_stmt*& s = stmts_[which];
    if (!s) {
      const int rc =
          sqlite3_prepare_v3(db_, kStmtText[which], -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr);
      if (rc != SQLITE_OK) Fail(rc);
    }
    return s;
  }

  // Steps; true for a row, false when done; raises on errors (after a reset).
  bool Step(sqlite3_stmt* s) {
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    sqlite3_reset(s);
    Fail(rc);
  }

  void Run(Stmt which) {
    sqlite3_stmt* s = Get(which);
    Step(s);
    sqlite3_reset(s);
  }

  int Changes() const { return sqlite3_changes(db_); }
  bool InTransaction() const { return !sqlite3_get_autocommit(db_); }

  // True after a failure that says the file itself is unusable.
  bool Broken() const { return broken_; }

  [[noreturn]] void Fail(int rc) {
    const int primary = rc & 0xFF;
    if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT || primary == SQLITE_CANTOPEN)
      broken_ = true;
    std::string reason = rc == SQLITE_CONSTRAINT_FOREIGNKEY ? "the key does not exist"
                         : db_                              ? sqlite3_errmsg(db_)
                                                            : sqlite3_errstr(rc);
    if (primary == SQLITE_BUSY) reason += " (another process kept the store busy)";
    throw StoreError(path_ + ": " + reason);
  }

 private:
  void Exec(const std::string& sql) {
    const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) Fail(rc);
  }
  int32_t PragmaInt(const char* sql) {
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql, -1, &s, nullptr);
    if (rc != SQLITE_OK) Fail(rc);
    rc = sqlite3_step(s);
    const int32_t v = rc == SQLITE_ROW ? sqlite3_column_int(s, 0) : 0;
    sqlite3_finalize(s);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) Fail(rc);
    return v;
  }

  std::string path_;
  sqlite3* db_ = nullptr;
  std::array<sqlite3_stmt*, kStmtCount> stmts_{};
  bool broken_ = false;
};

// Resets a statement when the scope ends, whatever happens.
class Query {
 public:
  Query(Connection& c, Stmt which) : c_(c), s_(c.Get(which)) {}
  ~Query() {
    sqlite3_reset(s_);
    sqlite3_clear_bindings(s_);
  }
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  Query& Text(int i, std::string_view v) {
    Check(sqlite3_bind_text64(s_, i, v.data(), v.size(), SQLITE_STATIC, SQLITE_UTF8));
    return *this;
  }
  Query& Int(int i, int64_t v) {
    sqlite3_bind_int64(s_, i, v);
    return *this;
  }
  Query& Blob(int i, std::string_view v) {
    Check(sqlite3_bind_blob64(s_, i, v.data(), v.size(), SQLITE_STATIC));
    return *this;
  }
  bool Next() { return c_.Step(s_); }
  // A text or value beyond SQLite's length limit (SQLITE_TOOBIG) raises.
  void Check(int rc) {
    if (rc != SQLITE_OK) c_.Fail(rc);
  }
  sqlite3_stmt* Raw() const { return s_; }
  std::string ColumnText(int i) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_blob(s_, i));
    const int n = sqlite3_column_bytes(s_, i);
    return p ? std::string(p, static_cast<size_t>(n)) : std::string();
  }

 private:
  Connection& c_;
  sqlite3_stmt* s_;
};

// Runs a write transaction: BEGIN IMMEDIATE, the body, COMMIT; ROLLBACK when
// the body or the commit raises.
template <class Body>
void InTransaction(Connection& c, Body&& body) {
  c.Run(kBegin);
  try {
    body();
    c.Run(kCommit);
  } catch (...) {
    if (c.InTransaction()) {
      sqlite3_stmt* s = c.Get(kRollback);
      sqlite3_step(s);
      sqlite3_reset(s);
    }
    throw;
  }
}

std::string_view LastName(std::string_view key) {
  const size_t slash = key.find_last_of('\\');
  return slash == std::string_view::npos ? key : key.substr(slash + 1);
}

class NativeConfigStore final : public ConfigStore {
 public:
  // No SQLite state may cross fork(): the databases are closed just before
  // every fork and opened again on their next use, in parent and child alike.
  // Holding the lock across the fork keeps other threads out meanwhile.
  NativeConfigStore() { pthread_atfork(&BeforeFork, &AfterFork, &AfterFork); }

  bool KeyExists(std::string_view database, std::string_view key) override {
    return Locked(database, false, key.empty(), [&](Connection* c) {
      if (key.empty()) return true;
      Query q(*c, kFindKey);
      q.Text(1, key);
      return q.Next();
    });
  }

  void CreateKey(std::string_view database, std::string_view key) override {
    CheckPath(database, key);
    Locked(database, true, false, [&](Connection* c) {
      {
        Query q(*c, kFindKey);
        q.Text(1, key);
        if (q.Next()) return true;
      }
      InTransaction(*c, [&] {
        int64_t parent = 1;
        size_t end = 0;
        while (end != std::string_view::npos) {
          end = key.find('\\', end + 1);
          const std::string_view path = key.substr(0, end);
          {
            Query ins(*c, kInsertKey);
            ins.Int(1, parent).Text(2, LastName(path)).Text(3, path);
            ins.Next();
          }
          Query find(*c, kFindKey);
          find.Text(1, path);
          if (!find.Next()) c->Fail(SQLITE_INTERNAL);
          parent = sqlite3_column_int64(find.Raw(), 0);
        }
      });
      return true;
    });
  }

  bool DeleteKey(std::string_view database, std::string_view key) override {
    if (key.empty()) return false;
    return Locked(database, false, false, [&](Connection* c) {
      const std::string lo = std::string(key) + '\\';
      const std::string hi = std::string(key) + ']';
      bool deleted = false;
      InTransaction(*c, [&] {
        Query q(*c, kDeleteKeys);
        q.Text(1, key).Text(2, lo).Text(3, hi);
        q.Next();
        deleted = c->Changes() > 0;
      });
      return deleted;
    });
  }

  std::vector<std::string> SubKeyNames(std::string_view database, std::string_view key) override {
    return Names(database, key, kSubKeys);
  }
  std::vector<std::string> ValueNames(std::string_view database, std::string_view key) override {
    return Names(database, key, kValueNames);
  }

  std::optional<StoreValue> ReadValue(std::string_view database, std::string_view key,
                                      std::string_view name) override {
    std::optional<StoreValue> result;
    Locked(database, false, false, [&](Connection* c) {
      Query q(*c, kReadValue);
      q.Text(1, key).Text(2, name);
      if (!q.Next()) return false;
      StoreValue v;
      v.type = sqlite3_column_int(q.Raw(), 0);
      switch (sqlite3_column_type(q.Raw(), 1)) {
        case SQLITE_INTEGER:
          v.form = StoreValue::kInteger;
          v.integer = sqlite3_column_int64(q.Raw(), 1);
          break;
        case SQLITE_TEXT:
          v.form = StoreValue::kText;
          v.bytes = q.ColumnText(1);
          break;
        default:
          v.form = StoreValue::kBytes;
          v.bytes = q.ColumnText(1);
          break;
      }
      result = std::move(v);
      return true;
    });
    return result;
  }

  void WriteValue(std::string_view database, std::string_view key, std::string_view name,
                  const StoreValue& value) override {
    CheckPath(database, key);
    Locked(database, true, false, [&](Connection* c) {
      Query q(*c, kWriteValue);
      q.Text(1, key).Text(2, name).Int(3, value.type);
      switch (value.form) {
        case StoreValue::kInteger:
          q.Int(4, value.integer);
          break;
        case StoreValue::kText:
          q.Text(4, value.bytes);
          break;
        case StoreValue::kBytes:
          q.Blob(4, value.bytes);
          break;
      }
      q.Next();  // a key deleted meanwhile fails the foreign key
      return true;
    });
  }

  bool DeleteValue(std::string_view database, std::string_view key,
                   std::string_view name) override {
    return Locked(database, false, false, [&](Connection* c) {
      Query q(*c, kDeleteValue);
      q.Text(1, key).Text(2, name);
      q.Next();
      return c->Changes() > 0;
    });
  }

  std::string DatabaseFile(std::string_view database) override {
    std::string dir = StoreDirectory();
    if (dir.empty()) return dir;
    return dir + '/' + std::string(database) + ".db";
  }

 private:
  // A database name is a file name in the store's folder: lower-case letters
  // and underscores only, so no name reaches outside the folder.
  static bool ValidDatabase(std::string_view database) {
    bool ok = !database.empty();
    for (char ch : database) ok = ok && ((ch >= 'a' && ch <= 'z') || ch == '_');
    return ok;
  }

  static void CheckPath(std::string_view database, std::string_view key) {
    const bool ok =
        ValidDatabase(database) && (key.empty() || (key.front() != '\\' && key.back() != '\\' &&
                                                    key.find("\\\\") == std::string_view::npos));
    if (!ok)
      throw StoreError("invalid key \"" + std::string(key) + "\" in store \"" +
                       std::string(database) + "\"");
  }

  std::vector<std::string> Names(std::string_view database, std::string_view key, Stmt which) {
    std::vector<std::string> names;
    Locked(database, false, false, [&](Connection* c) {
      Query q(*c, which);
      q.Text(1, key);
      while (q.Next()) names.push_back(q.ColumnText(0));
      return true;
    });
    return names;
  }

  // Runs `fn` on the database's connection under the lock. Without `create`,
  // a database whose file does not exist gives `absent` without calling `fn`.
  // A connection whose file proved unusable is dropped, so a repaired or
  // replaced file is opened afresh next time.
  template <class Fn>
  bool Locked(std::string_view database, bool create, bool absent, Fn&& fn) {
    if (!ValidDatabase(database)) return absent;  // writers checked it already
    std::lock_guard<std::mutex> lock(mu_);
    Connection* c = Open(database, create);
    if (!c) return absent;
    try {
      return fn(c);
    } catch (...) {
      if (c->Broken()) Drop(database);
      throw;
    }
  }

  void Drop(std::string_view database) {
    auto it = conns_.find(database);
    if (it != conns_.end()) conns_.erase(it);
  }

  Connection* Open(std::string_view database, bool create) {
    const std::string path = DatabaseFile(database);
    auto it = conns_.find(database);
    if (it != conns_.end()) {
      if (it->second->Path() == path) return it->second.get();
      conns_.erase(it);
    }
    if (path.empty()) throw StoreError("configuration store: no folder (HOME is not set)");
    // The database file itself, never what a symbolic link under its name
    // points to: another program's file, or a new file made elsewhere. It is
    // opened (and created) without following a link, and held open until
    // SQLite has opened the same file under the name.
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) {
      if (errno != ENOENT) Raise(path, errno);
      if (!create) return nullptr;
      if (!MakeDirectories(path.substr(0, path.find_last_of('/')))) Raise(path, errno);
    } else if (S_ISLNK(st.st_mode)) {
      throw StoreError(path + ": a symbolic link, not a configuration store");
    } else if (!S_ISREG(st.st_mode)) {
      throw StoreError(path + ": not a configuration store");
    }
    const int fd = open(
        path.c_str(), O_RDONLY | (create ? O_CREAT : 0) | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == ENOENT && !create) return nullptr;
      if (errno == ELOOP) throw StoreError(path + ": a symbolic link, not a configuration store");
      Raise(path, errno);
    }
    const internal::FdCloser closer{fd};
    if (fstat(fd, &st) != 0) Raise(path, errno);
    if (!S_ISREG(st.st_mode)) throw StoreError(path + ": not a configuration store");
    auto conn = std::make_unique<Connection>(path);
    conn->Open();
    struct stat named;
    if (lstat(path.c_str(), &named) != 0 || named.st_dev != st.st_dev || named.st_ino != st.st_ino)
      throw StoreError(path + ": replaced while being opened");
    Connection* raw = conn.get();
    conns_.emplace(std::string(database), std::move(conn));
    return raw;
  }

  [[noreturn]] static void Raise(const std::string& path, int err) {
    throw StoreError(path + ": " + std::strerror(err));
  }

  static void BeforeFork();
  static void AfterFork();

  std::mutex mu_;
  std::map<std::string, std::unique_ptr<Connection>, std::less<>> conns_;
};

NativeConfigStore& TheLinuxStore() {
  static NativeConfigStore store;
  return store;
}

void NativeConfigStore::BeforeFork() {
  NativeConfigStore& s = TheLinuxStore();
  s.mu_.lock();
  s.conns_.clear();
}

void NativeConfigStore::AfterFork() { TheLinuxStore().mu_.unlock(); }

}  // namespace

std::string StoreDirectory() {
  if (const char* dir = std::getenv("ZEL_STORE_DIR"); dir && dir[0]) {
    std::string d = dir;
    while (d.size() > 1 && d.back() == '/') d.pop_back();
    return d;
  }
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
    return std::string(xdg) + "/zel";
  std::string home = HomeDirectory();
  return home.empty() ? home : home + "/.config/zel";
}

ConfigStore& NativeStore() { return TheLinuxStore(); }

}  // namespace zel::platform
