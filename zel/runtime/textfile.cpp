#include "zel/runtime/textfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>

#include "zel/platform/descriptors.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/safefile.h"
#include "zel/runtime/utf8.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zel {
namespace {

constexpr size_t kBufferSize = 64 * 1024;
// Bytes counted per step of the line-skipping fast path.
constexpr size_t kCountChunk = 4096;

// Where a run of bytes longer than kTextDecodePiece is cut: at most
// kTextDecodePiece bytes, moved back (at most three bytes) so that a UTF-8
// sequence is not split. Looks only at the first kTextDecodePiece + 1 bytes.
size_t PieceLength(std::string_view s) {
  if (s.size() <= kTextDecodePiece) return s.size();
  for (size_t i = kTextDecodePiece; i + 3 >= kTextDecodePiece; --i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return i;
  }
  return kTextDecodePiece;
}

bool IsAscii(std::string_view s) {
  unsigned char any = 0;
  for (const char c : s) any |= static_cast<unsigned char>(c);
  return any < 0x80;
}

void AppendDecodedPiece(String& dst, std::string_view s) {
  if (IsAscii(s)) {
    const size_t old = dst.size();
    dst.resize(old + s.size());
    for (size_t i = 0; i < s.size(); ++i) dst[old + i] = static_cast<unsigned char>(s[i]);
  } else {
    dst += DecodeText8(s);
  }
}

// Decodes the bytes of (part of) one line, piece by piece.
void AppendDecoded(String& dst, std::string_view s) {
  while (!s.empty()) {
    const size_t n = PieceLength(s);
    AppendDecodedPiece(dst, s.substr(0, n));
    s.remove_prefix(n);
  }
}

// First CR or LF in [a, b), or nullptr.
const char* FindLineEnd(const char* a, const char* b) {
  const auto* lf = static_cast<const char*>(std::memchr(a, '\n', static_cast<size_t>(b - a)));
  const char* lim = lf ? lf : b;
  const auto* cr = static_cast<const char*>(std::memchr(a, '\r', static_cast<size_t>(lim - a)));
  return cr ? cr : lf;
}

// Lines ended inside p[0, len): every LF, and every CR not followed by LF.
// p[len] must be readable (it decides about a CR in the last place).
size_t CountLineEnds(const unsigned char* p, size_t len) {
  size_t n = 0;
  size_t i = 0;
#if defined(__SSE2__)
  // SSE2 is part of every x86-64 processor, so this needs no dispatch. Each
  // byte lane counts up to 255 line ends, then the lanes are summed.
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  while (i + 16 <= len) {
    __m128i acc = _mm_setzero_si128();
    for (int k = 0; k < 255 && i + 16 <= len; ++k, i += 16) {
      const __m128i cur = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
      const __m128i ends =
          _mm_or_si128(_mm_cmpeq_epi8(cur, lf),
                       _mm_andnot_si128(_mm_cmpeq_epi8(next, lf), _mm_cmpeq_epi8(cur, cr)));
      acc = _mm_sub_epi8(acc, ends);  // a true lane is -1
    }
    const __m128i sums = _mm_sad_epu8(acc, _mm_setzero_si128());
    n += static_cast<size_t>(_mm_cvtsi128_si32(sums)) +
         static_cast<size_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
  }
#endif
  for (; i < len; ++i) n += (p[i] == '\n') || (p[i] == '\r' && p[i + 1] != '\n');
  return n;
}

// The offset just after the Want-th line end in p[0, len) (counted as in
// CountLineEnds); the caller knows there are at least Want of them.
size_t OffsetAfterLineEnds(const unsigned char* p, size_t len, size_t Want) {
  for (size_t i = 0; i < len; ++i) {
    if ((p[i] == '\n') || (p[i] == '\r' && p[i + 1] != '\n')) {
      if (--Want == 0) return i + 1;
    }
  }
  return len;
}

bool IsHighSurrogate(Char c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(Char c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

TextFile::TextFile() = default;

TextFile::TextFile(const String& FileName) { Assign(FileName); }

void TextFile::SafeStreamDeleter::operator()(TSafeFileStream* stream) const noexcept {
  delete stream;
}

void TextFile::Finish(bool abandoned) noexcept {
  if (IsOpen() && safe_ && abandoned) {
    CloseFd(false);  // abandoned on the way out of an error: the old contents stay
    return;
  }
  if (IsOpen()) {
    try {
      Close();
    } catch (...) {
      // Nothing can be reported from a destructor; Close has released the
      // descriptor before raising.
    }
  }
}

void TextFile::Assign(const String& FileName) {
  if (IsOpen()) Close();
  name_ = FileName;
  assigned_ = true;
}

void TextFile::RaiseOs(const char* what, int err) const {
  throw EInOutError(
      Utf8ToString(what) + u" \"" + name_ + u"\". " + Utf8ToString(std::strerror(err)), err);
}

namespace {
[[noreturn]] void RaiseRuntime(const char* text, const String& name, int code) {
  String msg = Utf8ToString(text);
  if (!name.empty()) msg += u": \"" + name + u"\"";
  throw EInOutError(msg, code);
}
}  // namespace

void TextFile::Open(bool append, TTextFileState state, const char* what) {
  if (!assigned_) RaiseRuntime("File not assigned", name_, kIoFileNotAssigned);
  if (IsOpen()) Close();
  std::string path;
  if (!FileNameToPath(name_, path)) RaiseOs(what, errno);
  auto& system = platform::Descriptors();
  int fd = -1;
  const int err = system.OpenFile(
      path, append ? platform::OpenFor::kAppending : platform::OpenFor::kReading, fd);
  if (err != 0) RaiseOs(what, err);
  platform::FileIdentity id;
  if (system.IdentifyOpen(fd, id) == 0 && id.directory) {
    system.Close(fd);
    RaiseOs(what, EISDIR);
  }
  Start(fd, state);
}

void TextFile::Start(int fd, TTextFileState state) {
  fd_ = fd;
  state_ = state;
  pos_ = end_ = 0;
  at_eof_ = false;
  pend_.clear();
  pend_pos_ = 0;
  out_.clear();
  high_ = 0;
  if (state == tfsInput) {
    buf_.resize(kBufferSize);
  } else {
    out_.reserve(kBufferSize);
  }
}

void TextFile::Reset() {
  if (state_ == tfsInput) {
    // Rewind in place; fall back to reopening for files that cannot seek.
    if (platform::Descriptors().Rewind(fd_) == 0) {
      pos_ = end_ = 0;
      at_eof_ = false;
      pend_.clear();
      pend_pos_ = 0;
      return;
    }
  }
  Open(false, tfsInput, "Cannot open file");
}

void TextFile::RewriteCounting(int unwinding) {
  if (!assigned_) RaiseRuntime("File not assigned", name_, kIoFileNotAssigned);
  if (IsOpen()) Close();
  int err = 0;
  std::unique_ptr<TSafeFileStream, SafeStreamDeleter> safe(new TSafeFileStream(name_, err));
  if (err != 0) RaiseOs("Cannot create file", err);
  safe_ = std::move(safe);
  unwinding_ = unwinding;
  Start(safe_->Handle(), tfsOutput);
}

void TextFile::Append() { Open(true, tfsOutput, "Cannot open file"); }

void TextFile::CloseFd(bool report) {
  const int fd = fd_;
  fd_ = -1;
  state_ = tfsClosed;
  pend_.clear();
  pend_pos_ = 0;
  pos_ = end_ = 0;
  buf_.clear();
  buf_.shrink_to_fit();
  out_.clear();
  high_ = 0;
  if (safe_) {
    // The replacement takes the place of the file only on a reported close.
    const int err = report ? safe_->TryCommit() : 0;
    safe_.reset();
    if (err != 0) RaiseOs("Cannot write file", err);
    return;
  }
  // close() is not retried on EINTR: on Linux the descriptor is gone anyway.
  const int err = platform::Descriptors().Close(fd);
  if (err != 0 && report) RaiseOs("Cannot close file", err);
}

void TextFile::Close() {
  if (!IsOpen()) RaiseRuntime("File not open", name_, kIoFileNotOpen);
  if (state_ == tfsOutput) {
    try {
      if (high_ != 0) {
        high_ = 0;
        out_ += "\xEF\xBF\xBD";
      }
      FlushBuffer();
    } catch (...) {
      CloseFd(false);
      throw;
    }
  }
  CloseFd(true);
}

void TextFile::Flush() {
  CheckOutput();
  FlushBuffer();
}

void TextFile::CheckInput() {
  if (state_ == tfsInput) return;
  if (state_ == tfsClosed) RaiseRuntime("File not open", name_, kIoFileNotOpen);
  RaiseRuntime("File not open for input", name_, kIoNotOpenForInput);
}

void TextFile::CheckOutput() {
  if (state_ == tfsOutput) return;
  if (state_ == tfsClosed) RaiseRuntime("File not open", name_, kIoFileNotOpen);
  RaiseRuntime("File not open for output", name_, kIoNotOpenForOutput);
}

// ---- raw input ------------------------------------------------------------------

bool TextFile::Fill() {
  if (at_eof_) return false;
  if (pos_ == end_) {
    pos_ = end_ = 0;
  } else if (pos_ > 0) {
    std::memmove(buf_.data(), buf_.data() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
  }
  if (end_ == buf_.size()) return false;
  size_t n = 0;
  const int err = platform::Descriptors().Read(fd_, buf_.data() + end_, buf_.size() - end_, n);
  if (err != 0) RaiseOs("Cannot read file", err);
  if (n == 0) {
    at_eof_ = true;
    return false;
  }
  end_ += n;
  return true;
}

bool TextFile::EnsureAvailable(size_t n) {
  while (end_ - pos_ < n) {
    if (!Fill()) return false;
  }
  return true;
}

// Decodes the next line, or the next piece of a long line, into pend_. The
// line end stays in the piece as the characters it is.
bool TextFile::LoadPiece() {
  pend_.clear();
  pend_pos_ = 0;
  EnsureAvailable(kTextDecodePiece + 2);
  if (pos_ == end_) return false;
  const char* p = buf_.data() + pos_;
  const size_t avail = end_ - pos_;
  const size_t lim = std::min(avail, kTextDecodePiece + 1);
  const char* hit = FindLineEnd(p, p + lim);
  if (hit != nullptr) {
    const auto i = static_cast<size_t>(hit - p);
    AppendDecoded(pend_, std::string_view(p, i));
    size_t used = i + 1;
    pend_.push_back(static_cast<Char>(*hit));
    // With kTextDecodePiece + 2 bytes requested, the byte after a CR is in
    // the buffer unless the file ends there.
    if (*hit == '\r' && used < avail && p[used] == '\n') {
      pend_.push_back(u'\n');
      ++used;
    }
    pos_ += used;
  } else {
    const size_t n = avail <= kTextDecodePiece ? avail : PieceLength(std::string_view(p, lim));
    AppendDecoded(pend_, std::string_view(p, n));
    pos_ += n;
  }
  return true;
}

// ---- reading --------------------------------------------------------------------

String TextFile::ReadLn() {
  CheckInput();
  String result;
  if (!PendingEmpty()) {
    size_t k = pend_pos_;
    while (k < pend_.size() && pend_[k] != u'\r' && pend_[k] != u'\n') ++k;
    result.assign(pend_, pend_pos_, k - pend_pos_);
    const bool ended = k < pend_.size();
    pend_.clear();
    pend_pos_ = 0;
    if (ended) return result;
  }
  line_.clear();
  bool spilled = false;  // part of the line is in line_
  for (;;) {
    if (pos_ == end_ && !Fill()) {
      AppendDecoded(result, line_);
      return result;
    }
    const char* a = buf_.data() + pos_;
    const char* b = buf_.data() + end_;
    const char* hit = FindLineEnd(a, b);
    if (hit == nullptr) {
      line_.append(a, b);
      spilled = true;
      pos_ = end_;
      continue;
    }
    std::string_view content(a, static_cast<size_t>(hit - a));
    if (spilled) {
      line_.append(content);
      content = line_;
    }
    pos_ = static_cast<size_t>(hit - buf_.data()) + 1;
    AppendDecoded(result, content);
    if (*hit == '\r') {
      // The LF of a CR LF pair may be in the next buffer load.
      if (pos_ < end_ || Fill()) {
        if (buf_[pos_] == '\n') ++pos_;
      }
    }
    return result;
  }
}

int64_t TextFile::SkipLines(int64_t MaxLines) {
  CheckInput();
  if (MaxLines <= 0) return 0;
  int64_t n = 0;
  bool mid_line = false;  // bytes of an unfinished line were skipped
  if (!PendingEmpty()) {
    size_t k = pend_pos_;
    while (k < pend_.size() && pend_[k] != u'\r' && pend_[k] != u'\n') ++k;
    mid_line = k == pend_.size();
    pend_.clear();
    pend_pos_ = 0;
    if (!mid_line) n = 1;
  }
  while (n < MaxLines) {
    // Fast path: count whole chunks while they end fewer lines than are
    // still wanted, so the chunk never ends beyond the last wanted line.
    if (end_ - pos_ >= 2) {
      const size_t len = std::min(kCountChunk, end_ - pos_ - 1);
      const auto* p = reinterpret_cast<const unsigned char*>(buf_.data() + pos_);
      const auto c = static_cast<int64_t>(CountLineEnds(p, len));
      if (c < MaxLines - n) {
        n += c;
        pos_ += len;
        const unsigned char last = p[len - 1];
        mid_line = !(last == '\n' || (last == '\r' && p[len] != '\n'));
        continue;
      }
      // The last wanted line ends inside this chunk: stop right after it.
      pos_ += OffsetAfterLineEnds(p, len, static_cast<size_t>(MaxLines - n));
      n = MaxLines;
      break;
    }
    // Slow path: one line at a time.
    if (pos_ == end_ && !Fill()) {
      if (mid_line) ++n;  // the unterminated last line
      break;
    }
    for (;;) {
      const char* a = buf_.data() + pos_;
      const char* hit = FindLineEnd(a, buf_.data() + end_);
      if (hit == nullptr) {
        pos_ = end_;
        if (!Fill()) break;
        continue;
      }
      pos_ = static_cast<size_t>(hit - buf_.data()) + 1;
      if (*hit == '\r' && (pos_ < end_ || Fill()) && buf_[pos_] == '\n') ++pos_;
      break;
    }
    ++n;
    mid_line = false;
  }
  return n;
}

Char TextFile::ReadChar() {
  CheckInput();
  if (PendingEmpty() && !LoadPiece()) return 0;
  return pend_[pend_pos_++];
}

bool TextFile::Eof() {
  CheckInput();
  return PendingEmpty() && pos_ == end_ && !Fill();
}

bool TextFile::Eoln() {
  CheckInput();
  Char c;
  if (!PendingEmpty()) {
    c = pend_[pend_pos_];
  } else {
    if (pos_ == end_ && !Fill()) return true;
    c = static_cast<unsigned char>(buf_[pos_]);
  }
  return c == u'\r' || c == u'\n';
}

bool TextFile::SeekEof() {
  CheckInput();
  for (;;) {
    if (PendingEmpty() && !LoadPiece()) return true;
    const Char c = pend_[pend_pos_];
    if (c != u' ' && c != u'\t' && c != u'\r' && c != u'\n') return false;
    ++pend_pos_;
  }
}

bool TextFile::SeekEoln() {
  CheckInput();
  for (;;) {
    if (PendingEmpty() && !LoadPiece()) return true;
    const Char c = pend_[pend_pos_];
    if (c != u' ' && c != u'\t') return c == u'\r' || c == u'\n';
    ++pend_pos_;
  }
}

int TextFile::ReadIntegerToken(int32_t& Value) {
  Value = 0;
  for (;;) {
    if (PendingEmpty() && !LoadPiece()) return 1;
    if (pend_[pend_pos_] > 32) break;
    ++pend_pos_;
  }
  // Parse the token as it goes, so a huge token costs no memory.
  bool ok = true;
  bool negative = false;
  bool any_digit = false;
  int64_t v = 0;
  size_t index = 0;
  for (;; ++index) {
    if (PendingEmpty() && !LoadPiece()) break;
    const Char c = pend_[pend_pos_];
    if (c <= 32) break;
    ++pend_pos_;
    if (index == 0 && (c == u'+' || c == u'-')) {
      negative = c == u'-';
    } else if (c >= u'0' && c <= u'9') {
      any_digit = true;
      if (v <= INT64_C(0x80000000)) v = v * 10 + (c - u'0');
    } else {
      ok = false;
    }
  }
  if (negative) v = -v;
  if (!ok || !any_digit || v > INT32_MAX || v < INT32_MIN) return 2;
  Value = static_cast<int32_t>(v);
  return 0;
}

bool TextFile::TryReadInteger(int32_t& Value) {
  CheckInput();
  return ReadIntegerToken(Value) == 0;
}

int32_t TextFile::ReadInteger() {
  CheckInput();
  int32_t v;
  if (ReadIntegerToken(v) == 2) RaiseRuntime("Invalid numeric format", name_, kIoInvalidNumber);
  return v;
}

// ---- writing --------------------------------------------------------------------

void TextFile::FlushBuffer() {
  const int err = platform::Descriptors().WriteAll(fd_, out_.data(), out_.size());
  out_.clear();
  if (err != 0) RaiseOs("Cannot write file", err);
}

void TextFile::AppendUtf8(const Char* s, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (high_ == 0 && s[i] < 0x80) {
      // A run of ASCII characters: one byte each.
      size_t j = i + 1;
      while (j < n && s[j] < 0x80) ++j;
      const size_t old = out_.size();
      out_.resize(old + (j - i));
      char* d = out_.data() + old;
      for (size_t k = i; k < j; ++k) *d++ = static_cast<char>(s[k]);
      i = j - 1;
      continue;
    }
    uint32_t cp = s[i];
    if (high_ != 0) {
      const Char h = high_;
      high_ = 0;
      if (IsLowSurrogate(s[i])) {
        cp = 0x10000 + ((static_cast<uint32_t>(h) - 0xD800) << 10) + (cp - 0xDC00);
        out_.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out_.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out_.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out_.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        continue;
      }
      out_ += "\xEF\xBF\xBD";
    }
    if (IsHighSurrogate(s[i])) {
      high_ = s[i];
      continue;
    }
    if (IsLowSurrogate(s[i])) cp = 0xFFFD;
    if (cp < 0x80) {
      out_.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out_.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out_.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out_.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out_.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out_.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  if (out_.size() >= kBufferSize) FlushBuffer();
}

void TextFile::Write(const String& S) {
  CheckOutput();
  AppendUtf8(S.data(), S.size());
}

void TextFile::Write(Char C) {
  CheckOutput();
  AppendUtf8(&C, 1);
}

void TextFile::WriteLn(const String& S) {
  CheckOutput();
  AppendUtf8(S.data(), S.size());
  static constexpr Char kCrLf[2] = {u'\r', u'\n'};
  AppendUtf8(kCrLf, 2);
}

void TextFile::WriteLn() { WriteLn(String()); }

}  // namespace zel
