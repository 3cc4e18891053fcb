// The platform's file-save dialog: the window in which a user picks the name
// of a file to save (file types to choose from, a title, the folder shown
// first, a preset name and type), reached through one narrow interface.
//
// Two implementations exist:
//   - HeadlessSaveDialogs, in this library and in force by default: no
//     window; the application or a test scripts the answers beforehand
//     (confirm with a name and type, cancel, fail with an error code, switch
//     the file type while the dialog is open) and it records every request
//     it was shown. Servers, tests and terminal programs use it.
//   - the desktop dialog (a GTK 3 file chooser) in the separate optional
//     library zel::gtk, so that this library never links a user-interface
//     toolkit. An application selects it with zel::gtk::UseGtkDialogs().
// The modules call SaveDialogs(); SetSaveDialogsBackend installs another
// implementation (nullptr restores the headless one), as backend.h
// describes. Texts are UTF-8.
//
// Error codes. A dialog that cannot be shown reports a nonzero code in
// SaveDialogResult::error, with the values the common dialogs of other
// desktops use, so callers print familiar numbers: kDialogFailure when the
// window cannot be created (no display), kDialogInitialization when the
// toolkit cannot start, kInvalidFileName for a name the dialog cannot take.
// A cancel by the user reports 0.
//
// Not synchronised: use a dialog from one thread (the desktop one only from
// the thread that started the toolkit, normally the main thread).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "zel/runtime/export.h"

namespace zel::platform {

inline constexpr uint32_t kDialogInitialization = 0x0002;
inline constexpr uint32_t kDialogFailure = 0xFFFF;
inline constexpr uint32_t kInvalidFileName = 0x3002;

// One entry of the dialog's file-type list: the text shown and the mask of
// patterns, separated by ";" ("*.png;*.jpg").
struct SaveFileType {
  std::string name;
  std::string mask;
  bool operator==(const SaveFileType&) const = default;
};

// Everything the dialog is shown with.
struct SaveDialogRequest {
  std::vector<SaveFileType> types;
  std::string title;        // empty: the dialog's own title
  std::string initial_dir;  // empty: the current folder
  std::string file_name;    // preset name (may hold a folder)
  int32_t type_index = 1;   // 1-based entry of `types` selected first
  uintptr_t owner = 0;      // owner window (0: none)
};

struct SaveDialogResult {
  bool confirmed = false;
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
  virtual void SetTypedName(const std::string& name) = 0;
};

// Called when the user selects another file type.
using SaveTypeChangeHandler = std::function<void(SaveDialogSession& session)>;

class ZEL_API SaveDialogs {
 public:
  virtual ~SaveDialogs();
  // Shows the dialog and waits until it is closed. `on_type_change` (may be
  // empty) is called after each change of the selected file type.
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
// no answer left the dialog is cancelled, as a user who is not there would.
class ZEL_API HeadlessSaveDialogs : public SaveDialogs {
 public:
  enum class Outcome : uint8_t { kConfirm, kCancel, kFail };
  struct Answer {
    Outcome outcome = Outcome::kCancel;
    std::string typed;
    int32_t type_index = 0;
    std::vector<int32_t> type_changes;
    uint32_t error = 0;  // for kFail; 0 gives kDialogFailure
  };

  static Answer Confirm(const std::string& name, int32_t type_index = 0);
  static Answer Cancel();
  static Answer Fail(uint32_t error);

  void Script(Answer answer);
  // Drops the answers not yet played and the records.
  void Reset();
  size_t Pending() const { return answers_.size(); }

  // The requests shown so far, oldest first, and the name field's text when
  // each dialog closed.
  const std::vector<SaveDialogRequest>& Shown() const { return shown_; }
  const std::vector<std::string>& FinalTypedNames() const { return final_names_; }

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
ZEL_API SaveDialogs* SetSaveDialogsBackend(SaveDialogs* backend);

}  // namespace zel::platform
