// The request of a save dialog as the fields of Windows' common dialog, and
// its answer back: pure functions, run on every system. On Windows also the
// system dialog's refusals that come before any window.
#include "zel/platform/internal/common_dialog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "zel/platform/backend.h"
#include "zel/platform/dialog.h"
#include "zel/runtime/utf8.h"

namespace zel::platform {
namespace {

using internal::CommonDialogFields;
using internal::kDialogNameUnits;
using internal::MapSaveRequest;
using internal::SaveResultOf;

// UTF-8 to UTF-16 as windows::Widen does it: false for a NUL or bytes that
// are not UTF-8 (they do not come back from the conversion unchanged).
bool TestWiden(std::string_view text, std::u16string& out) {
  out = Utf8ToString(text);
  if (text.find('\0') != std::string_view::npos || StringToUtf8(out) != text) {
    out.clear();
    return false;
  }
  return true;
}

uint32_t Map(const SaveDialogRequest& request, CommonDialogFields<char16_t>& fields) {
  return MapSaveRequest(request, &TestWiden, fields);
}

// The text in a NUL-terminated buffer.
std::u16string BufferText(const std::vector<char16_t>& buffer) {
  return std::u16string(buffer.data(), std::char_traits<char16_t>::length(buffer.data()));
}

TEST(CommonDialogMask, PatternsTrimmedEmptyOnesDropped) {
  const struct {
    const char* mask;
    const char* dialog;
  } cases[] = {
      {"*.txt", "*.txt"},
      {"*.png; *.jpg", "*.png;*.jpg"},
      {" *.a ;;*.b; ", "*.a;*.b"},
      {"", "*"},
      {" ; ", "*"},
      {"*.*", "*.*"},
      {"data*", "data*"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(internal::DialogMask(c.mask), c.dialog) << "[" << c.mask << "]";
}

TEST(CommonDialogPreset, FolderAndNameParts) {
  const struct {
    const char* preset;
    const char* folder;
    const char* name;
  } cases[] = {
      {"report.txt", "", "report.txt"},
      {"C:\\out\\report.txt", "C:\\out", "report.txt"},
      {"C:/out/sub/report.txt", "C:/out/sub", "report.txt"},
      {"C:\\report.txt", "C:\\", "report.txt"},
      {"C:report.txt", "C:", "report.txt"},
      {"\\report.txt", "\\", "report.txt"},
      {"/report.txt", "/", "report.txt"},
      {"\\\\server\\share\\report.txt", "\\\\server\\share", "report.txt"},
      {"C:\\out\\", "C:\\out", ""},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(internal::PresetFolder(c.preset), c.folder) << c.preset;
    EXPECT_EQ(internal::PresetName(c.preset), c.name) << c.preset;
  }
}

TEST(CommonDialogRequest, FilterListHoldsNamesAndMasksBetweenNuls) {
  SaveDialogRequest request;
  request.types = {
      {"Text files", "*.txt"}, {"Pictures", "*.png; *.jpg"}, {"", "*.csv"}, {"Any", ""}};
  CommonDialogFields<char16_t> fields;
  ASSERT_EQ(Map(request, fields), 0u);
  static constexpr char16_t kExpected[] =
      u"Text files\0*.txt\0Pictures\0*.png;*.jpg\0*.csv\0*.csv\0Any\0*\0\0";
  EXPECT_EQ(std::u16string_view(fields.filter),
            std::u16string_view(kExpected, std::size(kExpected) - 1));
  // The list ends with two NULs as the dialog reads it, and its last pair is
  // complete: the dialog stops at the first empty name.
  ASSERT_GE(fields.filter.size(), 2u);
  EXPECT_EQ(fields.filter[fields.filter.size() - 1], u'\0');
  EXPECT_EQ(fields.filter[fields.filter.size() - 2], u'\0');
  EXPECT_EQ(fields.filter_index, 1u);
}

TEST(CommonDialogRequest, NoTypesNoFilter) {
  SaveDialogRequest request;
  request.type_index = 3;
  CommonDialogFields<char16_t> fields;
  ASSERT_EQ(Map(request, fields), 0u);
  EXPECT_TRUE(fields.filter.empty());
  EXPECT_EQ(fields.filter_index, 0u);
  EXPECT_TRUE(fields.title.empty());
  EXPECT_TRUE(fields.initial_dir.empty());
  ASSERT_EQ(fields.name_buffer.size(), kDialogNameUnits);
  EXPECT_EQ(fields.name_buffer[0], u'\0');
}

TEST(CommonDialogRequest, TypeIndexOutOfRangeSelectsTheFirst) {
  const struct {
    int32_t index;
    uint32_t selected;
  } cases[] = {{1, 1}, {2, 2}, {3, 3}, {0, 1}, {4, 1}, {-1, 1}, {INT32_MAX, 1}, {INT32_MIN, 1}};
  for (const auto& c : cases) {
    SaveDialogRequest request;
    request.types = {{"A", "*.a"}, {"B", "*.b"}, {"C", "*.c"}};
    request.type_index = c.index;
    CommonDialogFields<char16_t> fields;
    ASSERT_EQ(Map(request, fields), 0u);
    EXPECT_EQ(fields.filter_index, c.selected) << c.index;
  }
}

TEST(CommonDialogRequest, TitleFolderAndPresetName) {
  const struct {
    const char* title;
    const char* dir;
    const char* preset;
    std::u16string_view wide_title, wide_dir, wide_name;
  } cases[] = {
      {"Save report", "C:\\out", "report.txt", u"Save report", u"C:\\out", u"report.txt"},
      // Non-ASCII text, a character beyond the 16-bit range (two units).
      {"Bericht \xC3\xBC \xF0\x9F\x93\x84", "C:\\D\xC3\xA4ten", "\xC3\xA9t\xC3\xA9.txt",
       u"Bericht \u00FC \U0001F4C4", u"C:\\D\u00E4ten", u"\u00E9t\u00E9.txt"},
      // "/" shown as Windows writes it, except in a \\?\ name.
      {"", "C:/out/sub", "a.txt", u"", u"C:\\out\\sub", u"a.txt"},
      {"", "\\\\?\\C:\\a/b", "a.txt", u"", u"\\\\?\\C:\\a/b", u"a.txt"},
      // Without an initial folder the preset's folder is shown first and
      // only its name part goes into the name field.
      {"", "", "C:\\dir\\name.txt", u"", u"C:\\dir", u"name.txt"},
      {"", "", "C:/dir/name.txt", u"", u"C:\\dir", u"name.txt"},
      {"", "", "C:\\name.txt", u"", u"C:\\", u"name.txt"},
      // With one, the folder of the preset gives way.
      {"", "D:\\first", "C:\\dir\\name.txt", u"", u"D:\\first", u"name.txt"},
      {"", "", "", u"", u"", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.preset);
    SaveDialogRequest request;
    request.title = c.title;
    request.initial_dir = c.dir;
    request.file_name = c.preset;
    CommonDialogFields<char16_t> fields;
    ASSERT_EQ(Map(request, fields), 0u);
    EXPECT_EQ(fields.title, c.wide_title);
    EXPECT_EQ(fields.initial_dir, c.wide_dir);
    ASSERT_EQ(fields.name_buffer.size(), kDialogNameUnits);
    EXPECT_EQ(BufferText(fields.name_buffer), c.wide_name);
  }
}

TEST(CommonDialogRequest, NameBufferTakesTheLongestWindowsName) {
  SaveDialogRequest request;
  request.file_name = std::string(kDialogNameUnits - 1, 'a');  // 32767 units and the NUL
  CommonDialogFields<char16_t> fields;
  ASSERT_EQ(Map(request, fields), 0u);
  ASSERT_EQ(fields.name_buffer.size(), kDialogNameUnits);
  EXPECT_EQ(fields.name_buffer[kDialogNameUnits - 2], u'a');
  EXPECT_EQ(fields.name_buffer[kDialogNameUnits - 1], u'\0');
  // One unit more does not fit: refused, not cut.
  request.file_name += 'a';
  EXPECT_EQ(Map(request, fields), kInvalidFileName);
  // A character of two units counts as two.
  request.file_name = std::string(kDialogNameUnits - 2, 'a') + "\xF0\x9F\x93\x84";
  EXPECT_EQ(Map(request, fields), kInvalidFileName);
  request.file_name = std::string(kDialogNameUnits - 3, 'a') + "\xF0\x9F\x93\x84";
  EXPECT_EQ(Map(request, fields), 0u);
}

TEST(CommonDialogRequest, TextWindowsCannotTakeFailsBeforeTheDialog) {
  using namespace std::string_literals;
  const struct {
    const char* what;
    SaveDialogRequest request;
    uint32_t error;
  } cases[] = {
      {"NUL in title", {{}, "Sa\0ve"s, "", "", 1, 0}, kDialogInitialization},
      {"bad title", {{}, "Sa\xFFve", "", "", 1, 0}, kDialogInitialization},
      {"NUL in type name", {{{"Te\0xt"s, "*.txt"}}, "", "", "", 1, 0}, kDialogInitialization},
      {"bad type name", {{{"Te\xC3xt", "*.txt"}}, "", "", "", 1, 0}, kDialogInitialization},
      {"NUL in mask", {{{"Text", "*.t\0xt"s}}, "", "", "", 1, 0}, kDialogInitialization},
      {"bad folder", {{}, "", "C:\\d\xFF", "", 1, 0}, kInvalidFileName},
      {"NUL in folder", {{}, "", "C:\\d\0"s, "", 1, 0}, kInvalidFileName},
      {"bad name", {{}, "", "", "n\xFF.txt", 1, 0}, kInvalidFileName},
      {"bad folder of the name", {{}, "", "", "C:\\d\xFF\\n.txt", 1, 0}, kInvalidFileName},
      {"NUL in name", {{}, "", "", "n\0.txt"s, 1, 0}, kInvalidFileName},
  };
  for (const auto& c : cases) {
    CommonDialogFields<char16_t> fields;
    EXPECT_EQ(Map(c.request, fields), c.error) << c.what;
  }
}

TEST(CommonDialogResult, ConfirmCancelAndErrors) {
  SaveDialogRequest request;
  request.types = {{"A", "*.a"}, {"B", "*.b"}};
  request.file_name = "C:\\preset.a";
  request.type_index = 1;
  const struct {
    const char* what;
    bool confirmed;
    uint32_t error;
    const char* accepted;
    uint32_t index;
    SaveDialogResult result;
  } cases[] = {
      {"confirm", true, 0, "C:\\out\\r.b", 2, {true, "C:\\out\\r.b", 2, 0}},
      {"cancel", false, 0, "", 2, {false, "C:\\preset.a", 2, 0}},
      {"invalid name", false, 0x3002, "", 1, {false, "C:\\preset.a", 1, 0x3002}},
      {"buffer too small", false, 0x3003, "", 1, {false, "C:\\preset.a", 1, 0x3003}},
      {"dialog failure", false, 0xFFFF, "", 1, {false, "C:\\preset.a", 1, 0xFFFF}},
      {"confirm without name", true, 0, "", 1, {false, "C:\\preset.a", 1, kInvalidFileName}},
  };
  for (const auto& c : cases) {
    const SaveDialogResult r = SaveResultOf(request, c.confirmed, c.error, c.accepted, c.index);
    EXPECT_EQ(r.confirmed, c.result.confirmed) << c.what;
    EXPECT_EQ(r.file_name, c.result.file_name) << c.what;
    EXPECT_EQ(r.type_index, c.result.type_index) << c.what;
    EXPECT_EQ(r.error, c.result.error) << c.what;
  }
  // Without types the requested index is reported as it was.
  request.types.clear();
  request.type_index = 5;
  EXPECT_EQ(SaveResultOf(request, true, 0, "x", 0).type_index, 5);
}

#ifdef _WIN32
TEST(SystemSaveDialogs, IsTheCommonDialog) {
  ASSERT_NE(SystemSaveDialogs(), nullptr);
  EXPECT_EQ(SystemSaveDialogs(), SystemSaveDialogs());
}

// Requests Windows cannot show fail before any window opens (so this runs
// without a display, on Windows too) with the preset kept.
TEST(SystemSaveDialogs, RefusesTextWindowsCannotShowWithoutAWindow) {
  using namespace std::string_literals;
  SaveDialogRequest request;
  request.types = {{"Text", "*.txt"}};
  request.title = "Sa\0ve"s;
  request.file_name = "preset.txt";
  request.type_index = 7;
  bool called = false;
  SaveDialogResult r =
      SystemSaveDialogs()->ShowSave(request, [&](SaveDialogSession&) { called = true; });
  EXPECT_FALSE(r.confirmed);
  EXPECT_EQ(r.error, kDialogInitialization);
  EXPECT_EQ(r.file_name, "preset.txt");
  EXPECT_EQ(r.type_index, 7);
  request.title = "Save";
  request.file_name = "pre\xFFset.txt";
  r = SystemSaveDialogs()->ShowSave(request, {});
  EXPECT_EQ(r.error, kInvalidFileName);
  EXPECT_EQ(r.file_name, "pre\xFFset.txt");
  EXPECT_FALSE(called);
}

TEST(SystemSaveDialogs, UseSystemDialogsInstallsItWhereWindowsShow) {
  ScopedBackend<SaveDialogs> guard(&HeadlessDialogs(), &SetSaveDialogsBackend);
  // A test session may be a service's (no windows) or a user's.
  if (UseSystemDialogs()) {
    EXPECT_EQ(&Dialogs(), SystemSaveDialogs());
  } else {
    EXPECT_EQ(&Dialogs(), &HeadlessDialogs());
  }
}
#else
TEST(SystemSaveDialogs, NoneOnLinux) {
  ScopedBackend<SaveDialogs> guard(&HeadlessDialogs(), &SetSaveDialogsBackend);
  EXPECT_EQ(SystemSaveDialogs(), nullptr);
  EXPECT_FALSE(UseSystemDialogs());
  EXPECT_EQ(&Dialogs(), &HeadlessDialogs());
}
#endif

}  // namespace
}  // namespace zel::platform
