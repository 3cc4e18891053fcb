// TUnivSaveDialog: a non-visual component that asks the user for the name of
// a file to save, and then applies two policies to the answer: a forbidden
// folder (saving below it needs a confirmation) and an existing-file check
// with an overwrite question. Every rejected answer shows the selection
// again, so Execute loops until a name is accepted or the user cancels.
//
// Selection. In standard mode (UseStandardDialog, the default) the
// runtime's TSaveDialog is shown, configured from Parameters; which window
// that is depends on zel/platform/dialog.h (headless with scripted answers by
// default, the GTK 3 file chooser after zel::gtk::UseGtkDialogs(), Windows'
// save dialog after zel::platform::UseSystemDialogs()); a dialog
// that cannot be shown, such as the headless one with no answer scripted,
// raises the standard-dialog error rather than passing for a cancel. Names
// go to the file system by their bytes (zel/runtime/filename.h). In custom
// mode the whole selection is handed to OnFileSelect.
//
// Parameters holds name=value attributes read as ScanForXMLAttrib reads them
// (zel/streams/xmltag.h): blanks between pairs, values in double quotes when
// they hold blanks, names compared without regard to case:
//   filter      file types: display name and mask alternating, separated by
//               "|": Text files|*.txt|All files|*.*  (an odd last token is
//               ignored; a mask may list patterns separated by ";")
//   ext         extension forced onto a chosen name (without dot; one leading
//               dot is tolerated and dropped)
//   caption     title of the dialog
//   initialdir  folder shown first
//   e.g. filter="Text files|*.txt|All files|*.*" ext=txt caption="Save report"
//
// Execute, one round of the loop:
//   1. select: standard dialog (FileName and FilterIndex preset; after it
//      closes they hold what it reported, also after a cancel; a non-empty
//      name gets the ext parameter as its extension) or OnFileSelect;
//   2. not confirmed: Execute returns false;
//   3. folder of the name in or below ForbiddenDir (see IsForbiddenDir):
//      OnForbiddenDir is asked (reply preset mrYes): mrCancel ends with
//      false, mrYes goes on, any other reply shows the selection again;
//      without a handler the reply stays mrYes;
//   4. existence: in standard mode a file (anything but a folder) of that
//      name on disk; in custom mode only OnFileCheck can say the file exists.
//      A new name is accepted (true). An existing one asks OnOverwrite (reply
//      preset mrNo): mrYes accepts, mrCancel ends with false, mrNo shows the
//      selection again, anything else raises.
// FileName then holds the accepted name, or the last selection after a
// cancel.
//
// Errors are EZELFileSysError with the message
//   Component "<Name>": <detail>
// where detail is one of "File select dialog is not assigned", "Overwrite
// dialog is not assigned", "Invalid reply argument from overwrite dialog",
// "Error in standard dialog (errnum = $XXXX)." (the platform's code in four
// upper-case hexadecimal digits) and "<ParName> is not specified in property
// Parameters". FileName stays as it was when the error was raised.
#pragma once

#include <cstdint>
#include <functional>

#include "zel/runtime/classes.h"
#include "zel/runtime/dialogs.h"
#include "zel/runtime/types.h"

namespace zel {

// Custom-mode selection: given Parameters, sets UserAction (preset mrCancel;
// mrOk confirms) and SelectedFileName (preset with FileName).
using TOnFileSelectEvent = std::function<void(TObject* Sender, const String& Parameters,
                                              TModalResult& UserAction, String& SelectedFileName)>;
// Custom-mode existence check: sets FileDoesExist (preset false) for FileName.
using TOnFileCheckEvent =
    std::function<void(TObject* Sender, const String& FileName, bool& FileDoesExist)>;
// Asked when FileName exists: OverwriteReply (preset mrNo) is mrYes,
// mrNo or mrCancel.
using TOnOverwriteEvent =
    std::function<void(TObject* Sender, const String& FileName, TModalResult& OverwriteReply)>;
// Asked when Path, the folder of the chosen name, lies below ForbiddenDir:
// ForbiddenDirReply (preset mrYes) is mrYes, mrCancel or another reply to
// choose again.
using TOnForbiddenDirEvent =
    std::function<void(TObject* Sender, const String& Path, TModalResult& ForbiddenDirReply)>;

class ZEL_API TUnivSaveDialog : public TCommonDialog {
 public:
  // A dialog owned by AOwner (may be null): standard mode, no parameters,
  // no file name, FilterIndex 1, no forbidden folder, no handlers.
  explicit TUnivSaveDialog(TComponent* AOwner);
  ~TUnivSaveDialog() override;

  bool Execute() override;

  // The attribute ParName of Parameters; "" when it is missing.
  String ExtractParamAsString(const String& ParName) const;
  // The attribute ParName as a decimal integer read from its first character
  // (ScanTextDecimal: "12px" gives 12, "x" gives 0). Raises the
  // not-specified error when it is missing or empty.
  int32_t ExtractParamAsInt(const String& ParName) const;
  // The attribute ParName as a floating-point number (ScanTextFPNum with exponent,
  // full stop and comma both decimal separators). Raises like
  // ExtractParamAsInt.
  double ExtractParamAsDouble(const String& ParName) const;

  // True when Dir lies in ForbiddenDir or below it: the folders are compared
  // component by component, each lower-cased, as the file system resolves
  // them (links, "." and "..", repeated separators; relative names from the
  // working folder; a part that does not exist yet is taken as written), so
  // "/etc" forbids "/etc/ssh/", "/ETC/" and "/tmp/../etc/" but not
  // "/etcetera/". False for an empty Dir or an empty ForbiddenDir, and for a
  // name that designates no folder (holding U+0000). Execute checks the
  // working folder for a name without folder part.
  bool IsForbiddenDir(const String& Dir) const;

  // The standard dialog's file-type change: the extension of the first
  // pattern of the selected type's mask replaces the extension of the name
  // typed in the dialog (or, with the name field empty, of the dialog's
  // file name), and the name part alone goes back into the name field:
  // "report.txt" with "*.png;*.jpg" becomes "report.png". A pattern without
  // a plain extension ("*", "*.*", "data*") leaves the name as it is. Sender
  // is the TSaveDialog whose type changed; any other sender, a type index out
  // of range or an empty name changes nothing.
  void SaveDiagTypeChange(TObject* Sender);

  // The name=value attributes described above ("" by default).
  const String& Parameters() const { return FParams; }
  // Replaces the attributes; read when Execute runs.
  void SetParameters(const String& Value) { FParams = Value; }
  // The name preset for the selection and, after Execute, the accepted name
  // (or the last selection after a cancel).
  const String& FileName() const { return FFileName; }
  // Presets the name the selection starts with.
  void SetFileName(const String& Value) { FFileName = Value; }
  // The window the standard dialog is shown over (0: none, the default).
  TWindowHandle ParentWnd() const { return FParentWnd; }
  // Sets the window the standard dialog is shown over (0: none).
  void SetParentWnd(TWindowHandle Value) { FParentWnd = Value; }
  // True (the default) for standard mode, false for custom mode.
  bool UseStandardDialog() const { return FUseStdDiag; }
  // Chooses standard mode (true) or custom mode (false).
  void SetUseStandardDialog(bool Value) { FUseStdDiag = Value; }
  // The 1-based file type of the filter parameter preset for the standard
  // dialog (1 by default), and after it closes the type it reported.
  int32_t FilterIndex() const { return FFilterIndex; }
  // Presets the 1-based file type the standard dialog starts with.
  void SetFilterIndex(int32_t Value) { FFilterIndex = Value; }
  // The folder below which saving needs OnForbiddenDir's confirmation; ""
  // (the default) forbids nothing.
  const String& ForbiddenDir() const { return FForbiddenDir; }
  // Sets the forbidden folder ("" forbids nothing).
  void SetForbiddenDir(const String& Value) { FForbiddenDir = Value; }

  // The selection handler of custom mode (empty by default; Execute raises
  // in custom mode without one).
  const TOnFileSelectEvent& OnFileSelect() const { return FOnFileSelect; }
  // Sets the selection handler of custom mode; an empty Handler removes it.
  void SetOnFileSelect(TOnFileSelectEvent Handler) { FOnFileSelect = std::move(Handler); }
  // The handler that tells custom mode whether a file exists (empty by
  // default: no file exists).
  const TOnFileCheckEvent& OnFileCheck() const { return FOnFileCheck; }
  // Sets the existence handler of custom mode; an empty Handler removes it.
  void SetOnFileCheck(TOnFileCheckEvent Handler) { FOnFileCheck = std::move(Handler); }
  // The overwrite question for an existing file (empty by default; Execute
  // raises when a file exists and there is none).
  const TOnOverwriteEvent& OnOverwrite() const { return FOnOverwrite; }
  // Sets the overwrite question; an empty Handler removes it.
  void SetOnOverwrite(TOnOverwriteEvent Handler) { FOnOverwrite = std::move(Handler); }
  // The question asked for a name below ForbiddenDir (empty by default: the
  // reply stays mrYes).
  const TOnForbiddenDirEvent& OnForbiddenDir() const { return FOnForbiddenDir; }
  // Sets the forbidden-folder question; an empty Handler removes it.
  void SetOnForbiddenDir(TOnForbiddenDirEvent Handler) { FOnForbiddenDir = std::move(Handler); }

  String ClassName() const override;

 private:
  [[noreturn]] void Error(const String& Detail) const;
  String RequiredParam(const String& ParName) const;
  TModalResult SelectWithStandardDialog();
  bool FileDoesExist(const String& Name) const;

  String FParams;
  String FFileName;
  TWindowHandle FParentWnd = 0;
  TOnFileSelectEvent FOnFileSelect;
  TOnFileCheckEvent FOnFileCheck;
  TOnOverwriteEvent FOnOverwrite;
  TOnForbiddenDirEvent FOnForbiddenDir;
  bool FUseStdDiag = true;
  int32_t FFilterIndex = 1;
  String FForbiddenDir;
  TSaveDialog* SDiag = nullptr;  // only during Execute
};

}  // namespace zel
