#include "zel/streams/primitives.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "zel/base/internal/fpnum_scan.h"
#include "zel/runtime/exception.h"
#include "zel/streams/internal/byte_reader.h"
#include "zel/streams/internal/seek_back.h"
#include "zel/stringl/internal/substring_search.h"

namespace zel {

namespace {

constexpr size_t kWriteChunk = 4096;
constexpr int64_t kBlock = 256;
constexpr size_t kPrefetchAhead = 1024;
constexpr size_t kPrefetchWindow = 65536;  // larger than any read-ahead buffer

// Bytes to the characters of the same codes: 16 bytes at a time interleaved
// with zero bytes (SSE2 is part of every x86-64 processor); the tail of a
// longer text by one overlapping block, of a short one by 8 and then singly.
[[gnu::always_inline]] inline void Widen(Char* __restrict out, const uint8_t* __restrict p,
                                         size_t n) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const auto widen16 = [&](size_t at) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm_unpacklo_epi8(v, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at + 8), _mm_unpackhi_epi8(v, zero));
  };
  if (n >= 16) {
    for (; i + 16 <= n; i += 16) widen16(i);
    // The last 16 bytes once more, overlapping what is already done.
    if (i < n) widen16(n - 16);
    return;
  }
  if (n >= 8) {
    const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(v, zero));
    i = 8;
  }
#endif
  for (; i < n; ++i) out[i] = p[i];
}

// Appends bytes as the characters of the same codes.
void AppendBytes(String& s, const uint8_t* p, size_t n) {
  const size_t at = s.size();
  s.resize(at + n);
  Widen(s.data() + at, p, n);
}

void AppendBytes(std::string& s, const uint8_t* p, size_t n) {
  s.append(reinterpret_cast<const char*>(p), n);
}

template <size_t N>
void WriteImage(TStream& s, const void* value) {
  std::array<uint8_t, N> buf;
  std::memcpy(buf.data(), value, N);
  s.WriteBuffer(buf.data(), N);
}

// Fills a zero-initialised image of N bytes; true when all arrived.
template <size_t N>
bool ReadImage(TStream& s, std::array<uint8_t, N>& buf) {
  buf.fill(0);
  try {
    const std::span<const uint8_t> w = s.ReadWindow();
    if (w.size() >= N) {  // the bytes are in memory: no Read call needed
      std::memcpy(buf.data(), w.data(), N);
      s.AdvanceWindow(N);
      return true;
    }
    s.ReadBuffer(buf.data(), N);
    return true;
  } catch (...) {
    return false;
  }
}

// All bytes from the position to the end. Streams with a window give their
// bytes window by window; others are read in blocks of 256 bytes for as long
// as full blocks arrive. Only the last block can be short, so the total is odd
// exactly when that last block is.
std::string ReadRest(TStream& s) {
  std::string bytes;
  for (;;) {
    const std::span<const uint8_t> w = s.ReadWindow();
    if (w.empty()) break;
    AppendBytes(bytes, w.data(), w.size());
    s.AdvanceWindow(static_cast<int64_t>(w.size()));
  }
  // A window total that is not a whole number of blocks ended with a short
  // block; otherwise go on block by block (streams without a window).
  if (bytes.size() % kBlock != 0) return bytes;
  std::array<uint8_t, kBlock> block;
  for (;;) {
    const int64_t n = std::max<int64_t>(s.Read(block.data(), kBlock), 0);
    AppendBytes(bytes, block.data(), static_cast<size_t>(n));
    if (n != kBlock) break;
  }
  return bytes;
}

// Index of the first byte of [p, e) equal to a or b, or e - p. Lines are short
// on average, so an inline 16-byte scan beats a library call.
[[gnu::always_inline]] inline size_t FindEither(const uint8_t* p, const uint8_t* e, uint8_t a,
                                                uint8_t b) {
  const uint8_t* q = p;
#if defined(__SSE2__)
  const __m128i va = _mm_set1_epi8(static_cast<char>(a));
  const __m128i vb = _mm_set1_epi8(static_cast<char>(b));
  while (e - q >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    const int m = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)));
    if (m != 0) return static_cast<size_t>(q - p) + static_cast<size_t>(__builtin_ctz(m));
    q += 16;
  }
#endif
  for (; q < e; ++q)
    if (*q == a || *q == b) break;
  return static_cast<size_t>(q - p);
}

// Index of the first byte of [p, e) that ends a line in this mode (given the
// byte before p), or e - p.
size_t FindLineEnd(int mode, const uint8_t* p, const uint8_t* e, int prev) {
  const size_t n = static_cast<size_t>(e - p);
  switch (mode) {
    case 0:
    case 1: {
      // One byte to find: the C library's memchr uses the widest vectors the
      // processor has.
      const void* hit = std::memchr(p, mode == 0 ? 10 : 13, n);
      return hit ? static_cast<size_t>(static_cast<const uint8_t*>(hit) - p) : n;
    }
    case 2:
      return FindEither(p, e, 10, 13);
    case 3:
    case 4: {
      const uint8_t first = mode == 3 ? 10 : 13;
      const uint8_t second = mode == 3 ? 13 : 10;
      if (n > 0 && p[0] == second && prev == first) return 0;
      for (size_t i = 1; i < n; ++i) {
        i += FindEither(p + i, e, second, second);
        if (i >= n) return n;
        if (p[i - 1] == first) return i;
      }
      return n;
    }
    default:
      return n;
  }
}

// Counts the bytes equal to 10. SSE2 is part of every x86-64 processor: 16
// bytes are compared at a time and counted in byte lanes, which are summed
// before they could overflow.
uint64_t CountLF(const uint8_t* p, size_t n) {
  uint64_t total = 0;
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8(10);
  while (n >= 16) {
    const size_t rounds = std::min<size_t>(n / 16, 255);
    __m128i acc = _mm_setzero_si128();
    for (size_t i = 0; i < rounds; ++i) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
      acc = _mm_sub_epi8(acc, _mm_cmpeq_epi8(v, lf));  // a match is -1
    }
    const __m128i sums = _mm_sad_epu8(acc, _mm_setzero_si128());
    total += static_cast<uint64_t>(_mm_cvtsi128_si64(sums)) +
             static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
    p += 16 * rounds;
    n -= 16 * rounds;
  }
#endif
  for (size_t i = 0; i < n; ++i) total += p[i] == 10;
  return total;
}

Char AsciiLower(Char c) { return (c >= u'A' && c <= u'Z') ? Char(c + 32) : c; }

}  // namespace

// ---- writing -------------------------------------------------------------------

void WriteStringStream(TStream& AStream, const String& AString) {
  std::array<uint8_t, kWriteChunk> buf;
  size_t n = 0;
  for (const Char c : AString) {
    buf[n++] = static_cast<uint8_t>(c & 0xFF);
    if (n == kWriteChunk) {
      AStream.WriteBuffer(buf.data(), static_cast<int64_t>(n));
      n = 0;
    }
  }
  AStream.WriteBuffer(buf.data(), static_cast<int64_t>(n));
}

void WriteLnStream(TStream& AStream, const String& AString) {
  WriteStringStream(AStream, AString);
  static constexpr uint8_t kCrLf[2] = {13, 10};
  AStream.WriteBuffer(kCrLf, 2);
}

void WriteLongintToStream(TStream& AStream, int32_t Value) { WriteImage<4>(AStream, &Value); }
void WriteSingleToStream(TStream& AStream, float Value) { WriteImage<4>(AStream, &Value); }
void WriteDoubleToStream(TStream& AStream, double Value) { WriteImage<8>(AStream, &Value); }
void WriteExtendedToStream(TStream& AStream, long double Value) {
  WriteImage<10>(AStream, &Value);  // the x87 image occupies the low 10 bytes
}

// ---- binary readers ------------------------------------------------------------

namespace {
// Reads the little-endian image of a T (its first N bytes); a short read sets
// Error and leaves the bytes that arrived in the low part, the rest zero.
template <typename T, size_t N = sizeof(T)>
T ReadValue(TStream& AStream, bool& Error) {
  std::array<uint8_t, N> buf;
  Error = !ReadImage(AStream, buf);
  T v{};  // for Extended, the 6 padding bytes of the in-memory form stay zero
  std::memcpy(&v, buf.data(), N);
  return v;
}
}  // namespace

int32_t ReadLongintFromStream(TStream& AStream, bool& Error) {
  return ReadValue<int32_t>(AStream, Error);
}
float ReadSingleFromStream(TStream& AStream, bool& Error) {
  return ReadValue<float>(AStream, Error);
}
double ReadDoubleFromStream(TStream& AStream, bool& Error) {
  return ReadValue<double>(AStream, Error);
}
long double ReadExtendedFromStream(TStream& AStream, bool& Error) {
  return ReadValue<long double, 10>(AStream, Error);
}

// ---- lines, bytes and texts ----------------------------------------------------

String ReadLnStream(TStream& AStream, bool& EndOfStream, int32_t EOLMode) {
  String line;
  ReadLnStream(AStream, line, EndOfStream, EOLMode);
  return line;
}

void ReadLnStream(TStream& AStream, String& Line, bool& EndOfStream, int32_t EOLMode) {
  EndOfStream = false;
  String& line = Line;
  // Usual case: the whole line lies in the stream's current window; it is
  // built at once from the bytes, without the removed line-end bytes, and the
  // stream advanced past it (no byte reader needed).
  const std::span<const uint8_t> w = AStream.ReadWindow();
  if (!w.empty()) {
    const uint8_t* p = w.data();
    // A memory stream shows all its bytes at once, usually not in the cache:
    // each line asks for the bytes some lines ahead, so the scan rarely waits.
    // (A file stream's window is a read-ahead buffer that was just filled.)
    if (w.size() > kPrefetchWindow) __builtin_prefetch(p + kPrefetchAhead);
    size_t take;
    if (EOLMode == eolLF || EOLMode == eolCR) {  // the usual modes, without the dispatch
      const uint8_t b = EOLMode == eolLF ? 10 : 13;
      take = FindEither(p, p + w.size(), b, b);
    } else {
      take = FindLineEnd(EOLMode, p, p + w.size(), 0);
    }
    if (take < w.size()) {
      // The byte that ends the line is a CR or a LF in every mode: it goes,
      // and so does one CR or LF just before it.
      size_t n = take++;
      if (n > 0 && (p[n - 1] == 13 || p[n - 1] == 10)) --n;
      line.resize(n);  // keeps the capacity the caller's text already has
      Widen(line.data(), p, n);
      AStream.AdvanceWindow(static_cast<int64_t>(take));
      return;
    }
  }
  line.clear();
  int prev = 0;
  if (!w.empty()) {
    const uint8_t* p = w.data();
    // No line end in this window: all of it belongs to the line.
    AppendBytes(line, p, w.size());
    prev = p[w.size() - 1];
    AStream.AdvanceWindow(static_cast<int64_t>(w.size()));
  }
  internal::ByteReader r(AStream);
  const uint8_t* p = nullptr;
  size_t take = 0;
  bool ended = false;
  while (!ended) {
    if (!r.Fill()) {
      EndOfStream = true;
      break;
    }
    p = r.Cur();
    const size_t avail = static_cast<size_t>(r.End() - p);
    take = FindLineEnd(EOLMode, p, r.End(), prev);
    if (take < avail) {
      ++take;  // the byte that ends the line belongs to it
      ended = true;
    }
    AppendBytes(line, p, take);
    prev = p[take - 1];
    r.Skip(take);
  }
  if (ended) {
    for (int i = 0; i < 2 && !line.empty() && (line.back() == 13 || line.back() == 10); ++i)
      line.pop_back();
  }
}

bool FindInStream(TStream& AStream, uint8_t B) {
  internal::ByteReader r(AStream);
  while (r.Fill()) {
    const size_t n = static_cast<size_t>(r.End() - r.Cur());
    const void* hit = std::memchr(r.Cur(), B, n);
    if (hit) {
      r.Skip(static_cast<size_t>(static_cast<const uint8_t*>(hit) - r.Cur()) + 1);
      return true;
    }
    r.Skip(n);
  }
  return false;
}

String StreamAsString(TStream& AStream) {
  // Each block contributes its bytes in pairs; a full block is even, so only
  // the last (short) block can leave an odd byte, which is dropped.
  const std::string bytes = ReadRest(AStream);
  String s(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < s.size(); ++i)
    s[i] = static_cast<Char>(static_cast<uint8_t>(bytes[2 * i]) |
                             (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
  return s;
}

String StreamAsByteString(TStream& AStream) {
  const std::string bytes = ReadRest(AStream);
  String s;
  AppendBytes(s, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return s;
}

namespace {

// ReadStreamUntil on a stream that cannot go back: one byte at a time, so
// nothing after the delimiter is taken from the stream. The delimiter is
// followed through its failure function (Knuth-Morris-Pratt), so the scan
// stays linear.
String ReadUntilByByte(TStream& AStream, const String& delim, int32_t& Found) {
  std::vector<size_t> fail(delim.size() + 1, 0);
  for (size_t i = 1, k = 0; i < delim.size(); ++i) {
    while (k > 0 && delim[i] != delim[k]) k = fail[k];
    if (delim[i] == delim[k]) ++k;
    fail[i + 1] = k;
  }
  String text;
  internal::ByteReader r(AStream);
  size_t matched = 0;
  for (int b = r.Next(); b >= 0; b = r.Next()) {
    text.push_back(static_cast<Char>(b));
    const Char c = AsciiLower(static_cast<Char>(b));
    while (matched > 0 && c != delim[matched]) matched = fail[matched];
    if (c == delim[matched]) ++matched;
    if (matched == delim.size()) {
      Found = 0;
      break;
    }
  }
  return text;
}

}  // namespace

String ReadStreamUntil(TStream& AStream, const String& Delimiter, int32_t& Found) {
  Found = -1;
  String delim = Delimiter;
  for (Char& c : delim) c = AsciiLower(c);
  const int64_t start = AStream.Position();
  if (start < 0 && !delim.empty()) return ReadUntilByByte(AStream, delim, Found);
  const internal::SubstringSearcher<char16_t> searcher(delim);
  String text;          // as read
  String lower;         // the same, lower-cased
  size_t searched = 0;  // occurrences starting before this index were looked for
  size_t hit = String::npos;
  // The stream form reads blocks of 256 bytes and looks for the delimiter
  // after each full block; the search only covers text that a new block can
  // complete, so the whole scan stays linear.
  std::array<uint8_t, kBlock> block;
  for (;;) {
    const int64_t n = std::max<int64_t>(AStream.Read(block.data(), kBlock), 0);
    AppendBytes(text, block.data(), static_cast<size_t>(n));
    const size_t at = lower.size();
    lower.resize(text.size());
    for (size_t i = at; i < text.size(); ++i) lower[i] = AsciiLower(text[i]);
    if (!delim.empty()) {
      hit = searcher.Find(lower, searched);
      if (hit != String::npos) break;
      if (lower.size() >= delim.size()) searched = lower.size() - delim.size() + 1;
    }
    if (n != kBlock) break;
  }
  if (hit == String::npos) return text;  // not found: the rest of the stream, position at its end
  Found = 0;
  text.resize(hit + delim.size());
  // The bytes read beyond the delimiter go back to the stream.
  internal::SeekBack(AStream, start + static_cast<int64_t>(text.size()));
  return text;
}

int32_t ScanStreamDecimal(TStream& AStream) {
  internal::ByteReader r(AStream);
  int b;
  do {
    b = r.Next();
  } while (b == 32 || b == 10 || b == 13);
  bool negative = false;
  if (b == '-') {
    negative = true;
    b = r.Next();
  } else if (b == '+') {
    b = r.Next();
  }
  uint32_t v = 0;  // wraps around like the 32-bit original
  while (b >= '0' && b <= '9') {
    v = v * 10u + static_cast<uint32_t>(b - '0');
    b = r.Next();
  }
  if (negative) v = 0u - v;
  return static_cast<int32_t>(v);
}

double ScanStreamFPNum(TStream& AStream, bool AllowExp, int32_t DecPChar) {
  internal::ByteReader r(AStream);
  return internal::ScanFPNumber(r, AllowExp, DecPChar);
}

int32_t CountLinesInStream(TStream& AStream) {
  internal::ByteReader r(AStream);
  uint64_t count = 0;
  while (r.Fill()) {
    const size_t n = static_cast<size_t>(r.End() - r.Cur());
    count += CountLF(r.Cur(), n);
    r.Skip(n);
  }
  if (count > static_cast<uint64_t>(INT32_MAX)) throw EIntOverflow(u"Integer overflow");
  return static_cast<int32_t>(count);
}

}  // namespace zel
