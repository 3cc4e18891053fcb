// The text file format of TFeatureMatrix: Save, Load and the open-file forms.
#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <new>
#include <stdexcept>

#include "zel/dstruct/featmatrix.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/textfile.h"

namespace zel {

namespace {

constexpr std::array<const char16_t*, 7> kKeys = {u"fplfeatnum", u"fplfeatname", u"fplfeatkind",
                                                  u"fplcomment", u"fplpresets",  u"fplsorted",
                                                  u"fplguielem"};

// Cells the value section may create beyond 64 per value it holds.
constexpr int64_t kCellAllowance = int64_t{1} << 24;
constexpr int64_t kCellsPerValue = 64;
// Cells reserved ahead of the values (the rest grows as values arrive).
constexpr int64_t kReserveAllowance = int64_t{1} << 20;

void AppendInt(String& s, int64_t v) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  const size_t old = s.size();
  s.resize(old + static_cast<size_t>(r.ptr - buf));
  Char* d = s.data() + old;
  for (const char* p = buf; p < r.ptr; ++p) *d++ = static_cast<Char>(*p);
}

std::u16string_view TrimBlanks(std::u16string_view s) {
  size_t a = 0, b = s.size();
  while (a < b && s[a] == u' ') ++a;
  while (b > a && s[b - 1] == u' ') --b;
  return s.substr(a, b - a);
}

// An optional sign and decimal digits in 32 bits, the whole of Token.
bool ParseInt32(std::u16string_view Token, int32_t& V) {
  size_t i = 0;
  bool neg = false;
  if (i < Token.size() && (Token[i] == u'+' || Token[i] == u'-')) neg = Token[i++] == u'-';
  if (i == Token.size()) return false;
  int64_t v = 0;
  for (; i < Token.size(); ++i) {
    if (Token[i] < u'0' || Token[i] > u'9') return false;
    v = v * 10 + (Token[i] - u'0');
    if (v > int64_t{INT32_MAX} + 1) return false;
  }
  v = neg ? -v : v;
  if (v > INT32_MAX || v < INT32_MIN) return false;
  V = static_cast<int32_t>(v);
  return true;
}

// Splits the next blank-separated token off S (characters up to code 32
// separate tokens).
std::u16string_view NextToken(std::u16string_view& S) {
  size_t a = 0;
  while (a < S.size() && S[a] <= u' ') ++a;
  size_t b = a;
  while (b < S.size() && S[b] > u' ') ++b;
  const std::u16string_view t = S.substr(a, b - a);
  S = S.substr(b);
  return t;
}

struct Damaged {};  // a section that cannot be read

}  // namespace

// Reads the sections into a fresh matrix, so that a failure leaves the
// target as it was.
class FeatureMatrixLoader {
 public:
  explicit FeatureMatrixLoader(TextFile& F) : f_(F), m_(nullptr) {}

  int32_t Run(TFeatureMatrix& Target) {
    int32_t result = -1;
    try {
      while (!f_.Eof()) {
        const String line = f_.ReadLn();
        if (line.empty() || line[0] != u'#') continue;
        const size_t blank = line.find(u' ');
        if (blank == String::npos) continue;  // empty keyword
        const String keyword = LowerCase(line.substr(1, blank - 1));
        const std::u16string_view params = TrimBlanks(std::u16string_view(line).substr(blank + 1));
        if (keyword == u"featdef") {
          result = 0;
          Definitions(params);
        } else if (keyword == u"featvals") {
          result = 0;
          Values(params);
          break;
        }
      }
    } catch (const Damaged&) {
      return -2;
    } catch (const Exception&) {
      return -2;
    } catch (const std::bad_alloc&) {
      return -2;
    } catch (const std::length_error&) {
      return -2;
    }
    if (result != 0) return result;
    Target.Swap(m_);
    Target.Changed();
    return 0;
  }

 private:
  void Definitions(std::u16string_view Params) {
    int32_t count = 0, version = 0;
    const std::u16string_view count_token = NextToken(Params);
    if (!ParseInt32(NextToken(Params), version) || version != 1) return;  // other versions
    if (!ParseInt32(count_token, count) || count < 0) throw Damaged{};
    struct Def {
      int32_t k;
      size_t key;
      String value;
    };
    std::vector<Def> defs;
    for (int64_t n = int64_t{count} * 6; n > 0; --n) {
      const int32_t k = f_.ReadInteger();  // 0 at the end of the file
      if (k < 1 || k > count) throw Damaged{};
      const String rest = f_.ReadLn();
      std::u16string_view kv = TrimBlanks(rest);
      const size_t blank = kv.find(u' ');
      if (blank == std::u16string_view::npos) continue;  // no value: the default stays
      const String key = LowerCase(String(kv.substr(0, blank)));
      size_t ix = 0;
      while (ix < kKeys.size() && key != kKeys[ix]) ++ix;
      if (ix >= 6) continue;  // fplGUIElem and unknown keys
      defs.push_back(Def{k, ix, String(kv.substr(blank + 1))});
    }
    m_.FFeatProps.clear();
    m_.ResizeFeatures(count);
    for (const Def& d : defs) {
      TFeatMatProps& p = *m_.FFeatProps[static_cast<size_t>(d.k - 1)];
      switch (d.key) {
        case 0:
          p.SetFeatNum(StrToInt(String(TrimBlanks(d.value))));
          break;
        case 1:
          p.SetFeatName(d.value);
          break;
        case 2: {
          const String v = LowerCase(d.value);
          TFeatKind kind = fkUndefined;
          for (int k = fkUndefined; k <= fkTriState; ++k)
            if (LowerCase(FeatKindName(static_cast<TFeatKind>(k))) == v)
              kind = static_cast<TFeatKind>(k);
          p.SetFeatKind(kind);
          break;
        }
        case 3:
          p.SetComment(d.value);
          break;
        case 4:
          p.SetPresetValues(d.value);
          break;
        default:
          p.SetSorted(LowerCase(d.value) == u"true");
          break;
      }
    }
  }

  void Values(std::u16string_view Params) {
    int32_t nf = 0, no = 0;
    if (!ParseInt32(NextToken(Params), nf) || !ParseInt32(NextToken(Params), no) || nf < 0 ||
        no < 0)
      throw Damaged{};
    const int32_t defined = m_.FNFeats;
    // Features beyond the definitions get default properties once a value
    // names them; the rest are checked at the end.
    if (nf < defined) m_.ResizeFeatures(nf);
    m_.ResizeObjects(no);
    int64_t values = 0, cells = 0, reserved = 0;
    int32_t highest = 0;  // highest feature holding a value
    while (!f_.Eof()) {
      const String line = f_.ReadLn();
      if (line.empty() || line[0] == u'#') break;
      std::u16string_view rest(line);
      int32_t fix = 0, obj = 0;
      if (!ParseInt32(NextToken(rest), fix) || !ParseInt32(NextToken(rest), obj)) throw Damaged{};
      if (fix < 1 || fix > nf || obj < 1 || obj > no) throw Damaged{};
      const std::u16string_view value = TrimBlanks(rest);
      if (fix > m_.FNFeats) m_.ResizeFeatures(fix);
      if (fix > highest) highest = fix;
      ++values;
      if (value.empty()) continue;
      auto& col = m_.FFeatVals[static_cast<size_t>(fix - 1)];
      const auto need = static_cast<int64_t>(obj);
      if (need > static_cast<int64_t>(col.Cells())) {
        const int64_t budget = kCellAllowance + kCellsPerValue * values;
        cells += need - static_cast<int64_t>(col.Cells());
        if (cells > budget) throw Damaged{};
        if (col.Capacity() == 0) {
          // First value of this feature: room for all objects when the budget
          // allows it, so the column grows once.
          const int64_t ahead = kReserveAllowance + kCellsPerValue * values - reserved;
          const int64_t room = std::min<int64_t>(no, std::max<int64_t>(need, ahead));
          reserved += room;
          col.Reserve(static_cast<size_t>(room));
        }
      }
      col.Set(static_cast<size_t>(obj - 1), value);
    }
    if (nf > defined && nf > highest) throw Damaged{};  // features nothing backs
    if (nf > m_.FNFeats) m_.ResizeFeatures(nf);
    for (auto& c : m_.FFeatVals) c.Trim();
  }

  TextFile& f_;
  TFeatureMatrix m_;
};

int32_t TFeatureMatrix::LoadFromOpenFile(TextFile& F) {
  FeatureMatrixLoader loader(F);
  return loader.Run(*this);
}

int32_t TFeatureMatrix::Load(const String& FName) {
  TextFile f(FName);
  try {
    f.Reset();
  } catch (const EInOutError& e) {
    return e.ErrorCode() == ENOENT ? -1 : -3;
  }
  const int32_t r = LoadFromOpenFile(f);
  try {
    f.Close();
  } catch (const EInOutError&) {
    // Closing an input file loses nothing.
  }
  return r == 0 ? 0 : r - 1;
}

void TFeatureMatrix::SaveToOpenFile(TextFile& F) const {
  String line;
  line.reserve(256);
  line = u"#featdef ";
  AppendInt(line, FNFeats);
  line += u" 1";
  F.WriteLn(line);
  static constexpr std::array<const char16_t*, 6> kWritten = {u" fplFeatNum ",  u" fplFeatName ",
                                                              u" fplFeatKind ", u" fplComment ",
                                                              u" fplPresets ",  u" fplSorted "};
  for (int32_t f = 1; f <= FNFeats; ++f) {
    const TFeatMatProps& p = *FFeatProps[static_cast<size_t>(f - 1)];
    for (size_t k = 0; k < kWritten.size(); ++k) {
      line.clear();
      AppendInt(line, f);
      line += kWritten[k];
      switch (k) {
        case 0:
          AppendInt(line, p.FeatNum());
          break;
        case 1:
          line += p.FeatName();
          break;
        case 2:
          line += FeatKindName(p.FeatKind());
          break;
        case 3:
          line += p.Comment();
          break;
        case 4:
          line += p.PresetValues();
          break;
        default:
          line += p.Sorted() ? u"TRUE" : u"FALSE";
          break;
      }
      F.WriteLn(line);
    }
  }
  line = u"#featvals ";
  AppendInt(line, FNFeats);
  line += u' ';
  AppendInt(line, FNObjs);
  F.WriteLn(line);
  size_t objects = 0;  // objects up to the last one holding a value
  for (const auto& c : FFeatVals) objects = std::max(objects, c.Cells());
  // Value lines go out in chunks of many lines, each ended by CR LF as
  // WriteLn ends it.
  constexpr size_t kChunk = 1 << 15;
  line.clear();
  line.reserve(kChunk + 256);
  for (size_t o = 0; o < objects; ++o) {
    for (size_t f = 0; f < FFeatVals.size(); ++f) {
      const auto& col = FFeatVals[f];
      if (col.IsEmpty(o)) continue;
      AppendInt(line, static_cast<int64_t>(f) + 1);
      line += u' ';
      AppendInt(line, static_cast<int64_t>(o) + 1);
      line += u' ';
      col.AppendTo(line, o);
      line += u"\r\n";
    }
    if (line.size() >= kChunk) {
      F.Write(line);
      line.clear();
    }
  }
  F.Write(line);
  F.WriteLn(u"#featend");
}

void TFeatureMatrix::Save(const String& FName) const {
  TextFile f(FName);
  f.Rewrite();
  SaveToOpenFile(f);
  f.Close();
}

}  // namespace zel
