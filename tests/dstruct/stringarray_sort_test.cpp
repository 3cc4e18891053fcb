// TStringArray: sorting, the sort index, row insertion under a sort, searching.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "zel/dstruct/stringarray.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/utf8.h"

namespace {

using zel::String;
using zel::TStringArray;

// A letter followed by a number ("x17"); built by appending, which g++ 12
// does not mistake for an overlapping copy.
String Tagged(char16_t letter, int n) {
  String s(1, letter);
  s += zel::IntToStr(n);
  return s;
}

void Column(TStringArray& g, int c, const std::vector<String>& texts) {
  if (g.NrOfRows() < static_cast<int>(texts.size()))
    g.Resize(g.NrOfColumns(), static_cast<int>(texts.size()));
  for (size_t i = 0; i < texts.size(); ++i) g.SetString(c, static_cast<int>(i + 1), texts[i]);
}

std::vector<String> Visible(const TStringArray& g, int c) {
  std::vector<String> out;
  for (int r = 1; r <= g.NrOfRows(); ++r) out.push_back(g.GetString(c, r));
  return out;
}

std::vector<int> Order(const TStringArray& g) {
  std::vector<int> out;
  for (int r = 1; r <= g.NrOfRows(); ++r) out.push_back(g.GetSortOrder(r));
  return out;
}

// Forces fetching per comparison without changing any key.
void IdentityKeys(TStringArray& g) {
  g.SetOnBeforeSortExchange([](zel::TObject*, const String&, String&) {});
}

TEST(StringArraySort, SmallKnownOrders) {
  TStringArray g(nullptr);
  g.Resize(1, 3);
  Column(g, 1, {u"b", u"A", u"c"});
  g.Sort(1, 0, true);
  EXPECT_EQ(Visible(g, 1), (std::vector<String>{u"A", u"b", u"c"}));
  EXPECT_EQ(Order(g), (std::vector<int>{2, 1, 3}));
  g.Sort(1, 0, false);
  EXPECT_EQ(Visible(g, 1), (std::vector<String>{u"c", u"b", u"A"}));
  g.Sort(1, 0, true);
  g.CommitSorting();
  EXPECT_EQ(Order(g), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Visible(g, 1), (std::vector<String>{u"A", u"b", u"c"}));
}

TEST(StringArraySort, CaseOnlyDifferencesHaveAFixedOrder) {
  // Worked through the passes by hand: gaps 3, 2, 1, 1.
  struct Case {
    bool ascending;
    std::vector<int> order;
  } cases[] = {{true, {1, 3, 2, 4}}, {false, {4, 2, 3, 1}}};
  for (const auto& c : cases) {
    for (bool per_comparison : {false, true}) {
      SCOPED_TRACE(std::to_string(c.ascending) + std::to_string(per_comparison));
      TStringArray g(nullptr);
      Column(g, 1, {u"a", u"B", u"A", u"b"});
      if (per_comparison) IdentityKeys(g);
      g.Sort(1, 0, c.ascending);
      EXPECT_EQ(Order(g), c.order);
    }
  }
}

TEST(StringArraySort, SecondaryColumnAndColumnZero) {
  TStringArray g(nullptr);
  g.Resize(2, 3);
  Column(g, 1, {u"x", u"a", u"X"});
  Column(g, 2, {u"2", u"9", u"1"});
  Column(g, 0, {u"r1", u"r2", u"r3"});
  g.Sort(1, 2, true, true);
  EXPECT_EQ(Visible(g, 0), (std::vector<String>{u"r2", u"r3", u"r1"}));
  g.Sort(1, 2, true, false);
  EXPECT_EQ(Visible(g, 0), (std::vector<String>{u"r2", u"r1", u"r3"}));
  g.Sort(0, 0, false);
  EXPECT_EQ(Visible(g, 0), (std::vector<String>{u"r3", u"r2", u"r1"}));
  // Secondary column 0 means none; an absent primary column reads empty keys.
  g.UnSort();
  g.Sort(5, 0, true);
  EXPECT_EQ(Order(g), (std::vector<int>{1, 2, 3}));
}

TEST(StringArraySort, HandlerReplacesKeysAndIsCalledPerText) {
  TStringArray g(nullptr);
  Column(g, 1, {u"10", u"9", u"100"});
  g.Sort(1, 0, true);
  EXPECT_EQ(Visible(g, 1), (std::vector<String>{u"10", u"100", u"9"}));
  g.UnSort();
  std::vector<String> seen;
  g.SetOnBeforeSortExchange([&](zel::TObject* sender, const String& in, String& out) {
    EXPECT_EQ(sender, &g);
    EXPECT_EQ(out, in);
    seen.push_back(in);
    out = String(6 - in.size(), u'0') + in;
  });
  g.Sort(1, 0, true);
  EXPECT_EQ(Visible(g, 1), (std::vector<String>{u"9", u"10", u"100"}));
  // Gap 2: rows 1,3 (10 vs 100); gap 1: 1,2 (10 vs 9, exchanged), 2,3; gap 1 again.
  const std::vector<String> expected = {u"10",  u"100", u"10", u"9",  u"10",
                                        u"100", u"9",   u"10", u"10", u"100"};
  EXPECT_EQ(seen, expected);
}

TEST(StringArraySort, SecondaryKeysFetchedOnlyOnEqualPrimaryKeys) {
  TStringArray g(nullptr);
  g.Resize(2, 2);
  Column(g, 1, {u"k", u"K"});
  Column(g, 2, {u"2", u"1"});
  std::vector<String> seen;
  g.SetOnBeforeSortExchange([&](zel::TObject*, const String& in, String&) { seen.push_back(in); });
  g.Sort(1, 2, true);
  EXPECT_EQ(seen, (std::vector<String>{u"k", u"K", u"2", u"1", u"K", u"k", u"1", u"2"}));
  EXPECT_EQ(Order(g), (std::vector<int>{2, 1}));
}

TEST(StringArraySort, PercentDoneSequence) {
  struct Case {
    std::vector<String> texts;
    std::vector<int> percents;
    int changes;
  } cases[] = {
      {{u"only"}, {0, 100}, 0},
      {{u"a", u"b", u"c"}, {0, 17, 50, 100}, 1},  // total 6: 1 + 2 + 3
      {{u"b", u"A", u"c"}, {0, 17, 50, 83, 100}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.texts.size());
    TStringArray g(nullptr);
    Column(g, 1, c.texts);
    std::vector<int> got;
    int changes = 0;
    g.SetOnPercentDone([&](zel::TObject* s, int32_t p) {
      EXPECT_EQ(s, &g);
      got.push_back(p);
    });
    g.SetOnChange([&](zel::TObject*) { ++changes; });
    g.Sort(1, 0, true);
    EXPECT_EQ(got, c.percents);
    EXPECT_EQ(changes, c.changes);
  }
}

TEST(StringArraySort, PercentDoneRoundsExactHalvesToEven) {
  // 27 rows need four gap-1 passes here: the counters after the passes are
  // 7, 19, 35, ..., 225, 251 of 200 expected comparisons. 251 / 200 * 100 is
  // exactly 125.5 and goes to 126, though a double quotient gives 125.4999...
  const int values[] = {8,  19, 9, 11, 16, 2,  22, 23, 4,  18, 6,  12, 0, 14,
                        13, 5,  1, 26, 20, 21, 15, 7,  17, 25, 24, 3,  10};
  const std::vector<int> expected = {0, 4, 10, 18, 27, 38, 49, 61, 74, 86, 100, 112, 126, 100};
  for (bool per_comparison : {false, true}) {
    SCOPED_TRACE(per_comparison);
    TStringArray g(nullptr);
    std::vector<String> texts;
    for (int v : values) texts.push_back(v < 10 ? u"0" + zel::IntToStr(v) : zel::IntToStr(v));
    Column(g, 1, texts);
    if (per_comparison) IdentityKeys(g);
    std::vector<int> got;
    g.SetOnPercentDone([&](zel::TObject*, int32_t p) { got.push_back(p); });
    g.Sort(1, 0, true);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(g.GetString(1, 1), u"00");
    EXPECT_EQ(g.GetString(1, 27), u"26");
  }
}

// Random texts over a small alphabet with case-only duplicates, prefixes of
// each other, lengths around the 8-character key word and non-ASCII bytes.
String RandomText(std::mt19937& rng) {
  static const char16_t alphabet[] = u"aAbBzZ09 _\u00e9\u00c9\u20ac\u00ff\u0000";
  const int len = std::uniform_int_distribution<int>(0, 13)(rng);
  String s;
  for (int i = 0; i < len; ++i) s += alphabet[std::uniform_int_distribution<int>(0, 14)(rng)];
  return s;
}

TEST(StringArraySort, KeysOncePerSortMatchKeysPerComparison) {
  std::mt19937 rng(12345);
  const int rows = 5000;
  TStringArray base(nullptr);
  base.Resize(2, rows);
  for (int r = 1; r <= rows; ++r) {
    base.SetString(0, r, zel::IntToStr(r));
    base.SetString(1, r, RandomText(rng));
    base.SetString(2, r, RandomText(rng));
  }
  struct Mode {
    int prim, sec;
    bool ap, as;
  } modes[] = {{1, 0, true, true},   {1, 0, false, true}, {1, 2, true, true}, {1, 2, true, false},
               {2, 1, false, false}, {0, 1, true, true},  {1, 7, true, true}};
  for (const auto& m : modes) {
    SCOPED_TRACE(std::to_string(m.prim) + "/" + std::to_string(m.sec) + "/" + std::to_string(m.ap) +
                 std::to_string(m.as));
    TStringArray fast(nullptr), plain(nullptr);
    fast.Assign(&base);
    plain.Assign(&base);
    std::vector<int> pf, pp;
    fast.SetOnPercentDone([&](zel::TObject*, int32_t p) { pf.push_back(p); });
    plain.SetOnPercentDone([&](zel::TObject*, int32_t p) { pp.push_back(p); });
    IdentityKeys(plain);
    fast.Sort(m.prim, m.sec, m.ap, m.as);
    plain.Sort(m.prim, m.sec, m.ap, m.as);
    ASSERT_EQ(Order(fast), Order(plain));
    ASSERT_EQ(pf, pp);
    EXPECT_GT(pf.size(), 20u);
    // And the result is sorted by the lower-cased keys.
    if (m.prim == 1) {
      for (int r = 1; r < rows; ++r) {
        const String a = zel::LowerCase(fast.GetString(1, r));
        const String b = zel::LowerCase(fast.GetString(1, r + 1));
        ASSERT_TRUE(m.ap ? a <= b : a >= b) << r;
      }
    }
  }
}

TEST(StringArraySort, ProgressHandlerChangingTheGridIsSeenBySort) {
  // A progress handler that rewrites cells: the sort must see the new texts
  // from then on, as a fetch per comparison does.
  std::mt19937 rng(99);
  TStringArray base(nullptr);
  base.Resize(1, 500);
  for (int r = 1; r <= 500; ++r) base.SetString(1, r, RandomText(rng));
  std::vector<int> orders[2];
  for (int pass = 0; pass < 2; ++pass) {
    TStringArray g(nullptr);
    g.Assign(&base);
    if (pass == 1) IdentityKeys(g);
    int calls = 0;
    g.SetOnPercentDone([&](zel::TObject*, int32_t) {
      if (++calls == 3)
        for (int r = 1; r <= 500; r += 7) g.SetString(1, r, Tagged(u'm', r));
    });
    g.Sort(1, 0, true);
    orders[pass] = Order(g);
  }
  EXPECT_EQ(orders[0], orders[1]);
}

TEST(StringArraySort, KeyHandlerInstalledDuringSortIsCalledFromThenOn) {
  std::mt19937 rng(4);
  TStringArray base(nullptr);
  base.Resize(1, 300);
  for (int r = 1; r <= 300; ++r) base.SetString(1, r, RandomText(rng));
  std::vector<int> orders[2];
  long long fetched[2] = {0, 0};
  for (int pass = 0; pass < 2; ++pass) {
    TStringArray g(nullptr);
    g.Assign(&base);
    if (pass == 1) IdentityKeys(g);
    int calls = 0;
    long long& count = fetched[pass];
    g.SetOnPercentDone([&](zel::TObject*, int32_t) {
      if (++calls == 4) {
        count = 0;
        // Reverses the order of keys: the rest of the sort must use it.
        g.SetOnBeforeSortExchange([&count](zel::TObject*, const String& in, String& out) {
          ++count;
          out.clear();
          for (char16_t ch : in) out += static_cast<char16_t>(0xFFFF - ch);
        });
      }
    });
    g.Sort(1, 0, true);
    orders[pass] = Order(g);
  }
  EXPECT_EQ(orders[0], orders[1]);
  EXPECT_EQ(fetched[0], fetched[1]);
  EXPECT_GT(fetched[0], 0);
}

TEST(StringArraySortIndex, SortOrderAccessors) {
  TStringArray g(nullptr);
  Column(g, 1, {u"c", u"a", u"b"});
  g.Sort(1, 0, true);
  EXPECT_EQ(g.GetSortOrder(0), -1);
  EXPECT_EQ(g.GetSortOrder(4), -1);
  EXPECT_EQ(g.SortOrder(1), 2);
  g.SetSortOrder(1, 4);
  g.SetSortOrder(0, 1);
  EXPECT_EQ(Order(g), (std::vector<int>{2, 3, 1}));
  g.SetSortOrder(1, 1);
  g.SetSortOrder(2, 2);
  g.SetSortOrder(3, 3);
  EXPECT_EQ(Visible(g, 1), (std::vector<String>{u"c", u"a", u"b"}));
  g.Sort(1, 0, true);
  int changes = 0;
  g.SetOnChange([&](zel::TObject*) { ++changes; });
  g.UnSort();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(Visible(g, 1), (std::vector<String>{u"c", u"a", u"b"}));
}

TEST(StringArraySortIndex, CommitWithRowUsedTwiceKeepsCellsApart) {
  TStringArray g(nullptr);
  g.Resize(1, 3);
  Column(g, 1, {u"one", u"two", u"three"});
  g.SetRowAttrib(1, 4);
  g.SetSortOrder(2, 1);  // rows 1 and 2 both show physical row 1
  g.CommitSorting();
  EXPECT_EQ(Visible(g, 1), (std::vector<String>{u"one", u"one", u"three"}));
  EXPECT_EQ(g.GetRowAttrib(2), 4);
  g.SetString(1, 2, u"uno");  // in place: must not reach row 1
  EXPECT_EQ(Visible(g, 1), (std::vector<String>{u"one", u"uno", u"three"}));
  g.GarbageCollection();
  EXPECT_EQ(Visible(g, 1), (std::vector<String>{u"one", u"uno", u"three"}));
}

// Row insertion and removal under a sort, against a model of the visible rows.
TEST(StringArraySortIndex, InsertAndRemoveRowsKeepTheVisibleOrder) {
  std::mt19937 rng(7);
  TStringArray g(nullptr);
  g.SetAllocRowsBy(3);
  g.Resize(2, 12);
  struct Row {
    String c0, c1, c2;
    int attr;
  };
  std::vector<Row> model;
  for (int r = 1; r <= 12; ++r) {
    Row row{Tagged(u't', r), RandomText(rng), zel::IntToStr(r), r};
    g.SetString(0, r, row.c0);
    g.SetString(1, r, row.c1);
    g.SetString(2, r, row.c2);
    g.SetRowAttrib(r, static_cast<zel::Byte>(r));
    model.push_back(row);
  }
  auto check = [&](int step) {
    SCOPED_TRACE(step);
    ASSERT_EQ(g.NrOfRows(), static_cast<int>(model.size()));
    for (int r = 1; r <= g.NrOfRows(); ++r) {
      const Row& m = model[static_cast<size_t>(r - 1)];
      ASSERT_EQ(g.GetString(0, r), m.c0) << r;
      ASSERT_EQ(g.GetString(1, r), m.c1) << r;
      ASSERT_EQ(g.GetString(2, r), m.c2) << r;
      ASSERT_EQ(g.GetRowAttrib(r), m.attr) << r;
    }
  };
  g.Sort(1, 2, false);
  {
    std::vector<Row> sorted;
    for (int r = 1; r <= 12; ++r)
      sorted.push_back(model[static_cast<size_t>(g.GetSortOrder(r) - 1)]);
    model = sorted;
  }
  check(0);
  for (int step = 1; step <= 200; ++step) {
    const int n = g.NrOfRows();
    const int r = std::uniform_int_distribution<int>(1, n)(rng);
    if (std::uniform_int_distribution<int>(0, 2)(rng) == 0 && n > 1) {
      g.RemoveRow(r);
      model.erase(model.begin() + (r - 1));
    } else if (n < 30) {
      g.InsertRow(r);
      model.insert(model.begin() + (r - 1), Row{u"", u"", u"", 0});
      if (step % 3 == 0) {
        const Row fresh{Tagged(u'n', step), RandomText(rng), zel::IntToStr(step), step % 256};
        g.SetString(0, r, fresh.c0);
        g.SetString(1, r, fresh.c1);
        g.SetString(2, r, fresh.c2);
        g.SetRowAttrib(r, static_cast<zel::Byte>(fresh.attr));
        model[static_cast<size_t>(r - 1)] = fresh;
      }
    }
    check(step);
    if (step % 50 == 0) {
      g.GarbageCollection();
      check(step);
    }
  }
}

TEST(StringArraySortIndex, InsertRowAfterSortThenAddRow) {
  TStringArray g(nullptr);
  Column(g, 1, {u"c", u"a", u"b"});
  g.Sort(1, 0, true);
  g.InsertRow(2);
  EXPECT_EQ(Visible(g, 1), (std::vector<String>{u"a", u"", u"b", u"c"}));
  g.AddRow();
  // Physical order again: c, a, the inserted row (physical 3), b, new row.
  EXPECT_EQ(Visible(g, 1), (std::vector<String>{u"c", u"a", u"", u"b", u""}));
}

// ---- searching -----------------------------------------------------------------

TEST(StringArrayFind, FindCellAndExact) {
  TStringArray g(nullptr);
  g.Resize(3, 4);
  g.SetString(2, 3, u"Hello");
  g.SetString(0, 4, u"hello");
  g.SetString(3, 1, u"");
  int col = -7, row = -7;
  EXPECT_TRUE(g.FindCell(u"ell", false, 1, 3, 1, 4, col, row));
  EXPECT_EQ(col, 2);
  EXPECT_EQ(row, 3);
  EXPECT_FALSE(g.FindCell(u"ELL", true, 1, 3, 1, 4, col, row));
  EXPECT_TRUE(g.FindCellExact(u"hello", false, 1, 3, 1, 4, col, row));
  EXPECT_EQ(col, 2);
  col = row = -7;
  EXPECT_FALSE(g.FindCellExact(u"hello", true, 1, 3, 1, 3, col, row));
  EXPECT_EQ(col, -7);  // untouched
  EXPECT_EQ(row, -7);
  EXPECT_TRUE(g.FindCellExact(u"hello", true, 1, 3, 1, 4, col, row) == false);
  // ColLow -1: columns 0..NrOfColumns whatever ColHigh is.
  EXPECT_TRUE(g.FindCellExact(u"hello", true, -1, 2, 4, 4, col, row));
  EXPECT_EQ(col, 0);
  EXPECT_EQ(row, 4);
  // Only RowLow -1: rows 1..RowHigh after clamping.
  EXPECT_FALSE(g.FindCell(u"hel", false, 0, 3, -1, 2, col, row));
  EXPECT_TRUE(g.FindCell(u"hel", false, 0, 3, -1, 3, col, row));
  // Both -1: all rows. Bounds are clamped and ordered.
  EXPECT_TRUE(g.FindCell(u"HEL", false, 99, 0, -1, -1, col, row));
  EXPECT_EQ(row, 3);
  EXPECT_TRUE(g.FindCell(u"HEL", false, 3, 0, 99, 4, col, row));
  EXPECT_EQ(row, 4);
  EXPECT_EQ(col, 0);
  // The empty text is contained nowhere, but equals an empty cell.
  EXPECT_FALSE(g.FindCell(u"", false, -1, -1, -1, -1, col, row));
  EXPECT_TRUE(g.FindCellExact(u"", false, -1, -1, -1, -1, col, row));
  EXPECT_EQ(col, 0);
  EXPECT_EQ(row, 1);
}

TEST(StringArrayFind, FindCellWorksOnLogicalRows) {
  TStringArray g(nullptr);
  Column(g, 1, {u"z", u"y", u"x"});
  g.Sort(1, 0, true);
  int col = 0, row = 0;
  EXPECT_TRUE(g.FindCellExact(u"z", true, 1, 1, -1, -1, col, row));
  EXPECT_EQ(row, 3);
}

TEST(StringArrayFind, SortedColumnSearch) {
  TStringArray g(nullptr);
  Column(g, 1, {u"a", u"b", u"b", u"c"});
  struct Case {
    const char16_t* what;
    int lo, hi;
    bool found;
    int row;
  } cases[] = {
      {u"b", -1, -1, true, 2},   {u"c", -1, -1, true, 4}, {u"a", -1, -1, true, 1},
      {u"B", -1, -1, true, 2},   {u"b", 3, 4, true, 3},  // stays inside the range
      {u"b", 4, 3, true, 3},     {u"c", 4, 4, true, 4},   {u"a", 2, 2, false, 2},
      {u"bb", -1, -1, false, 4}, {u"0", 1, 4, false, 1},  {u"d", 1, 99, false, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(zel::StringToUtf8(c.what) + " " + std::to_string(c.lo));
    int row = -5;
    EXPECT_EQ(g.FindCellInSortedColumn(c.what, false, 1, c.lo, c.hi, true, row), c.found);
    EXPECT_EQ(row, c.row);
  }
  int row = 0;
  EXPECT_FALSE(g.FindCellInSortedColumn(u"B", true, 1, -1, -1, true, row));
  // Descending column.
  TStringArray d(nullptr);
  Column(d, 1, {u"d", u"c", u"c", u"c", u"a"});
  EXPECT_TRUE(d.FindCellInSortedColumn(u"c", true, 1, -1, -1, false, row));
  EXPECT_EQ(row, 2);
  EXPECT_TRUE(d.FindCellInSortedColumn(u"a", true, 1, -1, -1, false, row));
  EXPECT_EQ(row, 5);
  EXPECT_TRUE(d.FindCellInSortedColumn(u"d", true, 1, -1, -1, false, row));
  EXPECT_EQ(row, 1);
  // Column index clamped into the grid.
  EXPECT_TRUE(d.FindCellInSortedColumn(u"d", true, 9, -1, -1, false, row));
}

}  // namespace

// An index with repeated entries (SetSortOrder does not ask for a
// permutation): row removal and insertion keep every entry within
// 1..NrOfRows, never touch storage beyond the grid, and keep what the other
// rows show.
TEST(StringArraySortIndex, RepeatedEntriesStayInsideTheGrid) {
  auto in_grid = [](const TStringArray& g) {
    for (int r = 1; r <= g.NrOfRows(); ++r) {
      const int p = g.GetSortOrder(r);
      if (p < 1 || p > g.NrOfRows()) return false;
    }
    return true;
  };
  {
    SCOPED_TRACE("remove twice, insert twice");
    TStringArray g(nullptr);
    g.SetAllocRowsBy(1);
    g.Resize(2, 4);
    Column(g, 1, {u"a", u"b", u"c", u"d"});
    for (int r = 1; r <= 3; ++r) g.SetSortOrder(r, 4);
    EXPECT_EQ(Visible(g, 1), (std::vector<String>{u"d", u"d", u"d", u"d"}));
    g.RemoveRow(1);
    EXPECT_TRUE(in_grid(g));
    g.RemoveRow(1);
    EXPECT_TRUE(in_grid(g));
    EXPECT_EQ(Visible(g, 1), (std::vector<String>{u"d", u"d"}));
    g.InsertRow(1);
    g.InsertRow(2);
    EXPECT_TRUE(in_grid(g));
    EXPECT_EQ(Visible(g, 1), (std::vector<String>{u"", u"", u"d", u"d"}));
  }
  {
    SCOPED_TRACE("remove, insert, sort");
    TStringArray g(nullptr);
    g.Resize(2, 3);
    Column(g, 1, {u"x", u"y", u"z"});
    Column(g, 2, {u"1", u"2", u"3"});
    g.SetSortOrder(1, 3);
    g.RemoveRow(1);
    EXPECT_TRUE(in_grid(g));
    EXPECT_EQ(Visible(g, 1), (std::vector<String>{u"y", u"z"}));
    g.InsertRow(1);
    g.Sort(1, 2, true, true);
    EXPECT_TRUE(in_grid(g));
    EXPECT_EQ(Visible(g, 1), (std::vector<String>{u"", u"y", u"z"}));
  }
  // Random edits against a model of the visible texts.
  std::mt19937 rng(11);
  TStringArray g(nullptr);
  g.SetAllocRowsBy(1);
  g.Resize(1, 6);
  std::vector<String> model;
  for (int r = 1; r <= 6; ++r) g.SetString(1, r, Tagged(u'r', r));
  for (int step = 0; step < 400; ++step) {
    SCOPED_TRACE(step);
    const int n = g.NrOfRows();
    auto pick = [&] { return std::uniform_int_distribution<int>(1, n)(rng); };
    switch (std::uniform_int_distribution<int>(0, 3)(rng)) {
      case 0:
        g.SetSortOrder(pick(), pick());
        break;
      case 1:
        if (n > 1) {
          const int r = pick();
          model = Visible(g, 1);
          g.RemoveRow(r);
          model.erase(model.begin() + (r - 1));
          ASSERT_EQ(Visible(g, 1), model);
        }
        break;
      case 2:
        if (n < 12) {
          const int r = pick();
          model = Visible(g, 1);
          g.InsertRow(r);
          model.insert(model.begin() + (r - 1), String());
          ASSERT_EQ(Visible(g, 1), model);
        }
        break;
      default:
        g.Sort(1, 1, step % 2 == 0, true);
    }
    ASSERT_TRUE(in_grid(g));
  }
}
