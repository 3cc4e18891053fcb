// zel color: one colour in every model, colour names, wavelengths, and colour
// scales rendered as PNG strips.
//
//   zel color rgb R G B            the colour in every model, its hexadecimal
//                                  form and its (nearest) name
//   zel color name NAME            the same for a named colour ("Teal",
//                                  "clBtnFace", "$000000FF")
//   zel color wavelength NM [--gamma G]
//                                  the colour of light of NM nanometres
//   zel color scale FILE --png OUT [--height H] [--width W]
//                                  renders a colour-array file ("-" reads
//                                  standard input) as a PNG strip, one column
//                                  per entry unless --width scales it; OUT "-"
//                                  writes the PNG to standard output
//
// The PNG is written by the library's TBitmap, which replaces OUT as a
// whole, so a failed run never leaves half an image.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "command.h"
#include "io.h"
#include "zel/colors/colorarray.h"
#include "zel/colors/colormodels.h"
#include "zel/colors/colornames.h"
#include "zel/runtime/bitmap.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/stream.h"
#include "zel/runtime/utf8.h"

namespace {

using zel::TColor;
using zel_tool::Args;
using zel_tool::Fail;

constexpr int kMaxSide = 16384;

// A whole decimal number in [lo, hi], else a usage error naming what.
int ParseInt(const std::string& text, int lo, int hi, const char* what) {
  int v = 0;
  const char* end = text.data() + text.size();
  const auto [p, ec] = std::from_chars(text.data(), end, v);
  if (ec != std::errc() || p != end || v < lo || v > hi)
    Fail(std::string(what) + " must be a whole number from " + std::to_string(lo) + " to " +
         std::to_string(hi) + ", not '" + text + "'");
  return v;
}

double ParseReal(const std::string& text, const char* what) {
  double v = 0;
  const char* end = text.data() + text.size();
  const auto [p, ec] = std::from_chars(text.data(), end, v);
  if (ec != std::errc() || p != end || !std::isfinite(v))
    Fail(std::string(what) + " must be a number, not '" + text + "'");
  return v;
}

std::string Utf8(const zel::String& s) { return zel::StringToUtf8(s); }

std::string Fixed(double v, int decimals = 3) {
  std::ostringstream out;
  out << std::fixed << std::setprecision(decimals) << v;
  return out.str();
}

// The named colour nearest to c and its distance (0 for an exact match).
size_t NearestName(TColor c, double& distance) {
  size_t best = 0;
  distance = 2;
  for (size_t i = 0; i < zel::AllZELColors.size(); ++i) {
    const double d = zel::RGBColorDistance(c, zel::AllZELColors[i]);
    if (d < distance) {
      distance = d;
      best = i;
    }
  }
  return best;
}

void Describe(std::ostream& out, TColor c) {
  const TColor rgb = zel::ColorToRGB(c);
  const int r = rgb & 0xFF, g = (rgb >> 8) & 0xFF, b = (rgb >> 16) & 0xFF;
  out << "hex       " << Utf8(zel::ColorToHexStr(c)) << "\n";
  if (rgb != c) out << "draws as  " << Utf8(zel::ColorToHexStr(rgb)) << "\n";
  double dist;
  const size_t near = NearestName(rgb, dist);
  out << "name      " << Utf8(zel::String(zel::AllZELColorNames[near]));
  if (dist > 0) out << " (nearest, distance " << Fixed(dist, 4) << ")";
  out << "\n";
  out << "RGB       " << r << " " << g << " " << b << "\n";
  double h, s, x;
  zel::RGBtoHSL(r, g, b, h, s, x);
  out << "HSL       " << Fixed(h) << " " << Fixed(s) << " " << Fixed(x) << "\n";
  zel::RGBtoHSV(r, g, b, h, s, x);
  out << "HSV       " << Fixed(h) << " " << Fixed(s) << " " << Fixed(x) << "\n";
  zel::RGBtoHSI(r, g, b, h, s, x);
  out << "HSI       " << Fixed(h) << " " << Fixed(s) << " " << Fixed(x) << "\n";
  double cy, m, y, k;
  zel::RGBtoCMY(static_cast<zel::Byte>(r), static_cast<zel::Byte>(g), static_cast<zel::Byte>(b), cy,
                m, y);
  out << "CMY       " << Fixed(cy) << " " << Fixed(m) << " " << Fixed(y) << "\n";
  zel::CMYtoCMYK(cy, m, y, k);
  out << "CMYK      " << Fixed(cy) << " " << Fixed(m) << " " << Fixed(y) << " " << Fixed(k) << "\n";
  out << "gray      " << zel::RGBtoGray(r, g, b) << "\n";
  out << "text on   " << (zel::ContrastBWColor(rgb) == 0 ? "black" : "white") << "\n";
}

int Finish() { return zel_tool::FinishOutput() ? 0 : 1; }

// ---- PNG ----

// An opaque image of width x height where column x shows entry
// 1 + x * N / width of the array.
void PaintScale(const zel::TColorArray& scale, int width, int height, zel::TBitmap& image) {
  image.SetSize(width, height);
  const int64_t n = scale.Size();
  std::vector<uint32_t> row(static_cast<size_t>(width));
  for (int x = 0; x < width; ++x) {
    const TColor c = zel::ColorToRGB(scale.GetColorElem(static_cast<int32_t>(1 + x * n / width)));
    // TColor holds red in its low byte; a pixel is 0xAARRGGBB.
    row[size_t(x)] = 0xFF000000u | (static_cast<uint32_t>(c & 0xFF) << 16) |
                     (static_cast<uint32_t>(c) & 0xFF00u) | ((static_cast<uint32_t>(c) >> 16) & 0xFF);
  }
  for (int y = 0; y < height; ++y) std::copy(row.begin(), row.end(), image.ScanLine(y));
}

std::string LoadFailure(const std::string& name) {
  if (name == "-") return "not a colour-array file";
  std::error_code ec;
  const auto st = std::filesystem::status(name, ec);
  if (ec || !std::filesystem::exists(st)) return "No such file or directory";
  if (std::filesystem::is_directory(st)) return "Is a directory";
  return "not a colour-array file (or damaged)";
}

int RunScale(Args& args) {
  const auto png = args.Option("png");
  const auto height_opt = args.Option("height");
  const auto width_opt = args.Option("width");
  args.RejectUnknownOptions();
  const auto& rest = args.Rest();
  if (rest.size() != 2) Fail("scale needs one FILE");
  if (!png) Fail("scale needs --png OUT.png");
  const int height = height_opt ? ParseInt(*height_opt, 1, kMaxSide, "--height") : 32;
  const std::string& in_name = rest[1];
  zel::TColorArray scale(nullptr);
  const zel_tool::SeekableInput in(in_name);  // "-": standard input, read once
  if (!scale.LoadFromFile(in.FileName(), true)) {
    std::cerr << "zel color: " << in_name << ": " << LoadFailure(in_name) << "\n";
    return 1;
  }
  const int width = width_opt ? ParseInt(*width_opt, 1, kMaxSide, "--width")
                              : std::min<int>(scale.Size(), kMaxSide);
  zel::TBitmap image;
  PaintScale(scale, width, height, image);
  try {
    if (*png == "-") {
      zel::TMemoryStream bytes;
      image.SaveToStream(bytes);
      std::cout.write(reinterpret_cast<const char*>(bytes.Memory()),
                      static_cast<std::streamsize>(bytes.Size()));
      return Finish();
    }
    image.SaveToFile(zel::PathToFileName(*png));
  } catch (const zel::Exception& e) {
    std::cerr << "zel color: " << *png << ": " << e.what() << "\n";
    return 1;
  }
  std::cout << "wrote " << *png << ": " << width << " x " << height << " pixels from "
            << scale.Size() << " colours\n";
  return Finish();
}

int RunColor(Args& args) {
  if (args.Rest().empty()) Fail("missing subcommand: rgb, name, wavelength or scale");
  const std::string sub = args.Rest()[0];
  if (sub == "scale") return RunScale(args);
  const std::optional<std::string> gamma_opt =
      sub == "wavelength" ? args.Option("gamma") : std::optional<std::string>();
  args.RejectUnknownOptions();
  const auto& rest = args.Rest();
  if (sub == "rgb") {
    if (rest.size() != 4) Fail("rgb needs three channels R G B");
    const int r = ParseInt(rest[1], 0, 255, "a channel");
    const int g = ParseInt(rest[2], 0, 255, "a channel");
    const int b = ParseInt(rest[3], 0, 255, "a channel");
    Describe(std::cout, static_cast<TColor>(r | (g << 8) | (b << 16)));
    return Finish();
  }
  if (sub == "name") {
    if (rest.size() != 2) Fail("name needs one colour NAME");
    TColor c = 0;
    if (!zel::ColorFromName(zel::Utf8ToString(rest[1]), c)) {
      std::cerr << "zel color: " << rest[1] << ": no colour of that name\n";
      return 1;
    }
    Describe(std::cout, c);
    return Finish();
  }
  if (sub == "wavelength") {
    if (rest.size() != 2) Fail("wavelength needs one wavelength in nanometres");
    const int nm = ParseInt(rest[1], 0, 100000, "the wavelength");
    const double gamma = gamma_opt ? ParseReal(*gamma_opt, "--gamma") : 0.8;
    const TColor c = zel::WavelengthToColor(nm, gamma);
    std::cout << nm << " nm (gamma " << gamma << ")"
              << (nm < 380 || nm >= 780 ? ": outside the visible range" : "") << "\n";
    Describe(std::cout, c);
    return Finish();
  }
  Fail("unknown subcommand '" + sub + "'");
}

ZEL_TOOL_COMMAND(color, "colour models, names, wavelengths and colour scales as PNG",
                 "zel color rgb R G B\n"
                 "       zel color name NAME\n"
                 "       zel color wavelength NM [--gamma G]\n"
                 "       zel color scale FILE --png OUT.png [--height H] [--width W]\n"
                 "  rgb         the colour in every model, its hexadecimal form and name\n"
                 "  name        the same for a named colour (Teal, clBtnFace, $000000FF)\n"
                 "  wavelength  the colour of light of NM nanometres (gamma 0.8 by default)\n"
                 "  scale       a colour-array file (\"-\" = standard input) as a PNG strip,\n"
                 "              one column per entry (--width scales), 32 rows (--height);\n"
                 "              OUT \"-\" writes the PNG to standard output",
                 RunColor);

void DemoColors(std::ostream& out) {
  out << "RGB(255, 0, 128):\n";
  std::ostringstream text;
  Describe(text, 0x8000FF);
  std::istringstream lines(text.str());
  for (std::string line; std::getline(lines, line);) out << "  " << line << "\n";
  out << "ObtainColorName($000000FF, long) = " << Utf8(zel::ObtainColorName(0xFF, true)) << "\n";
  out << "HexStrToColor(\"  $ff  \") = " << zel::HexStrToColor(u"  $ff  ") << "\n";
  out << "Wavelengths 400..700 nm:";
  for (int nm = 400; nm <= 700; nm += 50)
    out << " " << nm << "=" << Utf8(zel::ColorToHexStr(zel::WavelengthToColor(nm, 0.8)));
  out << "\n";
  zel::TColorArray scale(nullptr);
  const std::string sample = zel_tool::SampleDir() + "/colorscale.txt";
  if (scale.LoadFromFile(zel::PathToFileName(sample), true)) {
    double dist;
    const int ix = scale.ColorToIndex(0x00A5FF, dist);  // orange
    out << "Sample scale colorscale.txt: " << scale.Size() << " colours, first "
        << Utf8(zel::ObtainColorName(scale.GetColorElem(1))) << ", last "
        << Utf8(zel::ObtainColorName(scale.GetColorElem(scale.Size()))) << "; nearest to Orange: "
        << "entry " << ix << " (distance " << Fixed(dist, 4) << ")\n";
    out << "Render it: zel color scale " << sample << " --png scale.png\n";
  }
}

ZEL_TOOL_DEMO(25, "Colours: models, names, colour scales", DemoColors);

}  // namespace
