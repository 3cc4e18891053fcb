#include "zel/filesys/sysinfo.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <system_error>
#include <vector>

#include "zel/platform/environment.h"
#include "zel/platform/network.h"
#include "zel/platform/sysinfo.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/random.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/utf8.h"

namespace zel {

namespace {

constexpr char kVowels[] = "aeiouy";
constexpr char kConsonants[] = "bcdfghjklmnpqrstvwxz";
constexpr char kSpecials[] = "_!$%#=";

// The pronounceable word with its two digits; Draw(n) gives 0..n-1.
String PronounceableWord(int32_t Length, const std::function<int32_t(int32_t)>& Draw) {
  if (Length < 4) Length = 4;
  if (Length > 14) Length = 14;
  String word;
  if (Length % 2 == 1) word += static_cast<Char>(kVowels[Draw(6)]);
  for (int32_t i = 0; i < Length / 2 - 1; ++i) {
    word += static_cast<Char>(kConsonants[Draw(20)]);
    word += static_cast<Char>(kVowels[Draw(6)]);
  }
  const int32_t n = Draw(100);
  const String digits{static_cast<Char>(u'0' + n / 10), static_cast<Char>(u'0' + n % 10)};
  if (word.size() >= 7)
    word.insert(6, digits);
  else
    word += digits;
  return word;
}

Char SpecialOrDigit(int32_t k) {
  return k < 6 ? static_cast<Char>(kSpecials[k]) : static_cast<Char>(u'0' + (k - 6));
}

// A uniform integer in 0..n-1 from the secure source, by rejection.
int32_t SecureDraw(int32_t n) {
  const uint32_t range = static_cast<uint32_t>(n);
  const uint32_t limit = UINT32_MAX - UINT32_MAX % range;  // multiple of range
  uint32_t r;
  do {
    try {
      platform::SysInfo().SecureRandom(&r, sizeof r);
    } catch (const std::system_error& e) {
      throw EInOutError(u"The operating system's random source failed", e.code().value());
    }
  } while (r >= limit);
  return static_cast<int32_t>(r % range);
}

}  // namespace

String GetEnviroVar(const String& Name) {
  if (Name.empty()) return String();
  const String wanted = LowerCase(Name);
  String result;
  for (const std::string& entry : platform::Env().Entries()) {
    const String e = Utf8ToString(entry);
    if (e.size() > wanted.size() && e[wanted.size()] == u'=' &&
        LowerCase(e.substr(0, wanted.size())) == wanted)
      result = e.substr(wanted.size() + 1);
  }
  return result;
}

String GetSystemDir() { return Utf8ToString(platform::SysInfo().SystemDirectory()); }

String GetWindowsDir() { return Utf8ToString(platform::SysInfo().OsDirectory()); }

String GetTempDir() { return Utf8ToString(platform::SysInfo().TempDirectory()); }

bool GetMemoryStatus(uint64_t& Total, uint64_t& Available) {
  Total = Available = 0;
  return platform::SysInfo().PhysicalMemory(Total, Available);
}

int64_t GetMemoryUsed() { return platform::SysInfo().AllocatedBytes(); }

int32_t GetMacAddress(int32_t Kind, String& Address) {
  Address = u"00-00-00-00-00-00";
  if (Kind != 1 && Kind != 2) return macBadKind;
  std::vector<platform::NetAdapter> adapters;
  const int err = platform::Net().Adapters(adapters);
  if (err == ENOMEM) return macOutOfMemory;
  if (err != 0)
    throw EInOutError(u"Cannot list the network adapters: " + Utf8ToString(std::strerror(err)),
                      err);
  if (adapters.empty()) return macNoAdapters;
  const auto wanted = Kind == 1 ? platform::AdapterKind::kWired : platform::AdapterKind::kWireless;
  // Adapters backed by a device first, each group in the system's order.
  for (const bool physical : {true, false})
    for (const auto& a : adapters) {
      if (a.address.empty() || a.kind != wanted || a.physical != physical) continue;
      String text;
      for (size_t i = 0; i < a.address.size(); ++i) {
        if (i) text += u'-';
        text += IntToHex(a.address[i], 2);
      }
      Address = text;
      return macDone;
    }
  return macDone;
}

String InventPassword(int32_t Length) {
  return PronounceableWord(Length, [](int32_t n) { return Random(n); });
}

String InventPassword(int32_t Length, bool MixedCase, bool Special) {
  String word = InventPassword(Length);
  const int32_t count = std::min<int32_t>(Length, static_cast<int32_t>(word.size()));
  if (MixedCase)
    for (int32_t i = 0; i < count; ++i) {
      const double r = Random();
      if (r > 0.5 && word[i] >= u'a' && word[i] <= u'z') word[i] = static_cast<Char>(word[i] - 32);
    }
  if (Special)
    for (int32_t i = 0; i < count; ++i)
      if (Random() > 0.8) word[i] = SpecialOrDigit(Random(16));
  return word;
}

String InventPasswordSecure(int32_t Length, bool MixedCase, bool Special) {
  String word = PronounceableWord(Length, &SecureDraw);
  for (Char& c : word) {
    if (MixedCase && c >= u'a' && c <= u'z' && SecureDraw(2) == 1) c = static_cast<Char>(c - 32);
  }
  if (Special)
    for (Char& c : word)
      if (SecureDraw(5) == 0) c = SpecialOrDigit(SecureDraw(16));
  return word;
}

}  // namespace zel
