#include "zel/runtime/stringlist.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/stream.h"
#include "zel/runtime/sysutils.h"

namespace zel {
namespace {

std::vector<String> Lines(const TStringList& l) { return {l.begin(), l.end()}; }

TEST(StringList, AddInsertDeleteIndexOf) {
  TStringList l;
  EXPECT_EQ(l.Add(u"b"), 0);
  EXPECT_EQ(l.Add(u"d"), 1);
  l.Insert(0, u"a");
  l.Insert(2, u"c");
  l.Insert(4, u"e");  // at Count: appends
  EXPECT_EQ(Lines(l), (std::vector<String>{u"a", u"b", u"c", u"d", u"e"}));
  l.Delete(1);
  EXPECT_EQ(l.Count(), 4);
  EXPECT_EQ(l.Strings(1), u"c");
  EXPECT_EQ(l[0], u"a");
  l[0] = u"A";
  l.SetStrings(3, u"E");
  EXPECT_EQ(l.IndexOf(u"a"), 0);  // case-insensitive by default
  EXPECT_EQ(l.IndexOf(u"x"), -1);
  l.SetCaseSensitive(true);
  EXPECT_EQ(l.IndexOf(u"a"), -1);
  EXPECT_EQ(l.IndexOf(u"A"), 0);
  l.Exchange(0, 3);
  EXPECT_EQ(l[0], u"E");
  l.Clear();
  EXPECT_EQ(l.Count(), 0);
}

TEST(StringList, IndexOutOfBoundsRaisesWithIndex) {
  TStringList l;
  l.Add(u"x");
  const struct {
    const char* name;
    int index;
    std::function<void()> op;
  } cases[] = {
      {"Strings(-1)", -1, [&] { l.Strings(-1); }},
      {"Strings(1)", 1, [&] { l.Strings(1); }},
      {"operator[](5)", 5, [&] { l[5]; }},
      {"SetStrings(2)", 2, [&] { l.SetStrings(2, u"y"); }},
      {"Insert(2)", 2, [&] { l.Insert(2, u"y"); }},
      {"Insert(-1)", -1, [&] { l.Insert(-1, u"y"); }},
      {"Delete(1)", 1, [&] { l.Delete(1); }},
      {"Exchange", 3, [&] { l.Exchange(0, 3); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      c.op();
      FAIL();
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), u"List index out of bounds (" + IntToStr(c.index) + u")");
    }
  }
  EXPECT_EQ(l.Count(), 1);
}

TEST(StringList, TextJoinsWithCrLfAndSplitsAnyLineEnd) {
  TStringList l;
  l.SetText(u"a\r\nb\rc\nd");
  EXPECT_EQ(Lines(l), (std::vector<String>{u"a", u"b", u"c", u"d"}));
  EXPECT_EQ(l.Text(), u"a\r\nb\r\nc\r\nd\r\n");
  const struct {
    String text;
    std::vector<String> lines;
  } cases[] = {
      {u"", {}},
      {u"\r\n", {u""}},
      {u"x\r\n", {u"x"}},
      {u"x\n\n", {u"x", u""}},
      {u"\n\r", {u"", u""}},
      {u"\r\r\n", {u"", u""}},
      {u"no end", {u"no end"}},
  };
  for (const auto& c : cases) {
    l.SetText(c.text);
    EXPECT_EQ(Lines(l), c.lines);
    TStringList back;
    back.SetText(l.Text());
    EXPECT_EQ(Lines(back), c.lines);
  }
}

TEST(StringList, SortAndCustomSort) {
  TStringList l;
  for (const auto* s : {u"pear", u"Apple", u"banana", u"apple"}) l.Add(s);
  l.Sort();  // case-insensitive, stable
  EXPECT_EQ(Lines(l), (std::vector<String>{u"Apple", u"apple", u"banana", u"pear"}));
  l.SetCaseSensitive(true);
  l.Sort();
  EXPECT_EQ(Lines(l), (std::vector<String>{u"Apple", u"apple", u"banana", u"pear"}));
  l.CustomSort([](TStringList& list, int i, int j) {
    return static_cast<int>(list[i].size()) - static_cast<int>(list[j].size());
  });
  EXPECT_EQ(l[0], u"pear");
  EXPECT_EQ(l[3], u"banana");
}

TEST(StringList, CustomSortSurvivesInconsistentComparisons) {
  TStringList l;
  for (int i = 0; i < 200; ++i) l.Add(IntToStr((i * 7919) % 200));
  uint32_t state = 1;
  l.CustomSort([&](TStringList& list, int i, int j) {
    EXPECT_GE(i, 0);
    EXPECT_LT(j, list.Count());
    state = state * 1103515245u + 12345u;
    return static_cast<int>(state >> 16) % 3 - 1;
  });
  EXPECT_EQ(l.Count(), 200);
  // Always-equal comparison leaves a valid permutation as well.
  l.CustomSort([](TStringList&, int, int) { return 0; });
  EXPECT_EQ(l.Count(), 200);
  // A comparison that changes the list is stopped.
  EXPECT_THROW(l.CustomSort([](TStringList& list, int, int) {
    list.Add(u"x");
    return 0;
  }),
               EListError);
  // Numeric order through CustomSort.
  TStringList n;
  for (const auto* s : {u"10", u"9", u"100", u"1"}) n.Add(s);
  n.CustomSort([](TStringList& list, int i, int j) {
    const int a = StrToInt(list[i]), b = StrToInt(list[j]);
    return a < b ? -1 : a > b ? 1 : 0;
  });
  EXPECT_EQ(Lines(n), (std::vector<String>{u"1", u"9", u"10", u"100"}));
}

TEST(StringList, FilesRoundTripAsUtf8WithCrLf) {
  zel_test::TempDir dir;
  TStringList l;
  l.Add(u"J\u00e4nner");
  l.Add(u"");
  l.Add(u"\u20ac \U0001F600");
  const String path = dir.File("out.txt");
  l.SaveToFile(path);
  EXPECT_EQ(zel_test::TempDir::Read(path),
            "J\xC3\xA4nner\r\n\r\n\xE2\x82\xAC \xF0\x9F\x98\x80\r\n");
  TStringList back;
  back.LoadFromFile(path);
  EXPECT_EQ(Lines(back), Lines(l));
}

TEST(StringList, LoadFallsBackToWindows1252AndReadsBoms) {
  zel_test::TempDir dir;
  TStringList l;
  l.LoadFromFile(dir.Write("cp.txt", "J\xE4nner\n\x80 5\n"));
  EXPECT_EQ(Lines(l), (std::vector<String>{u"J\u00e4nner", u"\u20ac 5"}));
  l.LoadFromFile(dir.Write("bom.txt", "\xEF\xBB\xBFx\r\ny"));
  EXPECT_EQ(Lines(l), (std::vector<String>{u"x", u"y"}));
  l.LoadFromFile(dir.Write("le.txt", std::string("\xFF\xFE"
                                                 "a\0\r\0\n\0b\0",
                                                 10)));
  EXPECT_EQ(Lines(l), (std::vector<String>{u"a", u"b"}));
  l.LoadFromFile(dir.Write("be.txt", std::string("\xFE\xFF\0a", 4)));
  EXPECT_EQ(Lines(l), (std::vector<String>{u"a"}));
  l.LoadFromFile(dir.Write("empty.txt", ""));
  EXPECT_EQ(l.Count(), 0);
}

TEST(StringList, MissingFileRaisesAndKeepsTheList) {
  zel_test::TempDir dir;
  TStringList l;
  l.Add(u"keep");
  EXPECT_THROW(l.LoadFromFile(dir.File("missing.txt")), EFOpenError);
  EXPECT_EQ(l.Count(), 1);
  EXPECT_THROW(l.SaveToFile(dir.File("no/such/dir.txt")), EFCreateError);
}

TEST(StringList, AssignCopiesLinesOnlyFromStringLists) {
  TStringList a, b;
  a.Add(u"1");
  a.Add(u"2");
  b.Add(u"x");
  b.Assign(&a);
  EXPECT_EQ(Lines(b), Lines(a));
  b.AddStrings(b);
  EXPECT_EQ(b.Count(), 4);
  TPersistent other;
  EXPECT_THROW(b.Assign(&other), EConvertError);
  EXPECT_THROW(b.Assign(nullptr), EConvertError);
  EXPECT_EQ(b.ClassName(), u"TStringList");
}

TEST(StringList, StreamsUseTheFileFormat) {
  TStringList l;
  l.Add(u"\u00e4");
  TMemoryStream ms;
  l.SaveToStream(ms);
  EXPECT_EQ(ms.Size(), 4);
  ms.SetPosition(0);
  TStringList back;
  back.LoadFromStream(ms);
  EXPECT_EQ(Lines(back), Lines(l));
}

}  // namespace
}  // namespace zel
