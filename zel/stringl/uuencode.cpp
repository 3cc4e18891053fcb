#include "zel/stringl/uuencode.h"

#include <algorithm>

#include "zel/base/errors.h"
#include "zel/runtime/utf8.h"

namespace zel {

namespace {

constexpr size_t kLineBytes = 45;

char Digit(unsigned v) { return v == 0 ? '`' : static_cast<char>(32 + v); }

// The six-bit value of an encoded character, or -1 outside " ".."`".
int Value(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return (u >= 32 && u <= 96) ? (u - 32) & 63 : -1;
}

}  // namespace

std::string UUEncodeBytes(std::string_view Bytes, std::string_view FileName, int Mode) {
  // The name ends the "begin" line; decoders read it up to the line end.
  if (FileName.empty() || FileName.find_first_of("\r\n") != std::string_view::npos)
    throw EZELStringlError(u"UUEncodeBytes: the file name is empty or holds a line break");
  std::string out;
  out.reserve(Bytes.size() / 3 * 4 + Bytes.size() / kLineBytes * 2 + 64 + FileName.size());
  char mode[8];
  int m = Mode & 0777;
  for (int i = 2; i >= 0; --i, m >>= 3) mode[i] = static_cast<char>('0' + (m & 7));
  out.append("begin ").append(mode, 3).append(" ").append(FileName).append("\n");
  const auto* p = reinterpret_cast<const unsigned char*>(Bytes.data());
  for (size_t at = 0; at < Bytes.size(); at += kLineBytes) {
    const size_t n = std::min(kLineBytes, Bytes.size() - at);
    out.push_back(Digit(static_cast<unsigned>(n)));
    for (size_t i = 0; i < n; i += 3) {
      const unsigned b0 = p[at + i];
      const unsigned b1 = i + 1 < n ? p[at + i + 1] : 0;
      const unsigned b2 = i + 2 < n ? p[at + i + 2] : 0;
      out.push_back(Digit(b0 >> 2));
      out.push_back(Digit(((b0 << 4) | (b1 >> 4)) & 63));
      out.push_back(Digit(((b1 << 2) | (b2 >> 6)) & 63));
      out.push_back(Digit(b2 & 63));
    }
    out.push_back('\n');
  }
  out.append("`\nend\n");
  return out;
}

int32_t UUDecodeBytes(std::string_view Text, std::string& Bytes) {
  Bytes.clear();
  // Lines as views, CR LF taken as LF.
  auto next_line = [&Text](size_t& at, std::string_view& line) {
    if (at >= Text.size()) return false;
    const size_t lf = Text.find('\n', at);
    const size_t end = lf == std::string_view::npos ? Text.size() : lf;
    line = Text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    at = lf == std::string_view::npos ? Text.size() : lf + 1;
    return true;
  };
  size_t at = 0;
  std::string_view line;
  for (size_t probe = 0; next_line(probe, line);) {
    if (line.substr(0, 6) == "begin ") {
      at = probe;
      break;
    }
  }
  while (next_line(at, line)) {
    if (line.empty()) continue;
    if (line == "end") return uuOK;
    const int len = Value(line[0]);
    if (len < 0) return uuBadCharacter;
    if (len == 0) return uuOK;
    const size_t need = (static_cast<size_t>(len) + 2) / 3 * 4;
    unsigned v[4];
    std::string chunk;
    chunk.reserve(static_cast<size_t>(len) + 2);
    for (size_t g = 0; g < need; g += 4) {
      for (size_t j = 0; j < 4; ++j) {
        const size_t i = 1 + g + j;
        const int d = i < line.size() ? Value(line[i]) : 0;
        if (d < 0) return uuBadCharacter;
        v[j] = static_cast<unsigned>(d);
      }
      chunk.push_back(static_cast<char>((v[0] << 2) | (v[1] >> 4)));
      chunk.push_back(static_cast<char>(((v[1] & 15) << 4) | (v[2] >> 2)));
      chunk.push_back(static_cast<char>(((v[2] & 3) << 6) | v[3]));
    }
    Bytes.append(chunk, 0, static_cast<size_t>(len));
  }
  return uuNoEnd;
}

String UUEncodeStr(const String& Text) { return Utf8ToString(UUEncodeBytes(StringToUtf8(Text))); }

String UUDecodeStr(const String& Text) {
  // The encoded form is ASCII: any other character becomes a byte that is no
  // uuencode character, so it cannot pass for one by its low byte.
  std::string in(Text.size(), '\xFF');
  for (size_t i = 0; i < Text.size(); ++i)
    if (Text[i] < 128) in[i] = static_cast<char>(Text[i]);
  std::string bytes;
  UUDecodeBytes(in, bytes);
  return IsValidUtf8(bytes) ? Utf8ToString(bytes) : BytesToString(bytes);
}

}  // namespace zel
