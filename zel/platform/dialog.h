// The platform's file-save dialog: the window in which a user picks the name
// of a file to save (file types to choose from, a title, the folder shown
// first, a preset name and type), reached through one narrow interface.
//
// The implementations:
//   - HeadlessSaveDialogs, in this library and in force by default on every
//     system: no window; the application or a test scripts the answers
//     beforehand (confirm with a name and type, cancel, fail with an error
//     code, switch the file type while the dialog is open) and it records
//     every request it was shown. Servers, tests and terminal programs use it.
//   - Linux: the desktop dialog (a GTK 3 file chooser) in the separate
//     optional library zel::gtk, so that this library never links a
//     user-interface toolkit. An application selects it with
//     zel::gtk::UseGtkDialogs(); SystemSaveDialogs() is nullptr there.
//   - Windows: the system's save dialog (the common dialog of comdlg32,
//     GetSaveFileNameW in Explorer style), in this library:
//     SystemSaveDialogs(), selected with UseSystemDialogs(). It shows the
//     file types (a type without a name shows its mask; a mask's patterns
//     are separated by ";"), the title, the folder (the initial folder, else
//     the preset name's folder), the preset's name part in the name field,
//     the selected type and the owner window (an HWND); a name may be as
//     long as Windows paths are (32767 UTF-16 units). It asks no overwrite
//     question (the components decide about existing files), and reports
//     the file-type change to the handler, which may rewrite the name field.
//     Its error codes are CommDlgExtendedError()'s, passed through.
// The modules call SaveDialogs(); SetSaveDialogsBackend installs another
// implementation (nullptr restores the headless one), as backend.h
// describes. File names and folders are paths, bytes as the kernel takes
// them (which need not be UTF-8); the other texts are UTF-8.
//
// Error codes. A dialog that cannot be shown reports a nonzero code in
// SaveDialogResult::error, with the values of Windows' common dialogs, so
// callers print familiar numbers: kDialogFailure when the window cannot be
// created (no display), kDialogInitialization when the toolkit cannot start
// (Windows: also for a title or file type that is no text Windows can show:
// a NUL character, bytes that are not UTF-8), kInvalidFileName for a name
// the dialog cannot take. Windows' own dialog reports any other code of
// CommDlgExtendedError() as it is (CDERR_*, FNERR_*). A cancel by the user
// reports 0.
//
// Not synchronised: use a dialog from one thread (the desktop one only from
// the thread that started the toolkit, normally the main thread; Windows'
// from a thread that runs no other window's modal loop at the time: the
// dialog runs its own message loop and starts COM for the call, as a
// single-threaded apartment, where the thread has not started it).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "zel/export.h"

namespace zel::platform {

inline constexpr uint32_t kDialogInitialization = 0x0002;  // the toolkit cannot start
inline constexpr uint32_t kDialogFailure = 0xFFFF;         // the window cannot be created
inline constexpr uint32_t kInvalidFileName = 0x3002;       // a name the dialog cannot take

// One entry of the dialog's file-type list: the text shown and the mask of
// patterns, separated by ";" ("*.png;*.jpg").
struct SaveFileType {
  std::string name;  // the text shown ("PNG images")
  std::string mask;  // the patterns, ";"-separated ("*.png;*.jpg")
  // Equal when both the name and the mask are equal.
  bool operator==(const SaveFileType&) const = default;
};

// Everything the dialog is shown with.
struct SaveDialogRequest {
  std::vector<SaveFileType> types;  // the file-type list, in order shown
  std::string title;                // empty: the dialog's own title
  std::string initial_dir;          // empty: the current folder
  std::string file_name;            // preset name (may hold a folder)
  int32_t type_index = 1;           // 1-based entry of `types` selected first
  uintptr_t owner = 0;              // owner window (0: none)
};

// How the dialog closed: confirmed with a name, cancelled, or failed.
struct SaveDialogResult {
  bool confirmed = false;  // true: the user accepted file_name
  std::string file_name;   // the accepted name; the preset after a cancel
  int32_t type_index = 1;  // the type selected when the dialog closed
  uint32_t error = 0;      // nonzero: the dialog failed (see above)
};

// What a handler may do while the dialog is open.
class ZEL_API SaveDialogSession {
 public:
  virtual ~SaveDialogSession();
  // The selected file type, 1-based.
  virtual int32_t TypeIndex() const = 0;
  // The text in the name field (a name without folder), and its
  // replacement.
  virtual std::string TypedName() const = 0;
  // Replaces the text in the name field with name (the folder is kept).
  virtual void SetTypedName(const std::string& name) = 0;
};

// Called when the user selects another file type.
using SaveTypeChangeHandler = std::function<void(SaveDialogSession& session)>;

// The file-save dialog concern: one operation, showing the dialog.
class ZEL_API SaveDialogs {
 public:
  virtual ~SaveDialogs();
  // Shows the dialog described by `request` and waits until it is closed.
  // `on_type_change` (may be empty) is called after each change of the
  // selected file type. The result is confirmed with the accepted name, or
  // not confirmed with the preset name (error 0 for a cancel, nonzero when
  // the dialog could not be shown); a dialog failure is never raised, but an
  // exception from `on_type_change` passes to the caller once the dialog is
  // closed.
  virtual SaveDialogResult ShowSave(const SaveDialogRequest& request,
                                    const SaveTypeChangeHandler& on_type_change) = 0;
};

// The dialog without a window. Each ShowSave records the request, then
// plays the next scripted answer: the name field starts with the name part of
// the preset; `typed` (when not empty) replaces it; each entry of
// `type_changes` selects that file type and calls the handler; then the
// outcome. A confirmed name is the name field's text, taken into the initial
// folder when one was given and the text holds no folder; `type_index`
// (when nonzero) is reported as the selected type. A confirm with an empty
// name field counts as a cancel (a real dialog does not close on it). With
// no answer left the dialog fails with kDialogFailure: no window can be
// shown and nobody answered, which callers must not take for a user's
// cancel (a cancel is scripted with Cancel()).
class ZEL_API HeadlessSaveDialogs : public SaveDialogs {
 public:
  // How a scripted dialog closes: the user confirms, the user cancels, or
  // the dialog fails to show (no type changes are played then).
  enum class Outcome : uint8_t { kConfirm, kCancel, kFail };
  // One scripted answer, played by one ShowSave.
  struct Answer {
    Outcome outcome = Outcome::kCancel;  // how the dialog closes
    std::string typed;                   // not empty: replaces the name field
    int32_t type_index = 0;              // nonzero: reported as the selected type
    std::vector<int32_t> type_changes;   // file types selected in turn, 1-based
    uint32_t error = 0;                  // for kFail; 0 gives kDialogFailure
  };

  // An answer that types name (empty: keep the preset's name part) and
  // confirms; a nonzero type_index is reported as the selected type.
  static Answer Confirm(const std::string& name, int32_t type_index = 0);
  // An answer that cancels the dialog.
  static Answer Cancel();
  // An answer with which the dialog fails to show, reporting error (0:
  // kDialogFailure).
  static Answer Fail(uint32_t error);

  // Queues answer behind the answers not yet played.
  void Script(Answer answer);
  // Drops the answers not yet played and the records.
  void Reset();
  // The number of scripted answers not yet played.
  size_t Pending() const { return answers_.size(); }

  // The requests shown so far, oldest first, and the name field's text when
  // each dialog closed.
  const std::vector<SaveDialogRequest>& Shown() const { return shown_; }
  // The name field's text when each shown dialog closed (for a failed one,
  // the name part of the preset), oldest first.
  const std::vector<std::string>& FinalTypedNames() const { return final_names_; }

  // Records `request` and plays the next answer as described above, calling
  // `on_type_change` (when not empty) for each scripted type change.
  SaveDialogResult ShowSave(const SaveDialogRequest& request,
                            const SaveTypeChangeHandler& on_type_change) override;

 private:
  std::deque<Answer> answers_;
  std::vector<SaveDialogRequest> shown_;
  std::vector<std::string> final_names_;
};

// The process's headless dialog (the default backend).
ZEL_API HeadlessSaveDialogs& HeadlessDialogs();
// The dialog in force.
ZEL_API SaveDialogs& Dialogs();
// Installs backend (nullptr: the headless dialog) and returns the dialog that
// was in force before.
ZEL_API SaveDialogs* SetSaveDialogsBackend(SaveDialogs* backend);

// The system's own save dialog where this library has one. Windows: the
// common save dialog described above (one object for the process). Linux:
// nullptr, the desktop dialog is zel::gtk's.
ZEL_API SaveDialogs* SystemSaveDialogs();
// Installs SystemSaveDialogs() as the dialog in force when the process can
// show windows to a user, and says whether it did. Windows: true when the
// process's window station is interactive (WSF_VISIBLE; a service's is not).
// Linux: false, nothing changes (zel::gtk::UseGtkDialogs() installs the
// desktop dialog).
ZEL_API bool UseSystemDialogs();

}  // namespace zel::platform
