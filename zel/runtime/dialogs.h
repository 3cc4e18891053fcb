// The runtime's common dialogs: TCommonDialog, the base of components that
// show a dialog, and TSaveDialog, the platform's file-save dialog as a
// component.
//
// TSaveDialog shows whatever zel/platform/dialog.h has in force: by default
// the headless dialog (answers scripted by the application or a test), or the
// GTK 3 file chooser once an application has called
// zel::gtk::UseGtkDialogs() (Linux), or the system's save dialog after
// zel::platform::UseSystemDialogs() (Windows). The dialog object lives only
// while Execute runs in the platform layer; the component keeps the settings
// and the results.
//
// Modal results are the usual codes: mrOk 1, mrCancel 2, mrYes 6, mrNo 7.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "zel/runtime/classes.h"
#include "zel/runtime/types.h"

namespace zel {

namespace platform {
class SaveDialogSession;
}

// How a modal window was closed: one of the mr constants below.
using TModalResult = int32_t;
inline constexpr TModalResult mrNone = 0;    // not closed (yet), or closed without an answer
inline constexpr TModalResult mrOk = 1;      // confirmed with OK
inline constexpr TModalResult mrCancel = 2;  // cancelled
inline constexpr TModalResult mrAbort = 3;   // closed with Abort
inline constexpr TModalResult mrRetry = 4;   // closed with Retry
inline constexpr TModalResult mrIgnore = 5;  // closed with Ignore
inline constexpr TModalResult mrYes = 6;     // answered Yes
inline constexpr TModalResult mrNo = 7;      // answered No

// A window as the desktop identifies it (Linux: an X11 window id; Windows: an
// HWND); 0 = none.
using TWindowHandle = uintptr_t;

// The error code of the last common dialog shown by this process: 0 after a
// confirm or a cancel, the platform's code (zel/platform/dialog.h) after a
// failure. Process-wide.
ZEL_API uint32_t CommDlgExtendedError();

// The base of components that show a dialog: Execute shows it and tells
// whether the user confirmed it.
class ZEL_API TCommonDialog : public TComponent {
 public:
  // A dialog component owned by AOwner (nullptr: by its creator).
  explicit TCommonDialog(TComponent* AOwner);
  ~TCommonDialog() override;

  // Shows the dialog; true when the user confirmed it.
  virtual bool Execute() = 0;

  String ClassName() const override;
};

// One entry of the file-type list: the text shown and its mask ("*.png;*.jpg").
struct TFileTypeItem {
  String DisplayName;  // the text shown in the list ("PNG images")
  String FileMask;     // patterns separated by ";" ("*.png;*.jpg")
};

// The file-save dialog as a component: set the file types, title, folder,
// preset name and type, call Execute, then read FileName and FilterIndex.
class ZEL_API TSaveDialog : public TCommonDialog {
 public:
  // A save dialog owned by AOwner (nullptr: by its creator), with no file
  // types, empty title, folder and name, and FilterIndex 1.
  explicit TSaveDialog(TComponent* AOwner);
  ~TSaveDialog() override;

  // Shows the dialog without an owner window.
  bool Execute() override;
  // Shows the dialog over ParentWnd (0: none). On return FileName and
  // FilterIndex hold what the dialog reported: the accepted name and type
  // after a confirm, the preset name and the last selected type after a
  // cancel or a failure; CommDlgExtendedError() tells a failure from a
  // cancel. Names and folders reach the dialog and come back as file names
  // (zel/runtime/filename.h), so a name whose bytes are not UTF-8 designates
  // exactly that file; a preset name or InitialDir holding U+0000 names no
  // file, and the dialog fails with kInvalidFileName without being shown.
  bool Execute(TWindowHandle ParentWnd);

  // The file types offered, in the order added (FilterIndex 1 is the first).
  const std::vector<TFileTypeItem>& FileTypes() const { return file_types_; }
  // Appends the type DisplayName with the patterns FileMask to FileTypes.
  void AddFileType(const String& DisplayName, const String& FileMask);
  // Empties FileTypes.
  void ClearFileTypes() { file_types_.clear(); }

  // The dialog's title; empty: the dialog's own.
  const String& Title() const { return title_; }
  void SetTitle(const String& Value) { title_ = Value; }  // sets Title
  // The folder shown first; empty: the current folder.
  const String& InitialDir() const { return initial_dir_; }
  void SetInitialDir(const String& Value) { initial_dir_ = Value; }  // sets InitialDir
  // Before Execute the preset name (it may hold a folder); after it the name
  // the dialog reported (see Execute).
  const String& FileName() const { return file_name_; }
  void SetFileName(const String& Value) { file_name_ = Value; }  // sets FileName
  // 1-based; while the dialog is open, the type selected in it.
  int32_t FilterIndex() const;
  // Sets the type selected when the dialog opens (1-based, stored as given).
  void SetFilterIndex(int32_t Value) { filter_index_ = Value; }

  // Called (Sender = the dialog) when the user selects another file type
  // while the dialog is open.
  const TNotifyEvent& OnTypeChange() const { return on_type_change_; }
  // Sets OnTypeChange (an empty handler: none).
  void SetOnTypeChange(TNotifyEvent Handler) { on_type_change_ = std::move(Handler); }

  // While the dialog is open: whether it is, the text in its name field,
  // and a replacement for that text. Outside Execute the name field is
  // empty and SetTypedName does nothing.
  bool IsOpen() const noexcept { return session_ != nullptr; }
  String TypedName() const;  // the text in the name field, or empty
  // Replaces the name field's text (a Value holding U+0000 changes nothing).
  void SetTypedName(const String& Value);

  String ClassName() const override;

 private:
  std::vector<TFileTypeItem> file_types_;
  String title_;
  String initial_dir_;
  String file_name_;
  int32_t filter_index_ = 1;
  TNotifyEvent on_type_change_;
  platform::SaveDialogSession* session_ = nullptr;
};

}  // namespace zel
