#include "zel/filesys/numtext.h"

#include "gtest/gtest.h"
#include "zel/runtime/utf8.h"

namespace {

TEST(NumTextTest, Decimal) {
  const struct {
    const char16_t* text;
    int32_t value;
  } cases[] = {
      {u" -12abc", -12},
      {u"+7", 7},
      {u"x1", 0},
      {u"", 0},
      {u"   ", 0},
      {u"\t5", 0},  // only spaces are skipped
      {u"- 5", 0},
      {u"--5", 0},
      {u"2147483647", INT32_MAX},
      {u"2147483648", INT32_MAX},
      {u"-2147483648", INT32_MIN},
      {u"-2147483649", INT32_MIN},
      {u"99999999999999999999999", INT32_MAX},
      {u"-99999999999999999999999x", INT32_MIN},
      {u"0012.9", 12},
      {u"\u0661\u0662", 0},  // only ASCII digits
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(zel::StringToUtf8(c.text));
    EXPECT_EQ(zel::ScanTextDecimal(c.text), c.value);
  }
}

TEST(NumTextTest, FloatingPoint) {
  const struct {
    const char16_t* text;
    bool exp;
    int32_t dec;
    double value;
  } cases[] = {
      {u"3,5", true, 3, 3.5},
      {u"3.5", true, 3, 3.5},
      {u" 1e3x", true, 3, 1000},
      {u"1e3", false, 3, 1},
      {u"12,5E2 ", true, 2, 1250},
      {u"12,5E2", true, 1, 12},
      {u"5.", true, 1, 5},
      {u"1E", true, 3, 0},
      {u"1E999", true, 3, 1.7e308},
      {u"-1E999", true, 3, -1.7e308},
      {u"\t3", true, 3, 0},
      {u"abc", true, 3, 0},
      {u"", true, 3, 0},
      {u"-.5", true, 3, -0.5},
      {u"7\u00e9", true, 3, 7},
      {u"1.5.", true, 3, 0},
      {u"2\u0145", true, 3, 2},  // U+0145: low byte 'E'
      {u"+4\t9", true, 3, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(zel::StringToUtf8(c.text));
    EXPECT_EQ(zel::ScanTextFPNum(c.text, c.exp, c.dec), c.value);
  }
}

}  // namespace
