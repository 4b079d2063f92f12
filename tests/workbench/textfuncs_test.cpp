// SPDX-License-Identifier: MIT
// The text helpers the calculation is built from.

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "textfuncs.h"

namespace tessary {
namespace {

TEST(ReplacePairs, OnePassInListOrderWithoutRescanning) {
  const TReplacePair brackets[] = {{"{", "("}, {"}", ")"}, {"×", "*"}};
  EXPECT_EQ(ReplacePairs(brackets, "{2×3}"), "(2*3)");
  const TReplacePair grow[] = {{"a", "aa"}};
  EXPECT_EQ(ReplacePairs(grow, "aba"), "aabaa") << "inserted text is not scanned again";
  const TReplacePair chain[] = {{"b", "c"}, {"a", "b"}};
  EXPECT_EQ(ReplacePairs(chain, "ab"), "bc")
      << "a later pair's output is not seen by an earlier one";
  const TReplacePair signs[] = {{"+-", "-"}, {"-+", "-"}, {"--", "+"}, {"(+", "("}};
  EXPECT_EQ(ReplacePairs(signs, "(+-2)"), "(-2)");
  EXPECT_EQ(ReplacePairs(signs, "1---2"), "1+-2") << "one pass only: '--' then nothing";
  EXPECT_EQ(ReplacePairs(signs, "1+--2"), "1+2") << "'+-' first, then the '--' it leaves";
  EXPECT_EQ(ReplacePairs(signs, ""), "");
}

TEST(ContainsAny, FindsAnyCandidate) {
  const std::array<std::string_view, 3> signs{"+", "×", "^"};
  EXPECT_TRUE(ContainsAny(signs, "2×3"));
  EXPECT_TRUE(ContainsAny(signs, "1E+5"));
  EXPECT_FALSE(ContainsAny(signs, "273.15"));
  EXPECT_FALSE(ContainsAny(signs, ""));
}

TEST(SubstituteVariable, WholeNamesBetweenNonLetters) {
  struct TCase {
    const char* Name;
    const char* Value;
    const char* Text;
    const char* Want;
    const char* Why;
  } cases[] = {
      {"P", "100", "P/T", "100/T", "at the start"},
      {"P", "100", "2*P", "2*100", "at the end"},
      {"P", "100", "PT+aP", "PT+aP", "letters on either side protect a name"},
      {"P", "100", "2P", "2P", "a digit before a name protects it"},
      {"P", "100", "P_1", "P_1", "and so does '_'"},
      {"P", "100", "P.5+1.P", "P.5+1.P", "and '.'"},
      {"x1", "2", "x10*2", "x10*2", "a digit after a name: x1 is no part of x10"},
      {"x", "3", "x1*2", "x1*2", "the shorter name stays out of the longer one"},
      {"E", "2", "3E2", "3E2", "a name never edits a number"},
      {"E", "5", "1E3+1E-5", "1E3+1E-5", "nor its negative exponent"},
      {"P", "100", "p+P", "p+100", "case-sensitive"},
      {"P", "100", "P+P*P", "100+100*100", "every occurrence"},
      {"a+b", "X", "a+a+b", "a+X", "a partial match gives way to a whole one"},
      {"P", "(P*2)", "P+1", "(P*2)+1", "the value is not scanned again"},
      {"AB", "1", "ABAB", "ABAB", "each neighbour is a letter"},
      {"A", "1", "AA", "AA", "the second A follows a letter of the text"},
      {"A", "x", "A A", "x x", "the built text decides the left neighbour"},
      {"A", "1", "A π", "1 π", "non-ASCII is no letter"},
      {"中", "x", "中中", "中中", "a Chinese character is part of a name: 中 is no part of 中中"},
      {"变", "2", "变量+变", "变量+2", "the longer Chinese name keeps its first character"},
      {"长", "4", "长度*长", "长度*4", "nor its last"},
      {"A", "1", "A π", "1 π", "a blank still separates"},
      {"", "1", "abc", "abc", "an empty name never occurs"},
      {"Z", "273.15", "", "", "empty text"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SubstituteVariable(c.Name, c.Value, c.Text), c.Want) << c.Why;
  EXPECT_EQ(SubstituteVariable("A", "b", "A+A"), "b+b") << "a letter value ends no later match";
  const std::string longName = std::string(39, 'a') + "b";
  EXPECT_EQ(SubstituteVariable(longName, "1", std::string(38, 'a') + "b+" + longName),
            std::string(38, 'a') + "b+1")
      << "a name of 40 bytes, after a near miss";
}

// At most 100000 characters are carried on after a name; a text that would
// lose some is refused, never cut.
TEST(SubstituteVariable, CarriesAtMost100000CharactersAfterAnOccurrence) {
  const std::string tail(99999, '1');
  const std::string out = SubstituteVariable("X", "7", "X+" + tail);
  EXPECT_EQ(out.size(), 1 + 100000u);
  EXPECT_EQ(out.substr(0, 3), "7+1");
  EXPECT_THROW(SubstituteVariable("X", "7", "X+1" + tail), EStatementTooLong);
  const std::string chinese = "X+" + std::string("中") + std::string(99998, '1');
  EXPECT_EQ(Utf8Length(SubstituteVariable("X", "7", chinese)), 1 + 100000u)
      << "characters count, not bytes";
  EXPECT_TRUE(SubstituteVariable("X", "7", "Y+1" + tail) == "Y+1" + tail)
      << "a text without the name is not limited";
  EXPECT_TRUE(SubstituteVariable("X", "7", "X1+1" + tail) == "X1+1" + tail)
      << "nor one where it is part of a longer name";
}

// A substitution may be held to a length in characters: values longer than
// their names must not make the text exceed it.
TEST(SubstituteVariable, KeepsWithinAGivenLength) {
  EXPECT_EQ(SubstituteVariable("A", "中文", "A+A", 5), "中文+中文");
  EXPECT_THROW(SubstituteVariable("A", "中文", "A+A", 4), EStatementTooLong);
  EXPECT_EQ(SubstituteVariable("AB", "1", "AB+AB+AB", 5), "1+1+1") << "shorter values never fail";
  EXPECT_EQ(SubstituteVariable("A", "xy", "中中+A", 5), "中中+xy") << "characters count, not bytes";
}

TEST(TextHelpers, Utf8Characters) {
  EXPECT_EQ(Utf8Length("a×π中"), 4u);
  EXPECT_EQ(Utf8Prefix("a×π中", 2), "a×");
  EXPECT_EQ(Utf8Prefix("abc", 10), "abc");
}

}  // namespace
}  // namespace tessary
