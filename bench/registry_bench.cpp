// The configuration store: reading and writing one value through the registry
// functions and TRegistry against the same work done with the sqlite3 C API
// directly (one table, a prepared statement kept open, the same WAL journal
// and synchronous=NORMAL), in the same run.
//
// Both stores live in a temporary folder ($ZEL_STORE_DIR is pointed there),
// removed at exit.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "zel/filesys/registry.h"
#include "zel/runtime/registry.h"
#include "zel/runtime/utf8.h"

namespace {

constexpr const char16_t* kKey = u"Software\\zel\\Bench";

const std::string& BenchDir() {
  static const std::string dir = [] {
    std::string t = (std::filesystem::temp_directory_path() / "zel-registry-bench-XXXXXX").string();
    if (!mkdtemp(t.data())) throw std::runtime_error("mkdtemp failed");
    setenv("ZEL_STORE_DIR", (t + "/store").c_str(), 1);
    zel::SetRegValue(0, kKey, u"value", u"a configuration value of moderate length");
    return t;
  }();
  static const bool cleanup = (std::atexit([] {
                                 std::error_code ec;
                                 std::filesystem::remove_all(dir, ec);
                               }),
                               true);
  (void)cleanup;
  return dir;
}

// The direct use of SQLite the store is compared with.
class DirectStore {
 public:
  DirectStore() {
    const std::string path = BenchDir() + "/direct.db";
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) throw std::runtime_error("open failed");
    sqlite3_exec(db_,
                 "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
                 "CREATE TABLE IF NOT EXISTS kv(key TEXT, name TEXT, value,"
                 " PRIMARY KEY(key, name)) WITHOUT ROWID;",
                 nullptr, nullptr, nullptr);
    sqlite3_prepare_v2(db_, "SELECT value FROM kv WHERE key=?1 AND name=?2", -1, &read_, nullptr);
    sqlite3_prepare_v2(db_, "INSERT OR REPLACE INTO kv(key, name, value) VALUES(?1, ?2, ?3)", -1,
                       &write_, nullptr);
    Write("Software\\zel\\Bench", "value", "a configuration value of moderate length");
  }
  ~DirectStore() {
    sqlite3_finalize(read_);
    sqlite3_finalize(write_);
    sqlite3_close(db_);
  }
  std::string Read(const std::string& key, const std::string& name) {
    sqlite3_bind_text(read_, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    sqlite3_bind_text(read_, 2, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
    std::string value;
    if (sqlite3_step(read_) == SQLITE_ROW)
      value.assign(reinterpret_cast<const char*>(sqlite3_column_text(read_, 0)),
                   static_cast<size_t>(sqlite3_column_bytes(read_, 0)));
    sqlite3_reset(read_);
    return value;
  }
  void Write(const std::string& key, const std::string& name, const std::string& value) {
    sqlite3_bind_text(write_, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    sqlite3_bind_text(write_, 2, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
    sqlite3_bind_text(write_, 3, value.data(), static_cast<int>(value.size()), SQLITE_STATIC);
    if (sqlite3_step(write_) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db_));
    sqlite3_reset(write_);
  }

 private:
  sqlite3* db_ = nullptr;
  sqlite3_stmt* read_ = nullptr;
  sqlite3_stmt* write_ = nullptr;
};

void BM_GetRegValue(benchmark::State& state) {
  BenchDir();
  for (auto _ : state) benchmark::DoNotOptimize(zel::GetRegValue(0, kKey, u"value"));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetRegValue);

void BM_TRegistryReadString(benchmark::State& state) {
  BenchDir();
  zel::TRegistry reg;
  reg.OpenKeyReadOnly(kKey);
  for (auto _ : state) benchmark::DoNotOptimize(reg.ReadString(u"value"));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TRegistryReadString);

void BM_SqliteRead(benchmark::State& state) {
  DirectStore direct;
  const std::string key = "Software\\zel\\Bench";
  for (auto _ : state) benchmark::DoNotOptimize(direct.Read(key, "value"));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SqliteRead);

void BM_SetRegValue(benchmark::State& state) {
  BenchDir();
  int i = 0;
  for (auto _ : state)
    zel::SetRegValue(0, kKey, u"counter", zel::Utf8ToString(std::to_string(i++)));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SetRegValue);

void BM_TRegistryWriteString(benchmark::State& state) {
  BenchDir();
  zel::TRegistry reg;
  reg.OpenKey(kKey, true);
  int i = 0;
  for (auto _ : state) reg.WriteString(u"counter", zel::Utf8ToString(std::to_string(i++)));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TRegistryWriteString);

void BM_SqliteWrite(benchmark::State& state) {
  DirectStore direct;
  const std::string key = "Software\\zel\\Bench";
  int i = 0;
  for (auto _ : state) direct.Write(key, "counter", std::to_string(i++));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SqliteWrite);

}  // namespace
