#include "zel/runtime/registry.h"

#ifndef _WIN32
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "support/scoped_env.h"
#include "zel/platform/store.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/utf8.h"

namespace {

using namespace std::string_literals;
using zel::String;
using zel::TRegistry;

std::string Message(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const zel::ERegistryException& e) {
    return e.what();
  }
  return "(no exception)";
}

#ifndef _WIN32
// The SQLite store's own check of a database file.
std::string IntegrityCheck(const std::string& file) {
  sqlite3* db = nullptr;
  std::string result = "cannot open";
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW)
      result = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    sqlite3_finalize(s);
  }
  sqlite3_close(db);
  return result;
}
#endif

TEST(TRegistryTest, ValuesRoundTripWithTheirTypes) {
  zel_test::TempStore store;
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(u"Software\\zel\\Test", true));
  const String text = u"caf\u00e9 \U0001F600 with\0nul"s;
  reg.WriteString(u"s", text);
  reg.WriteString(u"", u"default");
  reg.WriteExpandString(u"e", u"$HOME/x");
  reg.WriteInteger(u"min", INT32_MIN);
  reg.WriteInteger(u"max", INT32_MAX);
  reg.WriteBool(u"b", true);
  reg.WriteBinaryData(u"bin", zel::TBytes{0, 1, 0xFF, 0});
  zel::TStringList multi;
  for (const char16_t* s : {u"one", u"", u"dr\u00e9i"}) multi.Add(s);
  reg.WriteMultiString(u"m", multi);

  TRegistry rd;
  ASSERT_TRUE(rd.OpenKeyReadOnly(u"\\software\\ZEL\\test"));
  EXPECT_EQ(rd.CurrentPath(), u"software\\ZEL\\test");  // as given
  EXPECT_EQ(rd.ReadString(u"S"), text);
  EXPECT_EQ(rd.ReadString(u""), u"default");
  EXPECT_EQ(rd.ReadString(u"e"), u"$HOME/x");
  EXPECT_EQ(rd.ReadInteger(u"min"), INT32_MIN);
  EXPECT_EQ(rd.ReadInteger(u"max"), INT32_MAX);
  EXPECT_TRUE(rd.ReadBool(u"b"));
  EXPECT_EQ(rd.ReadBinaryData(u"bin"), (zel::TBytes{0, 1, 0xFF, 0}));
  zel::TStringList back;
  rd.ReadMultiString(u"m", back);
  ASSERT_EQ(back.Count(), 3);
  EXPECT_EQ(back[1], u"");
  EXPECT_EQ(back[2], u"dr\u00e9i");
  const std::pair<const char16_t*, zel::TRegDataType> types[] = {
      {u"s", zel::rdString},   {u"e", zel::rdExpandString}, {u"max", zel::rdInteger},
      {u"bin", zel::rdBinary}, {u"m", zel::rdMultiString},  {u"missing", zel::rdUnknown}};
  for (const auto& [name, type] : types) {
    SCOPED_TRACE(zel::StringToUtf8(name));
    EXPECT_EQ(rd.GetDataType(name), type);
  }
  zel::TStringList names;
  rd.GetValueNames(names);
  EXPECT_EQ(zel::StringToUtf8(names.Text()), "\r\nb\r\nbin\r\ne\r\nm\r\nmax\r\nmin\r\ns\r\n");
  // Replacing keeps one value under the name as first written.
  reg.WriteInteger(u"S", 5);
  EXPECT_EQ(rd.ReadInteger(u"s"), 5);
}

TEST(TRegistryTest, KeyPaths) {
  zel_test::TempStore store;
  TRegistry reg;
  ASSERT_TRUE(reg.CreateKey(u"A\\B\\C"));
  ASSERT_TRUE(reg.CreateKey(u"AB"));
  struct Case {
    const char16_t* key;
    bool exists;
  } cases[] = {{u"A", true},
               {u"a\\b", true},
               {u"\\A\\B\\C\\", true},
               {u"A\\B\\C\\D", false},
               {u"A\\\\B", false},
               {u"\\", true},
               {u"", true},
               {u"\\\\A", false},
               {u"B", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(zel::StringToUtf8(c.key));
    EXPECT_EQ(reg.KeyExists(c.key), c.exists);
  }
  // Relative to the open key.
  ASSERT_TRUE(reg.OpenKey(u"A", false));
  EXPECT_TRUE(reg.KeyExists(u"B\\C"));
  ASSERT_TRUE(reg.OpenKey(u"B", false));
  EXPECT_EQ(reg.CurrentPath(), u"A\\B");
  EXPECT_TRUE(reg.HasSubKeys());
  EXPECT_FALSE(reg.OpenKey(u"missing", false));
  EXPECT_EQ(reg.CurrentPath(), u"A\\B");  // unchanged after a failure
  // Names are limited to 255 characters.
  EXPECT_FALSE(reg.OpenKey(u"\\" + String(256, u'x'), true));
  EXPECT_TRUE(reg.OpenKey(u"\\" + String(255, u'x'), true));
  EXPECT_EQ(Message([&] { reg.CreateKey(u"a\\\\b"); }).rfind("Failed to create key \"a\\\\b\"", 0),
            0u);
  // Subkeys sorted without regard to case.
  reg.CreateKey(u"\\A\\b2");
  reg.CreateKey(u"\\A\\a1");
  ASSERT_TRUE(reg.OpenKey(u"\\A", false));
  zel::TStringList names;
  reg.GetKeyNames(names);
  EXPECT_EQ(zel::StringToUtf8(names.Text()), "a1\r\nB\r\nb2\r\n");
}

TEST(TRegistryTest, DeleteKeyTakesTheSubtreeOnly) {
  zel_test::TempStore store;
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(u"A\\B", true));
  reg.WriteString(u"v", u"x");
  ASSERT_TRUE(reg.OpenKey(u"\\AB", true));  // shares the prefix "A"
  reg.WriteString(u"v", u"keep");
  ASSERT_TRUE(reg.OpenKey(u"\\A\\B", false));
  EXPECT_FALSE(reg.DeleteKey(u"\\"));  // the root stays
  EXPECT_TRUE(reg.DeleteKey(u"\\a"));
  EXPECT_FALSE(reg.KeyIsOpen());  // the open key went with it
  EXPECT_FALSE(reg.DeleteKey(u"\\A"));
  EXPECT_FALSE(reg.KeyExists(u"A\\B"));
  ASSERT_TRUE(reg.OpenKeyReadOnly(u"AB"));
  EXPECT_EQ(reg.ReadString(u"v"), u"keep");
  // A recreated key starts empty: the old values went with the old key.
  ASSERT_TRUE(reg.OpenKey(u"\\A\\B", true));
  EXPECT_FALSE(reg.ValueExists(u"v"));
  EXPECT_FALSE(reg.DeleteValue(u""));
  // A key deleted by someone else takes no more values (no orphans).
  TRegistry other;
  ASSERT_TRUE(other.DeleteKey(u"A"));
  const std::string msg = Message([&] { reg.WriteString(u"late", u"x"); });
  EXPECT_EQ(msg.rfind("Failed to set data for 'late': ", 0), 0u) << msg;
  EXPECT_NE(msg.find("the key does not exist"), std::string::npos) << msg;
  EXPECT_FALSE(other.KeyExists(u"A\\B"));
}

TEST(TRegistryTest, ErrorTexts) {
  zel_test::TempStore store;
  TRegistry reg;
  EXPECT_EQ(Message([&] { reg.WriteString(u"x", u"y"); }),
            "Failed to set data for 'x': no key is open");
  ASSERT_TRUE(reg.OpenKey(u"K", true));
  reg.WriteString(u"s", u"text");
  EXPECT_EQ(Message([&] { reg.ReadInteger(u"s"); }), "Invalid data type for 's'");
  EXPECT_EQ(Message([&] { reg.ReadInteger(u"missing"); }), "Invalid data type for 'missing'");
  EXPECT_EQ(reg.ReadString(u"missing"), u"");
  zel::TStringList bad;
  bad.Add(String(u"a\0b", 3));
  EXPECT_EQ(Message([&] { reg.WriteMultiString(u"m", bad); }),
            "Failed to set data for 'm': a text of a multi-string contains a NUL character");
  ASSERT_TRUE(reg.OpenKeyReadOnly(u"\\K"));
  EXPECT_EQ(Message([&] { reg.WriteInteger(u"i", 1); }),
            "Failed to set data for 'i': the key is open read-only");
  reg.SetRootKey(0x12345);
  EXPECT_FALSE(reg.OpenKey(u"K", true));
  EXPECT_EQ(reg.LastErrorMsg(), u"not a root key of this platform");
}

TEST(TRegistryTest, RootsAreSeparateDatabases) {
  zel_test::TempStore store;
  TRegistry reg;
  reg.SetRootKey(zel::HKEY_CLASSES_ROOT);
  EXPECT_FALSE(reg.KeyExists(u"K"));
  EXPECT_TRUE(reg.KeyExists(u""));  // the top key exists before any file
#ifndef _WIN32
  EXPECT_FALSE(std::filesystem::exists(store.File("classes_root")));  // reading creates nothing
#endif
  ASSERT_TRUE(reg.OpenKey(u"K", true));
#ifndef _WIN32
  EXPECT_TRUE(std::filesystem::exists(store.File("classes_root")));
  EXPECT_EQ(std::filesystem::status(store.File("classes_root")).permissions() &
                std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
#endif
  reg.SetRootKey(zel::HKEY_CURRENT_USER);
  EXPECT_FALSE(reg.KeyExists(u"K"));
}

#ifndef _WIN32
// Two processes write 1000 values each into one key at the same time.
TEST(TRegistryReliabilityTest, TwoWritersLoseNothing) {
  zel_test::TempStore store;
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(u"Race", true));  // the parent's connection is open before fork()
  constexpr int kWrites = 1000;
  pid_t kids[2];
  for (int k = 0; k < 2; ++k) {
    kids[k] = fork();
    ASSERT_GE(kids[k], 0);
    if (kids[k] == 0) {
      int status = 0;
      try {
        TRegistry w;
        if (!w.OpenKey(u"Race", false)) _exit(3);
        for (int i = 0; i < kWrites; ++i) {
          const String n = zel::Utf8ToString(std::to_string(k) + "-" + std::to_string(i));
          w.WriteString(n, n + u"!");
          w.WriteInteger(zel::Utf8ToString("last" + std::to_string(k)), i);
        }
      } catch (...) {
        status = 4;
      }
      _exit(status);
    }
  }
  for (pid_t kid : kids) {
    int status = 0;
    ASSERT_EQ(waitpid(kid, &status, 0), kid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
  zel::TStringList names;
  reg.GetValueNames(names);
  EXPECT_EQ(names.Count(), 2 * kWrites + 2);
  for (int k = 0; k < 2; ++k) {
    for (int i = 0; i < kWrites; ++i) {
      const String n = zel::Utf8ToString(std::to_string(k) + "-" + std::to_string(i));
      ASSERT_EQ(reg.ReadString(n), n + u"!");
    }
    EXPECT_EQ(reg.ReadInteger(zel::Utf8ToString("last" + std::to_string(k))), kWrites - 1);
  }
  EXPECT_EQ(IntegrityCheck(store.File("current_user")), "ok");
}

#endif

// Threads with objects of their own share the process's store.
TEST(TRegistryReliabilityTest, ThreadsShareTheStore) {
  zel_test::TempStore store;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t] {
      TRegistry w;
      w.OpenKey(u"Threads", true);
      for (int i = 0; i < 200; ++i) {
        const String n = zel::Utf8ToString(std::to_string(t) + "-" + std::to_string(i));
        w.WriteInteger(n, i);
        (void)w.ReadInteger(n);
      }
    });
  for (auto& th : threads) th.join();
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly(u"Threads"));
  zel::TStringList names;
  reg.GetValueNames(names);
  EXPECT_EQ(names.Count(), 800);
  EXPECT_EQ(reg.ReadInteger(u"3-199"), 199);
}

#ifndef _WIN32
// The SQLite store's files (Linux): processes killed midway, damaged or
// foreign files, links under a database's name, the store's folder.

// A writer killed at an arbitrary moment leaves every committed value.
TEST(TRegistryReliabilityTest, KilledWriterKeepsCommittedValues) {
  zel_test::TempStore store;
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t kid = fork();
  ASSERT_GE(kid, 0);
  if (kid == 0) {
    close(fds[0]);
    TRegistry w;
    if (!w.OpenKey(u"Crash", true)) _exit(3);
    for (uint32_t i = 0;; ++i) {
      const String n = zel::Utf8ToString("v" + std::to_string(i));
      w.WriteString(n, String(100 + i % 300, u'x'));
      if (write(fds[1], &i, sizeof i) != sizeof i) _exit(4);  // reported once committed
    }
  }
  close(fds[1]);
  uint32_t committed = 0, got = 0;
  while (committed < 300 && read(fds[0], &got, sizeof got) == sizeof got) committed = got + 1;
  kill(kid, SIGKILL);
  int status = 0;
  waitpid(kid, &status, 0);
  while (read(fds[0], &got, sizeof got) == sizeof got) committed = got + 1;
  close(fds[0]);
  ASSERT_TRUE(WIFSIGNALED(status));
  ASSERT_GE(committed, 300u);
  EXPECT_EQ(IntegrityCheck(store.File("current_user")), "ok");
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly(u"Crash"));
  for (uint32_t i = 0; i < committed; ++i)
    ASSERT_EQ(reg.ReadString(zel::Utf8ToString("v" + std::to_string(i))),
              String(100 + i % 300, u'x'))
        << i;
  // The store goes on working.
  ASSERT_TRUE(reg.OpenKey(u"\\Crash", false));
  reg.WriteString(u"after", u"ok");
  EXPECT_EQ(reg.ReadString(u"after"), u"ok");
}

// Files under the store's name that are not a usable store are reported and
// left exactly as they were.
TEST(TRegistryReliabilityTest, UnusableFilesAreNeverOverwritten) {
  zel_test::TempStore store;
  std::filesystem::create_directories(store.Dir());
  const std::string file = store.File("current_user");
  const auto make_foreign = [&] {
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE notes(x); INSERT INTO notes VALUES('mine');", nullptr, nullptr,
                 nullptr);
    sqlite3_close(db);
  };
  struct Case {
    const char* name;
    std::function<void()> make;
    const char* reason;
  } cases[] = {
      {"text file", [&] { std::ofstream(file) << std::string(5000, 'z'); },
       "file is not a database"},
      {"foreign database", make_foreign, "not a configuration store"},
      {"directory", [&] { std::filesystem::create_directory(file); }, "not a configuration store"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(file);
    c.make();
    const auto before = std::filesystem::is_directory(file)
                            ? std::string("dir")
                            : zel_test::TempDir::Read(zel::Utf8ToString(file));
    TRegistry reg;
    EXPECT_FALSE(reg.KeyExists(u"K"));
    EXPECT_FALSE(reg.OpenKeyReadOnly(u""));
    EXPECT_NE(zel::StringToUtf8(reg.LastErrorMsg()).find(c.reason), std::string::npos)
        << zel::StringToUtf8(reg.LastErrorMsg());
    EXPECT_FALSE(reg.OpenKey(u"K", true));
    const std::string msg = Message([&] { reg.CreateKey(u"K"); });
    EXPECT_NE(msg.find(file + ": "), std::string::npos) << msg;
    EXPECT_NE(msg.find(c.reason), std::string::npos) << msg;
    const auto after = std::filesystem::is_directory(file)
                           ? std::string("dir")
                           : zel_test::TempDir::Read(zel::Utf8ToString(file));
    EXPECT_EQ(before, after);
    EXPECT_FALSE(std::filesystem::exists(file + "-wal"));
  }
}

// A symbolic link planted under a database's name is refused: nothing is
// created where it points, and the file it points to is left as it was.
TEST(TRegistryReliabilityTest, LinksUnderTheDatabaseNameAreRefused) {
  namespace fs = std::filesystem;
  struct Case {
    const char* name;
    bool target_exists;
  } cases[] = {{"link to nothing", false}, {"link to an empty file", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    zel_test::TempStore store;
    fs::create_directories(store.Dir());
    const fs::path target = store.Temp().Path() / "elsewhere.db";
    if (c.target_exists) std::ofstream(target.string()).flush();
    fs::create_symlink(target, store.File("current_user"));
    TRegistry reg;
    const std::string msg = Message([&] { reg.CreateKey(u"K"); });
    EXPECT_NE(msg.find(store.File("current_user") + ": a symbolic link"), std::string::npos) << msg;
    EXPECT_FALSE(reg.KeyExists(u"K"));
    EXPECT_EQ(fs::exists(target), c.target_exists);
    if (c.target_exists) {
      EXPECT_EQ(fs::file_size(target), 0u);
    }
    EXPECT_TRUE(fs::is_symlink(store.File("current_user")));
  }
}

// A store whose pages were damaged answers or fails, but never crashes.
TEST(TRegistryReliabilityTest, DamagedPagesDoNotCrash) {
  zel_test::TempStore store;
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(u"K", true));
    for (int i = 0; i < 200; ++i)
      reg.WriteString(zel::Utf8ToString("v" + std::to_string(i)), String(200, u'q'));
  }
  // Fold the log into the file so the damage hits the database itself.
  const std::string file = store.File("current_user");
  {
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  const auto size = std::filesystem::file_size(file);
  std::string dir = store.Dir();
  for (uint64_t offset : {uint64_t{4096}, size / 2, size - 600}) {
    SCOPED_TRACE(offset);
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(offset));
    f << std::string(512, '\xA5');
    f.close();
    // Another spelling of the folder forces a fresh connection to the file.
    dir += "/.";
    zel_test::ScopedEnv env("ZEL_STORE_DIR", dir);
    TRegistry reg;
    if (reg.OpenKeyReadOnly(u"K")) {
      zel::TStringList names;
      reg.GetValueNames(names);
      for (const String& n : names) (void)reg.GetDataType(n);
    }
    try {
      if (reg.OpenKey(u"K", true)) reg.WriteString(u"new", u"value");
    } catch (const zel::ERegistryException&) {
    }
  }
}

TEST(TRegistryTest, StoreDirectoryFollowsTheVariables) {
  zel_test::ScopedEnv home("HOME", "/home/someone");
  {
    zel_test::ScopedEnv dir("ZEL_STORE_DIR", "/srv/conf//");
    EXPECT_EQ(zel::platform::StoreDirectory(), "/srv/conf");
  }
  zel_test::ScopedEnv dir("ZEL_STORE_DIR", std::nullopt);
  {
    zel_test::ScopedEnv xdg("XDG_CONFIG_HOME", "/x/cfg");
    EXPECT_EQ(zel::platform::StoreDirectory(), "/x/cfg/zel");
  }
  zel_test::ScopedEnv xdg("XDG_CONFIG_HOME", "relative");
  EXPECT_EQ(zel::platform::StoreDirectory(), "/home/someone/.config/zel");
}
#endif

#ifdef _WIN32
// The registry's data types (winnt.h), spelled out: <windows.h> would hide
// the runtime's HKEY_ constants behind its macros.
constexpr uint32_t kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4, kRegMultiSz = 7,
                   kRegQword = 11;

// What the runtime writes is in the Windows registry, with the registry's
// own types and data.
TEST(TRegistryWindowsTest, ValuesLandInTheRegistry) {
  zel_test::TempStore store;
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(u"Software\\zel\\Raw", true));
  reg.WriteString(u"s", u"caf\u00e9");
  reg.WriteExpandString(u"e", u"%TEMP%\\x");
  reg.WriteInteger(u"i", -2);
  reg.WriteBinaryData(u"b", zel::TBytes{0, 0xFF});
  zel::TStringList multi;
  for (const char16_t* t : {u"one", u"", u"two"}) multi.Add(t);
  reg.WriteMultiString(u"m", multi);
  const struct {
    const char* name;
    uint32_t type;
    std::string data;
  } cases[] = {
      {"s", kRegSz, zel_test::RawWide(u"caf\u00e9"s + u'\0')},
      {"e", kRegExpandSz, zel_test::RawWide(u"%TEMP%\\x"s + u'\0')},
      {"i", kRegDword, "\xFE\xFF\xFF\xFF"s},
      {"b", kRegBinary, "\x00\xFF"s},
      {"m", kRegMultiSz, zel_test::RawWide(u"one\0\0two\0\0"s)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto raw = zel_test::RawRead(false, "Software\\zel\\Raw", c.name);
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->type, c.type);
    EXPECT_EQ(raw->data, c.data);
  }
  // Deleting removes the key with everything below it.
  ASSERT_TRUE(reg.CreateKey(u"\\Software\\zel\\Raw\\Sub\\Deeper"));
  EXPECT_TRUE(zel_test::RawKeyExists(false, "Software\\zel\\Raw\\Sub\\Deeper"));
  EXPECT_TRUE(reg.DeleteKey(u"\\Software\\zel"));
  EXPECT_FALSE(zel_test::RawKeyExists(false, "Software\\zel"));
  EXPECT_TRUE(zel_test::RawKeyExists(false, "Software"));
  EXPECT_EQ(zel::platform::Store().DatabaseFile("current_user"), "");
}

// Values that other programs wrote are read with their types; data that
// does not fit its type is of unknown type, its bytes kept.
TEST(TRegistryWindowsTest, ValuesOfOtherProgramsAreRead) {
  zel_test::TempStore store;
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(u"Other", true));
  const std::string q = "\x07\x00\x00\x00\x00\x00\x00\x00"s;
  ASSERT_TRUE(zel_test::RawWrite(false, "Other", "unended", kRegSz, zel_test::RawWide(u"abc")));
  ASSERT_TRUE(
      zel_test::RawWrite(false, "Other", "multi", kRegMultiSz, zel_test::RawWide(u"x\0yz\0\0"s)));
  ASSERT_TRUE(zel_test::RawWrite(false, "Other", "emptymulti", kRegMultiSz, ""));
  ASSERT_TRUE(zel_test::RawWrite(false, "Other", "short", kRegDword, "\x01\x02"s));
  ASSERT_TRUE(zel_test::RawWrite(false, "Other", "odd", kRegSz, "abc"));
  ASSERT_TRUE(zel_test::RawWrite(false, "Other", "q", kRegQword, q));
  ASSERT_TRUE(zel_test::RawWrite(false, "Other", "Big", kRegBinary, std::string(100000, 'b')));
  EXPECT_EQ(reg.ReadString(u"unended"), u"abc");
  zel::TStringList list;
  reg.ReadMultiString(u"multi", list);
  EXPECT_EQ(zel::StringToUtf8(list.Text()), "x\r\nyz\r\n");
  reg.ReadMultiString(u"emptymulti", list);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(reg.ReadBinaryData(u"big").size(), 100000u);
  const struct {
    const char16_t* name;
    int32_t code;
    std::string bytes;
  } unknown[] = {{u"short", 3, "\x01\x02"s}, {u"odd", 1, "abc"}, {u"q", kRegQword, "7"}};
  for (const auto& c : unknown) {
    SCOPED_TRACE(zel::StringToUtf8(c.name));
    zel::TRegValue v;
    ASSERT_TRUE(reg.ReadValue(c.name, v));
    EXPECT_EQ(v.DataType, zel::rdUnknown);
    EXPECT_EQ(v.TypeCode, c.code);
    EXPECT_EQ(std::string(v.Binary.begin(), v.Binary.end()), c.bytes);
  }
  zel::TStringList names;
  reg.GetValueNames(names);
  EXPECT_EQ(zel::StringToUtf8(names.Text()),
            "Big\r\nemptymulti\r\nmulti\r\nodd\r\nq\r\nshort\r\nunended\r\n");
}

// The roots are the registry's own: HKEY_LOCAL_MACHINE holds the system's
// keys; a root the registry lacks opens nothing.
TEST(TRegistryWindowsTest, RootsAreTheRegistrysRoots) {
  TRegistry reg;
  reg.SetRootKey(zel::HKEY_LOCAL_MACHINE);
  EXPECT_TRUE(reg.KeyExists(u"Software"));
  EXPECT_TRUE(reg.OpenKeyReadOnly(u"Software"));
  EXPECT_TRUE(reg.HasSubKeys());
  reg.SetRootKey(zel::HKEY_PERFORMANCE_DATA);
  EXPECT_FALSE(reg.KeyExists(u"Software"));
  // Keys of other names than the store accepts are refused before they reach
  // the registry.
  auto& s = zel::platform::Store();
  EXPECT_THROW(s.CreateKey("current_user", "\\lead"), zel::platform::StoreError);
  EXPECT_THROW(s.CreateKey("current_user", "a\\\\b"), zel::platform::StoreError);
  EXPECT_THROW(s.CreateKey("registry", "k"), zel::platform::StoreError);
  EXPECT_FALSE(s.KeyExists("current_user", "a\\\\b"));
}
// The store's type codes are the registry's types, the runtime's integer,
// binary and multi-string codes standing for REG_DWORD, REG_BINARY and
// REG_MULTI_SZ; numbers are stored without truncation or refused.
TEST(TRegistryWindowsTest, StoreTypesAreRegistryTypes) {
  zel_test::TempStore store;
  auto& s = zel::platform::Store();
  s.CreateKey("current_user", "T");
  using zel::platform::StoreValue;
  const struct {
    const char* name;
    int32_t code;
    StoreValue::Form form;
    int64_t integer;
    std::string bytes;
    uint32_t reg_type;
    std::string reg_data;
  } cases[] = {
      {"dword", 3, StoreValue::kInteger, 0xFFFFFFFFLL, "", kRegDword, "\xFF\xFF\xFF\xFF"s},
      {"qword", 11, StoreValue::kInteger, INT64_MIN, "", kRegQword, "\0\0\0\0\0\0\0\x80"s},
      {"binary", 4, StoreValue::kBytes, 0, "\x01"s, kRegBinary, "\x01"s},
      {"bigendian", 7, StoreValue::kBytes, 0, "\0\0\0\x05"s, 5, "\0\0\0\x05"s},
      {"none", 0, StoreValue::kBytes, 0, "", 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StoreValue v;
    v.type = c.code;
    v.form = c.form;
    v.integer = c.integer;
    v.bytes = c.bytes;
    s.WriteValue("current_user", "T", c.name, v);
    const auto raw = zel_test::RawRead(false, "T", c.name);
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->type, c.reg_type);
    EXPECT_EQ(raw->data, c.reg_data);
    const auto back = s.ReadValue("current_user", "T", c.name);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->type, c.code);
  }
  EXPECT_EQ(s.ReadValue("current_user", "T", "qword")->integer, INT64_MIN);
  EXPECT_EQ(s.ReadValue("current_user", "T", "dword")->integer, -1);  // as the runtime wrote it
  StoreValue big;
  big.type = 3;
  big.form = StoreValue::kInteger;
  big.integer = 0x100000000LL;
  EXPECT_THROW(s.WriteValue("current_user", "T", "big", big), zel::platform::StoreError);
  EXPECT_FALSE(s.ReadValue("current_user", "T", "big").has_value());
  StoreValue text;
  text.type = 1;
  text.bytes = "x";
  EXPECT_THROW(s.WriteValue("current_user", "Missing", "v", text), zel::platform::StoreError);
  EXPECT_FALSE(zel_test::RawKeyExists(false, "Missing"));  // writing creates no key
}
#endif

}  // namespace
