#include "zel/filesys/textfiles.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

#include "zel/platform/descriptors.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/safefile.h"
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

// ---- raw text: code units as the file stores them ----------------------------

// The width and byte order of a file's code units, from its mark: FF FE 00 00
// and 00 00 FE FF 32-bit, FF FE and FE FF 16-bit (as CheckTextFileType tells
// them apart), anything else bytes.
struct UnitFormat {
  size_t width = 1;
  bool big_endian = false;
};

UnitFormat DetectUnits(const uint8_t* p, size_t n) {
  auto starts = [&](std::initializer_list<uint8_t> mark) {
    return n >= mark.size() && std::equal(mark.begin(), mark.end(), p);
  };
  if (starts({0xFF, 0xFE, 0x00, 0x00})) return {4, false};
  if (starts({0x00, 0x00, 0xFE, 0xFF})) return {4, true};
  if (starts({0xFF, 0xFE})) return {2, false};
  if (starts({0xFE, 0xFF})) return {2, true};
  return {1, false};
}

// Reads a file's code units without decoding them; bytes that do not fill a
// last unit are left for Tail().
class UnitReader {
 public:
  UnitReader(int fd, const String& name) : fd_(fd), name_(name), buf_(1 << 16) {
    Have(4);
    format_ = DetectUnits(buf_.data() + pos_, end_ - pos_);
  }
  UnitFormat Format() const { return format_; }

  bool Next(uint32_t& u) {
    const size_t w = format_.width;
    if (Have(w) < w) return false;
    const uint8_t* p = buf_.data() + pos_;
    u = 0;
    for (size_t i = 0; i < w; ++i)
      u |= static_cast<uint32_t>(format_.big_endian ? p[i] : p[w - 1 - i]) << (8 * (w - 1 - i));
    pos_ += w;
    return true;
  }
  // The bytes after the last whole unit.
  std::string Tail() {
    Have(format_.width);
    return std::string(reinterpret_cast<const char*>(buf_.data() + pos_), end_ - pos_);
  }

 private:
  size_t Have(size_t n) {
    while (end_ - pos_ < n && !eof_) {
      std::memmove(buf_.data(), buf_.data() + pos_, end_ - pos_);
      end_ -= pos_;
      pos_ = 0;
      size_t got = 0;
      const int err =
          platform::Descriptors().Read(fd_, buf_.data() + end_, buf_.size() - end_, got);
      if (err != 0) RaiseIo("Cannot read file", name_, err);
      if (got == 0) eof_ = true;
      end_ += got;
    }
    return end_ - pos_;
  }

  int fd_;
  const String& name_;
  std::vector<uint8_t> buf_;
  size_t pos_ = 0, end_ = 0;
  bool eof_ = false;
  UnitFormat format_;
};

// Writes code units in a given format to a descriptor, buffered; failures
// are kept as an errno value for the caller to report its own way.
class UnitWriter {
 public:
  UnitWriter(int fd, UnitFormat format) : fd_(fd), format_(format) {}
  void Unit(uint32_t u) {
    const size_t w = format_.width;
    for (size_t i = 0; i < w; ++i) {
      const size_t shift = 8 * (format_.big_endian ? w - 1 - i : i);
      out_.push_back(static_cast<char>((u >> shift) & 0xFF));
    }
    if (out_.size() >= (1 << 16)) Flush();
  }
  void Bytes(const std::string& b) { out_ += b; }
  // 0, or the errno value of the first failed write.
  int Flush() {
    if (error_ == 0) error_ = platform::Descriptors().WriteAll(fd_, out_.data(), out_.size());
    out_.clear();
    return error_;
  }

 private:
  int fd_;
  UnitFormat format_;
  std::string out_;
  int error_ = 0;
};

// Opens a file for reading its raw bytes; -1 with errno set when it cannot
// be opened or is a directory.
int OpenRaw(const String& name) {
  std::string path;
  if (!FileNameToPath(name, path)) return -1;
  auto& system = platform::Descriptors();
  int fd = -1;
  const int err = system.OpenFile(path, platform::OpenFor::kReading, fd);
  if (err != 0) {
    errno = err;
    return -1;
  }
  platform::FileIdentity id;
  if (system.IdentifyOpen(fd, id) == 0 && id.directory) {
    system.Close(fd);
    errno = EISDIR;
    return -1;
  }
  return fd;
}

struct FdGuard {
  int fd;
  ~FdGuard() {
    if (fd >= 0) platform::Descriptors().Close(fd);
  }
};

constexpr uint32_t kCR = 13;
constexpr uint32_t kLF = 10;

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
  std::string path;
  int fd = -1;
  if (!FileNameToPath(FileName, path)) RaiseIo("Cannot open file", FileName, errno);
  auto& system = platform::Descriptors();
  if (const int err = system.OpenFile(path, platform::OpenFor::kReading, fd); err != 0)
    RaiseIo("Cannot open file", FileName, err);
  unsigned char b[4] = {0, 0, 0, 0};
  size_t n = 0;
  while (n < 4) {
    size_t got = 0;
    if (const int err = system.Read(fd, b + n, 4 - n, got); err != 0) {
      system.Close(fd);
      RaiseIo("Cannot read file", FileName, err);
    }
    if (got == 0) break;
    n += got;
  }
  system.Close(fd);
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
// A missing file is created; any other failure to open it (no permission,
// a read-only file, a folder) is the error reported.
void OpenForAppend(TextFile& f) {
  try {
    f.Append();
  } catch (const EInOutError& e) {
    if (e.ErrorCode() != ENOENT) throw;
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
  FdGuard in{OpenRaw(InFile)};
  if (in.fd < 0) RaiseIo("Cannot open file", InFile, errno);
  UnitReader reader(in.fd, InFile);
  int err = 0;
  TSafeFileStream out(OutFile, err);
  if (err != 0) RaiseIo("Cannot create file", OutFile, err);
  UnitWriter writer(out.Handle(), reader.Format());
  uint32_t c = 0;
  while (reader.Next(c)) {
    writer.Unit(c);
    if (c != kCR) continue;
    uint32_t next = kLF;
    const bool more = reader.Next(next);
    if (!more || next != kLF) writer.Unit(kLF);
    if (more) writer.Unit(next);
  }
  writer.Bytes(reader.Tail());
  if ((err = writer.Flush()) != 0) RaiseIo("Cannot write file", OutFile, err);
  if ((err = out.TryCommit()) != 0) RaiseIo("Cannot write file", OutFile, err);
}

int32_t FilterCopyTextFile(const String& InFile, const String& OutFile,
                           const TIntArray& DropLines) {
  FdGuard in{OpenRaw(InFile)};
  if (in.fd < 0) return -1;
  UnitReader reader(in.fd, InFile);
  TIntArray drop(DropLines);
  std::sort(drop.begin(), drop.end());
  int err = 0;
  TSafeFileStream out(OutFile, err);
  if (err != 0) return -2;
  const UnitFormat format = reader.Format();
  UnitWriter writer(out.Handle(), format);
  uint32_t c = 0;
  bool more = reader.Next(c);
  if (more && format.width > 1 && c == 0xFEFF) {
    writer.Unit(c);  // the byte-order mark belongs to the file, not to line 1
    more = reader.Next(c);
  }
  int64_t number = 0;
  while (more) {
    // One line: up to CR (with a following LF), LF, or the end of the file.
    ++number;
    const bool keep = number > std::numeric_limits<int32_t>::max() ||
                      !std::binary_search(drop.begin(), drop.end(), static_cast<int32_t>(number));
    while (more && c != kCR && c != kLF) {
      if (keep) writer.Unit(c);
      more = reader.Next(c);
    }
    const bool cr = more && c == kCR;
    more = more && reader.Next(c);
    if (cr && more && c == kLF) more = reader.Next(c);
    if (keep) {
      writer.Unit(kCR);
      writer.Unit(kLF);
    }
  }
  writer.Bytes(reader.Tail());
  if (writer.Flush() != 0 || out.TryCommit() != 0) return -2;
  return 0;
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
