// SPDX-License-Identifier: MIT
// Rows of key=value: lookup, trimming and the unique-key rule.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "keyvaluetable.h"

namespace tessary {
namespace {

TEST(KeyValueTable, KeysAndValuesOfARow) {
  EXPECT_EQ(TKeyValueTable::KeyOf("P=100"), "P");
  EXPECT_EQ(TKeyValueTable::ValueOf("P=100"), "100");
  EXPECT_EQ(TKeyValueTable::KeyOf("a=b=c"), "a") << "split at the first '='";
  EXPECT_EQ(TKeyValueTable::ValueOf("a=b=c"), "b=c");
  EXPECT_EQ(TKeyValueTable::KeyOf("loose"), "") << "no '=': empty key";
  EXPECT_EQ(TKeyValueTable::ValueOf("loose"), "loose") << "... and the whole row as value";
}

TEST(KeyValueTable, LookupTrimsKeysAndIgnoresCase) {
  TKeyValueTable t;
  t.AppendRow(" P =100");
  t.AppendRow("p=5");  // stored keys differ (" P " and "p"), both are kept
  t.AppendRow("T=273.15");
  EXPECT_EQ(t.Lookup("P"), "100") << "the first row whose trimmed key matches";
  EXPECT_EQ(t.Lookup("p"), "100") << "letter case is ignored";
  EXPECT_EQ(t.Lookup("T"), "273.15");
  EXPECT_EQ(t.Lookup("Q"), "") << "no row: the empty text";
  EXPECT_EQ(t.TrimmedKey(0), "P");
}

TEST(KeyValueTable, UniqueNonEmptyKeys) {
  TKeyValueTable t;
  t.Append("a", "1");
  try {
    t.Append("A", "2");
    FAIL() << "a second key 'A' must be refused";
  } catch (const EDuplicateKey& e) {
    EXPECT_STREQ(e.what(), "名称“A”已存在");
    EXPECT_EQ(e.Key(), "A");
  }
  EXPECT_EQ(t.Count(), 1u) << "nothing is added";
  t.Append("", "3");
  t.Append("", "4");
  t.AppendRow("no key");
  EXPECT_EQ(t.Count(), 4u) << "empty keys may repeat";
  t.Append(" a", "5");
  EXPECT_EQ(t.Count(), 5u) << "keys are compared as stored, blanks included";
  t.AppendRow("  =6");
  EXPECT_THROW(t.AppendRow("  =7"), EDuplicateKey) << "a key of blanks is a key all the same";
  t.AppendRow(" =8");
  EXPECT_EQ(t.Count(), 7u);
  EXPECT_EQ(t.Lookup(""), "") << "but no name finds it";
  t.Clear();
  t.Append("a", "1");
  EXPECT_EQ(t.Rows(), std::vector<std::string>{"a=1"}) << "Clear forgets the keys";
}

TEST(KeyValueTable, FindsTheRowsWhoseKeysOccur) {
  TKeyValueTable t;
  for (const char* row : {"P=1", "T=2", "PT=3", "x y=4", "=5", "Q=6"}) t.AppendRow(row);
  std::vector<std::size_t> found;
  t.ForEachKeyIn("PT+x y", [&](std::size_t r) { found.push_back(r); });
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  EXPECT_EQ(found, (std::vector<std::size_t>{0, 1, 2, 3}))
      << "substrings count (whole-name rules come later); empty keys never";

  found.clear();
  t.ForEachKeyIn(
      "PT+x yQ", [&](std::size_t r) { found.push_back(r); },
      [](std::string_view text, std::size_t at) { return text[at] == '+'; });
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::size_t>{1, 2, 5}))
      << "with endsAt only keys before an accepted byte or at the end: T, PT and Q";
}

// Thousands of rows, as the results of a big worksheet: the index grows
// many times and must still find every key, and a refused key leaves no
// trace in the row after it.
TEST(KeyValueTable, ManyRowsAndARefusedOne) {
  TKeyValueTable t;
  for (int i = 0; i < 1000; ++i) t.Append("k" + std::to_string(i), std::to_string(i));
  EXPECT_EQ(t.Lookup("K500"), "500");
  EXPECT_EQ(t.Lookup("k999"), "999");
  EXPECT_EQ(t.Lookup("k1000"), "");
  EXPECT_THROW(t.Append("K7", "x"), EDuplicateKey);
  t.Append("z", "1");
  EXPECT_EQ(t.Count(), 1001u);
  EXPECT_EQ(t.Row(1000), "z=1");
  EXPECT_EQ(t.Row(999), "k999=999");
}

}  // namespace
}  // namespace tessary
