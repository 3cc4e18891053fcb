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

// Reads an index of a value line off the front of S: blanks, an optional
// sign and decimal digits, in 32 bits. Reading stops at the first other
// character, which stays in S. False when there are no digits.
bool ReadIndex(std::u16string_view& S, int32_t& V) {
  size_t i = 0;
  const size_t n = S.size();
  while (i < n && S[i] == u' ') ++i;
  bool neg = false;
  if (i < n && (S[i] == u'+' || S[i] == u'-')) neg = S[i++] == u'-';
  const size_t digits = i;
  int64_t v = 0;
  for (; i < n && S[i] >= u'0' && S[i] <= u'9'; ++i) {
    v = v * 10 + (S[i] - u'0');
    if (v > int64_t{INT32_MAX} + 1) return false;
  }
  if (i == digits) return false;
  v = neg ? -v : v;
  if (v > INT32_MAX) return false;
  V = static_cast<int32_t>(v);
  S = S.substr(i);
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
    m_.FEndMarkerRead = end_marker_;
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
    // Every feature starts with the defaults (and so without storage).
    m_.FFeats.clear();
    m_.ResizeFeatures(count);
    for (const Def& d : defs) {
      TFeatMatProps& p = *m_.Touch(d.k).Props;
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
    // The counts cost nothing: features and cells get storage as values name
    // them.
    m_.ResizeFeatures(nf);
    m_.ResizeObjects(no);
    while (!f_.Eof()) {
      const String line = f_.ReadLn();
      if (line.empty() || line[0] == u'#') {
        std::u16string_view keyword = std::u16string_view(line).substr(line.empty() ? 0 : 1);
        end_marker_ = !line.empty() && LowerCase(String(NextToken(keyword))) == u"featend";
        break;
      }
      std::u16string_view rest(line);
      int32_t fix = 0, obj = 0;
      if (!ReadIndex(rest, fix) || !ReadIndex(rest, obj)) throw Damaged{};
      if (fix < 1 || fix > nf || obj < 1 || obj > no) throw Damaged{};
      const std::u16string_view value = TrimBlanks(rest);
      internal::FeatColumn* col = Column(fix, !value.empty());
      if (col != nullptr) col->Set(static_cast<size_t>(obj - 1), value);
    }
    for (auto& [fix, f] : m_.FFeats) f.Values.Trim();
  }

  // The values of feature fix; null when it has no storage and Create is
  // false. Features seen are remembered by index while the index stays
  // within a few times their number, so the lookup is direct for the common
  // files and the table never outgrows the lines read.
  internal::FeatColumn* Column(int32_t fix, bool Create) {
    const auto i = static_cast<size_t>(fix - 1);
    if (i < direct_.size() && direct_[i] != nullptr) return direct_[i];
    TFeatureMatrix::Feature* f = Create ? &m_.Touch(fix) : m_.Find(fix);
    if (f == nullptr) return nullptr;
    ++seen_;
    if (i < 64 + 4 * seen_) {
      if (direct_.size() <= i) direct_.resize(i + 1);
      direct_[i] = &f->Values;
    }
    return &f->Values;
  }

  TextFile& f_;
  TFeatureMatrix m_;
  bool end_marker_ = false;
  std::vector<internal::FeatColumn*> direct_;  // by feature index - 1; null: not looked up
  size_t seen_ = 0;                            // features looked up
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

// Raises for the first text that holds a line break: its line would split
// in two and the loader would reject the file.
void TFeatureMatrix::CheckSavable() const {
  const auto breaks = [](const String& s) { return s.find_first_of(u"\r\n") != String::npos; };
  for (const auto& [f, feat] : FFeats) {  // features without storage have the defaults
    const TFeatMatProps& p = *feat.Props;
    if (breaks(p.FeatName())) Error(u"feature " + IntToStr(f) + u" name holds a line break");
    if (breaks(p.Comment())) Error(u"feature " + IntToStr(f) + u" comment holds a line break");
    if (breaks(p.PresetValues()))
      Error(u"feature " + IntToStr(f) + u" preset values hold a line break");
  }
  for (const auto& [f, feat] : FFeats) {
    const auto& col = feat.Values;
    for (size_t o = col.Next(0); o != col.kNone; o = col.Next(o + 1))
      if (col.HoldsLineBreak(o))
        Error(u"feature " + IntToStr(f) + u" value of object " +
              IntToStr(static_cast<int64_t>(o) + 1) + u" holds a line break");
  }
}

void TFeatureMatrix::SaveToOpenFile(TextFile& F) const {
  CheckSavable();
  WriteLines(F);
}

void TFeatureMatrix::WriteLines(TextFile& F) const {
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
    const TFeatMatProps& p = GetFeatProps(f);
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
  // Value lines go out object by object, each object's values in feature
  // order, walking only the values that are there: next[i] is the next
  // object holding a value in the i-th feature with storage.
  std::vector<std::pair<int32_t, const internal::FeatColumn*>> cols;
  std::vector<size_t> next;
  for (const auto& [f, feat] : FFeats) {
    const size_t o = feat.Values.Next(0);
    if (o == internal::FeatColumn::kNone) continue;
    cols.emplace_back(f, &feat.Values);
    next.push_back(o);
  }
  // Lines go out in chunks of many lines, each ended by CR LF as WriteLn ends
  // it.
  constexpr size_t kChunk = 1 << 15;
  line.clear();
  line.reserve(kChunk + 256);
  size_t o =
      next.empty() ? internal::FeatColumn::kNone : *std::min_element(next.begin(), next.end());
  while (o != internal::FeatColumn::kNone) {
    size_t after = internal::FeatColumn::kNone;  // the next object holding a value
    for (size_t i = 0; i < cols.size(); ++i) {
      if (next[i] == o) {
        AppendInt(line, cols[i].first);
        line += u' ';
        AppendInt(line, static_cast<int64_t>(o) + 1);
        line += u' ';
        cols[i].second->AppendTo(line, o);
        line += u"\r\n";
        next[i] = cols[i].second->Next(o + 1);
      }
      after = std::min(after, next[i]);
    }
    o = after;
    if (line.size() >= kChunk) {
      F.Write(line);
      line.clear();
    }
  }
  F.Write(line);
  F.WriteLn(u"#featend");
}

void TFeatureMatrix::Save(const String& FName) const {
  CheckSavable();
  TextFile f(FName);
  f.Rewrite();
  WriteLines(f);
  f.Close();
}

}  // namespace zel
