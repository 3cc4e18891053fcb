#include "zel/filesys/paths.h"

#include <algorithm>
#include <vector>

#include "zel/filesys/internal/pathutil.h"
#include "zel/platform/files.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/utf8.h"

namespace zel {
namespace internal {

size_t NameStart(const String& path) {
  for (size_t i = path.size(); i > 0; --i) {
    if (IsPathSep(path[i - 1])) return i;
  }
  const bool drive = path.size() >= 2 && path[1] == u':' &&
                     ((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z'));
  return drive ? 2 : 0;
}

size_t ExtStart(const String& path) {
  const size_t start = NameStart(path);
  size_t first = start;  // the leading dots of a hidden name never count
  while (first < path.size() && path[first] == u'.') ++first;
  const size_t dot = path.find_last_of(u'.');
  if (dot == String::npos || dot < first) return String::npos;
  return dot;
}

std::string NativePath(const String& path) {
  String p = path;
#ifdef _WIN32
  std::replace(p.begin(), p.end(), u'/', u'\\');
#else
  std::replace(p.begin(), p.end(), u'\\', u'/');
#endif
  std::string out;
  FileNameToPath(p, out);  // a name holding U+0000 becomes "", which names no file
  return out;
}

std::string WithSlash(std::string dir) {
  if (!dir.empty() && dir.back() != '/' && dir.back() != kNativeSep) dir += kNativeSep;
  return dir;
}

bool HasWildcards(const String& mask) { return mask.find_first_of(u"*?") != String::npos; }

bool MatchMask(const String& name, const String& mask) {
  if (mask == u"*.*" || mask == u"*") return true;
  // Greedy match with one back-tracking point for the last "*".
  size_t n = 0, m = 0, star = String::npos, resume = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == u'*') {
      star = m++;
      resume = n;
    } else if (m < mask.size() &&
               (mask[m] == u'?' || AnsiUpperCaseChar(mask[m]) == AnsiUpperCaseChar(name[n]))) {
      ++m;
      ++n;
    } else if (star != String::npos) {
      m = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == u'*') ++m;
  return m == mask.size();
}

}  // namespace internal

using internal::ExtStart;
using internal::IsPathSep;
using internal::NameStart;

String ExtractFilePath(const String& FileName) { return FileName.substr(0, NameStart(FileName)); }

String ExtractFileName(const String& FileName) { return FileName.substr(NameStart(FileName)); }

String ExtractFileExt(const String& FileName) {
  const size_t dot = ExtStart(FileName);
  return dot == String::npos ? String() : FileName.substr(dot);
}

namespace {

// The names of `path` from `from` on, split at `sep`, with "." and empty
// names dropped and ".." taking away the name before it.
std::vector<String> NamedParts(const String& path, size_t from, char16_t sep) {
  std::vector<String> parts;
  size_t i = from;
  while (i <= path.size()) {
    size_t j = path.find(sep, i);
    if (j == String::npos) j = path.size();
    const String part = path.substr(i, j - i);
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != u".") {
      parts.push_back(part);
    }
    i = j + 1;
  }
  return parts;
}

}  // namespace

#ifdef _WIN32
namespace {

// The root of the absolute Windows path p (separators already "\"): "C:" for
// a drive, "\\server\share" for a network share; its length in `len`.
String WindowsRoot(const String& p, size_t& len) {
  if (p.size() >= 2 && p[1] == u':') {
    len = 2;
    return p.substr(0, 2);
  }
  if (p.rfind(u"\\\\", 0) == 0) {
    size_t end = p.find(u'\\', 2);
    if (end != String::npos) end = p.find(u'\\', end + 1);
    if (end == String::npos) end = p.size();
    len = end;
    return p.substr(0, end);
  }
  len = 0;
  return String();
}

}  // namespace

String ExpandFileName(const String& FileName) {
  String p = FileName;
  std::replace(p.begin(), p.end(), u'/', u'\\');
  std::string cwd_text;
  const bool have_cwd = platform::Files().CurrentDir(cwd_text) == 0;
  const String cwd = PathToFileName(cwd_text);
  const bool drive = p.size() >= 2 && p[1] == u':';
  if (drive && (p.size() == 2 || p[2] != u'\\')) {
    // "C:rel": relative to the current folder when that is on the drive.
    const bool same = have_cwd && cwd.size() >= 2 &&
                      AnsiUpperCase(cwd.substr(0, 2)) == AnsiUpperCase(p.substr(0, 2));
    p = (same ? cwd : p.substr(0, 2)) + u"\\" + p.substr(2);
  } else if (!drive && p.rfind(u"\\\\", 0) != 0) {
    if (!have_cwd) return p;
    size_t root_len = 0;
    const String root = WindowsRoot(cwd, root_len);
    p = p.empty() || p[0] != u'\\' ? cwd + u"\\" + p : root + p;
  }
  size_t root_len = 0;
  const String root = WindowsRoot(p, root_len);
  const bool trailing = p.size() > root_len + 1 && p.back() == u'\\';
  const std::vector<String> parts = NamedParts(p, root_len, u'\\');
  String out = root;
  for (const auto& part : parts) out += u"\\" + part;
  if (parts.empty()) return out + u"\\";
  if (trailing) out += u"\\";
  return out;
}
#else
String ExpandFileName(const String& FileName) {
  String p = FileName;
  std::replace(p.begin(), p.end(), u'\\', u'/');
  if (p.empty() || p[0] != u'/') {
    std::string cwd;
    if (platform::Files().CurrentDir(cwd) != 0) return p;
    p = PathToFileName(cwd) + u"/" + p;
  }
  const bool trailing = p.back() == u'/' && p.size() > 1;
  const std::vector<String> parts = NamedParts(p, 0, u'/');
  String out;
  for (const auto& part : parts) out += u"/" + part;
  if (out.empty()) return u"/";
  if (trailing) out += u"/";
  return out;
}
#endif

String StripExtension(const String& FileName) {
  const size_t dot = ExtStart(FileName);
  return dot == String::npos ? FileName : FileName.substr(0, dot);
}

String StripPath(const String& FileName) { return ExtractFileName(FileName); }

String ParentDir(const String& Path) {
  size_t end = Path.size();
  if (end > 0 && IsPathSep(Path[end - 1])) --end;
  for (size_t i = end; i > 0; --i) {
    if (IsPathSep(Path[i - 1])) return Path.substr(0, i);
  }
  return String();
}

bool IsRootDir(const String& Path) {
  size_t b = 0, e = Path.size();
  while (b < e && Path[b] == u' ') ++b;
  while (e > b && Path[e - 1] == u' ') --e;
  const String s = Path.substr(b, e - b);
  if (s == u"/") return true;
  return s.size() == 3 && s[1] == u':' && IsPathSep(s[2]);
}

String AbridgeFilePath(const String& Path, int32_t MaxLength) {
  const Char sep = Path.find(u'\\') != String::npos ? u'\\' : u'/';
  size_t p = Path.find(sep);
  if (p == String::npos) return Path;
  String s = Path;
  for (;;) {
    if (static_cast<int64_t>(s.size()) < MaxLength) break;
    const size_t next = s.find(sep, p + 1);
    if (next == String::npos) break;
    const size_t len = next - p - 1;
    if (len >= 2) {  // a shorter name would not shrink the text
      s.replace(p + 1, len, u"..");
      p += 3;
    } else {
      p = next;
    }
  }
  return s;
}

#ifdef _WIN32
String DOSToWinPath(const String& Path) {
  // Windows finds a name whatever its case, so every element is looked up in
  // its folder's listing: the exact name, else the first equal ignoring case.
  String full = ExpandFileName(Path);
  size_t root_len = 0;
  String result = WindowsRoot(full, root_len);
  const bool trailing = full.size() > root_len + 1 && full.back() == u'\\';
  if (trailing) full.pop_back();
  size_t i = root_len + 1;
  while (i < full.size()) {
    size_t j = full.find(u'\\', i);
    if (j == String::npos) j = full.size();
    const String element = full.substr(i, j - i);
    std::vector<platform::DirEntry> entries;
    platform::Files().List(internal::NativePath(result + u"\\"), entries);
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    String found;
    const String want = AnsiUpperCase(element);
    for (const auto& e : entries) {
      const String name = PathToFileName(e.name);
      if (name == element) {
        found = name;
        break;
      }
      if (found.empty() && AnsiUpperCase(name) == want) found = name;
    }
    if (found.empty()) return result + full.substr(i - 1) + (trailing ? u"\\" : u"");
    result += u"\\" + found;
    i = j + 1;
  }
  if (result.size() == root_len) return result + u"\\";
  return trailing ? result + u"\\" : result;
}
#else
String DOSToWinPath(const String& Path) {
  std::string full = internal::NativePath(ExpandFileName(Path));
  const bool trailing = full.size() > 1 && full.back() == '/';
  if (trailing) full.pop_back();
  std::string result;  // resolved so far, without a trailing "/"
  size_t i = 1;        // after the leading "/"
  while (i < full.size()) {
    size_t j = full.find('/', i);
    if (j == std::string::npos) j = full.size();
    const std::string element = full.substr(i, j - i);
    platform::FileStatus st;
    std::string found;
    if (platform::Files().Status(result + "/" + element, false, st) == 0) {
      found = element;
    } else {
      std::vector<platform::DirEntry> entries;
      platform::Files().List(result.empty() ? "/" : result, entries);
      std::sort(entries.begin(), entries.end(),
                [](const auto& a, const auto& b) { return a.name < b.name; });
      const String want = AnsiUpperCase(PathToFileName(element));
      for (const auto& e : entries) {
        if (AnsiUpperCase(PathToFileName(e.name)) == want) {
          found = e.name;
          break;
        }
      }
    }
    if (found.empty()) return PathToFileName(result + full.substr(i - 1) + (trailing ? "/" : ""));
    result += "/" + found;
    i = j + 1;
  }
  if (result.empty()) return u"/";
  return PathToFileName(trailing ? result + "/" : result);
}
#endif

bool IsFN83CompliantPath(const String& Path) {
  static constexpr char16_t kExcluded[] = u"\"*+,/;<=>?[]|";
  for (const Char c : Path) {
    if (c < 33 || c > 126) return false;
    for (const Char x : kExcluded) {
      if (x != 0 && c == x) return false;
    }
  }
  return true;
}

bool IsDOS83Path(const String& Path) {
  if (!IsFN83CompliantPath(Path)) return false;
  size_t i = 0;
  while (i < Path.size()) {
    size_t cut = Path.find(u'\\', i);
    if (cut == String::npos) cut = Path.find(u'.', i);
    const size_t end = cut == String::npos ? Path.size() : cut + 1;
    if (end - i > 9) return false;
    i = end;
  }
  return true;
}

namespace {
bool ForbiddenInName(Char c) {
  switch (c) {
    case u'/':
    case u'\\':
    case u':':
    case u'*':
    case u'?':
    case u'<':
    case u'>':
    case u'|':
    case u'\0':
      return true;
    default:
      return false;
  }
}
}  // namespace

String ReplaceInvalidFileNameChars(const String& FileName, Char Replacement) {
  String s = FileName;
  for (Char& c : s) {
    if (ForbiddenInName(c)) c = Replacement;
  }
  if (s == u".") return String(1, Replacement);
  if (s == u"..") return String(2, Replacement);
  return s;
}

bool IsValidFileName(const String& FileName) {
  if (FileName == u"." || FileName == u"..") return false;
  return std::none_of(FileName.begin(), FileName.end(), ForbiddenInName);
}

int32_t ExtractDrive(const String& Path) {
  if (Path.size() < 2 || Path[1] != u':') return -1;
  const Char c = UpperCaseChar(Path[0]);
  return c >= u'A' && c <= u'Z' ? c - u'A' : 0;
}

String InsertBeforeFileExt(const String& Text, const String& FileName) {
  const size_t start = NameStart(FileName);
  size_t first = start;
  while (first < FileName.size() && FileName[first] == u'.') ++first;
  const size_t dot = FileName.find(u'.', first);
  if (dot == String::npos) return FileName + Text;
  return FileName.substr(0, dot) + Text + FileName.substr(dot);
}

String EnsureDefaultFileExt(const String& FileName, const String& Ext) {
  if (Ext.empty() || ExtStart(FileName) != String::npos) return FileName;
  return FileName + (Ext[0] == u'.' ? Ext : u"." + Ext);
}

}  // namespace zel
