#include "zel/filesys/textfiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <string_view>

#include "zel/runtime/exception.h"
#include "zel/runtime/stream.h"
#include "zel/runtime/stringlist.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/utf8.h"
#include "zel/streams/primitives.h"
#include "zel/stringl/internal/substring_search.h"

namespace zel {
namespace {

// 1-based position of Sub in S; 0 when absent or Sub is empty.
size_t PosOf(const String& Sub, const String& S) {
  if (Sub.empty()) return 0;
  const size_t p = internal::SubstringSearcher<char16_t>(Sub).Find(S);
  return p == String::npos ? 0 : p + 1;
}

[[noreturn]] void RaiseIo(const char* what, const String& name, int err) {
  throw EInOutError(Utf8ToString(what) + u" \"" + name + u"\". " + Utf8ToString(std::strerror(err)),
                    err);
}

int32_t CheckedCount(int64_t n) {
  if (n > std::numeric_limits<int32_t>::max()) throw EIntOverflow(u"Integer overflow");
  return static_cast<int32_t>(n);
}

// Closes F when the scope is left early; Close() reports errors on the
// normal way out.
struct CloseGuard {
  TextFile& f;
  ~CloseGuard() {
    if (f.IsOpen()) {
      try {
        f.Close();
      } catch (...) {
        // An earlier exception is on its way; this one would only hide it.
      }
    }
  }
};

// Where a copy from In to Out is written: Out itself, or, when both names
// denote the same file, a temporary file beside it that replaces Out at the
// end, so the input is not truncated before it is read.
class OutputTarget {
 public:
  OutputTarget(const String& In, const String& Out) : out_(Out), write_(Out) {
    std::error_code ec;
    const std::filesystem::path in_path(StringToUtf8(In));
    const std::filesystem::path out_path(StringToUtf8(Out));
    if (std::filesystem::equivalent(in_path, out_path, ec) && !ec) {
      std::random_device rd;
      const std::string suffix = ".zel-tmp-" + std::to_string(rd());
      write_ = Out + Utf8ToString(suffix);
      replace_ = true;
    }
  }
  ~OutputTarget() {
    if (replace_ && !done_) {
      std::error_code ec;
      std::filesystem::remove(std::filesystem::path(StringToUtf8(write_)), ec);
    }
  }
  OutputTarget(const OutputTarget&) = delete;
  OutputTarget& operator=(const OutputTarget&) = delete;

  const String& WriteName() const { return write_; }
  // Moves the temporary file onto the output; raises EInOutError on failure.
  void Commit() {
    if (!replace_) return;
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(StringToUtf8(write_)),
                            std::filesystem::path(StringToUtf8(out_)), ec);
    if (ec) RaiseIo("Cannot rename file", write_, ec.value());
    done_ = true;
  }

 private:
  String out_;
  String write_;
  bool replace_ = false;
  bool done_ = false;
};

String TrimBlanks(const String& S) {
  size_t a = 0;
  size_t b = S.size();
  while (a < b && S[a] == u' ') ++a;
  while (b > a && S[b - 1] == u' ') --b;
  return S.substr(a, b - a);
}

bool StartsWith(const String& S, std::u16string_view prefix) {
  return S.size() >= prefix.size() && std::u16string_view(S).substr(0, prefix.size()) == prefix;
}

// Steps 4 to 6 of the header: the flag words of line 4 (already free of tabs
// where the form replaces them).
int32_t ParseFlagLine(const String& Line, bool& Flag1, bool& Flag2, bool& Flag3, bool& Flag4) {
  Flag1 = Flag2 = Flag3 = Flag4 = false;
  String s = TrimBlanks(UpperCase(Line));
  bool* flags[3] = {&Flag1, &Flag2, &Flag3};
  for (bool* flag : flags) {
    if (StartsWith(s, u"TRUE")) {
      *flag = true;
      s = TrimBlanks(s.substr(4));
    } else if (StartsWith(s, u"FALSE")) {
      *flag = false;
      s = TrimBlanks(s.substr(5));
    } else {
      return ascBadFlags;
    }
  }
  Flag4 = StartsWith(s, u"TRUE");
  return ascOK;
}

void ClearHeaderOutputs(String& Comment, int32_t& Count1, int32_t& Count2, bool& Flag1, bool& Flag2,
                        bool& Flag3, bool& Flag4) {
  Comment.clear();
  Count1 = Count2 = 0;
  Flag1 = Flag2 = Flag3 = Flag4 = false;
}

// ScanStreamDecimal, then the rest of the number's line unless the byte that
// ended the number was the line feed itself (or the stream ended).
int32_t ScanCountAndSkipLine(TStream& AStream) {
  const int64_t before = AStream.Position();
  const int32_t value = ScanStreamDecimal(AStream);
  const int64_t after = AStream.Position();
  if (after > before) {
    AStream.SetPosition(after - 1);
    uint8_t last = 0;
    const bool got = AStream.Read(&last, 1) == 1;
    if (got && last == '\n') return value;
  }
  bool eos = false;
  ReadLnStream(AStream, eos, eolLF);
  return value;
}

}  // namespace

// ---- encoding -------------------------------------------------------------------

TTextfileType CheckTextFileType(const String& FileName) {
  const std::string path = StringToUtf8(FileName);
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) RaiseIo("Cannot open file", FileName, errno);
  unsigned char b[4] = {0, 0, 0, 0};
  size_t n = 0;
  while (n < 4) {
    const ssize_t got = ::read(fd, b + n, 4 - n);
    if (got < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      RaiseIo("Cannot read file", FileName, err);
    }
    if (got == 0) break;
    n += static_cast<size_t>(got);
  }
  ::close(fd);
  // Only the bytes actually read take part: a short file must not match a
  // longer mark through the zero padding of the buffer.
  auto starts = [&](std::initializer_list<unsigned char> mark) {
    return n >= mark.size() && std::equal(mark.begin(), mark.end(), b);
  };
  if (starts({0xEF, 0xBB, 0xBF})) return tftUTF8;
  if (starts({0xFF, 0xFE, 0x00, 0x00})) return tftUnicode4_le;
  if (starts({0x00, 0x00, 0xFE, 0xFF})) return tftUnicode4_be;
  if (starts({0xFF, 0xFE})) return tftUnicode_le;
  if (starts({0xFE, 0xFF})) return tftUnicode_be;
  if (starts({0x7B, 0x5C, 0x72})) return tftRTF;
  return tftUnknown;
}

// ---- appending and clearing ---------------------------------------------------

namespace {
void OpenForAppend(TextFile& f) {
  try {
    f.Append();
  } catch (const EInOutError&) {
    f.Rewrite();
  }
}
}  // namespace

void AppendToTextFile(const String& FileName, const String& Line) {
  TextFile f(FileName);
  OpenForAppend(f);
  CloseGuard guard{f};
  f.WriteLn(Line);
  f.Close();
}

void AppendToTextFile(const String& FileName, const TStringList& Lines) {
  TextFile f(FileName);
  OpenForAppend(f);
  CloseGuard guard{f};
  for (const String& line : Lines) f.WriteLn(line);
  f.Close();
}

void ClearTextFile(const String& FileName) {
  TextFile f(FileName);
  f.Rewrite();
  CloseGuard guard{f};
  f.WriteLn();
  f.Close();
}

// ---- extracting -------------------------------------------------------------------

String ReadStringFromTextFile(const String& FileName, const String& StartTag,
                              const String& EndTag) {
  TextFile f(FileName);
  try {
    f.Reset();
  } catch (const EInOutError& e) {
    if (e.ErrorCode() == ENOENT || e.ErrorCode() == ENOTDIR) return String();
    throw;
  }
  CloseGuard guard{f};
  const String start = LowerCase(StartTag);
  const String end = LowerCase(EndTag);
  bool copying = start.empty();
  bool end_found = false;
  String result;
  while (!end_found && !f.Eof()) {
    String line = f.ReadLn();
    if (!copying) {
      const size_t p = PosOf(start, LowerCase(line));
      if (p > 0) {
        copying = true;
        line.erase(0, p - 1 + start.size());
      }
    }
    if (!copying) continue;
    if (!end.empty()) {
      const size_t q = PosOf(end, LowerCase(line));
      if (q > 0) {
        line.resize(q - 1);
        end_found = true;
      }
    }
    result += line;
    result += u"\r\n";
  }
  f.Close();
  return result;
}

// ---- last lines and counting -------------------------------------------------------

namespace {
TStrArray LastNLines(TextFile& F, int32_t N, int32_t& NLinesRead) {
  NLinesRead = 0;
  F.Reset();
  if (N < 1) {
    NLinesRead = CheckedCount(F.SkipLines(std::numeric_limits<int64_t>::max()));
    F.Reset();
    return TStrArray();
  }
  // The result's N entries are made first, so an N no memory can hold fails
  // before the file is read; the ring grows with the lines read.
  const auto n = static_cast<size_t>(N);
  TStrArray result(n);
  TStrArray ring;
  size_t next = 0;
  int64_t count = 0;
  while (!F.Eof()) {
    String line = F.ReadLn();
    if (ring.size() < n) {
      ring.push_back(std::move(line));
    } else {
      ring[next] = std::move(line);
    }
    next = (next + 1) % n;
    ++count;
  }
  F.Reset();
  NLinesRead = CheckedCount(count);
  if (ring.size() < n) {
    // Fewer lines than N: leading empty entries, then the lines in order.
    std::move(ring.begin(), ring.end(), result.end() - static_cast<ptrdiff_t>(ring.size()));
  } else {
    for (size_t k = 0; k < n; ++k) result[k] = std::move(ring[(next + k) % n]);
  }
  return result;
}
}  // namespace

TStrArray ReadLastNLinesOfTextFile(TextFile& F, int32_t N, int32_t& NLinesRead) {
  return GuardAllocation([&] { return LastNLines(F, N, NLinesRead); });
}

TStrArray ReadLastNLinesOfTextFile(const String& FileName, int32_t N, int32_t& NLinesRead) {
  NLinesRead = 0;
  TextFile f(FileName);
  f.Reset();
  CloseGuard guard{f};
  TStrArray result = ReadLastNLinesOfTextFile(f, N, NLinesRead);
  f.Close();
  return result;
}

int32_t CountLinesInTextFile(TextFile& F, const TFeedbackProc& Progress) {
  F.Reset();
  int64_t count = 0;
  if (Progress) {
    for (;;) {
      const int64_t got = F.SkipLines(1000);
      count += got;
      if (got < 1000) break;
      Progress(nullptr, static_cast<double>(count), 0.0);
    }
  } else {
    count = F.SkipLines(std::numeric_limits<int64_t>::max());
  }
  F.Reset();
  return CheckedCount(count);
}

int32_t CountLinesInTextFile(const String& FileName, const TFeedbackProc& Progress) {
  TextFile f(FileName);
  f.Reset();
  CloseGuard guard{f};
  const int32_t count = CountLinesInTextFile(f, Progress);
  f.Close();
  return count;
}

// ---- ASC header ---------------------------------------------------------------------

int32_t ReadHeaderOfASC(const String& FileName, String& Comment, int32_t& Count1, int32_t& Count2,
                        bool& Flag1, bool& Flag2, bool& Flag3, bool& Flag4) {
  ClearHeaderOutputs(Comment, Count1, Count2, Flag1, Flag2, Flag3, Flag4);
  TextFile f(FileName);
  f.Reset();
  CloseGuard guard{f};
  int32_t status = ascOK;
  if (!f.Eof()) Comment = f.ReadLn();
  if (Comment.find(u'\n') != String::npos) status = ascLineFeedInComment;
  // An integer and the rest of its line; a token that is no integer counts as
  // "no integer", as does the end of the file.
  auto read_count = [&f](int32_t& value) {
    const bool ok = f.TryReadInteger(value);
    if (!f.Eof()) f.ReadLn();
    return ok && value > 0;
  };
  if (!read_count(Count1)) status = ascBadFirstCount;
  if (status == ascOK && !read_count(Count2)) status = ascBadSecondCount;
  if (status == ascOK) {
    String line4 = f.Eof() ? String() : f.ReadLn();
    std::replace(line4.begin(), line4.end(), u'\t', u' ');
    status = ParseFlagLine(line4, Flag1, Flag2, Flag3, Flag4);
  }
  f.Close();
  return status;
}

int32_t ReadHeaderOfASC(TStream& AStream, String& Comment, int32_t& Count1, int32_t& Count2,
                        bool& Flag1, bool& Flag2, bool& Flag3, bool& Flag4) {
  ClearHeaderOutputs(Comment, Count1, Count2, Flag1, Flag2, Flag3, Flag4);
  bool eos = false;
  int32_t status = ascOK;
  Comment = ReadLnStream(AStream, eos, eolLF);
  if (Comment.find(u'\n') != String::npos) status = ascLineFeedInComment;
  Count1 = ScanCountAndSkipLine(AStream);
  if (Count1 <= 0) status = ascBadFirstCount;
  if (status != ascOK) return status;
  Count2 = ScanCountAndSkipLine(AStream);
  if (Count2 <= 0) return ascBadSecondCount;
  const String line4 = ReadLnStream(AStream, eos, eolLF);
  return ParseFlagLine(line4, Flag1, Flag2, Flag3, Flag4);
}

// ---- copying -------------------------------------------------------------------------

void EnsureCRLFInFile(const String& InFile, const String& OutFile) {
  TextFile in(InFile);
  in.Reset();
  CloseGuard in_guard{in};
  OutputTarget target(InFile, OutFile);
  TextFile out(target.WriteName());
  out.Rewrite();
  CloseGuard out_guard{out};
  while (!in.Eof()) {
    const Char c = in.ReadChar();
    out.Write(c);
    if (c != u'\r') continue;
    const Char next = in.Eof() ? u'\n' : in.ReadChar();
    if (next != u'\n') out.Write(u'\n');
    out.Write(next);
  }
  out.Close();
  in.Close();
  target.Commit();
}

int32_t FilterCopyTextFile(const String& InFile, const String& OutFile,
                           const TIntArray& DropLines) {
  TextFile in(InFile);
  try {
    in.Reset();
  } catch (const EInOutError&) {
    return -1;
  }
  CloseGuard in_guard{in};
  TIntArray drop(DropLines);
  std::sort(drop.begin(), drop.end());
  int32_t status = 0;
  {
    OutputTarget target(InFile, OutFile);
    TextFile out(target.WriteName());
    CloseGuard out_guard{out};
    int64_t number = 0;
    try {
      out.Rewrite();
    } catch (const EInOutError&) {
      status = -2;
    }
    while (status == 0 && !in.Eof()) {
      String line = in.ReadLn();  // a read failure raises to the caller
      ++number;
      if (number <= std::numeric_limits<int32_t>::max() &&
          std::binary_search(drop.begin(), drop.end(), static_cast<int32_t>(number))) {
        continue;
      }
      try {
        out.WriteLn(line);
      } catch (const EInOutError&) {
        status = -2;
      }
    }
    if (status == 0) {
      try {
        out.Close();
      } catch (const EInOutError&) {
        status = -2;
      }
    }
    if (status == 0) {
      in.Close();
      try {
        target.Commit();
      } catch (const EInOutError&) {
        status = -2;
      }
    }
  }
  return status;
}

// ---- searching ------------------------------------------------------------------------

int32_t DetectStringInFile(const String& FileName, const String& SearchStr, bool IgnoreCase,
                           int32_t MaxChars) {
  TextFile f(FileName);
  f.Reset();
  CloseGuard guard{f};
  const String search = IgnoreCase ? LowerCase(SearchStr) : SearchStr;
  int64_t total = 0;
  bool found = false;
  while (!f.Eof() && !found && total < MaxChars) {
    String line = f.ReadLn();
    if (IgnoreCase) line = LowerCase(line);
    const size_t p = PosOf(search, line);
    if (p > 0) {
      total += static_cast<int64_t>(p);
      found = total <= MaxChars;
    } else {
      total += static_cast<int64_t>(line.size());
    }
  }
  f.Close();
  return found ? static_cast<int32_t>(total) : 0;
}

int32_t FindFirstMatchInTextFile(const String& FileName, const String& SearchStr, bool IgnoreCase,
                                 String& MatchingLine) {
  MatchingLine.clear();
  TextFile f(FileName);
  f.Reset();
  CloseGuard guard{f};
  const String search = IgnoreCase ? AnsiLowerCase(SearchStr) : SearchStr;
  int32_t result = 0;
  while (result == 0 && !f.Eof()) {
    String line = f.ReadLn();
    const size_t p = PosOf(search, IgnoreCase ? AnsiLowerCase(line) : line);
    if (p > 0) {
      result = static_cast<int32_t>(std::min<size_t>(p, std::numeric_limits<int32_t>::max()));
      MatchingLine = std::move(line);
    }
  }
  f.Close();
  return result;
}

String ReadNextWordInTextFile(TextFile& F) {
  String word;
  Char c = 0;
  while (!F.Eof()) {
    c = F.ReadChar();
    if (c > 32) break;
  }
  if (c <= 32) return word;
  word.push_back(c);
  while (!F.Eof()) {
    c = F.ReadChar();
    if (c <= 32) break;
    word.push_back(c);
  }
  return word;
}

}  // namespace zel
