#include "zel/stringl/internal/casemap.h"

namespace zel::internal {

namespace {
// Latin Extended-A pairs an upper-case letter at an even (or odd) code with
// its lower-case form one above, in three runs with a few exceptions.
bool PairedUpper(Char C) {
  if (C >= 0x100 && C <= 0x137) return (C & 1) == 0 && C != 0x130;
  if (C >= 0x139 && C <= 0x148) return (C & 1) == 1;
  if (C >= 0x14A && C <= 0x177) return (C & 1) == 0;
  if (C >= 0x179 && C <= 0x17E) return (C & 1) == 1;
  if (C >= 0x460 && C <= 0x481) return (C & 1) == 0;
  if (C >= 0x48A && C <= 0x4BF) return (C & 1) == 0;
  if (C >= 0x4D0 && C <= 0x52F) return (C & 1) == 0;
  return false;
}
bool PairedLower(Char C) {
  if (C >= 0x101 && C <= 0x137) return (C & 1) == 1 && C != 0x131;
  if (C >= 0x13A && C <= 0x148) return (C & 1) == 0;
  if (C >= 0x14B && C <= 0x177) return (C & 1) == 1;
  if (C >= 0x17A && C <= 0x17E) return (C & 1) == 0;
  if (C >= 0x461 && C <= 0x481) return (C & 1) == 1;
  if (C >= 0x48B && C <= 0x4BF) return (C & 1) == 1;
  if (C >= 0x4D1 && C <= 0x52F) return (C & 1) == 1;
  return false;
}
}  // namespace

Char UnicodeUpper(Char C) noexcept {
  if (C < 0x80) return (C >= u'a' && C <= u'z') ? static_cast<Char>(C - 32) : C;
  if (C == 0xB5) return 0x39C;  // micro sign
  if (C >= 0xE0 && C <= 0xFE && C != 0xF7) return static_cast<Char>(C - 32);
  if (C == 0xFF) return 0x178;
  if (C == 0x131) return u'I';
  if (C == 0x17F) return u'S';
  if (PairedLower(C)) return static_cast<Char>(C - 1);
  if (C >= 0x3B1 && C <= 0x3CB && C != 0x3C2) return static_cast<Char>(C - 32);
  if (C == 0x3C2) return 0x3A3;  // final sigma
  if (C == 0x3AC) return 0x386;
  if (C >= 0x3AD && C <= 0x3AF) return static_cast<Char>(C - 37);
  if (C == 0x3CC) return 0x38C;
  if (C == 0x3CD || C == 0x3CE) return static_cast<Char>(C - 63);
  if (C >= 0x430 && C <= 0x44F) return static_cast<Char>(C - 32);
  if (C >= 0x450 && C <= 0x45F) return static_cast<Char>(C - 80);
  if (C >= 0xFF41 && C <= 0xFF5A) return static_cast<Char>(C - 32);
  return C;
}

Char UnicodeLower(Char C) noexcept {
  if (C < 0x80) return (C >= u'A' && C <= u'Z') ? static_cast<Char>(C + 32) : C;
  if (C >= 0xC0 && C <= 0xDE && C != 0xD7) return static_cast<Char>(C + 32);
  if (C == 0x178) return 0xFF;
  if (C == 0x130) return u'i';
  if (PairedUpper(C)) return static_cast<Char>(C + 1);
  if (C >= 0x391 && C <= 0x3AB && C != 0x3A2) return static_cast<Char>(C + 32);
  if (C == 0x386) return 0x3AC;
  if (C >= 0x388 && C <= 0x38A) return static_cast<Char>(C + 37);
  if (C == 0x38C) return 0x3CC;
  if (C == 0x38E || C == 0x38F) return static_cast<Char>(C + 63);
  if (C >= 0x410 && C <= 0x42F) return static_cast<Char>(C + 32);
  if (C >= 0x400 && C <= 0x40F) return static_cast<Char>(C + 80);
  if (C >= 0xFF21 && C <= 0xFF3A) return static_cast<Char>(C + 32);
  return C;
}

}  // namespace zel::internal
