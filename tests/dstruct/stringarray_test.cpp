// TStringArray: storage, pools, shape changes, change notification, numbers.
#include "zel/dstruct/stringarray.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "zel/base/errors.h"
#include "zel/runtime/exception.h"
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

String S(const std::string& utf8) { return zel::Utf8ToString(utf8); }
String Rep(char ch, size_t n) { return String(n, static_cast<char16_t>(ch)); }

// Counts OnChange calls.
struct ChangeCounter {
  int count = 0;
  void Attach(TStringArray& g) {
    g.SetOnChange([this](zel::TObject*) { ++count; });
  }
};

TEST(StringArray, NewGridDefaults) {
  TStringArray g(nullptr);
  EXPECT_EQ(g.NrOfColumns(), 1);
  EXPECT_EQ(g.NrOfRows(), 1);
  EXPECT_EQ(g.AllocRowsBy(), 10);
  EXPECT_EQ(g.Capacity(), 10);
  EXPECT_EQ(g.NumBuffers(), 1);
  EXPECT_EQ(g.ClassName(), u"TStringArray");
  EXPECT_EQ(g.GetString(0, 1), u"");
  EXPECT_EQ(g.GetString(1, 1), u"");
  EXPECT_EQ(g.GetAsNumber(1, 1), 0.0);
  EXPECT_EQ(g.GetAsInteger(1, 1), 0);
  EXPECT_EQ(g.GetSortOrder(1), 1);
  EXPECT_EQ(g.GetColAttrib(1), 0);
  EXPECT_EQ(g.GetRowAttrib(1), 0);
}

TEST(StringArray, OwnerDestroysGrid) {
  auto owner = std::make_unique<zel::TComponent>(nullptr);
  auto* g = new TStringArray(owner.get());
  EXPECT_EQ(owner->ComponentCount(), 1);
  g->SetString(1, 1, u"x");
  owner.reset();  // frees g; the leak checker reports it otherwise
}

TEST(StringArray, OutOfRangeCellsAreNeutral) {
  TStringArray g(nullptr);
  ChangeCounter cc;
  cc.Attach(g);
  g.SetString(0, 1, u"title");
  EXPECT_EQ(g.GetString(0, 1), u"title");
  EXPECT_EQ(cc.count, 1);
  const int bad[][2] = {{2, 1}, {1, 0}, {-1, 1}, {1, 2}, {0, 0}, {1, -5}};
  for (const auto& b : bad) {
    SCOPED_TRACE(std::to_string(b[0]) + "," + std::to_string(b[1]));
    g.SetString(b[0], b[1], u"x");
    EXPECT_EQ(g.GetString(b[0], b[1]), u"");
    EXPECT_EQ(g.GetAsNumber(b[0], b[1]), 0.0);
  }
  g.SetRowAttrib(0, 3);
  g.SetRowAttrib(2, 3);
  g.SetColAttrib(0, 3);
  g.SetColAttrib(2, 3);
  EXPECT_EQ(g.GetRowAttrib(0), 0);
  EXPECT_EQ(g.GetColAttrib(0), 0);
  EXPECT_EQ(cc.count, 1);
  EXPECT_EQ(g.GetString(1, 1), u"");
}

TEST(StringArray, TextsAreCutTo255AndUseWindows1252) {
  TStringArray g(nullptr);
  g.SetString(1, 1, Rep('a', 300));
  EXPECT_EQ(g.GetString(1, 1), Rep('a', 255));
  g.SetString(1, 1, S("\xe2\x82\xac 5 caf\xc3\xa9 \xc5\x93"));  // euro, e acute, oe
  EXPECT_EQ(g.GetString(1, 1), S("\xe2\x82\xac 5 caf\xc3\xa9 \xc5\x93"));
  g.SetString(1, 1, S("\xe4\xb8\x80|\xf0\x9f\x98\x80|\xc4\x80"));  // no byte for these
  EXPECT_EQ(g.GetString(1, 1), u"?|?|?");
  // A surrogate pair is one character: 254 letters and a pair fit.
  String t = Rep('b', 254) + S("\xf0\x9f\x98\x80") + u"c";
  g.SetString(1, 1, t);
  EXPECT_EQ(g.GetString(1, 1), Rep('b', 254) + u"?");
  // Every byte value reads back as a character that stores unchanged.
  g.Resize(1, 256);
  for (int b = 0; b < 256; ++b) {
    g.SetString(1, b + 1, S("x"));
  }
  for (int b = 0; b < 256; ++b) {
    SCOPED_TRACE(b);
    const String one = zel::Cp1252ToString(std::string(1, static_cast<char>(b)));
    g.SetString(1, b + 1, one);
    EXPECT_EQ(g.GetString(1, b + 1), one);
  }
}

// ---- pools -------------------------------------------------------------------

TEST(StringArrayPools, ThreeHundredLongTextsNeedThreePools) {
  TStringArray g(nullptr);
  g.Resize(1, 300);
  const int expect_after[][2] = {{130, 1}, {131, 2}, {260, 2}, {261, 3}, {300, 3}};
  int written = 0;
  for (const auto& e : expect_after) {
    while (written < e[0]) {
      ++written;
      g.SetString(1, written, Rep('x', 250));
    }
    SCOPED_TRACE(written);
    EXPECT_EQ(g.NumBuffers(), e[1]);
  }
  for (int r = 1; r <= 300; ++r) ASSERT_EQ(g.GetString(1, r), Rep('x', 250));
}

// 130 texts of 250 characters leave pool 1 at first-free offset 32631.
void FillPoolOne(TStringArray& g) {
  g.Resize(2, 140);
  for (int r = 1; r <= 130; ++r) g.SetString(1, r, Rep('x', 250));
  ASSERT_EQ(g.NumBuffers(), 1);
}

TEST(StringArrayPools, LastByteOfAPoolIsNeverUsed) {
  {
    TStringArray g(nullptr);
    FillPoolOne(g);
    g.SetString(2, 1, Rep('y', 136));  // 32631 + 136 < 32768
    EXPECT_EQ(g.NumBuffers(), 1);
    g.SetString(2, 2, u"");  // 32768 + 0 is not < 32768
    EXPECT_EQ(g.NumBuffers(), 2);
  }
  {
    TStringArray g(nullptr);
    FillPoolOne(g);
    g.SetString(2, 1, Rep('y', 137));
    EXPECT_EQ(g.NumBuffers(), 2);
  }
  {
    // Storing the empty text into an empty cell takes a byte.
    TStringArray g(nullptr);
    FillPoolOne(g);
    g.SetString(2, 1, Rep('y', 135));  // first free 32767
    g.SetString(2, 2, u"");
    EXPECT_EQ(g.NumBuffers(), 1);
    g.SetString(2, 3, u"");
    EXPECT_EQ(g.NumBuffers(), 2);
  }
}

TEST(StringArrayPools, FirstFitGoesBackToEarlierPools) {
  TStringArray g(nullptr);
  FillPoolOne(g);                    // pool 1 first free 32631
  g.SetString(2, 1, Rep('y', 200));  // pool 2, first free 202
  EXPECT_EQ(g.NumBuffers(), 2);
  g.SetString(2, 2, Rep('z', 136));  // still fits pool 1: first free 32768
  // 129 texts of 250 take pool 2 to 32581; a text of 185 still fits there.
  // Had the 136 gone to pool 2, this text would need a third pool.
  for (int r = 3; r < 3 + 129; ++r) g.SetString(2, r, Rep('w', 250));
  g.SetString(2, 132, Rep('v', 185));
  EXPECT_EQ(g.NumBuffers(), 2);
  g.SetString(2, 133, u"a");  // nothing fits anywhere now
  EXPECT_EQ(g.NumBuffers(), 3);
  EXPECT_EQ(g.GetString(2, 1), Rep('y', 200));
  EXPECT_EQ(g.GetString(2, 2), Rep('z', 136));
  EXPECT_EQ(g.GetString(2, 132), Rep('v', 185));
}

TEST(StringArrayPools, InPlaceWhenNotGrowingAndRoomShrinks) {
  TStringArray g(nullptr);
  FillPoolOne(g);
  g.SetString(2, 1, Rep('y', 136));  // pool 1 is now full
  ASSERT_EQ(g.NumBuffers(), 1);
  g.SetString(1, 5, Rep('s', 100));  // in place
  g.SetString(1, 6, u"ab");          // in place
  EXPECT_EQ(g.NumBuffers(), 1);
  EXPECT_EQ(g.GetString(1, 5), Rep('s', 100));
  EXPECT_EQ(g.GetString(1, 6), u"ab");
  // The cell's room is now 100 characters: 200 needs new room.
  g.SetString(1, 5, Rep('t', 200));
  EXPECT_EQ(g.NumBuffers(), 2);
  EXPECT_EQ(g.GetString(1, 5), Rep('t', 200));
}

TEST(StringArrayPools, GarbageCollectionReclaimsRoom) {
  TStringArray g(nullptr);
  ChangeCounter cc;
  FillPoolOne(g);
  g.SetString(0, 7, u"row title");
  g.SetString(2, 1, Rep('y', 100));  // pool 1 full but for 36 bytes
  for (int r = 1; r <= 130; ++r) g.SetString(1, r, Tagged(u'x', r));
  ASSERT_EQ(g.NumBuffers(), 1);
  cc.Attach(g);
  g.GarbageCollection();
  EXPECT_EQ(cc.count, 0);
  EXPECT_EQ(g.NumBuffers(), 1);
  EXPECT_EQ(g.GetString(0, 7), u"row title");
  EXPECT_EQ(g.GetString(2, 1), Rep('y', 100));
  for (int r = 1; r <= 130; ++r) ASSERT_EQ(g.GetString(1, r), Tagged(u'x', r));
  // Room for 100 more long texts in pool 1 now.
  for (int r = 1; r <= 100; ++r) g.SetString(2, r + 1, Rep('w', 250));
  EXPECT_EQ(g.NumBuffers(), 1);
  EXPECT_EQ(g.GetString(0, 7), u"row title");
}

TEST(StringArrayPools, ClearDropsPoolsAndKeepsShape) {
  TStringArray g(nullptr);
  ChangeCounter cc;
  g.Resize(3, 300);
  for (int r = 1; r <= 300; ++r) g.SetString(1, r, Rep('x', 250));
  g.SetRowAttrib(4, 9);
  g.SetColAttrib(2, 9);
  g.SetString(0, 2, u"t");
  g.Sort(1, 0, false);
  ASSERT_EQ(g.NumBuffers(), 3);
  cc.Attach(g);
  g.Clear();
  EXPECT_EQ(cc.count, 0);
  EXPECT_EQ(g.NumBuffers(), 1);
  EXPECT_EQ(g.NrOfColumns(), 3);
  EXPECT_EQ(g.NrOfRows(), 300);
  EXPECT_EQ(g.GetString(1, 1), u"");
  EXPECT_EQ(g.GetString(0, 2), u"");
  EXPECT_EQ(g.GetRowAttrib(4), 0);
  EXPECT_EQ(g.GetColAttrib(2), 0);
  EXPECT_EQ(g.GetSortOrder(300), 300);
  for (int r = 1; r <= 130; ++r) g.SetString(2, r, Rep('x', 250));
  EXPECT_EQ(g.NumBuffers(), 1);
}

// Row and column moves store every text as SetString does, so a longer text
// moved into a cell takes new room and the pools grow as written cell by cell.
TEST(StringArrayPools, RowAndColumnMovesStoreTextsCellByCell) {
  const String longer = Rep('x', 250);
  // Rows alternate "a" and a 250-character text: 25300 bytes in one pool.
  auto alternating = [&](TStringArray& g) {
    g.Resize(1, 200);
    for (int r = 1; r <= 200; ++r) g.SetString(1, r, r % 2 == 1 ? u"a" : longer);
  };
  struct Case {
    const char* what;
    std::function<void(TStringArray&)> setup, op;
    int before, after;
  } cases[] = {
      // Every long text lands in a cell that held "a": 100 x 251 bytes more.
      {"InsertRow", alternating, [](TStringArray& g) { g.InsertRow(1); }, 1, 2},
      {"RemoveRow", alternating, [](TStringArray& g) { g.RemoveRow(1); }, 1, 2},
      // 200 long texts copied into the new column: 60 fill pool 2, then pools 3 and 4.
      {"InsertColumn",
       [&](TStringArray& g) {
         g.Resize(1, 200);
         for (int r = 1; r <= 200; ++r) g.SetString(1, r, longer);
       },
       [](TStringArray& g) { g.InsertColumn(1); }, 2, 4},
      {"RemoveColumn",
       [&](TStringArray& g) {
         g.Resize(2, 100);
         for (int r = 1; r <= 100; ++r) {
           g.SetString(1, r, u"a");
           g.SetString(2, r, longer);
         }
       },
       [](TStringArray& g) { g.RemoveColumn(1); }, 1, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TStringArray g(nullptr);
    c.setup(g);
    ASSERT_EQ(g.NumBuffers(), c.before);
    c.op(g);
    EXPECT_EQ(g.NumBuffers(), c.after);
  }
}

// ---- shape -------------------------------------------------------------------

TEST(StringArrayResize, CapacityRule) {
  TStringArray g(nullptr);
  struct Step {
    int nc, nr, cap;
  } steps[] = {{1, 11, 20}, {1, 20, 20}, {1, 5, 20}, {3, 25, 30},
               {3, 5, 30},  {2, 5, 10},  {2, 31, 40}};
  for (const auto& s : steps) {
    SCOPED_TRACE(std::to_string(s.nc) + "x" + std::to_string(s.nr));
    EXPECT_TRUE(g.Resize(s.nc, s.nr));
    EXPECT_EQ(g.NrOfColumns(), s.nc);
    EXPECT_EQ(g.NrOfRows(), s.nr);
    EXPECT_EQ(g.Capacity(), s.cap);
  }
  g.SetAllocRowsBy(7);
  EXPECT_TRUE(g.Resize(2, 41));
  EXPECT_EQ(g.Capacity(), 42);
  // Steps below 1 act as 1: no division by zero.
  for (int step : {0, -3}) {
    SCOPED_TRACE(step);
    g.SetAllocRowsBy(step);
    EXPECT_EQ(g.AllocRowsBy(), step);
    EXPECT_TRUE(g.Resize(2, 43));
    EXPECT_EQ(g.Capacity(), 43);
    EXPECT_TRUE(g.Resize(3, 44));
    EXPECT_EQ(g.Capacity(), 44);
  }
}

TEST(StringArrayResize, NoOpAndRefusals) {
  TStringArray g(nullptr);
  ChangeCounter cc;
  g.Resize(2, 3);
  g.SetString(1, 1, u"keep");
  cc.Attach(g);
  EXPECT_TRUE(g.Resize(2, 3));
  EXPECT_EQ(cc.count, 0);
  const int bad[][2] = {{0, 5}, {5, 0}, {-1, 3}, {2, -1}, {0, 0}};
  for (const auto& b : bad) {
    EXPECT_FALSE(g.Resize(b[0], b[1]));
  }
  g.SetNrOfRows(0);
  g.SetNrOfColumns(-2);
  EXPECT_EQ(cc.count, 0);
  EXPECT_EQ(g.NrOfColumns(), 2);
  EXPECT_EQ(g.NrOfRows(), 3);
  EXPECT_EQ(g.GetString(1, 1), u"keep");
}

TEST(StringArrayResize, CapacityBeyond32BitsIsRefused) {
  TStringArray g(nullptr);
  ChangeCounter cc;
  g.Resize(2, 3);
  g.SetString(2, 3, u"keep");
  g.Sort(2, 0, false);
  cc.Attach(g);
  g.SetAllocRowsBy(2000000000);
  // ((2000000001 - 1) div 2e9 + 1) * 2e9 = 4e9 rows: more than 32 bits hold.
  EXPECT_FALSE(g.Resize(2, 2000000001));
  EXPECT_EQ(cc.count, 1);  // as for a failed allocation
  EXPECT_EQ(g.NrOfRows(), 3);
  EXPECT_EQ(g.Capacity(), 10);
  EXPECT_EQ(g.GetString(2, 1), u"keep");  // the sort stays in force
  EXPECT_EQ(g.GetSortOrder(1), 3);
}

TEST(StringArrayResize, ReappearingRowsAndColumnsAreEmpty) {
  for (bool change_cols : {false, true}) {
    SCOPED_TRACE(change_cols);
    TStringArray g(nullptr);
    g.Resize(3, 8);
    for (int r = 1; r <= 8; ++r) {
      for (int c = 0; c <= 3; ++c) g.SetString(c, r, zel::IntToStr(c * 10 + r));
      g.SetRowAttrib(r, static_cast<zel::Byte>(r));
    }
    for (int c = 1; c <= 3; ++c) g.SetColAttrib(c, static_cast<zel::Byte>(c));
    g.Resize(change_cols ? 2 : 3, 4);
    g.Resize(3, 8);
    for (int r = 1; r <= 8; ++r) {
      for (int c = 0; c <= 3; ++c) {
        const bool kept = r <= 4 && (c <= 2 || !change_cols);
        EXPECT_EQ(g.GetString(c, r), kept ? zel::IntToStr(c * 10 + r) : u"") << c << "," << r;
      }
      EXPECT_EQ(g.GetRowAttrib(r), r <= 4 ? r : 0);
    }
    EXPECT_EQ(g.GetColAttrib(3), change_cols ? 0 : 3);
    EXPECT_EQ(g.GetColAttrib(2), 2);
  }
}

TEST(StringArrayResize, AddRowReturnsNewRowAndResetsSort) {
  TStringArray g(nullptr);
  g.Resize(1, 3);
  g.SetString(1, 1, u"c");
  g.SetString(1, 2, u"a");
  g.SetString(1, 3, u"b");
  g.Sort(1, 0, true);
  EXPECT_EQ(g.GetString(1, 1), u"a");
  EXPECT_EQ(g.AddRow(), 4);
  EXPECT_EQ(g.GetString(1, 1), u"c");
  EXPECT_EQ(g.GetString(1, 4), u"");
}

// ---- change notification -----------------------------------------------------

TEST(StringArrayChange, CountsPerOperation) {
  TStringArray g(nullptr);
  ChangeCounter cc;
  g.Resize(2, 3);
  cc.Attach(g);
  struct Case {
    const char* what;
    std::function<void()> op;
    int expected;
  };
  std::vector<Case> cases = {
      {"SetString", [&] { g.SetString(1, 1, u"a"); }, 1},
      {"SetRowAttrib", [&] { g.SetRowAttrib(1, 1); }, 1},
      {"SetColAttrib", [&] { g.SetColAttrib(2, 1); }, 1},
      {"Fill", [&] { g.Fill(u"z"); }, 9},
      {"Fill empty", [&] { g.Fill(u""); }, 0},
      {"Clear", [&] { g.Clear(); }, 0},
      {"GarbageCollection", [&] { g.GarbageCollection(); }, 0},
      {"CopyRow", [&] { g.CopyRow(1, 2); }, 4},
      {"CopyRow out of range", [&] { g.CopyRow(1, 4); }, 0},
      {"Sort", [&] { g.Sort(1, 0, true); }, 1},
      {"CommitSorting", [&] { g.CommitSorting(); }, 0},
      {"SetSortOrder", [&] { g.SetSortOrder(1, 2); }, 0},
      {"UnSort", [&] { g.UnSort(); }, 1},
      {"Resize", [&] { g.Resize(2, 4); }, 1},
      {"AddRow", [&] { g.AddRow(); }, 1},
      // 5 rows, 2 columns; InsertRow(2): Resize + 4 physical rows moved
      // (3 cells + 1 attribute each) + the new row (3 cells + 1 attribute).
      {"InsertRow", [&] { g.InsertRow(2); }, 1 + 4 * 4 + 4},
      // 6 rows; RemoveRow(3): 3 rows move up (4 writes each) + Resize.
      {"RemoveRow", [&] { g.RemoveRow(3); }, 3 * 4 + 1},
      // 5 rows; InsertColumn(1): Resize, per row 2 moves + 1 empty cell,
      // 2 attribute moves + 1 attribute reset.
      {"InsertColumn", [&] { g.InsertColumn(1); }, 1 + 5 * 3 + 3},
      // 3 columns; RemoveColumn(1): per row 2 moves, 2 attributes, Resize.
      {"RemoveColumn", [&] { g.RemoveColumn(1); }, 5 * 2 + 2 + 1},
      {"RemoveColumn last", [&] { g.RemoveColumn(2); }, 1},
      // One column left: column 1 emptied in 5 rows, attribute reset.
      {"RemoveColumn single", [&] { g.RemoveColumn(1); }, 5 + 1},
      {"Assign",
       [&] {
         TStringArray other(nullptr);
         g.Assign(&other);
       },
       0},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    cc.count = 0;
    c.op();
    EXPECT_EQ(cc.count, c.expected);
  }
}

TEST(StringArrayChange, RemoveRowOnOneRowGridEmptiesIt) {
  TStringArray g(nullptr);
  ChangeCounter cc;
  g.Resize(2, 1);
  g.SetString(0, 1, u"t");
  g.SetString(2, 1, u"v");
  g.SetRowAttrib(1, 5);
  cc.Attach(g);
  g.RemoveRow(1);
  EXPECT_EQ(cc.count, 3 + 1);
  EXPECT_EQ(g.NrOfRows(), 1);
  EXPECT_EQ(g.GetString(0, 1), u"");
  EXPECT_EQ(g.GetString(2, 1), u"");
  EXPECT_EQ(g.GetRowAttrib(1), 0);
}

// ---- rows and columns --------------------------------------------------------

TEST(StringArrayRows, InsertAndRemoveColumns) {
  TStringArray g(nullptr);
  g.Resize(3, 2);
  for (int r = 1; r <= 2; ++r)
    for (int c = 0; c <= 3; ++c) g.SetString(c, r, zel::IntToStr(c) + u"/" + zel::IntToStr(r));
  for (int c = 1; c <= 3; ++c) g.SetColAttrib(c, static_cast<zel::Byte>(10 + c));
  g.InsertColumn(2);
  ASSERT_EQ(g.NrOfColumns(), 4);
  const char16_t* row1[] = {u"0/1", u"1/1", u"", u"2/1", u"3/1"};
  for (int c = 0; c <= 4; ++c) EXPECT_EQ(g.GetString(c, 1), row1[c]) << c;
  const int attr[] = {11, 0, 12, 13};
  for (int c = 1; c <= 4; ++c) EXPECT_EQ(g.GetColAttrib(c), attr[c - 1]) << c;
  g.RemoveColumn(1);
  const char16_t* row2[] = {u"0/2", u"", u"2/2", u"3/2"};
  for (int c = 0; c <= 3; ++c) EXPECT_EQ(g.GetString(c, 2), row2[c]) << c;
  EXPECT_EQ(g.GetColAttrib(1), 0);
  EXPECT_EQ(g.GetColAttrib(3), 13);
  g.InsertColumn(0);
  g.InsertColumn(4);
  g.RemoveColumn(4);
  EXPECT_EQ(g.NrOfColumns(), 3);
  g.RemoveColumn(3);
  g.RemoveColumn(2);
  g.RemoveColumn(1);
  EXPECT_EQ(g.NrOfColumns(), 1);
  EXPECT_EQ(g.GetString(1, 1), u"");
  EXPECT_EQ(g.GetString(0, 1), u"0/1");  // column 0 never moves
}

TEST(StringArrayRows, CopyRowAndEmptiness) {
  TStringArray g(nullptr);
  g.Resize(2, 4);
  g.SetString(0, 1, u"t1");
  g.SetString(1, 1, u"a");
  g.SetString(2, 1, u"b");
  g.SetRowAttrib(1, 7);
  g.CopyRow(1, 3);
  EXPECT_EQ(g.GetString(0, 3), u"t1");
  EXPECT_EQ(g.GetString(2, 3), u"b");
  EXPECT_EQ(g.GetRowAttrib(3), 7);
  g.SetString(1, 3, u"changed");  // the copy does not share room
  EXPECT_EQ(g.GetString(1, 1), u"a");
  g.CopyRow(2, 1);
  EXPECT_EQ(g.GetString(0, 1), u"");
  EXPECT_EQ(g.GetRowAttrib(1), 0);

  g.SetString(0, 2, u"only a title");
  EXPECT_TRUE(g.RowEmpty(2));
  g.SetString(2, 2, u"   ");
  EXPECT_TRUE(g.RowEmpty(2));
  g.SetString(2, 2, u" x ");
  EXPECT_FALSE(g.RowEmpty(2));
  EXPECT_TRUE(g.RowEmpty(0));
  EXPECT_TRUE(g.RowEmpty(99));
  EXPECT_FALSE(g.ColumnEmpty(0));
  EXPECT_FALSE(g.ColumnEmpty(2));
  EXPECT_TRUE(g.ColumnEmpty(3));
  EXPECT_TRUE(g.ColumnEmpty(-1));
  g.SetString(2, 2, u"");
  g.SetString(2, 3, u"  ");
  EXPECT_TRUE(g.ColumnEmpty(2));
}

TEST(StringArrayRows, FillStoresEveryCell) {
  TStringArray g(nullptr);
  g.Resize(2, 3);
  g.Fill(u"v");
  for (int r = 1; r <= 3; ++r)
    for (int c = 0; c <= 2; ++c) EXPECT_EQ(g.GetString(c, r), u"v");
  g.SetRowAttrib(2, 1);
  g.Fill(u"");
  EXPECT_EQ(g.GetString(0, 2), u"");
  EXPECT_EQ(g.GetRowAttrib(2), 0);
}

TEST(StringArrayRows, AssignCopiesEverythingAndSharesNothing) {
  TStringArray a(nullptr), b(nullptr);
  int fired = 0;
  a.SetOnChange([&](zel::TObject*) { ++fired; });
  a.SetAllocRowsBy(4);
  a.Resize(2, 5);
  for (int r = 1; r <= 5; ++r) a.SetString(1, r, zel::IntToStr(6 - r));
  a.SetString(0, 5, u"zero");
  a.SetRowAttrib(2, 8);
  a.SetColAttrib(2, 9);
  a.Sort(1, 0, true);
  fired = 0;
  a.AssignTo(&b);
  EXPECT_EQ(fired, 0);
  EXPECT_EQ(b.NrOfColumns(), 2);
  EXPECT_EQ(b.NrOfRows(), 5);
  EXPECT_EQ(b.AllocRowsBy(), 4);
  EXPECT_EQ(b.Capacity(), 8);
  EXPECT_EQ(b.NumBuffers(), 1);
  for (int r = 1; r <= 5; ++r) {
    EXPECT_EQ(b.GetString(1, r), zel::IntToStr(r));
    EXPECT_EQ(b.GetSortOrder(r), 6 - r);
  }
  EXPECT_EQ(b.GetString(0, 1), u"zero");
  EXPECT_EQ(b.GetRowAttrib(4), 8);
  EXPECT_EQ(b.GetColAttrib(2), 9);
  b.SetString(1, 1, u"other");  // the handler came along
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(a.GetString(1, 1), u"1");
  zel::TPersistent plain;
  EXPECT_THROW(b.Assign(&plain), zel::EConvertError);
  EXPECT_THROW(b.AssignTo(&plain), zel::EConvertError);
}

// ---- numbers -----------------------------------------------------------------

TEST(StringArrayNumbers, Conversions) {
  struct Case {
    const char* text;
    double number;
    int32_t integer;
  } cases[] = {
      {" 3,5 ", 3.5, 4},
      {"2,5", 2.5, 2},
      {"1e3", 1000.0, 1000},
      {"-2.5", -2.5, -2},
      {"+1.5", 1.5, 2},
      {".5", 0.5, 0},
      {"5.", 5.0, 5},
      {"-0.5", -0.5, 0},
      {"1,5E+2", 150.0, 150},
      {"5000000000", 5e9, 2147483647},
      {"-5000000000", -5e9, -2147483647},
      {"-2147483648", -2147483648.0, -2147483647},
      {"2147483646.5", 2147483646.5, 2147483646},
      {"1e-400", 0.0, 0},
      {"", 0.0, 0},
      {"    ", 0.0, 0},
  };
  TStringArray g(nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    g.SetString(1, 1, S(c.text));
    EXPECT_DOUBLE_EQ(g.GetAsNumber(1, 1), c.number);
    EXPECT_EQ(g.AsInteger(1, 1), c.integer);
  }
}

TEST(StringArrayNumbers, InvalidTextRaisesWithExactMessage) {
  TStringArray g(nullptr);
  g.Resize(2, 5);
  const char* bad[] = {"12x", "abc", "\t1",   "1.2.3",  "--1", "1e", "0x10", "inf",
                       "nan", "1 2", "1e400", "-1e400", ",",   "e5", "1,5,", "\xc3\xa9"};
  for (const char* b : bad) {
    SCOPED_TRACE(b);
    g.SetString(2, 5, S(b));
    const String expected = u"Class TStringArray: invalid numeric string: [2,5]: " + S(b);
    try {
      g.GetAsNumber(2, 5);
      ADD_FAILURE() << "no exception";
    } catch (const zel::EZELDStructError& e) {
      EXPECT_EQ(e.Message(), expected);
    }
    try {
      g.GetAsInteger(2, 5);
      ADD_FAILURE() << "no exception";
    } catch (const zel::EZELDStructError& e) {
      EXPECT_EQ(e.Message(), expected);
    }
  }
  // The text is quoted as stored, blanks included.
  g.SetString(0, 3, u" 12x ");
  try {
    g.AsNumber(0, 3);
    ADD_FAILURE();
  } catch (const zel::EZELError& e) {
    EXPECT_EQ(e.Message(), u"Class TStringArray: invalid numeric string: [0,3]:  12x ");
  }
}

}  // namespace
