#include "zel/filesys/savedialog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "support/temp_dir.h"
#include "support/wine.h"
#include "zel/base/errors.h"
#include "zel/platform/backend.h"
#include "zel/platform/dialog.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/utf8.h"

namespace {

using zel::String;
using zel::TModalResult;
using zel::TUnivSaveDialog;
using zel::platform::HeadlessSaveDialogs;
using Guard = zel::platform::ScopedBackend<zel::platform::SaveDialogs>;

std::string U8(const String& s) { return zel::StringToUtf8(s); }

// Runs f and returns the message of the EZELFileSysError it raises ("" when
// it raises nothing).
template <class F>
std::string ErrorOf(F&& f) {
  try {
    f();
  } catch (const zel::EZELFileSysError& e) {
    return e.what();
  }
  return "";
}

struct Fixture : ::testing::Test {
  HeadlessSaveDialogs dialogs;
  Guard guard{&dialogs, &zel::platform::SetSaveDialogsBackend};
  TUnivSaveDialog dlg{nullptr};
  Fixture() { dlg.SetName(u"Saver"); }
};

using SaveDialogTest = Fixture;

TEST_F(SaveDialogTest, DefaultsAtCreation) {
  EXPECT_TRUE(dlg.UseStandardDialog());
  EXPECT_EQ(dlg.FilterIndex(), 1);
  EXPECT_TRUE(dlg.ForbiddenDir().empty());
  EXPECT_TRUE(dlg.Parameters().empty());
  EXPECT_EQ(dlg.ParentWnd(), 0u);
  EXPECT_EQ(U8(dlg.ClassName()), "TUnivSaveDialog");
}

TEST_F(SaveDialogTest, ParameterReaders) {
  dlg.SetParameters(u"width=12 Ratio=\"2,5e1\" empty=\"\" neg=\" -7px\" word=abc");
  EXPECT_EQ(dlg.ExtractParamAsInt(u"width"), 12);
  EXPECT_EQ(dlg.ExtractParamAsInt(u"WIDTH"), 12);
  EXPECT_EQ(dlg.ExtractParamAsInt(u"neg"), -7);
  EXPECT_EQ(dlg.ExtractParamAsInt(u"word"), 0);
  EXPECT_DOUBLE_EQ(dlg.ExtractParamAsDouble(u"ratio"), 25.0);
  EXPECT_DOUBLE_EQ(dlg.ExtractParamAsDouble(u"width"), 12.0);
  EXPECT_EQ(U8(dlg.ExtractParamAsString(u"word")), "abc");
  EXPECT_EQ(U8(dlg.ExtractParamAsString(u"missing")), "");
  for (const char16_t* name : {u"empty", u"missing"}) {
    SCOPED_TRACE(U8(name));
    const std::string expected =
        "Component \"Saver\": " + U8(name) + " is not specified in property Parameters";
    EXPECT_EQ(ErrorOf([&] { dlg.ExtractParamAsInt(name); }), expected);
    EXPECT_EQ(ErrorOf([&] { dlg.ExtractParamAsDouble(name); }), expected);
  }
}

TEST_F(SaveDialogTest, ForbiddenDirIsCaseBlindPrefix) {
  struct Case {
    const char16_t* forbidden;
    const char16_t* dir;
    bool expected;
  } cases[] = {
      {u"C:\\Windows", u"c:\\windows\\system32\\", true},
      {u"C:\\Windows", u"C:\\Win\\", false},
      {u"C:\\Windows", u"", false},
      {u"", u"c:\\windows\\", false},
      {u"/ETC", u"/etc/ssh/", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.dir));
    dlg.SetForbiddenDir(c.forbidden);
    EXPECT_EQ(dlg.IsForbiddenDir(c.dir), c.expected);
  }
}

// Whole components of the folders as the file system resolves them.
TEST_F(SaveDialogTest, ForbiddenDirComparesResolvedComponents) {
  zel_test::TempDir tmp;
  const std::string t = tmp.Path().string();
  std::filesystem::create_directories(tmp.Path() / "etc" / "ssh");
  std::filesystem::create_directories(tmp.Path() / "etcetera");
  std::filesystem::create_directories(tmp.Path() / "w");
  std::error_code linked;
  std::filesystem::create_directory_symlink("../etc", tmp.Path() / "w" / "toetc", linked);
  // Wine reports success and makes no link: the rows through it are left out.
  const bool links = !linked && std::filesystem::is_symlink(tmp.Path() / "w" / "toetc");
  const std::string rel = std::filesystem::relative(tmp.Path() / "etc" / "ssh").string();
  struct Case {
    std::string forbidden;
    std::string dir;
    bool expected;
  } cases[] = {
      {t + "/etc", t + "/etc/ssh/", true},
      {t + "/etc", t + "/etc", true},
      {t + "/etc", t + "/ETC/ssh/", true},  // letter case is ignored
      {t + "/etc", t + "/etcetera/", false},
      {t + "/etc", t + "/etc/../etcetera/", false},
      {t + "/etc/", t + "/w/../etc/ssh/", true},
      {t + "/etc", t + "//etc//", true},
      {t + "/etc", t + "/w/toetc/", true},
      {t + "/etc", t + "/w/toetc/new/deeper/", true},
      {t + "/etc", t + "/etc/new/../../etcetera/", false},
      {t + "/etc", rel + "/", true},
      {t + "/w/toetc", t + "/etc/ssh/", true},
      {t + "/w/./toetc/ssh", t + "/etc/ssh", true},
      {t + "/etc/ssh", t + "/etc/", false},
      {t + "/etc", std::string("/etc"), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.forbidden + " | " + c.dir);
    if (!links && (c.forbidden + c.dir).find("toetc") != std::string::npos) continue;
    // Windows: no relative name leads to another drive than the working folder's.
    if (rel.empty() && c.dir == "/") continue;
    dlg.SetForbiddenDir(zel::PathToFileName(c.forbidden));
    EXPECT_EQ(dlg.IsForbiddenDir(zel::PathToFileName(c.dir)), c.expected);
  }
  dlg.SetForbiddenDir(zel::PathToFileName(t + "/etc"));
  EXPECT_FALSE(dlg.IsForbiddenDir(zel::PathToFileName(t + "/etc/") + String(u"\0x", 2)));

  // A name without folder is saved in the working folder, which is checked.
  dlg.SetForbiddenDir(zel::PathToFileName(std::filesystem::current_path().string()));
  dlg.SetUseStandardDialog(false);
  dlg.SetOnFileSelect([](zel::TObject*, const String&, TModalResult& action, String& name) {
    action = zel::mrOk;
    name = u"bare.txt";
  });
  String asked = u"(not asked)";
  dlg.SetOnForbiddenDir([&](zel::TObject*, const String& path, TModalResult& reply) {
    asked = path;
    reply = zel::mrCancel;
  });
  EXPECT_FALSE(dlg.Execute());
  EXPECT_EQ(U8(asked), "");
  if (!links) GTEST_SKIP() << "symbolic links cannot be made here (Wine makes none)";
}

TEST_F(SaveDialogTest, StandardDialogIsConfiguredFromParameters) {
  dlg.SetParameters(
      u"filter=\"Text|*.txt|All|*.*|Odd\" ext=dat caption=\"Save report\" initialdir=/tmp/out");
  dlg.SetFilterIndex(2);
  dlg.SetFileName(u"/tmp/out/old.txt");
  dlg.SetParentWnd(77);
  dialogs.Script(HeadlessSaveDialogs::Confirm("C:\\out\\report.txt", 1));
  EXPECT_TRUE(dlg.Execute());
  EXPECT_EQ(U8(dlg.FileName()), "C:\\out\\report.dat");
  EXPECT_EQ(dlg.FilterIndex(), 1);
  ASSERT_EQ(dialogs.Shown().size(), 1u);
  const auto& shown = dialogs.Shown()[0];
  const std::vector<zel::platform::SaveFileType> types = {{"Text", "*.txt"}, {"All", "*.*"}};
  EXPECT_EQ(shown.types, types);  // the odd last token is dropped
  EXPECT_EQ(shown.title, "Save report");
  EXPECT_EQ(shown.initial_dir, "/tmp/out");
  EXPECT_EQ(shown.file_name, "/tmp/out/old.txt");
  EXPECT_EQ(shown.type_index, 2);
  EXPECT_EQ(shown.owner, 77u);
}

TEST_F(SaveDialogTest, CancelKeepsAnEmptyNameEmpty) {
  struct Case {
    const char16_t* preset;
    const char* expected;
  } cases[] = {{u"", ""}, {u"/tmp/a.txt", "/tmp/a.dat"}};
  dlg.SetParameters(u"ext=.dat");  // a leading dot is dropped
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.preset));
    dlg.SetFileName(c.preset);
    dialogs.Script(HeadlessSaveDialogs::Cancel());
    EXPECT_FALSE(dlg.Execute());
    EXPECT_EQ(U8(dlg.FileName()), c.expected);
  }
  dialogs.Script(HeadlessSaveDialogs::Confirm("/tmp/b"));
  EXPECT_TRUE(dlg.Execute());
  EXPECT_EQ(U8(dlg.FileName()), "/tmp/b.dat");
}

TEST_F(SaveDialogTest, DialogFailureRaisesWithTheCode) {
  dlg.SetFileName(u"keep.txt");
  dialogs.Script(HeadlessSaveDialogs::Fail(0x3002));
  EXPECT_EQ(ErrorOf([&] { dlg.Execute(); }),
            "Component \"Saver\": Error in standard dialog (errnum = $3002).");
  EXPECT_EQ(zel::CommDlgExtendedError(), 0x3002u);
  EXPECT_EQ(U8(dlg.FileName()), "keep.txt");
  dialogs.Script(HeadlessSaveDialogs::Cancel());
  EXPECT_FALSE(dlg.Execute());
  EXPECT_EQ(zel::CommDlgExtendedError(), 0u);
}

// Names reach the file system by their bytes: a name that is not UTF-8
// designates that file, not its look-alike; a name holding U+0000 none.
TEST_F(SaveDialogTest, NamesThatAreNotUtf8DesignateTheirFiles) {
  if (zel_test::UnderWine())
    GTEST_SKIP() << "Wine keeps names as UTF-8 Unix names, which cannot hold the lone surrogate "
                    "a name that is not UTF-8 stands for";
  zel_test::TempDir dir;
  const std::string bad = dir.Path().string() + "/n\xff.txt";
  std::ofstream(bad) << "x";
  dlg.SetParameters(zel::PathToFileName("initialdir=\"" + dir.Path().string() + "\""));
  String asked;
  dlg.SetOnOverwrite([&](zel::TObject*, const String& name, TModalResult& reply) {
    asked = name;
    reply = zel::mrYes;
  });
  dialogs.Script(HeadlessSaveDialogs::Confirm("n\xff.txt"));
  EXPECT_TRUE(dlg.Execute());
  EXPECT_EQ(asked, zel::PathToFileName(bad));
  EXPECT_EQ(dlg.FileName(), zel::PathToFileName(bad));
  asked.clear();
  dialogs.Script(HeadlessSaveDialogs::Confirm("n\xef\xbf\xbd.txt"));
  EXPECT_TRUE(dlg.Execute());
  EXPECT_TRUE(asked.empty());  // the look-alike does not exist

  dlg.SetFileName(String(u"a\0b", 3));
  dialogs.Script(HeadlessSaveDialogs::Confirm("c.txt"));
  EXPECT_EQ(ErrorOf([&] { dlg.Execute(); }),
            "Component \"Saver\": Error in standard dialog (errnum = $3002).");
  EXPECT_EQ(dialogs.Pending(), 1u);  // never shown
  dialogs.Reset();
}

TEST_F(SaveDialogTest, TypeChangeReplacesTheExtensionOfTheFirstPattern) {
  struct Case {
    const char16_t* mask;
    const char* typed;  // "" leaves the field with the preset's name part
    const char* expected;
  } cases[] = {
      {u"*.png;*.jpg", "photo.txt", "photo.png"},
      {u"*.tar.gz", "backup", "backup.tar.gz"},
      {u"*", "photo.txt", "photo.txt"},
      {u"*.*", "photo.txt", "photo.txt"},
      {u"data*", "photo.txt", "photo.txt"},
      {u"*.ht?", "page.txt", "page.txt"},
      {u"*.csv", "", "preset.csv"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.mask));
    dialogs.Reset();
    dlg.SetFileName(u"/data/preset.txt");
    dlg.SetParameters(u"filter=\"Text|*.txt|Other|" + String(c.mask) + u"\"");
    auto answer = HeadlessSaveDialogs::Confirm(c.typed);
    answer.type_changes = {2};
    dialogs.Script(answer);
    EXPECT_TRUE(dlg.Execute());
    ASSERT_EQ(dialogs.FinalTypedNames().size(), 1u);
    EXPECT_EQ(dialogs.FinalTypedNames()[0], c.expected);
    EXPECT_EQ(dlg.FilterIndex(), 2);
  }
}

TEST_F(SaveDialogTest, OverwriteQuestionDecidesTheLoop) {
  zel_test::TempDir tmp;
  const std::string existing = U8(tmp.Write("old.txt", "x"));
  const std::string fresh = U8(tmp.File("new.txt"));
  struct Case {
    TModalResult reply;
    bool result;
    size_t shown;
    std::string error;
  } cases[] = {
      {zel::mrYes, true, 1, ""},
      {zel::mrCancel, false, 1, ""},
      {zel::mrNo, true, 2, ""},  // asked again; the second name is new
      {zel::mrOk, false, 1, "Component \"Saver\": Invalid reply argument from overwrite dialog"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    dialogs.Reset();
    dialogs.Script(HeadlessSaveDialogs::Confirm(existing));
    dialogs.Script(HeadlessSaveDialogs::Confirm(fresh));
    int asked = 0;
    dlg.SetOnOverwrite([&](zel::TObject*, const String& name, TModalResult& reply) {
      ++asked;
      EXPECT_EQ(reply, zel::mrNo);
      EXPECT_EQ(U8(name), existing);
      reply = c.reply;
    });
    bool result = false;
    EXPECT_EQ(ErrorOf([&] { result = dlg.Execute(); }), c.error);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(dialogs.Shown().size(), c.shown);
  }
  dlg.SetOnOverwrite(nullptr);
  dialogs.Reset();
  dialogs.Script(HeadlessSaveDialogs::Confirm(existing));
  EXPECT_EQ(ErrorOf([&] { dlg.Execute(); }),
            "Component \"Saver\": Overwrite dialog is not assigned");
  dialogs.Script(HeadlessSaveDialogs::Confirm(U8(tmp.File(""))));  // a folder is no file
  EXPECT_TRUE(dlg.Execute());
}

TEST_F(SaveDialogTest, ForbiddenDirQuestionDecidesTheLoop) {
  struct Case {
    bool handler;
    TModalResult reply;
    bool result;
    size_t shown;
  } cases[] = {
      {false, 0, true, 1},
      {true, zel::mrYes, true, 1},
      {true, zel::mrCancel, false, 1},
      {true, zel::mrNo, true, 2},
  };
  dlg.SetForbiddenDir(u"/Forbidden");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    dialogs.Reset();
    dialogs.Script(HeadlessSaveDialogs::Confirm("/forbidden/sub/a.txt"));
    dialogs.Script(HeadlessSaveDialogs::Confirm("/nonexistent-zel-dir/a.txt"));
    dlg.SetOnForbiddenDir(nullptr);
    if (c.handler) {
      dlg.SetOnForbiddenDir([&](zel::TObject*, const String& path, TModalResult& reply) {
        EXPECT_EQ(U8(path), "/forbidden/sub/");
        EXPECT_EQ(reply, zel::mrYes);
        reply = c.reply;
      });
    }
    EXPECT_EQ(dlg.Execute(), c.result);
    EXPECT_EQ(dialogs.Shown().size(), c.shown);
  }
}

TEST_F(SaveDialogTest, CustomMode) {
  dlg.SetUseStandardDialog(false);
  EXPECT_EQ(ErrorOf([&] { dlg.Execute(); }),
            "Component \"Saver\": File select dialog is not assigned");
  dlg.SetParameters(u"ext=dat");
  int selects = 0;
  dlg.SetOnFileSelect(
      [&](zel::TObject* sender, const String& params, TModalResult& action, String& name) {
        ++selects;
        EXPECT_EQ(sender, &dlg);
        EXPECT_EQ(U8(params), "ext=dat");
        EXPECT_EQ(action, zel::mrCancel);
        action = zel::mrOk;
        name = u"/etc/passwd";  // exists on disk, but only OnFileCheck counts here
      });
  bool asked = false;
  dlg.SetOnOverwrite([&](zel::TObject*, const String&, TModalResult& r) {
    asked = true;
    r = zel::mrYes;
  });
  EXPECT_TRUE(dlg.Execute());
  EXPECT_FALSE(asked);
  EXPECT_EQ(U8(dlg.FileName()), "/etc/passwd");  // ext is for the standard dialog only
  EXPECT_TRUE(dialogs.Shown().empty());
  dlg.SetOnFileCheck([](zel::TObject*, const String&, bool& exists) {
    EXPECT_FALSE(exists);
    exists = true;
  });
  EXPECT_TRUE(dlg.Execute());
  EXPECT_TRUE(asked);
  EXPECT_EQ(selects, 2);
}

TEST(HeadlessDialogTest, IsTheDefaultAndFailsWithoutAnswers) {
  EXPECT_EQ(&zel::platform::Dialogs(), &zel::platform::HeadlessDialogs());
  HeadlessSaveDialogs dialogs;
  zel::platform::SaveDialogRequest request;
  request.file_name = "/x/preset.txt";
  request.initial_dir = "/home/u";
  auto result = dialogs.ShowSave(request, nullptr);
  EXPECT_FALSE(result.confirmed);
  EXPECT_EQ(result.error, zel::platform::kDialogFailure);  // nobody there to answer
  EXPECT_EQ(result.file_name, "/x/preset.txt");
  dialogs.Script(HeadlessSaveDialogs::Cancel());
  result = dialogs.ShowSave(request, nullptr);
  EXPECT_FALSE(result.confirmed);
  EXPECT_EQ(result.error, 0u);
  dialogs.Script(HeadlessSaveDialogs::Confirm("name.txt", 3));
  result = dialogs.ShowSave(request, nullptr);
  EXPECT_TRUE(result.confirmed);
  EXPECT_EQ(result.file_name, "/home/u/name.txt");  // a bare name lands in the folder shown
  EXPECT_EQ(result.type_index, 3);
  dialogs.Script(HeadlessSaveDialogs::Fail(0));
  EXPECT_EQ(dialogs.ShowSave(request, nullptr).error, zel::platform::kDialogFailure);
  EXPECT_EQ(dialogs.Shown().size(), 4u);
}

// The default headless dialog with nothing scripted reports that no dialog
// could be shown; a scripted cancel stays a cancel.
TEST(HeadlessDialogTest, UnansweredStandardDialogIsAFailure) {
  zel::platform::HeadlessDialogs().Reset();
  TUnivSaveDialog dlg(nullptr);
  dlg.SetName(u"Saver");
  dlg.SetFileName(u"keep.txt");
  EXPECT_EQ(ErrorOf([&] { dlg.Execute(); }),
            "Component \"Saver\": Error in standard dialog (errnum = $FFFF).");
  EXPECT_EQ(zel::CommDlgExtendedError(), zel::platform::kDialogFailure);
  EXPECT_EQ(U8(dlg.FileName()), "keep.txt");
  zel::platform::HeadlessDialogs().Script(HeadlessSaveDialogs::Cancel());
  EXPECT_FALSE(dlg.Execute());
  EXPECT_EQ(zel::CommDlgExtendedError(), 0u);
  zel::platform::HeadlessDialogs().Reset();
}

}  // namespace
