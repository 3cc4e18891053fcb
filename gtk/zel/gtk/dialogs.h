// zel::gtk: the desktop's file-save dialog (a GTK 3 file chooser) for the
// library's platform dialog interface (zel/platform/dialog.h).
//
// This is a library of its own, built only where GTK 3 is present, so that
// zel itself never links a user-interface toolkit. An application that wants
// real windows links zel::gtk and makes one call at start-up:
//
//   if (!zel::gtk::UseGtkDialogs()) { /* no display: the headless dialog stays */ }
//
// after which every TSaveDialog and TUnivSaveDialog shows the file chooser.
//
// What goes into the chooser: the file types (one filter per type; a mask's
// patterns are separated by ";", "*.*" means every name, and each pattern
// also matches its upper-case spelling), the title, the folder shown first
// (the initial folder, else the preset name's folder), the preset name in
// the name field, the selected type and, on X11, the owner window the dialog
// stays above. A change of the selected type is reported to the handler,
// which may rewrite the name field. The chooser asks no overwrite question
// itself: the components decide about existing files.
//
// Results: the accepted name is the chooser's local file name (absolute
// path). Errors: kDialogInitialization when GTK cannot start (no display),
// kInvalidFileName when the chosen location is not a local file.
//
// Threads: GTK is started on first use, in the calling thread, and must then
// be used from that thread only (normally the main thread). A handler's
// exception closes the dialog and passes to the caller of ShowSave.
#pragma once

#include <cstdint>

#include "zel/platform/dialog.h"

#if defined(__GNUC__) || defined(__clang__)
#define ZEL_GTK_API __attribute__((visibility("default")))
#else
#define ZEL_GTK_API
#endif

namespace zel::gtk {

// The file-save dialog backend that shows a GTK file chooser.
class ZEL_GTK_API GtkSaveDialogs : public platform::SaveDialogs {
 public:
  // Starts GTK on the first call (on the display DISPLAY names); true when
  // it runs.
  static bool Available();

  // A dialog left open this long (milliseconds) is cancelled; 0 (the
  // default) waits for the user however long it takes. Unattended programs
  // and tests use it so that nothing hangs.
  void SetTimeout(uint32_t milliseconds) { timeout_ms_ = milliseconds; }
  // The timeout set by SetTimeout, in milliseconds; 0 for none.
  uint32_t Timeout() const { return timeout_ms_; }

  // Shows the file chooser for request and waits until it is closed or
  // times out (a timeout cancels); on_type_change (may be empty) is called
  // after each change of the selected file type. Without a display the
  // result carries kDialogInitialization and no window is shown.
  platform::SaveDialogResult ShowSave(
      const platform::SaveDialogRequest& request,
      const platform::SaveTypeChangeHandler& on_type_change) override;

 private:
  uint32_t timeout_ms_ = 0;
};

// The process's GTK dialog.
ZEL_GTK_API GtkSaveDialogs& GtkDialogs();

// Starts GTK and installs GtkDialogs() as the dialog backend; false (and
// nothing changed) when GTK cannot open a display.
ZEL_GTK_API bool UseGtkDialogs();

}  // namespace zel::gtk
