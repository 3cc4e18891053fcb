// Fuzzes the path text functions with invariants that hold for every input:
// the path and name parts put together give the path back, so do the name
// without extension and the extension, a shortened path is never longer than
// the path, replacing invalid characters gives a valid name (or one of the
// results "." and ".." turn into), ParentDir is a prefix, and a mask matches
// itself when it holds no wildcards.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "zel/filesys/internal/pathutil.h"
#include "zel/filesys/paths.h"
#include "zel/runtime/utf8.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int32_t max = static_cast<int32_t>(data[0]) - 16;
  const zel::String path = zel::Utf8ToString(
      std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));

  Check(zel::ExtractFilePath(path) + zel::ExtractFileName(path) == path);
  Check(zel::StripExtension(path) + zel::ExtractFileExt(path) == path);
  Check(zel::AbridgeFilePath(path, max).size() <= path.size());
  const zel::String parent = zel::ParentDir(path);
  Check(path.compare(0, parent.size(), parent) == 0);
  const zel::String clean = zel::ReplaceInvalidFileNameChars(path, u'_');
  Check(zel::IsValidFileName(clean));
  Check(clean.size() == path.size());
  if (zel::IsDOS83Path(path)) Check(zel::IsFN83CompliantPath(path));
  const zel::String ext = zel::EnsureDefaultFileExt(path, u"txt");
  Check(ext == path || ext == path + u".txt");
  const zel::String inserted = zel::InsertBeforeFileExt(u"_v", path);
  Check(inserted.size() == path.size() + 2);
  const int32_t drive = zel::ExtractDrive(path);
  Check(drive >= -1 && drive <= 25);
  const zel::String name = zel::ExtractFileName(path);
  if (!zel::internal::HasWildcards(name)) Check(zel::internal::MatchMask(name, name));
  if (!name.empty()) {
    zel::internal::MatchMask(name, path);  // must terminate without fault
    Check(zel::internal::MatchMask(name, u"*"));
  }
  return 0;
}
