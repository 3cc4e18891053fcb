#include "zel/filesys/savedialog.h"

#include <memory>
#include <vector>

#include "zel/base/errors.h"
#include "zel/filesys/numtext.h"
#include "zel/filesys/paths.h"
#include "zel/platform/files.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/sysutils.h"
#include "zel/streams/xmltag.h"

namespace zel {
namespace {

std::vector<String> SplitAt(const String& text, Char sep) {
  std::vector<String> parts;
  size_t start = 0;
  for (;;) {
    const size_t at = text.find(sep, start);
    parts.push_back(text.substr(start, at == String::npos ? String::npos : at - start));
    if (at == String::npos) return parts;
    start = at + 1;
  }
}

// The extension (dot included) that a file-type mask stands for: that of
// its first pattern when the pattern is "*." followed by a plain extension
// ("*.png;*.jpg" gives ".png", "*.tar.gz" ".tar.gz"); empty for patterns
// such as "*", "*.*", "*.ht?" or "data*".
String MaskExtension(const String& mask) {
  const String first = SplitAt(mask, u';').front();
  size_t b = 0;
  size_t e = first.size();
  while (b < e && first[b] == u' ') ++b;
  while (e > b && first[e - 1] == u' ') --e;
  const String pattern = first.substr(b, e - b);
  if (pattern.size() < 3 || pattern[0] != u'*' || pattern[1] != u'.') return {};
  const String ext = pattern.substr(1);
  if (ext.find_first_of(u"*?/\\") != String::npos || ext == u".") return {};
  return ext;
}

}  // namespace

TUnivSaveDialog::TUnivSaveDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
TUnivSaveDialog::~TUnivSaveDialog() = default;
String TUnivSaveDialog::ClassName() const { return u"TUnivSaveDialog"; }

void TUnivSaveDialog::Error(const String& Detail) const {
  throw EZELFileSysError(u"Component \"" + Name() + u"\": " + Detail);
}

String TUnivSaveDialog::ExtractParamAsString(const String& ParName) const {
  return ScanForXMLAttrib(FParams, ParName);
}

String TUnivSaveDialog::RequiredParam(const String& ParName) const {
  String value = ExtractParamAsString(ParName);
  if (value.empty()) Error(ParName + u" is not specified in property Parameters");
  return value;
}

int32_t TUnivSaveDialog::ExtractParamAsInt(const String& ParName) const {
  return ScanTextDecimal(RequiredParam(ParName));
}

double TUnivSaveDialog::ExtractParamAsDouble(const String& ParName) const {
  return ScanTextFPNum(RequiredParam(ParName), true, 3);
}

bool TUnivSaveDialog::IsForbiddenDir(const String& Dir) const {
  if (Dir.empty() || FForbiddenDir.empty()) return false;
  return LowerCase(Dir).rfind(LowerCase(FForbiddenDir), 0) == 0;
}

void TUnivSaveDialog::SaveDiagTypeChange(TObject* Sender) {
  auto* dialog = dynamic_cast<TSaveDialog*>(Sender);
  if (dialog == nullptr) return;
  const int32_t index = dialog->FilterIndex();
  const auto& types = dialog->FileTypes();
  if (index < 1 || index > static_cast<int32_t>(types.size())) return;
  const String ext = MaskExtension(types[static_cast<size_t>(index) - 1].FileMask);
  if (ext.empty()) return;
  String name = dialog->TypedName();
  if (name.empty()) name = dialog->FileName();
  if (name.empty()) return;
  dialog->SetTypedName(StripPath(StripExtension(name)) + ext);
}

TModalResult TUnivSaveDialog::SelectWithStandardDialog() {
  auto owned = std::make_unique<TSaveDialog>(this);
  SDiag = owned.get();
  struct Release {
    TSaveDialog*& slot;
    ~Release() { slot = nullptr; }
  } release{SDiag};

  const std::vector<String> tokens = SplitAt(ExtractParamAsString(u"filter"), u'|');
  for (size_t i = 0; i + 1 < tokens.size(); i += 2) SDiag->AddFileType(tokens[i], tokens[i + 1]);
  String ext = ExtractParamAsString(u"ext");
  if (!ext.empty() && ext[0] == u'.') ext.erase(0, 1);
  SDiag->SetTitle(ExtractParamAsString(u"caption"));
  SDiag->SetInitialDir(ExtractParamAsString(u"initialdir"));
  SDiag->SetFilterIndex(FFilterIndex);
  SDiag->SetFileName(FFileName);
  SDiag->SetOnTypeChange([this](TObject* Sender) { SaveDiagTypeChange(Sender); });

  TModalResult action = mrCancel;
  if (SDiag->Execute(FParentWnd)) {
    action = mrOk;
  } else if (const uint32_t e = CommDlgExtendedError(); e != 0) {
    Error(u"Error in standard dialog (errnum = $" + IntToHex(e, 4) + u").");
  }
  FFileName = SDiag->FileName();
  FFilterIndex = SDiag->FilterIndex();
  // An empty name (a cancel without preset) stays empty rather than
  // becoming a bare extension.
  if (!ext.empty() && !FFileName.empty()) FFileName = StripExtension(FFileName) + u"." + ext;
  return action;
}

bool TUnivSaveDialog::FileDoesExist(const String& Name) const {
  if (!FUseStdDiag) {
    bool exists = false;
    if (FOnFileCheck) FOnFileCheck(const_cast<TUnivSaveDialog*>(this), Name, exists);
    return exists;
  }
  std::string path;
  platform::FileStatus st;
  if (!FileNameToPath(Name, path) || platform::Files().Status(path, true, st) != 0) return false;
  return st.kind != platform::FileKind::kMissing && st.kind != platform::FileKind::kDirectory;
}

bool TUnivSaveDialog::Execute() {
  for (;;) {
    TModalResult action = mrCancel;
    if (FUseStdDiag) {
      action = SelectWithStandardDialog();
    } else {
      if (!FOnFileSelect) Error(u"File select dialog is not assigned");
      FOnFileSelect(this, FParams, action, FFileName);
    }
    if (action != mrOk) return false;

    const String dir = ExtractFilePath(FFileName);
    if (IsForbiddenDir(dir)) {
      TModalResult reply = mrYes;
      if (FOnForbiddenDir) FOnForbiddenDir(this, dir, reply);
      if (reply == mrCancel) return false;
      if (reply != mrYes) continue;
    }

    if (!FileDoesExist(FFileName)) return true;
    if (!FOnOverwrite) Error(u"Overwrite dialog is not assigned");
    TModalResult reply = mrNo;
    FOnOverwrite(this, FFileName, reply);
    if (reply == mrCancel) return false;
    if (reply == mrYes) return true;
    if (reply != mrNo) Error(u"Invalid reply argument from overwrite dialog");
  }
}

}  // namespace zel
