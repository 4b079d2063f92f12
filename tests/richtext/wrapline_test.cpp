// SPDX-License-Identifier: MIT
#include "wrapline.h"

#include <gtest/gtest.h>

#include "cp936.h"

#include <string>
#include <vector>

namespace {

using tessary::Cp936Length;
using tessary::SplitLine;
using tessary::WrapLine;
using tessary::platform::Cp936ToUtf8;
using tessary::platform::Utf8ToCp936;
using Rows = std::vector<std::string>;

constexpr const char* kCrLf = "\r\n";

// Rows of code page 936 text wrapped by WrapLine, shown as UTF-8.
Rows WrappedRows(const std::string& utf8, int maxCol) {
  const std::string wrapped = WrapLine(Utf8ToCp936(utf8), kCrLf, maxCol);
  Rows rows;
  std::size_t from = 0;
  for (std::size_t end; (end = wrapped.find(kCrLf, from)) != std::string::npos; from = end + 2)
    rows.push_back(Cp936ToUtf8(wrapped.substr(from, end - from)));
  rows.push_back(Cp936ToUtf8(wrapped.substr(from)));
  return rows;
}

struct TWrapCase {
  const char* what;
  std::string line;  // UTF-8; wrapped as code page 936
  int maxCol;
  Rows rows;
};

// Each case is checked through WrapLine on code page 936 bytes and through
// SplitLine on the UTF-8 text: both must give the same rows.
void CheckCases(const std::vector<TWrapCase>& cases) {
  for (const auto& c : cases) {
    EXPECT_EQ(WrappedRows(c.line, c.maxCol), c.rows) << c.what;
    EXPECT_EQ(SplitLine(c.line, c.maxCol), c.rows) << c.what << " (SplitLine)";
  }
}

TEST(WrapLine, BreaksAfterBreakCharacters) {
  CheckCases({
      {"each row keeps its space", "aaa bbb ccc", 5, {"aaa ", "bbb ", "ccc"}},
      {"a last word of one more byte is not moved", "hello world foo", 8, {"hello ", "world foo"}},
      {"short enough", "hello", 8, {"hello"}},
      {"empty", "", 8, {""}},
      {"no break character: one long row", "abcdefghijkl", 5, {"abcdefghijkl"}},
      {"punctuation breaks too", "one,two;three", 5, {"one,", "two;", "three"}},
      {"a break character at the row start does not count", " abcdefgh", 4, {" abcdefgh"}},
      {"a run of breaks is passed over, not split", "aaaa  bbb ccc", 5, {"aaaa ", " bbb ", "ccc"}},
      {"tab", "aaaa\tbbbb cc", 5, {"aaaa\t", "bbbb ", "cc"}},
  });
}

TEST(WrapLine, NeverSplitsDoubleByteCharacters) {
  CheckCases({
      {"twelve characters, MaxCol 10: rows of 8 bytes",
       "一二三四五六七八九十甲乙",
       10,
       {"一二三四", "五六七八", "九十甲乙"}},
      {"a character starting at MaxCol - 1 moves on, even as the last one",
       "a五个汉字呀",
       10,
       {"a五个汉字", "呀"}},
      {"odd MaxCol", "一二三四五", 5, {"一二", "三四", "五"}},
      {"each double-byte character moves on", "ab中文cd", 4, {"ab", "中", "文cd"}},
      {"inside quotes only this rule breaks", "\"一二三四五\"", 6, {"\"一二", "三四", "五\""}},
      {"full-width punctuation is no break character", "一，二，三，四", 9, {"一，二，", "三，四"}},
  });
}

TEST(WrapLine, KeepsQuotedTextTogether) {
  CheckCases({
      {"a quoted phrase is one word", "x \"aa bb\" yy zz", 4, {"x ", "\"aa bb\" ", "yy zz"}},
      {"single quotes as well", "x 'aa bb' yy zz", 4, {"x ", "'aa bb' ", "yy zz"}},
      {"an open quote holds to the end", "don't break me now", 5, {"don't break me now"}},
      {"the other quote kind inside is text", "\"it's a b\" c d e", 4, {"\"it's a b\" ", "c d e"}},
  });
}

TEST(WrapLine, KeepsExistingLineBreaks) {
  CheckCases({
      {"an existing break ends a row", "ab\r\ncd", 10, {"ab", "cd"}},
      {"an empty row between survives", "abc\r\n\r\ndef", 10, {"abc", "", "def"}},
      {"an existing break after a wrap", "aaaa bbbb\r\ncc", 6, {"aaaa ", "bbbb", "cc"}},
      {"a lone CR or LF is text", "ab\rcd\nef", 4, {"ab\rcd\nef"}},
      {"a break at the end leaves an empty last row", "abc\r\n", 10, {"abc", ""}},
  });
}

TEST(WrapLine, MaxColBelowTwoCountsAsTwo) {
  for (const int maxCol : {-5, 0, 1, 2}) {
    EXPECT_EQ(WrappedRows("a b c", maxCol), (Rows{"a ", "b c"})) << maxCol;
    // Every character on a row of its own, and no empty row before the first.
    EXPECT_EQ(WrappedRows("中文字", maxCol), (Rows{"中", "文", "字"})) << maxCol;
    EXPECT_EQ(SplitLine("中文字", maxCol), (Rows{"中", "文", "字"})) << maxCol;
  }
}

TEST(WrapLine, WrapsBytesAsTheyAre) {
  // Only ASCII bytes and lead bytes matter: the byte after a lead byte is
  // passed over, even one that reads as a quote or a break character.
  const std::string line = "\x81\x40\x81\x22\x81\x2C\x81\x3F";
  EXPECT_EQ(WrapLine(line, kCrLf, 80), line);
  EXPECT_EQ(WrapLine("\x81\x40\x81\x40\x81\x40", kCrLf, 4), "\x81\x40\r\n\x81\x40\r\n\x81\x40");
  // A lead byte with nothing after it is a single byte.
  EXPECT_EQ(WrapLine("ab \x81", kCrLf, 3), "ab \x81");
  // Any break string; an existing one is found ignoring letter case.
  EXPECT_EQ(WrapLine("aaa bbb ccc", "|", 5), "aaa |bbb |ccc");
  EXPECT_EQ(WrapLine("aa<br>bb", "<BR>", 80), "aa<br>bb");
  EXPECT_EQ(WrapLine("aaaa bb<br>cc dddd e", "<BR>", 6), "aaaa <BR>bb<br>cc <BR>dddd e");
}

TEST(SplitLine, KeepsWhatCodePage936CannotHold) {
  // An emoji has no code page 936 form; it wraps as a double-byte character
  // and comes back unchanged instead of as a question mark.
  EXPECT_EQ(SplitLine("一二三😀四五", 6), (Rows{"一二", "三😀", "四五"}));
  // The euro sign is a single byte in code page 936.
  EXPECT_EQ(SplitLine("€€€ €€", 4), (Rows{"€€€ ", "€€"}));
  EXPECT_EQ(WrappedRows("€€€ €€", 4), (Rows{"€€€ ", "€€"}));
  // Malformed UTF-8 passes through byte for byte, each byte as wide as the
  // "？" a conversion would make of it.
  EXPECT_EQ(SplitLine("ab \xFF\xFE cd", 4), (Rows{"ab ", "\xFF", "\xFE cd"}));
}

TEST(SplitLine, ReplacesTheRowsItIsGiven) {
  Rows rows{"old", "rows"};
  SplitLine("aaa bbb ccc", rows, 5);
  EXPECT_EQ(rows, (Rows{"aaa ", "bbb ", "ccc"}));
}

TEST(SplitLine, Cp936LengthCountsCodePage936Bytes) {
  const struct {
    const char* utf8;
    int length;
    bool convertible;  // then the length is that of the real conversion
  } cases[] = {
      {"", 0, true},      {"abc", 3, true},       {"中文", 4, true},
      {"a中b", 4, true},  {"€", 1, true},         {"😀", 2, false},  // as wide as the "？" for it
      {"\xFF", 2, false}, {"\xE4\xB8", 4, false},  // malformed bytes count one by one
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Cp936Length(c.utf8), c.length) << c.utf8;
    if (c.convertible) {
      EXPECT_EQ(static_cast<int>(Utf8ToCp936(c.utf8).size()), c.length) << c.utf8;
    }
  }
}

}  // namespace
