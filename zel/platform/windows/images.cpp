// PNG images through the Windows Imaging Component. The chunks are read and
// checked here (signature, order, CRCs of the critical chunks, the size
// against the pixel limit, whether the pixel data can hold the image), so
// WIC only sees a file of bounded size: the header, the palette, the pixel
// data and the end. WIC inflates and unfilters the rows in their stored
// form; transparency, 16-bit scaling and gamma are applied here as libpng
// does on Linux, so both systems give the same pixels.
#include "zel/platform/images.h"

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "zel/platform/windows/internal/win32.h"

namespace zel::platform {
namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr size_t kReadBlock = 64 * 1024;
// libpng's default limit of rows and columns.
constexpr uint32_t kMaxDimension = 1000000;
// Deflate turns one byte into at most 1032 (a 258-byte match in two bits).
constexpr uint64_t kMaxInflation = 1032;
// Bytes of stored rows copied out of WIC at a time.
constexpr size_t kBandBytes = 1 << 20;

constexpr GUID kWicFactory = {
    0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};

// Chunk types as big-endian numbers.
constexpr uint32_t Type(const char (&name)[5]) {
  return uint32_t{static_cast<uint8_t>(name[0])} << 24 |
         uint32_t{static_cast<uint8_t>(name[1])} << 16 |
         uint32_t{static_cast<uint8_t>(name[2])} << 8 | uint32_t{static_cast<uint8_t>(name[3])};
}
constexpr uint32_t kIHDR = Type("IHDR"), kPLTE = Type("PLTE"), kIDAT = Type("IDAT"),
                   kIEND = Type("IEND"), kTRNS = Type("tRNS"), kGAMA = Type("gAMA"),
                   kSRGB = Type("sRGB"), kCHRM = Type("cHRM");

uint32_t Get32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

// The CRC-32 of PNG chunks (and zlib), continued from crc.
uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

bool IsLetter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// "TYPE: what", as libpng words a chunk's fault (a byte that is not a
// letter as [hex]).
std::string ChunkFault(uint32_t type, const char* what) {
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const auto c = static_cast<uint8_t>(type >> shift);
    if (IsLetter(c)) {
      s += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "[%02X]", c);
      s += hex;
    }
  }
  return s + ": " + what;
}

// Why a decoding stopped.
struct Refusal {
  std::string reason;
};

const char* const kEnded = "the data ends before the image does";
// libpng's words for pixel data that ends before the rows do.
const char* const kTooLittleData = "Not enough image data";

// The reader, taken in blocks of kReadBlock bytes.
class Input {
 public:
  explicit Input(const PngReader& Read) : read_(Read), buffer_(kReadBlock) {}

  // Appends Count bytes to Out, or drops them when Out is null; refuses when
  // the data ends first.
  void Take(std::vector<uint8_t>* Out, size_t Count) {
    while (Count > 0) {
      if (pos_ == end_) {
        const size_t n = read_(buffer_.data(), buffer_.size());
        if (n == 0) throw Refusal{kEnded};
        pos_ = 0;
        end_ = std::min(n, buffer_.size());
      }
      const size_t n = std::min(Count, end_ - pos_);
      if (Out != nullptr) Out->insert(Out->end(), buffer_.data() + pos_, buffer_.data() + pos_ + n);
      pos_ += n;
      Count -= n;
    }
  }

 private:
  const PngReader& read_;
  std::vector<uint8_t> buffer_;
  size_t pos_ = 0, end_ = 0;
};

// What the chunks say about an image, and the file WIC decodes.
struct PngFile {
  uint32_t width = 0, height = 0;
  uint8_t depth = 0, color = 0;
  bool interlaced = false;
  std::array<uint8_t, 256 * 3> palette{};  // entries beyond the PLTE chunk are black
  std::array<uint8_t, 256> palette_alpha;  // entries beyond the tRNS chunk are opaque
  bool keyed = false;                      // key holds a colour made transparent
  std::array<uint16_t, 3> key{};           // grey (in [0]) or red, green, blue
  uint32_t gamma = 0;                      // gAMA x 100000, 0 when not stated
  bool srgb = false;                       // an sRGB chunk: the file is sRGB
  uint64_t pixel_data = 0;                 // bytes of IDAT data
  std::vector<uint8_t> wic;                // signature, IHDR, PLTE, IDAT..., IEND

  PngFile() { palette_alpha.fill(0xFF); }
};

bool ValidDepth(uint8_t color, uint8_t depth) {
  switch (color) {
    case 0:
      return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3:
      return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6:
      return depth == 8 || depth == 16;
    default:
      return false;
  }
}

int Channels(uint8_t color) {
  switch (color) {
    case 2:
      return 3;
    case 4:
      return 2;
    case 6:
      return 4;
    default:
      return 1;
  }
}

// Bytes of the filtered rows (a filter byte and the packed samples per row)
// of the image, or of its seven reduced images when interlaced.
uint64_t FilteredBytes(const PngFile& f) {
  const uint64_t bits = uint64_t{f.depth} * static_cast<uint64_t>(Channels(f.color));
  const auto rows = [bits](uint64_t cols, uint64_t lines) {
    return cols == 0 || lines == 0 ? 0 : lines * (1 + (cols * bits + 7) / 8);
  };
  if (!f.interlaced) return rows(f.width, f.height);
  // Adam7: start column, column step, start row, row step of each pass.
  static constexpr uint32_t kPass[7][4] = {{0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8}, {2, 4, 0, 4},
                                           {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}};
  uint64_t total = 0;
  for (const auto& p : kPass) {
    const uint64_t cols = f.width > p[0] ? (uint64_t{f.width} - p[0] + p[1] - 1) / p[1] : 0;
    const uint64_t lines = f.height > p[2] ? (uint64_t{f.height} - p[2] + p[3] - 1) / p[3] : 0;
    total += rows(cols, lines);
  }
  return total;
}

void AppendChunk(std::vector<uint8_t>& out, const uint8_t* header, const std::vector<uint8_t>& data,
                 const uint8_t* crc) {
  out.insert(out.end(), header, header + 8);
  out.insert(out.end(), data.begin(), data.end());
  out.insert(out.end(), crc, crc + 4);
}

void ReadHeader(PngFile& f, const std::vector<uint8_t>& d) {
  if (d.size() != 13) throw Refusal{ChunkFault(kIHDR, "invalid")};
  f.width = Get32(d.data());
  f.height = Get32(d.data() + 4);
  if (f.width > 0x7FFFFFFFu || f.height > 0x7FFFFFFFu)
    throw Refusal{"PNG unsigned integer out of range"};
  f.depth = d[8];
  f.color = d[9];
  if (f.width == 0 || f.height == 0 || f.width > kMaxDimension || f.height > kMaxDimension ||
      !ValidDepth(f.color, f.depth) || d[10] != 0 || d[11] != 0 || d[12] > 1)
    throw Refusal{"Invalid IHDR data"};
  f.interlaced = d[12] == 1;
}

// Refuses an image of more than Limit pixels.
void CheckLimit(const PngFile& f, int64_t Limit) {
  if (int64_t{f.width} * int64_t{f.height} > Limit) {
    char reason[96];
    std::snprintf(reason, sizeof reason,
                  "the image is too large (%u x %u pixels, the limit is %lld)",
                  static_cast<unsigned>(f.width), static_cast<unsigned>(f.height),
                  static_cast<long long>(Limit));
    throw Refusal{reason};
  }
}

// The transparency chunk of the image's colour type; libpng ignores one of
// the wrong size.
void ReadTransparency(PngFile& f, const std::vector<uint8_t>& d, size_t PaletteEntries) {
  if (f.color == 3) {
    if (d.empty() || d.size() > PaletteEntries) return;
    std::copy(d.begin(), d.end(), f.palette_alpha.begin());
  } else if (f.color == 0 && d.size() == 2) {
    f.keyed = true;
    f.key = {static_cast<uint16_t>(d[0] << 8 | d[1]), 0, 0};
  } else if (f.color == 2 && d.size() == 6) {
    f.keyed = true;
    f.key = {static_cast<uint16_t>(d[0] << 8 | d[1]), static_cast<uint16_t>(d[2] << 8 | d[3]),
             static_cast<uint16_t>(d[4] << 8 | d[5])};
  }
}

// Reads the chunks up to and including IEND (nothing after it), keeping in
// File.wic what WIC needs and the rest of what the pixels depend on in File.
void ReadChunks(Input& In, int64_t Limit, PngFile& f) {
  std::vector<uint8_t> sig;
  In.Take(&sig, 8);
  if (std::memcmp(sig.data(), kSignature, 8) != 0)
    throw Refusal{std::memcmp(sig.data(), kSignature, 4) != 0
                      ? "Not a PNG file"
                      : "PNG file corrupted by ASCII conversion"};
  f.wic.assign(kSignature, kSignature + 8);
  bool have_header = false, have_palette = false, have_data = false, after_data = false;
  size_t palette_entries = 0;
  std::vector<uint8_t> head, data, crc;
  for (;;) {
    head.clear();
    In.Take(&head, 8);
    const uint32_t length = Get32(head.data()), type = Get32(head.data() + 4);
    if (length > 0x7FFFFFFFu) throw Refusal{"PNG unsigned integer out of range"};
    for (int i = 4; i < 8; ++i)
      if (!IsLetter(head[static_cast<size_t>(i)]))
        throw Refusal{ChunkFault(type, "invalid chunk type")};
    const bool critical = (head[4] & 0x20) == 0;
    // The chunks kept in memory; the rest is skipped unread.
    const bool wanted = critical || (type == kTRNS && length <= 256) ||
                        (type == kGAMA && length == 4) || (type == kSRGB && length == 1);
    // The checks libpng makes before it reads a chunk's data, in its order.
    if (!have_header) {
      if (type == kIDAT) throw Refusal{ChunkFault(type, "Missing IHDR before IDAT")};
      if (type == kIEND) throw Refusal{ChunkFault(type, "out of place")};
      if (type == kPLTE || type == kTRNS || type == kGAMA || type == kSRGB || type == kCHRM)
        throw Refusal{ChunkFault(type, "missing IHDR")};
    } else if (type == kIHDR) {
      throw Refusal{ChunkFault(type, "out of place")};
    }
    if (type == kIHDR && length != 13) throw Refusal{ChunkFault(type, "invalid")};
    if (type == kIDAT && !have_data) {
      // Where libpng's reading of the header ends and the size is checked.
      if (f.color == 3 && !have_palette)
        throw Refusal{ChunkFault(type, "Missing PLTE before IDAT")};
      CheckLimit(f, Limit);
    }
    if (type == kIDAT && after_data) {
      // libpng ignores pixel data after other chunks that followed it.
      In.Take(nullptr, size_t{length} + 4);
      continue;
    }
    if (type != kIDAT && have_data) after_data = true;
    data.clear();
    if (wanted) {
      data.reserve(std::min<size_t>(length, kReadBlock));
      In.Take(&data, length);
    } else {
      In.Take(nullptr, length);
    }
    crc.clear();
    In.Take(&crc, 4);
    if (wanted) {
      uint32_t sum = Crc32(0, head.data() + 4, 4);
      sum = Crc32(sum, data.data(), data.size());
      if (sum != Get32(crc.data())) {
        if (critical) throw Refusal{ChunkFault(type, "CRC error")};
        continue;  // a damaged ancillary chunk is dropped, as libpng does
      }
    }
    if (type == kIHDR) {
      ReadHeader(f, data);
      have_header = true;
      AppendChunk(f.wic, head.data(), data, crc.data());
    } else if (type == kPLTE) {
      if (have_data) continue;  // too late: ignored
      if (have_palette) throw Refusal{ChunkFault(type, "duplicate")};
      have_palette = true;
      if (f.color != 3) continue;  // a suggestion for an image with colours of its own
      if (data.empty() || data.size() % 3 != 0 || data.size() > 3 * 256)
        throw Refusal{ChunkFault(type, "invalid")};
      // Entries beyond what the depth can index are dropped.
      palette_entries = std::min(data.size() / 3, size_t{1} << f.depth);
      std::copy_n(data.begin(), palette_entries * 3, f.palette.begin());
      AppendChunk(f.wic, head.data(), data, crc.data());
    } else if (type == kIDAT) {
      have_data = true;
      f.pixel_data += length;
      AppendChunk(f.wic, head.data(), data, crc.data());
    } else if (type == kIEND) {
      if (!have_data) throw Refusal{ChunkFault(type, "out of place")};
      static constexpr uint8_t kEnd[] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
      f.wic.insert(f.wic.end(), std::begin(kEnd), std::end(kEnd));
      return;
    } else if (type == kTRNS) {
      if (!have_data && !(f.color == 3 && !have_palette))
        ReadTransparency(f, data, palette_entries);
    } else if (type == kGAMA) {
      if (!have_data && !have_palette && data.size() == 4 && f.gamma == 0) {
        const uint32_t g = Get32(data.data());
        if (g >= 16 && g <= 625000000) f.gamma = g;
      }
    } else if (type == kSRGB) {
      if (!have_data && !have_palette && data.size() == 1 && data[0] <= 3) f.srgb = true;
    } else if (critical) {
      throw Refusal{ChunkFault(type, "unhandled critical chunk")};
    }
  }
}

// Gamma as libpng applies it for an sRGB screen (gamma 2.2), in its fixed
// point of five decimals: nothing when the file is sRGB, states no gamma, or
// file gamma x 2.2 is within 5% of 1. 8-bit samples go through a table of
// (v / 255) ^ (1 / (file gamma x 2.2)); 16-bit samples keep their top 11
// bits and take the 8-bit value whose interval (found through the inverse
// power) holds them.
class Gamma {
 public:
  explicit Gamma(const PngFile& f) {
    if (f.srgb || f.gamma == 0) return;
    const double product = std::floor(f.gamma * 1e-5 * 220000 + .5);
    if (product >= 95000 && product <= 105000) return;
    active_ = true;
    double reciprocal = 1e15 / f.gamma;
    reciprocal = std::floor(reciprocal / 220000 + .5) * 1e-5;
    for (int i = 0; i < 256; ++i)
      table8_[static_cast<size_t>(i)] =
          i == 0 || i == 255
              ? static_cast<uint8_t>(i)
              : static_cast<uint8_t>(std::floor(255 * std::pow(i / 255.0, reciprocal) + .5));
    if (f.depth != 16) return;
    uint32_t last = 0;
    for (uint32_t out = 0; out < 255; ++out) {
      // The 16-bit input at the boundary between out and out + 1.
      const double in =
          std::floor(65535 * std::pow((out * 257 + 128) / 65535.0, product * 1e-5) + .5);
      const uint32_t bound = (static_cast<uint32_t>(in) * 2047 + 32768) / 65535 + 1;
      while (last < bound && last < table16_.size()) table16_[last++] = static_cast<uint8_t>(out);
    }
    while (last < table16_.size()) table16_[last++] = 255;
  }
  uint8_t Of8(uint8_t v) const { return active_ ? table8_[v] : v; }
  // A 16-bit sample as 8 bits (rounded when no gamma applies).
  uint8_t Of16(uint16_t v) const {
    return active_ ? table16_[v >> 5] : static_cast<uint8_t>((uint32_t{v} * 255 + 32895) >> 16);
  }

 private:
  bool active_ = false;
  std::array<uint8_t, 256> table8_{};
  std::array<uint8_t, 2048> table16_{};
};

// COM objects released on scope exit.
template <class T>
class Com {
 public:
  Com() = default;
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  ~Com() {
    if (p_ != nullptr) p_->Release();
  }
  T** Out() { return &p_; }
  T* operator->() const { return p_; }
  T* Get() const { return p_; }

 private:
  T* p_ = nullptr;
};

// COM for the calling thread for the duration of a call; a thread already
// in another apartment keeps it.
class ComScope {
 public:
  ComScope() : hr_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  ~ComScope() {
    if (hr_ == S_OK || hr_ == S_FALSE) CoUninitialize();
  }
  bool Ok() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }
  HRESULT Result() const { return hr_; }

 private:
  HRESULT hr_;
};

std::string WicFault(const char* what, HRESULT hr) {
  char text[120];
  std::snprintf(text, sizeof text, "%s (WIC error 0x%08lX)", what, static_cast<unsigned long>(hr));
  return text;
}

// Raises a refusal naming what failed when hr is a failure.
void Check(HRESULT hr, const char* what) {
  if (FAILED(hr)) throw Refusal{WicFault(what, hr)};
}

void CreateFactory(Com<IWICImagingFactory>& factory) {
  Check(CoCreateInstance(kWicFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                         reinterpret_cast<void**>(factory.Out())),
        "the imaging component is not available");
}

// How a stored row of the frame's pixel format becomes 0xAARRGGBB pixels.
enum class Layout { kIndexed, kGrey, kGrey16, kBGR, kRGB48, kBGRA, kRGBA64, kConverted };

struct Format {
  const GUID* guid;
  Layout layout;
  uint32_t bits;  // per pixel
};

const Format kFormats[] = {
    {&GUID_WICPixelFormat1bppIndexed, Layout::kIndexed, 1},
    {&GUID_WICPixelFormat2bppIndexed, Layout::kIndexed, 2},
    {&GUID_WICPixelFormat4bppIndexed, Layout::kIndexed, 4},
    {&GUID_WICPixelFormat8bppIndexed, Layout::kIndexed, 8},
    {&GUID_WICPixelFormatBlackWhite, Layout::kGrey, 1},
    {&GUID_WICPixelFormat2bppGray, Layout::kGrey, 2},
    {&GUID_WICPixelFormat4bppGray, Layout::kGrey, 4},
    {&GUID_WICPixelFormat8bppGray, Layout::kGrey, 8},
    {&GUID_WICPixelFormat16bppGray, Layout::kGrey16, 16},
    {&GUID_WICPixelFormat24bppBGR, Layout::kBGR, 24},
    {&GUID_WICPixelFormat48bppRGB, Layout::kRGB48, 48},
    {&GUID_WICPixelFormat32bppBGRA, Layout::kBGRA, 32},
    {&GUID_WICPixelFormat64bppRGBA, Layout::kRGBA64, 64},
};

// Whether WIC's stored form is the file's samples as they are (WIC's PNG
// decoder gives them so), which the codec then reads itself.
bool Holds(const Format& fmt, const PngFile& f) {
  switch (fmt.layout) {
    case Layout::kIndexed:
      return f.color == 3 && fmt.bits == f.depth;
    case Layout::kGrey:
      return f.color == 0 && fmt.bits == f.depth;
    case Layout::kGrey16:
      return f.color == 0 && f.depth == 16;
    case Layout::kBGR:
      return f.color == 2 && f.depth == 8;
    case Layout::kRGB48:
      return f.color == 2 && f.depth == 16;
    case Layout::kBGRA:
      return (f.color == 4 || f.color == 6) && f.depth == 8;
    case Layout::kRGBA64:
      return (f.color == 4 || f.color == 6) && f.depth == 16;
    case Layout::kConverted:
      return true;
  }
  return false;
}

// Turns rows of one stored format into pixels.
class RowConverter {
 public:
  RowConverter(const PngFile& File, const Format& Fmt) : f_(File), fmt_(Fmt), gamma_(File) {}

  void Convert(const uint8_t* row, uint32_t width, uint32_t* out) const {
    switch (fmt_.layout) {
      case Layout::kIndexed:
        for (uint32_t x = 0; x < width; ++x) {
          const uint32_t i = Packed(row, x);
          const uint8_t* rgb = &f_.palette[i * 3];
          *out++ = Pixel(f_.palette_alpha[i], gamma_.Of8(rgb[0]), gamma_.Of8(rgb[1]),
                         gamma_.Of8(rgb[2]));
        }
        break;
      case Layout::kGrey: {
        const uint32_t max = (1u << fmt_.bits) - 1;
        for (uint32_t x = 0; x < width; ++x) {
          const uint32_t v = Packed(row, x);
          const uint8_t g = gamma_.Of8(static_cast<uint8_t>(v * 255 / max));
          *out++ = Pixel(Keyed(v & max, f_.key[0] & max) ? 0 : 0xFF, g, g, g);
        }
        break;
      }
      case Layout::kGrey16:
        for (uint32_t x = 0; x < width; ++x) {
          const uint16_t v = Le16(row + 2 * x);
          const uint8_t g = gamma_.Of16(v);
          *out++ = Pixel(Keyed(v, f_.key[0]) ? 0 : 0xFF, g, g, g);
        }
        break;
      case Layout::kBGR:
        for (uint32_t x = 0; x < width; ++x, row += 3) {
          const bool clear = f_.keyed && row[2] == (f_.key[0] & 0xFF) &&
                             row[1] == (f_.key[1] & 0xFF) && row[0] == (f_.key[2] & 0xFF);
          *out++ =
              Pixel(clear ? 0 : 0xFF, gamma_.Of8(row[2]), gamma_.Of8(row[1]), gamma_.Of8(row[0]));
        }
        break;
      case Layout::kRGB48:
        for (uint32_t x = 0; x < width; ++x, row += 6) {
          const uint16_t r = Le16(row), g = Le16(row + 2), b = Le16(row + 4);
          const bool clear = f_.keyed && r == f_.key[0] && g == f_.key[1] && b == f_.key[2];
          *out++ = Pixel(clear ? 0 : 0xFF, gamma_.Of16(r), gamma_.Of16(g), gamma_.Of16(b));
        }
        break;
      case Layout::kBGRA:
        for (uint32_t x = 0; x < width; ++x, row += 4)
          *out++ = Pixel(row[3], gamma_.Of8(row[2]), gamma_.Of8(row[1]), gamma_.Of8(row[0]));
        break;
      case Layout::kRGBA64:
        for (uint32_t x = 0; x < width; ++x, row += 8)
          *out++ =
              Pixel(static_cast<uint8_t>((uint32_t{Le16(row + 6)} * 255 + 32895) >> 16),
                    gamma_.Of16(Le16(row)), gamma_.Of16(Le16(row + 2)), gamma_.Of16(Le16(row + 4)));
        break;
      case Layout::kConverted:  // 32bppBGRA from WIC's converter
        for (uint32_t x = 0; x < width; ++x, row += 4)
          *out++ = Pixel(row[3], row[2], row[1], row[0]);
        break;
    }
  }

 private:
  static uint32_t Pixel(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
  }
  static uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
  // Sample x of a row packed most significant bits first.
  uint32_t Packed(const uint8_t* row, uint32_t x) const {
    const uint32_t bits = fmt_.bits;
    if (bits == 8) return row[x];
    const uint32_t per_byte = 8 / bits;
    const uint32_t shift = 8 - bits * (x % per_byte + 1);
    return (row[x / per_byte] >> shift) & ((1u << bits) - 1);
  }
  bool Keyed(uint32_t v, uint32_t key) const { return f_.keyed && v == key; }

  const PngFile& f_;
  const Format& fmt_;
  Gamma gamma_;
};

// Grows pixels by Count values, fourfold at a time and never beyond Total.
uint32_t* Grow(std::vector<uint32_t>& pixels, size_t Count, size_t Total) {
  const size_t need = pixels.size() + Count;
  if (need > pixels.capacity())
    pixels.reserve(std::min(Total, std::max(need, 4 * pixels.capacity())));
  pixels.resize(need);
  return pixels.data() + (need - Count);
}

void DecodeWithWic(const PngFile& f, PngPixels& image) {
  ComScope com;
  if (!com.Ok()) throw Refusal{WicFault("COM could not be started", com.Result())};
  Com<IWICImagingFactory> factory;
  CreateFactory(factory);
  Com<IWICStream> stream;
  Check(factory->CreateStream(stream.Out()), "no memory stream");
  Check(stream->InitializeFromMemory(const_cast<BYTE*>(f.wic.data()),
                                     static_cast<DWORD>(f.wic.size())),
        "no memory stream");
  Com<IWICBitmapDecoder> decoder;
  Check(factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, decoder.Out()), "no PNG decoder");
  Check(decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand),
        "the image data is damaged");
  Com<IWICBitmapFrameDecode> frame;
  Check(decoder->GetFrame(0, frame.Out()), "the image data is damaged");
  UINT w = 0, h = 0;
  Check(frame->GetSize(&w, &h), "the image data is damaged");
  if (w != f.width || h != f.height) throw Refusal{"the image data is damaged"};
  WICPixelFormatGUID stored{};
  Check(frame->GetPixelFormat(&stored), "the image data is damaged");
  Format fmt{&GUID_WICPixelFormat32bppBGRA, Layout::kConverted, 32};
  for (const Format& known : kFormats)
    if (IsEqualGUID(*known.guid, stored) && Holds(known, f)) fmt = known;
  IWICBitmapSource* source = frame.Get();
  Com<IWICFormatConverter> converter;
  if (fmt.layout == Layout::kConverted) {
    // A form this codec does not read itself: WIC's straight BGRA (without
    // the transparency and gamma chunks, which WIC was not given).
    Check(factory->CreateFormatConverter(converter.Out()), "no pixel converter");
    Check(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                nullptr, 0, WICBitmapPaletteTypeCustom),
          "the pixels cannot be converted");
    source = converter.Get();
  }
  const size_t stride = (size_t{w} * fmt.bits + 7) / 8;
  const uint32_t band =
      static_cast<uint32_t>(std::max<size_t>(1, std::min<size_t>(h, kBandBytes / stride)));
  std::vector<uint8_t> rows(stride * band);
  const RowConverter convert(f, fmt);
  const size_t total = size_t{w} * h;
  std::vector<uint32_t> pixels;
  for (uint32_t y = 0; y < h; y += band) {
    const uint32_t n = std::min(band, h - y);
    const WICRect rect{0, static_cast<INT>(y), static_cast<INT>(w), static_cast<INT>(n)};
    Check(source->CopyPixels(&rect, static_cast<UINT>(stride), static_cast<UINT>(stride * n),
                             rows.data()),
          "the image data is damaged");
    uint32_t* out = Grow(pixels, size_t{w} * n, total);
    for (uint32_t i = 0; i < n; ++i)
      convert.Convert(rows.data() + stride * i, w, out + size_t{w} * i);
  }
  image.width = w;
  image.height = h;
  image.pixels = std::move(pixels);
}

// Encodes into bytes through WIC's PNG encoder.
void EncodeWithWic(const uint32_t* pixels, uint32_t width, uint32_t height,
                   std::vector<uint8_t>& out) {
  const size_t count = size_t{width} * height;
  const bool opaque =
      std::all_of(pixels, pixels + count, [](uint32_t p) { return (p >> 24) == 0xFF; });
  ComScope com;
  if (!com.Ok()) throw Refusal{WicFault("COM could not be started", com.Result())};
  Com<IWICImagingFactory> factory;
  CreateFactory(factory);
  Com<IStream> stream;
  Check(CreateStreamOnHGlobal(nullptr, TRUE, stream.Out()), "no memory stream");
  Com<IWICBitmapEncoder> encoder;
  Check(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Out()), "no PNG encoder");
  Check(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache), "the PNG encoder failed");
  Com<IWICBitmapFrameEncode> frame;
  Com<IPropertyBag2> options;
  Check(encoder->CreateNewFrame(frame.Out(), options.Out()), "the PNG encoder failed");
  Check(frame->Initialize(options.Get()), "the PNG encoder failed");
  Check(frame->SetSize(width, height), "the PNG encoder failed");
  const GUID wanted = opaque ? GUID_WICPixelFormat24bppBGR : GUID_WICPixelFormat32bppBGRA;
  WICPixelFormatGUID format = wanted;
  Check(frame->SetPixelFormat(&format), "the PNG encoder failed");
  if (!IsEqualGUID(format, wanted)) throw Refusal{"the PNG encoder does not take these pixels"};
  const size_t bytes_per_pixel = opaque ? 3 : 4;
  const size_t stride = size_t{width} * bytes_per_pixel;
  const uint32_t band =
      static_cast<uint32_t>(std::max<size_t>(1, std::min<size_t>(height, kBandBytes / stride)));
  std::vector<uint8_t> rows;
  for (uint32_t y = 0; y < height; y += band) {
    const uint32_t n = std::min(band, height - y);
    const uint32_t* src = pixels + size_t{y} * width;
    const uint8_t* data = reinterpret_cast<const uint8_t*>(src);
    if (opaque) {
      // Blue, green, red bytes of each pixel.
      rows.resize(stride * n);
      uint8_t* dst = rows.data();
      for (size_t i = 0; i < size_t{width} * n; ++i) {
        *dst++ = static_cast<uint8_t>(src[i]);
        *dst++ = static_cast<uint8_t>(src[i] >> 8);
        *dst++ = static_cast<uint8_t>(src[i] >> 16);
      }
      data = rows.data();
    }
    Check(frame->WritePixels(n, static_cast<UINT>(stride), static_cast<UINT>(stride * n),
                             const_cast<BYTE*>(data)),
          "the PNG encoder failed");
  }
  Check(frame->Commit(), "the PNG encoder failed");
  Check(encoder->Commit(), "the PNG encoder failed");
  STATSTG stat{};
  Check(stream->Stat(&stat, STATFLAG_NONAME), "the encoded image cannot be read");
  const uint64_t size = stat.cbSize.QuadPart;
  if (size < 8 + 25 || size > 0xFFFFFFFFu) throw Refusal{"the PNG encoder failed"};
  std::vector<uint8_t> png(static_cast<size_t>(size));
  LARGE_INTEGER start{};
  Check(stream->Seek(start, STREAM_SEEK_SET, nullptr), "the encoded image cannot be read");
  ULONG got = 0;
  Check(stream->Read(png.data(), static_cast<ULONG>(png.size()), &got),
        "the encoded image cannot be read");
  if (got != png.size() || std::memcmp(png.data(), kSignature, 8) != 0 ||
      Get32(png.data() + 12) != kIHDR)
    throw Refusal{"the PNG encoder failed"};
  // An sRGB chunk (perceptual intent) after the header, as on Linux, unless
  // the encoder wrote colour information of its own.
  bool has_colour_info = false;
  for (size_t pos = 8; pos + 12 <= png.size();) {
    const uint32_t length = Get32(&png[pos]), type = Get32(&png[pos + 4]);
    if (type == kSRGB || type == Type("iCCP")) has_colour_info = true;
    if (length > png.size() - pos - 12) break;
    pos += size_t{length} + 12;
  }
  if (has_colour_info) {
    out = std::move(png);
    return;
  }
  std::vector<uint8_t> srgb = {0, 0, 0, 1, 's', 'R', 'G', 'B', 0};
  Put32(srgb, Crc32(0, srgb.data() + 4, 5));
  out.resize(png.size() + srgb.size());
  std::memcpy(out.data(), png.data(), 33);
  std::memcpy(out.data() + 33, srgb.data(), srgb.size());
  std::memcpy(out.data() + 33 + srgb.size(), png.data() + 33, png.size() - 33);
}

class WicPngCodec : public PngCodec {
 public:
  std::string Decode(const PngReader& read, int64_t pixel_limit, PngPixels& image) override {
    try {
      PngFile file;
      {
        Input in(read);
        ReadChunks(in, pixel_limit, file);
      }
      // Deflate cannot make the image's rows out of less data: refused
      // before WIC sets aside room for them.
      if (FilteredBytes(file) > file.pixel_data * kMaxInflation) return kTooLittleData;
      if (file.wic.size() > 0xFFFFFFFFu) return "the image data is too large for WIC";
      DecodeWithWic(file, image);
      return {};
    } catch (Refusal& refusal) {
      return std::move(refusal.reason);
    }
  }

  std::string Encode(const uint32_t* pixels, uint32_t width, uint32_t height,
                     std::vector<uint8_t>& out) override {
    if (width == 0 || height == 0) return "the image is empty";
    if (width > 0x7FFFFFFFu / 4 || height > 0x7FFFFFFFu) return "the image is too large";
    try {
      EncodeWithWic(pixels, width, height, out);
      return {};
    } catch (Refusal& refusal) {
      out.clear();
      return std::move(refusal.reason);
    }
  }
};

}  // namespace

PngCodec& NativePng() {
  static WicPngCodec native;
  return native;
}

}  // namespace zel::platform
