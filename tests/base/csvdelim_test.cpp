#include "zel/base/csvdelim.h"

#include <gtest/gtest.h>

namespace zel {
namespace {

TEST(CsvDelimiters, ResolveEachCharacter) {
  struct Case {
    Char c;
    TCSVDelimiters expected;
  } cases[] = {
      {u' ', csvBlank},    {u';', csvSemicolon}, {u',', csvComma},
      {u':', csvColon},    {u'\t', csvTab},      {u'x', csvUnknown},
      {u'\0', csvUnknown}, {u'|', csvUnknown},   {0xFF1B, csvUnknown},  // full-width semicolon
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.c));
    EXPECT_EQ(ResolveCSVDelimiter(c.c), c.expected);
  }
}

TEST(CsvDelimiters, TableMatchesKinds) {
  EXPECT_EQ(CSVDELIMITERS[csvUnknown], 0);
  EXPECT_EQ(CSVDELIMITERS[csvTab], 9);
  for (int k = csvBlank; k <= csvTab; ++k)
    EXPECT_EQ(ResolveCSVDelimiter(CSVDELIMITERS[static_cast<size_t>(k)]), k);
}

}  // namespace
}  // namespace zel
