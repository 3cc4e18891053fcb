#include "zel/filesys/registry.h"

#include <filesystem>
#include <fstream>

#include "gtest/gtest.h"
#include "support/scoped_env.h"
#include "zel/platform/mime.h"
#include "zel/platform/store.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/utf8.h"

namespace {

using zel::String;

constexpr const char16_t* kKey = u"Software\\zel\\Values";

// Values of every type under kKey in HKEY_CURRENT_USER.
void Populate() {
  zel::TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kKey, true));
  reg.WriteString(u"neg", u" -12abc");
  reg.WriteString(u"comma", u"3,5");
  reg.WriteString(u"big", u"99999999999");
  reg.WriteString(u"small", u"-99999999999");
  reg.WriteString(u"upper", u"TRUE");
  reg.WriteString(u"one", u"1");
  reg.WriteExpandString(u"exp", u"2.5e1 units");
  reg.WriteInteger(u"int", -42);
  reg.WriteBinaryData(u"bin", zel::TBytes{1, 2});
  zel::TStringList multi;
  multi.Add(u"a");
  reg.WriteMultiString(u"multi", multi);
  // Written by another program: a type code this version does not know, and
  // an integer type whose data is text.
  auto& store = zel::platform::Store();
  zel::platform::StoreValue odd;
  odd.type = 42;
  odd.form = zel::platform::StoreValue::kBytes;
  odd.bytes = "?";
  store.WriteValue("current_user", "Software\\zel\\Values", "odd", odd);
  odd.type = zel::rdInteger;
  odd.form = zel::platform::StoreValue::kText;
  odd.bytes = "12";
  store.WriteValue("current_user", "Software\\zel\\Values", "mismatch", odd);
}

TEST(RegistryFunctionsTest, ReadersByType) {
  zel_test::TempStore store;
  Populate();
  const struct {
    const char16_t* name;
    const char16_t* text;
    int32_t as_int;
    double as_double;
    bool as_bool;
  } cases[] = {
      {u"neg", u" -12abc", -12, -12, false},
      {u"comma", u"3,5", 3, 3.5, false},
      {u"big", u"99999999999", INT32_MAX, 99999999999.0, false},
      {u"small", u"-99999999999", INT32_MIN, -99999999999.0, false},
      {u"upper", u"TRUE", 0, 0, true},
      {u"one", u"1", 1, 1, false},
      {u"exp", u"2.5e1 units", 2, 25, false},
      {u"int", u"-42", -42, -42, false},
      {u"bin", u"ERROR (unknown type)", 0, 0, false},
      {u"multi", u"", 0, 0, false},
      {u"odd", u"ERROR (unknown type)", 0, 0, false},
      {u"mismatch", u"ERROR (unknown type)", 0, 0, false},
      {u"missing", u"", 0, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(zel::StringToUtf8(c.name));
    EXPECT_EQ(zel::GetRegValue(0, kKey, c.name), c.text);
    EXPECT_EQ(zel::GetRegValue(zel::HKEY_CURRENT_USER, kKey, c.name), c.text);
    EXPECT_EQ(zel::GetRegValueAsInt(0, kKey, c.name), c.as_int);
    EXPECT_EQ(zel::GetRegValueAsDouble(0, kKey, c.name), c.as_double);
    EXPECT_EQ(zel::GetRegValueAsBoolean(0, kKey, c.name), c.as_bool);
  }
  // Another root, a missing key and a root this platform lacks read nothing.
  EXPECT_EQ(zel::GetRegValue(zel::HKEY_LOCAL_MACHINE, kKey, u"neg"), u"");
  EXPECT_EQ(zel::GetRegValue(0, u"Software\\none", u"neg"), u"");
  EXPECT_EQ(zel::GetRegValue(zel::HKEY_PERFORMANCE_DATA, kKey, u"neg"), u"");
}

TEST(RegistryFunctionsTest, WritingTestingDeleting) {
  zel_test::TempStore store;
  EXPECT_FALSE(zel::RegKeyExists(0, u"A\\B"));
  zel::SetRegValue(0, u"A\\B", u"v", u"1");
  zel::SetRegValue(0, u"A\\B", u"", u"default");
  zel::SetRegValue(0, u"A\\C", u"w", u"2");
  EXPECT_TRUE(zel::RegKeyExists(0, u"A\\B"));
  EXPECT_TRUE(zel::RegValueExists(0, u"a\\b", u"V"));
  EXPECT_FALSE(zel::RegValueExists(0, u"A\\B", u"x"));
  EXPECT_FALSE(zel::RegValueExists(0, u"A\\X", u"v"));

  zel::TStringList list;
  list.Add(u"stale");
  EXPECT_EQ(zel::GetAllRegSubkeys(0, u"A", list), 2);
  EXPECT_EQ(zel::StringToUtf8(list.Text()), "B\r\nC\r\n");
  EXPECT_EQ(zel::GetAllRegValueNames(0, u"A\\B", list), 2);
  EXPECT_EQ(zel::StringToUtf8(list.Text()), "\r\nv\r\n");
  EXPECT_EQ(zel::GetAllRegSubkeys(0, u"Missing", list), 0);  // cleared
  EXPECT_EQ(list.Count(), 0);
  list.Add(u"stale");
  EXPECT_EQ(zel::GetAllRegValueNames(0, u"Missing", list), 0);
  EXPECT_EQ(list.Count(), 0);

  EXPECT_TRUE(zel::DeleteRegValue(0, u"A\\B", u"v"));
  EXPECT_FALSE(zel::DeleteRegValue(0, u"A\\B", u"v"));
  EXPECT_FALSE(zel::DeleteRegValue(0, u"A\\X", u"v"));
  EXPECT_FALSE(zel::RegKeyExists(0, u"A\\X"));  // DeleteRegValue creates nothing
  EXPECT_TRUE(zel::DeleteRegKey(0, u"A"));
  EXPECT_FALSE(zel::DeleteRegKey(0, u"A"));
  EXPECT_FALSE(zel::RegKeyExists(0, u"A\\C"));
}

#ifndef _WIN32
// A store file that is not a store (Linux).
TEST(RegistryFunctionsTest, SetRegValueRaisesWhenItCannotWrite) {
  zel_test::TempStore store;
  std::filesystem::create_directories(store.Dir());
  std::ofstream(store.File("current_user")) << "plain text, not a store";
  try {
    zel::SetRegValue(0, u"K", u"v", u"x");
    FAIL() << "no exception";
  } catch (const zel::ERegistryException& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Failed to open key \"K\": ", 0), 0u) << e.what();
  }
  EXPECT_EQ(zel::GetRegValue(0, u"K", u"v"), u"");
  EXPECT_FALSE(zel::RegKeyExists(0, u"K"));
  EXPECT_EQ(zel_test::TempDir::Read(zel::Utf8ToString(store.File("current_user"))),
            "plain text, not a store");
  EXPECT_THROW(zel::SetRegValue(0, u"a\\\\b", u"v", u"x"), zel::ERegistryException);
}
#endif

TEST(RegistryFunctionsTest, InvalidKeysRaise) {
  zel_test::TempStore store;
  EXPECT_THROW(zel::SetRegValue(0, u"a\\\\b", u"v", u"x"), zel::ERegistryException);
  EXPECT_FALSE(zel::RegKeyExists(0, u"a"));
}

TEST(RegistryFunctionsTest, StoreNamesNeverReachOutsideTheFolder) {
  zel_test::TempStore store;
#ifndef _WIN32
  std::filesystem::create_directories(store.Dir());
  std::ofstream(store.Dir() + "/../outside.db") << "not ours";
#endif
  auto& s = zel::platform::Store();
  for (const char* bad : {"../outside", "", "Upper", "a/b"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(s.KeyExists(bad, "k"));
    EXPECT_FALSE(s.ReadValue(bad, "k", "v").has_value());
    EXPECT_TRUE(s.ValueNames(bad, "").empty());
    EXPECT_THROW(s.CreateKey(bad, "k"), zel::platform::StoreError);
  }
}

// A desktop MIME database in temporary folders.
class ProgAssocTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Write("data/mime/globs2",
          "# comment\n50:text/x-zel:*.zel\n80:text/x-zel-hi:*.ZEL\n"
          "50:text/x-cs:*.Cs:cs\n50:text/x-none:*.none\n50:image/x-wild:*.p?g\n"
          "50:text/x-upper:*.Q:cs\n50:text/x-upper:*.Q\n50:text/x-lower:*.q:cs\n"
          "50:text/x-lower:*.q\n");
    Write("home/mime/globs2", "50:text/x-zel-hi:__NOGLOBS__\n");
    Write("config/mimeapps.list",
          "[Added Associations]\ntext/x-zel=gone.desktop;\n"
          "[Default Applications]\ntext/x-zel=missing.desktop;hidden.desktop;zed.desktop;\n");
    Write("data/applications/zed.desktop",
          "[Desktop Entry]\nType=Application\nName=Zed\nExec=zed --open\\s%f\n");
    Write("data/applications/hidden.desktop", "[Desktop Entry]\nExec=hidden %f\nHidden=true\n");
    Write("data/applications/vendor/cs.desktop",
          "[Desktop Entry]\nExec=cs-tool %U\nMimeType=text/x-cs;\n");
  }
  void Write(const std::string& rel, const std::string& text) {
    const auto path = dir_.Path() / rel;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << text;
  }
  std::string Dir(const char* rel) const { return (dir_.Path() / rel).string(); }

  zel_test::TempDir dir_;
  zel_test::TempStore store_;
  zel_test::ScopedEnv data_home_{"XDG_DATA_HOME", Dir("home")};
  zel_test::ScopedEnv data_dirs_{"XDG_DATA_DIRS", Dir("data")};
  zel_test::ScopedEnv config_home_{"XDG_CONFIG_HOME", Dir("config")};
  zel_test::ScopedEnv config_dirs_{"XDG_CONFIG_DIRS", Dir("nowhere")};
  zel_test::ScopedEnv desktop_{"XDG_CURRENT_DESKTOP", std::nullopt};
};

#ifndef _WIN32
// The desktop's MIME database (Linux).
TEST_F(ProgAssocTest, FromTheDesktopDatabase) {
  Write("data/applications/mimeinfo.cache", "[MIME Cache]\ntext/x-cs=vendor-cs.desktop;\n");
  const struct {
    const char16_t* ext;
    const char16_t* command;
  } cases[] = {
      {u"zel", u"zed --open %f"},  // default entry; the missing and hidden ones skipped
      {u"ZEL", u"zed --open %f"},  // the heavier *.ZEL type is switched off in home
      {u"Cs", u"cs-tool %U"},      // through the cache, vendor-cs -> vendor/cs.desktop
      {u"cs", u""},                // case-sensitive pattern
      {u"none", u""},              // a type without a program
      {u"png", u""},               // wildcard patterns are not extensions
      {u"", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(zel::StringToUtf8(c.ext));
    EXPECT_EQ(zel::GetProgAssoc(c.ext), c.command);
  }
}

TEST_F(ProgAssocTest, TypeOfExtension) {
  const struct {
    const char* ext;
    const char* type;
  } cases[] = {{"q", "text/x-lower"},   {"Q", "text/x-upper"},  // the exact case first
               {"zel", "text/x-zel"},   {"ZEL", "text/x-zel"},  // *.ZEL's type is cleared
               {"zEl", "text/x-zel"},   {"cS", ""},
               {"none", "text/x-none"}, {"", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ext);
    EXPECT_EQ(zel::platform::Mime().TypeOfExtension(c.ext), c.type);
  }
}

#endif

TEST_F(ProgAssocTest, DesktopFilesWithoutCacheAndStoreFallback) {
#ifndef _WIN32
  EXPECT_EQ(zel::GetProgAssoc(u"Cs"), u"cs-tool %U");  // no cache: scans the entries
#endif
  zel::TRegistry reg;
  reg.SetRootKey(zel::HKEY_CLASSES_ROOT);
  ASSERT_TRUE(reg.OpenKey(u"\\.none\\shell\\open\\command", true));
  reg.WriteString(u"", u"none-viewer \"%1\"");
  ASSERT_TRUE(reg.OpenKey(u"\\.abc", true));
  reg.WriteString(u"", u"abcfile");
  ASSERT_TRUE(reg.OpenKey(u"\\abcfile\\shell\\open\\command", true));
  reg.WriteString(u"", u"abc-editor %1");
  ASSERT_TRUE(reg.OpenKey(u"\\.typeonly", true));
  reg.WriteString(u"", u"typeonlyfile");
  ASSERT_TRUE(reg.OpenKey(u"\\.intdefault", true));
  reg.WriteInteger(u"", 3);
  const struct {
    const char16_t* ext;
    const char16_t* command;
  } cases[] = {
      {u"none", u"none-viewer \"%1\""},
      {u"ABC", u"abc-editor %1"},
      {u"typeonly", u""},  // a type name is not a command
      {u"intdefault", u""},
      {u"unknown", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(zel::StringToUtf8(c.ext));
    EXPECT_EQ(zel::GetProgAssoc(c.ext), c.command);
  }
}

}  // namespace
