#include "zel/filesys/savedialog.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "zel/base/errors.h"
#include "zel/filesys/internal/pathutil.h"
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

// The components of the folder `dir` designates, lower-cased. The longest
// leading part that exists is resolved by the file system (links, "." and
// ".." and repeated separators, a relative name from the working folder);
// the rest, which holds no links since it does not exist, is applied as
// text. Nothing for a name that designates no folder (one holding U+0000, or
// a relative name when the working folder is gone).
std::optional<std::vector<String>> FolderComponents(const String& dir) {
  std::string path = internal::NativePath(dir);
  if (path.empty()) return std::nullopt;
  const auto is_sep = [](char c) {
    return std::string_view(internal::kNativeSeps).find(c) != std::string_view::npos;
  };
  std::vector<std::string> rest;  // the components past the resolved part, last first
  std::string resolved;
  while (platform::Files().RealPath(path, resolved) != 0) {
    while (path.size() > 1 && is_sep(path.back())) path.pop_back();
    if ((path.size() == 1 && is_sep(path[0])) || path == ".")
      return std::nullopt;  // nothing resolves
#ifdef _WIN32
    // A drive ("C:") or a share ("\\server\share") that does not resolve.
    if (path.size() == 2 && path[1] == ':') return std::nullopt;
    if (path.size() > 2 && is_sep(path[0]) && is_sep(path[1]) &&
        path.find_first_of(internal::kNativeSeps, 2) == path.find_last_of(internal::kNativeSeps))
      return std::nullopt;
#endif
    const size_t slash = path.find_last_of(internal::kNativeSeps);
    rest.push_back(slash == std::string::npos ? path : path.substr(slash + 1));
    if (slash == std::string::npos) {
      path = ".";
    } else if (slash == 0) {
      path.resize(1);  // the root
#ifdef _WIN32
    } else if (slash == 2 && path[1] == ':') {
      path.resize(3);  // the drive's root, not its current folder
#endif
    } else {
      path.resize(slash);
    }
  }
  std::vector<String> parts;
  const auto add = [&parts](const std::string& part) {
    if (part.empty() || part == ".") return;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      return;
    }
    parts.push_back(LowerCase(PathToFileName(part)));
  };
  size_t start = 0;
  while (start <= resolved.size()) {
    const size_t slash =
        std::min(resolved.find_first_of(internal::kNativeSeps, start), resolved.size());
    add(resolved.substr(start, slash - start));
    start = slash + 1;
  }
  for (auto it = rest.rbegin(); it != rest.rend(); ++it) add(*it);
  return parts;
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
  // Whole components of the folders as the file system resolves them, so
  // "/etc" does not forbid "/etcetera", and "..", "//", relative names and
  // links lead where they lead on disk.
  const auto forbidden = FolderComponents(FForbiddenDir);
  const auto dir = FolderComponents(Dir);
  if (!forbidden || !dir) return false;
  return forbidden->size() <= dir->size() &&
         std::equal(forbidden->begin(), forbidden->end(), dir->begin());
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

    // A name without folder part is saved in the working folder.
    const String dir = ExtractFilePath(FFileName);
    if (IsForbiddenDir(dir.empty() ? String(u".") : dir)) {
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
