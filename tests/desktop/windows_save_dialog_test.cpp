// Windows' save dialog in a real window (run under Wine inside Xvfb by
// windows_save_dialog.sh, which types with xdotool): a name typed, the file
// type switched (the type-change handler rewrites the extension), Enter, and
// the accepted name, type and error code checked. A picture of the screen
// with the dialog open is left where ZEL_DIALOG_SHOT names it. The other
// cases drive the dialog with window messages from a second thread: a
// handler's exception closes the dialog and reaches the caller, a cancel
// reports 0. Every wait is bounded: a dialog still open after kWaitLimit is
// cancelled and the case fails.
#include <gtest/gtest.h>
#include <windows.h>
// After <windows.h>, which they need.
#include <commdlg.h>
#include <dlgs.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "zel/filesys/savedialog.h"
#include "zel/platform/backend.h"
#include "zel/platform/dialog.h"
#include "zel/runtime/bitmap.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/utf8.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr auto kWaitLimit = 60s;

std::wstring Env(const wchar_t* name) {
  const wchar_t* value = _wgetenv(name);
  return value != nullptr ? value : L"";
}

// The dialog's top-level window with this title, or null.
HWND FindDialog(const std::wstring& title) { return FindWindowW(L"#32770", title.c_str()); }

// The name field of the open dialog: a combo box (cmb13) or an edit field (edt1).
HWND NameField(HWND dialog) {
  HWND field = GetDlgItem(dialog, cmb13);
  return field != nullptr ? field : GetDlgItem(dialog, edt1);
}

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// Waits (bounded) for the dialog titled `title` to be shown.
HWND WaitForDialog(const std::wstring& title) {
  const auto end = std::chrono::steady_clock::now() + kWaitLimit;
  while (std::chrono::steady_clock::now() < end) {
    const HWND dialog = FindDialog(title);
    if (dialog != nullptr && IsWindowVisible(dialog)) return dialog;
    std::this_thread::sleep_for(50ms);
  }
  return nullptr;
}

// Cancels the dialog titled `title` if it is still open when the case has
// waited long enough, so that a driver that failed cannot hang the program.
class Watchdog {
 public:
  explicit Watchdog(std::wstring title) : title_(std::move(title)), thread_([this] { Run(); }) {}
  ~Watchdog() {
    done_ = true;
    thread_.join();
  }
  bool Fired() const { return fired_; }

 private:
  void Run() {
    const auto end = std::chrono::steady_clock::now() + kWaitLimit;
    while (!done_ && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(50ms);
    if (done_) return;
    if (const HWND dialog = FindDialog(title_)) {
      fired_ = true;
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
  }
  std::wstring title_;
  std::atomic<bool> done_{false};
  std::atomic<bool> fired_{false};
  std::thread thread_;
};

// Selects type `index` (0-based) in the dialog's type list as a mouse pick
// does: the list changes, and the dialog hears of the change and of the end
// of the selection.
void SelectType(HWND dialog, int index) {
  const HWND types = GetDlgItem(dialog, cmb1);
  SendMessageW(types, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  for (const WORD code : {CBN_SELCHANGE, CBN_SELENDOK}) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(cmb1, code), reinterpret_cast<LPARAM>(types));
  }
}

// The screen as Windows draws it, saved as PNG through TBitmap at `png`.
// Returns the file written, or "" on failure.
std::wstring SaveScreen(const std::wstring& png) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  if (width <= 0 || height <= 0) return L"";
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::vector<uint32_t> pixels;
  if (dib != nullptr && bits != nullptr) {
    HGDIOBJ old = SelectObject(memory, dib);
    if (BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY)) {
      GdiFlush();
      const auto* p = static_cast<const uint32_t*>(bits);
      pixels.assign(p, p + static_cast<size_t>(width) * height);
    }
    SelectObject(memory, old);
  }
  if (dib != nullptr) DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (pixels.empty()) return L"";
  for (uint32_t& p : pixels) p |= 0xFF000000u;  // the screen is opaque

  zel::TBitmap picture(width, height);
  for (int y = 0; y < height; ++y) {
    std::copy_n(pixels.data() + static_cast<size_t>(y) * width, width, picture.ScanLine(y));
  }
  try {
    picture.SaveToFile(reinterpret_cast<const char16_t*>(png.c_str()));
    return png;
  } catch (const zel::Exception& e) {
    std::printf("screenshot not saved: %s\n", e.what());
  }
  return L"";
}

class WindowsSaveDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!zel::platform::UseSystemDialogs()) GTEST_SKIP() << "this session shows no windows";
  }
  void TearDown() override { zel::platform::SetSaveDialogsBackend(nullptr); }
};

// What the screen thread saw of the dialog while xdotool typed.
struct Observed {
  std::atomic<bool> found{false};
  std::atomic<bool> shot{false};
  std::atomic<int> types{0};
  std::wstring shot_file;
  std::wstring last_name;
};

TEST_F(WindowsSaveDialog, TypedNameTypeChangeAndEnter) {
  const std::wstring shot = Env(L"ZEL_DIALOG_SHOT");
  const std::wstring mark = Env(L"ZEL_DIALOG_SHOT_MARK");
  if (shot.empty() || mark.empty())
    GTEST_SKIP() << "not started by windows_save_dialog.sh (no xdotool)";

  const fs::path folder =
      fs::temp_directory_path() / ("zel-dialog-" + std::to_string(GetCurrentProcessId()));
  fs::create_directories(folder);
  const std::wstring title = L"Save zel report";
  zel::TUnivSaveDialog dlg(nullptr);
  dlg.SetName(u"Saver");
  dlg.SetParameters(
      u"filter=\"Text files|*.txt|Pictures|*.png;*.jpg\" caption=\"Save zel report\" "
      u"initialdir=\"" +
      zel::String(reinterpret_cast<const char16_t*>(folder.wstring().c_str())) + u"\"");
  dlg.SetFileName(u"untitled.txt");

  // Once the rewritten name shows (twice, so that it is drawn), the screen
  // is saved and the mark tells the driver to press Enter.
  Observed seen;
  std::atomic<bool> done{false};
  std::thread watcher([&] {
    int matches = 0;
    const auto end = std::chrono::steady_clock::now() + kWaitLimit;
    while (!done && std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(100ms);
      const HWND dialog = FindDialog(title);
      if (dialog == nullptr || !IsWindowVisible(dialog)) continue;
      const HWND field = NameField(dialog);
      const HWND types = GetDlgItem(dialog, cmb1);
      if (field == nullptr || types == nullptr) continue;  // closing
      seen.found = true;
      seen.last_name = TextOf(field);
      if (seen.shot || seen.last_name != L"report-7.png" || ++matches < 2) continue;
      seen.types = static_cast<int>(SendMessageW(types, CB_GETCOUNT, 0, 0));
      seen.shot_file = SaveScreen(shot);
      seen.shot = true;
      std::ofstream(fs::path(mark)) << "shot\n";
    }
  });
  Watchdog watchdog(title);
  bool accepted = false;
  try {
    accepted = dlg.Execute();
  } catch (...) {
    done = true;
    watcher.join();
    fs::remove_all(folder);
    throw;
  }
  done = true;
  watcher.join();
  fs::remove_all(folder);

  EXPECT_FALSE(watchdog.Fired()) << "the dialog was still open after the time limit";
  EXPECT_TRUE(seen.found);
  EXPECT_EQ(seen.types, 2);
  ASSERT_TRUE(accepted) << "cancelled; the name field last showed \""
                        << zel::StringToUtf8(
                               reinterpret_cast<const char16_t*>(seen.last_name.c_str()))
                        << "\"";
  const std::wstring expected = (folder / L"report-7.png").wstring();
  EXPECT_EQ(_wcsicmp(reinterpret_cast<const wchar_t*>(dlg.FileName().c_str()), expected.c_str()), 0)
      << zel::StringToUtf8(dlg.FileName());
  EXPECT_EQ(dlg.FilterIndex(), 2);
  EXPECT_EQ(zel::CommDlgExtendedError(), 0u);
  EXPECT_TRUE(seen.shot);
  EXPECT_TRUE(!seen.shot_file.empty() && fs::exists(fs::path(seen.shot_file)));
  std::printf("screenshot: %s\n", fs::path(seen.shot_file).string().c_str());
}

// A handler's exception closes the dialog and reaches the caller of Execute
// once the dialog is gone; the handler is not called again.
TEST_F(WindowsSaveDialog, HandlerExceptionClosesTheDialogAndPassesOn) {
  const std::wstring title = L"Throwing handler";
  zel::TSaveDialog dlg(nullptr);
  dlg.AddFileType(u"Text", u"*.txt");
  dlg.AddFileType(u"Data", u"*.dat");
  dlg.SetTitle(u"Throwing handler");
  dlg.SetFileName(u"name.txt");
  int calls = 0;
  dlg.SetOnTypeChange([&](zel::TObject*) {
    ++calls;
    throw std::runtime_error("handler failed");
  });
  std::thread user([&] {
    if (const HWND dialog = WaitForDialog(title)) {
      SelectType(dialog, 1);
      SelectType(dialog, 0);  // queued behind the cancel, or after it: no second call
    }
  });
  Watchdog watchdog(title);
  EXPECT_THROW(
      {
        try {
          dlg.Execute();
        } catch (const std::runtime_error& e) {
          EXPECT_STREQ(e.what(), "handler failed");
          throw;
        }
      },
      std::runtime_error);
  user.join();
  EXPECT_FALSE(watchdog.Fired()) << "the dialog stayed open after the exception";
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(FindDialog(title), nullptr);
}

// A cancel: not confirmed, error 0, the preset name and the type selected
// last; the handler read and rewrote the name field on the way.
TEST_F(WindowsSaveDialog, CancelAfterTypeChangeKeepsPresetAndReportsZero) {
  const std::wstring title = L"Cancel me";
  zel::TSaveDialog dlg(nullptr);
  dlg.AddFileType(u"Text", u"*.txt");
  dlg.AddFileType(u"Pictures", u"*.png;*.jpg");
  dlg.SetTitle(u"Cancel me");
  dlg.SetFileName(u"photo.txt");
  zel::TUnivSaveDialog owner(nullptr);
  std::string typed_before;
  dlg.SetOnTypeChange([&](zel::TObject* sender) {
    typed_before = zel::StringToUtf8(dlg.TypedName());
    owner.SaveDiagTypeChange(sender);
  });
  std::wstring field_after;
  std::thread user([&] {
    if (const HWND dialog = WaitForDialog(title)) {
      SelectType(dialog, 1);
      field_after = TextOf(NameField(dialog));
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
  });
  Watchdog watchdog(title);
  EXPECT_FALSE(dlg.Execute());
  user.join();
  EXPECT_FALSE(watchdog.Fired());
  EXPECT_EQ(zel::CommDlgExtendedError(), 0u);
  EXPECT_EQ(typed_before, "photo.txt");
  EXPECT_EQ(field_after, L"photo.png");
  EXPECT_EQ(zel::StringToUtf8(dlg.FileName()), "photo.txt");
  EXPECT_EQ(dlg.FilterIndex(), 2);
}

}  // namespace
