// Colours: models, the hexadecimal form and names.
#include <zel/colors.h>
#include <zel/runtime.h>

#include <cstdio>

int main() {
  zel::TColor orange = zel::HSLtoColor(30, 1.0, 0.5);
  double h = 0, s = 0, l = 0;
  zel::ColorToHSL(orange, h, s, l);
  std::printf("HSL %.0f %.2f %.2f -> %s\n", h, s, l,
              zel::StringToUtf8(zel::ColorToHexStr(orange)).c_str());
  zel::TColor named = 0;
  if (zel::ColorFromName(u"navy", named))
    std::printf("navy = %s, gray level %d\n", zel::StringToUtf8(zel::ColorToHexStr(named)).c_str(),
                static_cast<int>(zel::ColorToGray(named)));
  std::printf("name of the middle: %s\n",
              zel::StringToUtf8(zel::ObtainColorName(zel::MeanColor(orange, named))).c_str());
  return 0;
}
