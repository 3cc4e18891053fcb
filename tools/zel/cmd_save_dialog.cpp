// zel save-dialog: asks for the name of a file to save with TUnivSaveDialog
// and prints the accepted name. With a display (and zel built with GTK) the
// desktop's file chooser opens; on Windows, in a session that shows windows
// (an interactive window station), the system's save dialog; otherwise, or
// with --headless, the answers come from standard input: each line is the
// name typed into one showing of the dialog, an empty line or the end of the
// input cancels. When the name exists, the overwrite question is answered by
// --overwrite or by the next line of standard input ("y" yes, "n" choose
// again, anything else cancel).
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "command.h"
#include "io.h"
#include "zel/base/errors.h"
#include "zel/filesys/savedialog.h"
#include "zel/platform/backend.h"
#include "zel/platform/dialog.h"
#include "zel/runtime/filename.h"
#ifdef ZEL_TOOL_HAVE_GTK
#include "zel/gtk/dialogs.h"
#endif

namespace {

// One line of standard input without its line end; false at the end.
bool ReadAnswer(std::string& line) {
  if (!std::getline(std::cin, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

// The headless dialog, answered from standard input one showing at a time.
class StdinDialogs : public zel::platform::SaveDialogs {
 public:
  zel::platform::SaveDialogResult ShowSave(
      const zel::platform::SaveDialogRequest& request,
      const zel::platform::SaveTypeChangeHandler& on_type_change) override {
    std::string line;
    if (ReadAnswer(line) && !line.empty()) {
      headless_.Script(zel::platform::HeadlessSaveDialogs::Confirm(line));
    } else {
      headless_.Script(zel::platform::HeadlessSaveDialogs::Cancel());
    }
    return headless_.ShowSave(request, on_type_change);
  }

 private:
  zel::platform::HeadlessSaveDialogs headless_;
};

bool DisplayAvailable() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return true;
  }
  return false;
}

int RunSaveDialog(zel_tool::Args& args) {
  const bool headless = args.Flag("headless");
  const bool overwrite = args.Flag("overwrite");
  args.RejectUnknownOptions();
  const auto& rest = args.Rest();
  if (rest.size() != 1) zel_tool::Fail("give the dialog's parameters as one argument");

  bool desktop = false;
#ifdef ZEL_TOOL_HAVE_GTK
  if (!headless && DisplayAvailable()) desktop = zel::gtk::UseGtkDialogs();
#else
  // Windows: the system's dialog wherever the session shows windows (Wine
  // counts as such even without an X server: give --headless there).
  // Linux without zel::gtk: none, the answers come from standard input.
  (void)DisplayAvailable;
  if (!headless) desktop = zel::platform::UseSystemDialogs();
#endif
  StdinDialogs stdin_dialogs;
  zel::platform::ScopedBackend<zel::platform::SaveDialogs> guard(
      desktop ? &zel::platform::Dialogs() : &stdin_dialogs, &zel::platform::SetSaveDialogsBackend);

  zel::TUnivSaveDialog dialog(nullptr);
  dialog.SetName(u"save-dialog");
  // The parameters keep the bytes of a folder whose name is not UTF-8.
  dialog.SetParameters(zel::PathToFileName(rest[0]));
  dialog.SetOnOverwrite([&](zel::TObject*, const zel::String& name, zel::TModalResult& reply) {
    if (overwrite) {
      reply = zel::mrYes;
      return;
    }
    std::string path;
    zel::FileNameToPath(name, path);
    std::cerr << "zel save-dialog: " << path << " exists; overwrite? [y/n]\n";
    std::string line;
    reply = zel::mrCancel;
    if (ReadAnswer(line)) {
      if (line == "y" || line == "yes") reply = zel::mrYes;
      if (line == "n" || line == "no") reply = zel::mrNo;
    }
  });

  bool accepted = false;
  try {
    accepted = dialog.Execute();
  } catch (const zel::Exception& e) {
    std::cerr << "zel save-dialog: " << e.what() << "\n";
    return 1;
  }
  if (!accepted) return 1;
  std::string path;
  if (!zel::FileNameToPath(dialog.FileName(), path)) {
    std::cerr << "zel save-dialog: the accepted name holds a NUL character\n";
    return 1;
  }
  zel_tool::WriteOutput(path + "\n");
  return zel_tool::FinishOutput("save-dialog") ? 0 : 1;
}

const bool registered = zel_tool::RegisterCommand(
    {"save-dialog", "ask for the name of a file to save (desktop dialog or standard input)",
     "zel save-dialog [--headless] [--overwrite] [--] PARAMETERS\n"
     "  PARAMETERS as the dialog reads them, e.g.\n"
     "    'filter=\"Text files|*.txt|All files|*.*\" ext=txt caption=\"Save report\"'\n"
     "  (also initialdir=FOLDER). Opens the desktop's file chooser when a display is\n"
     "  available (Windows: the system's save dialog in a session that shows\n"
     "  windows); otherwise (or with --headless) each line of standard input is\n"
     "  the name typed into one showing of the dialog, an empty line cancels. For\n"
     "  an existing name the next line answers the overwrite question (y, n to\n"
     "  choose again, anything else cancels) unless --overwrite is given.\n"
     "  Prints the accepted name; exit status 1 when cancelled.",
     RunSaveDialog});

}  // namespace
