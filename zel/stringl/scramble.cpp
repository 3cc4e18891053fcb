#include "zel/stringl/scramble.h"

#include <array>

#include "zel/base/internal/module_hooks.h"
#include "zel/runtime/random.h"

namespace zel {

namespace {

// Constant-initialised, so they are ready before the start-up hook fills them.
std::array<uint8_t, 256> g_forward{};
std::array<uint8_t, 256> g_inverse{};

String Map(const String& text, const std::array<uint8_t, 256>& table) {
  String out(text);
  for (Char& c : out)
    if (c < 256) c = table[c];
  return out;
}

}  // namespace

void InitScramble(int32_t Seed) noexcept {
  RandSeed = static_cast<uint32_t>(Seed);
  g_forward.fill(0);
  g_inverse.fill(0);
  for (int i = 1; i <= 255; ++i) {
    int a = Random(255) + 1;
    while (g_inverse[static_cast<size_t>(a)] != 0) a = Random(255) + 1;
    g_forward[static_cast<size_t>(i)] = static_cast<uint8_t>(a);
    g_inverse[static_cast<size_t>(a)] = static_cast<uint8_t>(i);
  }
}

String Scramble(const String& Text) { return Map(Text, g_forward); }

String DeScramble(const String& Text) { return Map(Text, g_inverse); }

namespace internal {

// Start-up step of the string module: the scramble tables from the default seed.
void StartZelStringl() noexcept { InitScramble(kDefaultScrambleSeed); }

}  // namespace internal

}  // namespace zel
