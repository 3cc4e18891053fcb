// TFifo, the stacks, TStringAccu and TByteMatrix: their documented cases,
// table-driven, and the FIFO against a std::deque model.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <random>
#include <vector>

#include "zel/base/errors.h"
#include "zel/dstruct/bytematrix.h"
#include "zel/dstruct/fifo.h"
#include "zel/dstruct/stacks.h"
#include "zel/runtime/exception.h"

namespace zel {
namespace {

TEST(FifoTest, MatchesADequeModel) {
  std::mt19937 gen(1);
  for (const int32_t size : {1, 2, 5, 256}) {
    SCOPED_TRACE(size);
    TFifo f(nullptr);
    f.SetSize(size);
    std::deque<Byte> m;
    const size_t cap = static_cast<size_t>(size) - 1;
    for (int k = 0; k < 5000; ++k) {
      const auto b = static_cast<Byte>(gen());
      Byte out = 77;
      switch (gen() % 5) {
        case 0:
          ASSERT_EQ(f.PutByte(b), m.size() < cap);
          if (m.size() < cap) m.push_back(b);
          break;
        case 1: {
          const bool full = m.size() == cap;
          ASSERT_EQ(f.ForceByte(b), full);
          if (full && !m.empty()) m.pop_front();
          if (m.size() < cap) m.push_back(b);
          break;
        }
        case 2:
          ASSERT_EQ(f.LoadBack(b), m.size() < cap);
          if (m.size() < cap) m.push_front(b);
          break;
        case 3:
          ASSERT_EQ(f.GetByte(out), !m.empty());
          if (!m.empty()) {
            ASSERT_EQ(out, m.front());
            m.pop_front();
          } else {
            ASSERT_EQ(out, 77);
          }
          break;
        default: {
          const int32_t ix = static_cast<int32_t>(gen() % (m.size() + 2)) - 1;
          const bool ok = ix >= 0 && static_cast<size_t>(ix) < m.size();
          ASSERT_EQ(f.SenseByte(ix, out), ok);
          if (ok) {
            ASSERT_EQ(out, m[static_cast<size_t>(ix)]);
          }
        }
      }
      ASSERT_EQ(f.CountBytes(), static_cast<int32_t>(m.size()));
    }
  }
}

TEST(FifoTest, DocumentedCasesAndResizing) {
  TFifo f(nullptr);
  EXPECT_EQ(f.Size(), 256);
  for (int i = 1; i <= 255; ++i) ASSERT_TRUE(f.PutByte(static_cast<Byte>(i)));
  EXPECT_FALSE(f.PutByte(0));
  EXPECT_FALSE(f.LoadBack(0));
  EXPECT_EQ(f.CountBytes(), 255);
  EXPECT_TRUE(f.ForceByte(0));
  Byte b = 0;
  EXPECT_TRUE(f.SenseByte(254, b));
  EXPECT_EQ(b, 0);
  EXPECT_FALSE(f.SenseByte(255, b));
  EXPECT_TRUE(f.GetByte(b));
  EXPECT_EQ(b, 2);
  f.SetSize(0);
  f.SetSize(-1);
  EXPECT_EQ(f.Size(), 256);
  f.Clear();
  f.PutByte(7);
  f.LoadBack(9);
  f.SetSize(3);  // queued bytes stay, in order
  EXPECT_EQ(f.Size(), 3);
  EXPECT_TRUE(f.GetByte(b));
  EXPECT_EQ(b, 9);
  EXPECT_TRUE(f.GetByte(b));
  EXPECT_EQ(b, 7);
  EXPECT_FALSE(f.GetByte(b));
}

// Shrinking below the queued bytes takes the new size and keeps the newest
// Size - 1 bytes, in order, as ForceByte would.
TEST(FifoTest, ShrinkingKeepsTheNewestBytes) {
  const struct {
    int32_t queued, length;
  } cases[] = {{254, 100}, {255, 2}, {10, 10}, {10, 11}, {5, 1}, {1, 1}, {0, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.queued << " into " << c.length);
    TFifo f(nullptr);
    for (int i = 0; i < 200; ++i) {  // the ring has wrapped before the resize
      f.PutByte(0);
      Byte drop = 0;
      f.GetByte(drop);
    }
    for (int i = 1; i <= c.queued; ++i) ASSERT_TRUE(f.PutByte(static_cast<Byte>(i)));
    f.SetSize(c.length);
    EXPECT_EQ(f.Size(), c.length);
    const int32_t kept = std::min(c.queued, c.length - 1);
    ASSERT_EQ(f.CountBytes(), kept);
    for (int i = c.queued - kept + 1; i <= c.queued; ++i) {
      Byte b = 0;
      ASSERT_TRUE(f.GetByte(b));
      EXPECT_EQ(b, static_cast<Byte>(i));
    }
    EXPECT_EQ(f.PutByte(42), c.length > 1);
  }
}

TEST(StringStackTest, PushPopSearch) {
  TStringStack s(nullptr);
  EXPECT_EQ(s.MaxSize(), 20);
  for (int i = 1; i <= 20; ++i) ASSERT_EQ(s.Push(u"x"), i);
  EXPECT_EQ(s.Push(u"x"), -1);
  for (const int32_t v : {0, 1000, -1}) {
    s.SetMaxSize(v);
    EXPECT_EQ(s.MaxSize(), 20);
    EXPECT_EQ(s.NumEntries(), 20);
  }
  s.SetMaxSize(5);
  EXPECT_EQ(s.NumEntries(), 0);
  String str = u"junk";
  EXPECT_EQ(s.Pop(str), -1);
  EXPECT_EQ(str, u"");
  s.Push(u"first");
  s.Push(u"second");
  s.Push(u"third");
  EXPECT_EQ(s.CloneString(1, str), 0);
  EXPECT_EQ(str, u"first");
  EXPECT_EQ(s.CloneString(4, str), -1);
  EXPECT_EQ(str, u"");
  const struct {
    const char16_t* what;
    bool sub, ignore;
    int32_t want;
  } finds[] = {{u"sec", true, false, 2},     {u"SECOND", false, true, 2},
               {u"SECOND", false, false, 0}, {u"", true, false, 0},
               {u"IRD", true, true, 3},      {u"ir", true, false, 1},
               {u"second", false, false, 2}};
  for (const auto& f : finds) {
    SCOPED_TRACE(testing::Message() << f.sub << f.ignore);
    EXPECT_EQ(s.FindString(f.what, f.sub, f.ignore), f.want);
  }
  EXPECT_EQ(s.Pop(str), 0);
  EXPECT_EQ(str, u"third");
  EXPECT_EQ(s.NumEntries(), 2);
  s.Clear();
  EXPECT_EQ(s.NumEntries(), 0);
}

TEST(ArrayStackTest, CopiesArraysExactly) {
  T2DArrayStack s(nullptr);
  TDouble2DArray a = {{1, 2, 3}, {4, 5, 6}};
  EXPECT_EQ(s.Push(a, u"Alpha"), 1);
  a[0][0] = 99;  // the stored copy is unaffected
  EXPECT_EQ(s.Push(TDouble2DArray{}), 2);
  EXPECT_EQ(s.Push(TDouble2DArray{{1}, {2, 3, 4}, {}}, u"ragged"), 3);
  EXPECT_EQ(s.FindByName(u"ALPHA"), 1);
  EXPECT_EQ(s.FindByName(u"beta"), 0);
  EXPECT_EQ(s.ArrayName(2), u"");
  EXPECT_EQ(s.ArrayName(4), u"");
  s.SetArrayName(2, u"empty");
  s.SetArrayName(9, u"ignored");
  EXPECT_EQ(s.FindByName(u"Empty"), 2);
  TDouble2DArray out = {{7}};
  EXPECT_EQ(s.CloneArray(0, out), -1);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(s.NumEntries(), 3);
  String name;
  EXPECT_EQ(s.Pop(out, name), 0);
  EXPECT_EQ(out, (TDouble2DArray{{1}, {2, 3, 4}, {}}));
  EXPECT_EQ(name, u"ragged");
  EXPECT_EQ(s.Pop(out), 0);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(s.CloneArray(1, out), 0);
  EXPECT_EQ(out, (TDouble2DArray{{1, 2, 3}, {4, 5, 6}}));
  EXPECT_EQ(s.Pop(out, name), 0);
  EXPECT_EQ(name, u"Alpha");
  EXPECT_EQ(s.Pop(out, name), -1);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(name, u"");
  for (int i = 0; i < 20; ++i) s.Push(a);
  EXPECT_EQ(s.Push(a), -1);
  s.SetMaxSize(1000);
  EXPECT_EQ(s.NumEntries(), 20);
  s.SetMaxSize(2);
  EXPECT_EQ(s.NumEntries(), 0);
}

TEST(StringAccuTest, CountsDistinctStrings) {
  TStringAccu a(nullptr);
  for (const char16_t* s : {u"a", u"b", u"a", u"A"}) a.Add(s);
  EXPECT_EQ(a.Size(), 3);
  const struct {
    int32_t ix;
    const char16_t* elem;
    int32_t count;
  } cases[] = {{1, u"a", 2}, {2, u"b", 1}, {3, u"A", 1}, {0, u"", 0}, {4, u"", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ix);
    EXPECT_EQ(a.Elem(c.ix), c.elem);
    EXPECT_EQ(a.Count(c.ix), c.count);
  }
  a.Clear();
  EXPECT_EQ(a.Size(), 0);
  a.Add(u"b");
  EXPECT_EQ(a.Count(1), 1);
}

TEST(ByteMatrixTest, CellsBitsAndNotifications) {
  TByteMatrix m(nullptr);
  int changes = 0;
  TObject* last = nullptr;
  m.SetOnChange([&](TObject* sender) {
    last = sender;
    ++changes;
  });
  EXPECT_EQ(m.NrOfColumns(), 1);
  EXPECT_EQ(m.NrOfRows(), 1);
  EXPECT_EQ(m.GetByte(1, 1), 0);
  m.SetDefaultValue(0x81);
  EXPECT_EQ(m.GetByte(2, 1), 0x81);
  EXPECT_TRUE(m.GetBit(0, 0, 7));
  EXPECT_TRUE(m.GetBit(0, 0, 0));
  EXPECT_FALSE(m.GetBit(0, 0, 1));
  EXPECT_FALSE(m.GetBit(1, 1, 8));
  EXPECT_FALSE(m.Resize(1, 1));
  EXPECT_FALSE(m.Resize(0, 3));
  EXPECT_EQ(changes, 0);
  m.SetByte(1, 1, 5);
  EXPECT_TRUE(m.Resize(3, 2));
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(last, &m);
  EXPECT_EQ(m.Byte(1, 1), 5);
  EXPECT_EQ(m.Byte(3, 2), 0);
  // Out-of-range writes: ignored, no notification.
  m.SetByte(4, 1, 1);
  m.SetBit(1, 3, 0, true);
  m.SetBit(1, 1, 8, true);
  m.ToggleBit(0, 1, 0);
  EXPECT_EQ(changes, 2);
  m.SetBit(2, 1, 3, true);
  EXPECT_EQ(m.Byte(2, 1), 8);
  m.ToggleBit(2, 1, 0);
  EXPECT_EQ(m.Byte(2, 1), 9);
  m.SetByte(3, 2, 7);
  changes = 0;
  m.MirrorColumns();
  EXPECT_EQ(m.Byte(1, 1), 0);
  EXPECT_EQ(m.Byte(3, 1), 5);
  EXPECT_EQ(m.Byte(2, 1), 9);
  EXPECT_EQ(m.Byte(1, 2), 7);
  m.MirrorRows();
  EXPECT_EQ(m.Byte(1, 1), 7);
  EXPECT_EQ(m.Byte(3, 2), 5);
  EXPECT_EQ(changes, 2);

  TByteMatrix n(nullptr);
  n.Assign(&m);  // no notification
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(n.NrOfColumns(), 3);
  EXPECT_EQ(n.DefaultValue(), 0x81);
  n.SetByte(1, 1, 1);  // the handler came along
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(last, &n);
  for (int op = loAND; op <= loXORNot; ++op) {
    TByteMatrix a(nullptr), b(nullptr);
    a.Resize(2, 1);
    b.Resize(2, 1);
    a.SetByte(1, 1, 0xC);
    b.SetByte(1, 1, 0xA);
    a.CombineWith(b, static_cast<TLogicOp>(op));
    const uint8_t want[] = {0x8, 0xE, 0x6, 0x4, 0xFD, 0xF9};
    EXPECT_EQ(a.Byte(1, 1), want[op]) << op;
  }
  TByteMatrix small(nullptr);
  small.SetByte(1, 1, 3);
  small.CombineWith(m, loOR);  // sizes differ: nothing
  EXPECT_EQ(small.Byte(1, 1), 3);
  changes = 0;
  m.SetNrOfColumns(0);
  EXPECT_EQ(m.NrOfColumns(), 1);
  m.MirrorColumns();  // one column: nothing moves, still a notification
  m.Fill(4);
  EXPECT_EQ(m.Byte(1, 2), 4);
  EXPECT_EQ(changes, 3);
}

}  // namespace
}  // namespace zel
