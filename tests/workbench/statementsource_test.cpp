// SPDX-License-Identifier: MIT
// Where a failed statement stands in the formula lines and which typed
// character its error came from, through comments, continued lines, several
// statements on a line, full-width input, π and substituted names.

#include "statementsource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessary {
namespace {

using TLines = std::vector<std::string>;

struct TIgnored : ICalcMessages {
  void ShowMessage(const std::string&) override {}
  void ShowError(const std::string&) override {}
};

// The command line joins a file's text without cutting it into lines
// first; every kind of line end must give what the window's lines give.
TEST(StatementSource, AFileTextJoinsAsItsLines) {
  const struct {
    const char* Text;
    const char* Joined;
    const char* Why;
  } cases[] = {
      {"a=1\r\nb=a+\r\n2", "a=1;b=a+2", "CR LF; a line without '=' continues"},
      {"a=1\rb=2\nc=3", "a=1;b=2;c=3", "CR and LF alone end lines too"},
      {"\r\n\r\n  a=1  \r\n", "a=1", "blank lines and blanks around a line"},
      {"a=1 // 注释\r\n// b=2\r\nc=a", "a=1;c=a", "comments"},
      {"ａ＝１；ｂ＝２", "a=1;b=2", "full-width letters, signs and digits"},
      {"", "", "an empty file"},
  };
  for (const auto& c : cases) EXPECT_EQ(JoinFormulaText(c.Text), c.Joined) << c.Why;
}

TEST(StatementSource, TheErrorIsFoundWhereItWasTyped) {
  const struct {
    TLines Formula;
    TLines Vars;
    std::size_t Index;  // the failing statement
    TPanePlace Start;   // line, character
    TPanePlace Error;
    bool Known;
    const char* Why;
  } cases[] = {
      {{"Z=1/0"}, {}, 0, {0, 0}, {0, 3}, true, "the operator of a failed operation"},
      {{"Z＝１／０"}, {}, 0, {0, 0}, {0, 3}, true, "typed in full width"},
      {{"a=1；b=1/0"}, {}, 1, {0, 4}, {0, 7}, true, "the second statement of a line"},
      {{"// 说明", "a=1", "  b=(2+", "  3)*2/0 // 注释"},
       {},
       1,
       {2, 2},
       {3, 6},
       true,
       "a continued line after a comment"},
      {{"x=π/0"}, {}, 0, {0, 0}, {0, 3}, true, "π became PI"},
      {{"长度=2×[3÷0]"}, {}, 0, {0, 0}, {0, 7}, true, "Chinese name, × ÷ and bracket kinds"},
      {{"A=P/0"}, {"P=100"}, 0, {0, 0}, {0, 3}, true, "a name replaced by its value"},
      {{"d=Q+1"}, {"Q=1/0"}, 0, {0, 0}, {0, 2}, true, "a failing value: the name that brought it"},
      {{"  e=(1+2"}, {}, 0, {0, 2}, {0, 4}, true, "the bracket left open"},
      {{"f=2*"}, {}, 0, {0, 0}, {0, 4}, true, "the end of the statement"},
      {{"g=1", "", "h=sqrt(-1)"}, {}, 1, {2, 0}, {2, 2}, true, "after a blank line"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Why);
    TFormulaParser engine;
    TIgnored messages;
    TWorksheet ws;
    ws.Formula = c.Formula;
    for (const auto& row : c.Vars) ws.Variables.AppendRow(row);
    const TCalcReport report = Calculate(ws, engine, messages);
    ASSERT_LT(c.Index, report.Statements.size());
    ASSERT_NE(report.Statements[c.Index].ErrorCode, 0);
    const TStatementPlace place = PlaceOfStatement(c.Formula, c.Index, report.Statements[c.Index]);
    EXPECT_EQ(place.Start, c.Start);
    EXPECT_EQ(place.Error, c.Error);
    EXPECT_EQ(place.ErrorKnown, c.Known);
  }
}

TEST(StatementSource, AStatementSpansItsContinuedLines) {
  const TLines formula = {"a=1+", "  2 // x", "b=3；c=1/0 "};
  const TStatementOutcome none;
  const TStatementPlace a = PlaceOfStatement(formula, 0, none);
  EXPECT_EQ(a.Start, (TPanePlace{0, 0}));
  EXPECT_EQ(a.End, (TPanePlace{1, 3}));
  EXPECT_EQ(a.Expression, (TPanePlace{0, 2}));
  EXPECT_FALSE(a.ErrorKnown);
  EXPECT_EQ(a.Error, a.Start) << "without an error position: the statement's start";
  const TStatementPlace c = PlaceOfStatement(formula, 2, none);
  EXPECT_EQ(c.Start, (TPanePlace{2, 4}));
  EXPECT_EQ(c.End, (TPanePlace{2, 9})) << "the trailing blank is no part of it";
}

}  // namespace
}  // namespace tessary
