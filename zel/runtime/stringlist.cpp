#include "zel/runtime/stringlist.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "zel/runtime/exception.h"
#include "zel/runtime/safefile.h"
#include "zel/runtime/stream.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/utf8.h"

namespace zel {

TStringList::TStringList() = default;
TStringList::~TStringList() = default;

String TStringList::ClassName() const { return u"TStringList"; }

void TStringList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError(u"List index out of bounds (" + IntToStr(Index) + u")");
}

const String& TStringList::Strings(int Index) const {
  CheckIndex(Index);
  return items_[static_cast<size_t>(Index)];
}

void TStringList::SetStrings(int Index, const String& S) {
  CheckIndex(Index);
  items_[static_cast<size_t>(Index)] = S;
}

String& TStringList::operator[](int Index) {
  CheckIndex(Index);
  return items_[static_cast<size_t>(Index)];
}

const String& TStringList::operator[](int Index) const { return Strings(Index); }

int TStringList::Add(const String& S) {
  items_.push_back(S);
  return Count() - 1;
}

void TStringList::AddStrings(const TStringList& Strings) {
  if (&Strings == this) {
    const std::vector<String> copy = items_;
    items_.insert(items_.end(), copy.begin(), copy.end());
  } else {
    items_.insert(items_.end(), Strings.items_.begin(), Strings.items_.end());
  }
}

void TStringList::Insert(int Index, const String& S) {
  if (Index < 0 || Index > Count())
    throw EListError(u"List index out of bounds (" + IntToStr(Index) + u")");
  items_.insert(items_.begin() + Index, S);
}

void TStringList::Delete(int Index) {
  CheckIndex(Index);
  items_.erase(items_.begin() + Index);
}

void TStringList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(items_[static_cast<size_t>(Index1)], items_[static_cast<size_t>(Index2)]);
}

int TStringList::CompareStrings(const String& A, const String& B) const {
  if (case_sensitive_) return A.compare(B);
  return AnsiLowerCase(A).compare(AnsiLowerCase(B));
}

int TStringList::IndexOf(const String& S) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (CompareStrings(items_[i], S) == 0) return static_cast<int>(i);
  return -1;
}

void TStringList::Sort() {
  if (case_sensitive_) {
    std::stable_sort(items_.begin(), items_.end());
    return;
  }
  // Fold once per line, not once per comparison.
  std::vector<std::pair<String, String>> keyed;
  keyed.reserve(items_.size());
  for (auto& s : items_) keyed.emplace_back(AnsiLowerCase(s), std::move(s));
  std::stable_sort(keyed.begin(), keyed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (size_t i = 0; i < keyed.size(); ++i) items_[i] = std::move(keyed[i].second);
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
  const size_t n = items_.size();
  if (n < 2 || !Compare) return;
  auto less = [&](size_t a, size_t b) {
    const int r = Compare(*this, static_cast<int>(a), static_cast<int>(b));
    if (items_.size() != n) throw EListError(u"List changed during sort");
    return r < 0;
  };
  // Heap sort on the list itself: the comparison always sees the lines at
  // the indices it is given, and no index ever leaves 0..n-1.
  auto sift_down = [&](size_t root, size_t size) {
    for (;;) {
      size_t child = 2 * root + 1;
      if (child >= size) return;
      if (child + 1 < size && less(child, child + 1)) ++child;
      if (!less(root, child)) return;
      std::swap(items_[root], items_[child]);
      root = child;
    }
  };
  for (size_t start = n / 2; start-- > 0;) sift_down(start, n);
  for (size_t end = n - 1; end > 0; --end) {
    std::swap(items_[0], items_[end]);
    sift_down(0, end);
  }
}

String TStringList::Text() const {
  size_t total = 0;
  for (const auto& s : items_) total += s.size() + 2;
  String out;
  out.reserve(total);
  for (const auto& s : items_) {
    out += s;
    out += u"\r\n";
  }
  return out;
}

void TStringList::SetText(const String& Value) {
  std::vector<String> lines;
  size_t start = 0;
  size_t i = 0;
  while (i < Value.size()) {
    const Char c = Value[i];
    if (c == u'\r' || c == u'\n') {
      lines.emplace_back(Value, start, i - start);
      i += (c == u'\r' && i + 1 < Value.size() && Value[i + 1] == u'\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < Value.size()) lines.emplace_back(Value, start, Value.size() - start);
  items_ = std::move(lines);
}

namespace {

String DecodeFileText(std::string_view bytes) {
  auto starts = [&](std::string_view bom) { return bytes.substr(0, bom.size()) == bom; };
  if (starts("\xEF\xBB\xBF")) return DecodeText8(bytes.substr(3));
  const bool le = starts("\xFF\xFE");
  if (le || starts("\xFE\xFF")) {
    String out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      const auto b0 = static_cast<unsigned char>(bytes[i]);
      const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
      out.push_back(static_cast<Char>(le ? (b1 << 8 | b0) : (b0 << 8 | b1)));
    }
    if (bytes.size() % 2 != 0) out.push_back(0xFFFD);  // a dangling odd byte
    return out;
  }
  return DecodeText8(bytes);
}

}  // namespace

void TStringList::LoadFromStream(TStream& Stream) {
  GuardAllocation([&] {
    std::string bytes;
    char buf[65536];
    for (;;) {
      const int64_t got = Stream.Read(buf, sizeof buf);
      if (got <= 0) break;
      bytes.append(buf, static_cast<size_t>(got));
    }
    SetText(DecodeFileText(bytes));
  });
}

void TStringList::SaveToStream(TStream& Stream) const {
  const std::string bytes = StringToUtf8(Text());
  Stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TStringList::LoadFromFile(const String& FileName) {
  TFileStream fs(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(fs);
}

void TStringList::SaveToFile(const String& FileName) const {
  SafeReplaceFile(FileName, [this](TStream& fs) { SaveToStream(fs); });
}

void TStringList::Assign(const TPersistent* Source) {
  if (const auto* list = dynamic_cast<const TStringList*>(Source)) {
    if (list != this) {
      items_ = list->items_;
    }
    return;
  }
  TPersistent::Assign(Source);
}

}  // namespace zel
