// SPDX-License-Identifier: MIT
// The prompt's rules that no terminal shows at a glance: what a line prints
// and which names it keeps, where the caret of an error goes, and what Tab
// offers.

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "statementprompt.h"
#include "testutil/tempfolder.h"

namespace tessary::cli {
namespace {

using TLines = std::vector<std::string>;

// Answers the lines in turn; returns everything shown after a "> " prompt.
std::string Type(TStatementPrompt& prompt, const TLines& lines) {
  std::string shown;
  for (const std::string& line : lines) shown += RenderReply(prompt.Answer(line), 2);
  return shown;
}

struct TSessionCase {
  TLines Lines;
  std::string Shown;
  TLines Kept;
  const char* Why;
};

// Each case in a fresh prompt with a fresh engine.
void ExpectSessions(std::span<const TSessionCase> cases) {
  for (const TSessionCase& c : cases) {
    SCOPED_TRACE(c.Why);
    TFormulaParser engine;
    TStatementPrompt prompt(engine);
    EXPECT_EQ(Type(prompt, c.Lines), c.Shown);
    EXPECT_EQ(prompt.KeptRows(), c.Kept);
  }
}

TEST(StatementPrompt, LinesPrintTheirResultsAndKeepTheirNames) {
  const TSessionCase cases[] = {
      {{"a=2", "a*3"}, "a=2\n6\n", {"a=2"}, "an assignment feeds the later lines"},
      {{"r=2×[1+1]", "r÷4"}, "r=4\n1\n", {"r=4"}, "× ÷ and bracket kinds as in a worksheet"},
      {{"x=-2", "y=x^2", "x-y"},
       "x=-2\ny=4\n-6\n",
       {"x=-2", "y=4"},
       "a negative value is put in brackets"},
      {{"a=1", "a=a+1", "a"}, "a=1\na=2\n2\n", {"a=2"}, "a name assigned again is replaced"},
      {{"a=1", "A=5", "A+1"}, "a=1\nA=5\n6\n", {"A=5"}, "names are one ignoring letter case"},
      {{"z=1", "z=1/0", "z"},
       "z=1\n     ^\nERROR 9 被0除\n1\n",
       {"z=1"},
       "a failed assignment leaves the earlier value"},
      {{"1+2"}, "3\n", {}, "a plain expression prints just its value"},
      {{"", "   ", "// 注释"}, "", {}, "blank and comment lines print nothing"},
      {{"a=1;b=a+1"}, "a=1\nb=2\n", {"a=1", "b=2"}, "two statements on one line"},
      {{"a=1;b=1/0"},
       "a=1\n  a=1;b=1/0\n         ^\nERROR 9 被0除\n这一行有错误，其中的名字都没有保留\n",
       {},
       "a line with an error keeps none of its names"},
      {{"a=1;a=2"},
       "a=1\na=2\n名称“a”已存在\n"
       "这一行有错误，其中的名字都没有保留\n",
       {},
       "a name twice on one line ends the line as in a worksheet"},
      {{"2^3^2", ":约定 标准", "2^3^2", "a=1;a=a+1", ":convention classic", "-2^2"},
       "64\n约定：标准\n512\na=1\na=2\n约定：经典\n4\n",
       {"a=2"},
       "the convention command switches the rules, names assigned again included"},
      {{":约定", ":约定 课本"},
       "约定：经典\n用法：:约定 标准 或 :约定 经典（:convention standard|classic）\n",
       {},
       "alone it tells the rules; another word is refused"},
      {{"f(x)=x^2+1", "f(3)", "g(a,b)=a*b+f(a)", "w=g(2,5)", ":vars"},
       "f(x)=x^2+1\n10\ng(a,b)=a*b+f(a)\nw=15\nw=15\nf(x)=x^2+1\ng(a,b)=a*b+f(a)\n",
       {"w=15"},
       "functions stay for later lines and :vars lists them"},
      {{"f(x)=x;y=1/0", "f(2)"},
       "f(x)=x\n  f(x)=x;y=1/0\n            ^\nERROR 9 被0除\n这一行有错误，其中的名字都没有保留\n"
       "  ^\nERROR 38 未定义的名称“f”\n",
       {},
       "a line with an error keeps none of its functions either"},
      {{"f(x)=x", ":clear", "f(1)"},
       "f(x)=x\n已忘记 1 个名字\n  ^\nERROR 38 未定义的名称“f”\n",
       {},
       ":clear forgets functions"},
      {{"PI=3", "2*PI"},
       "PI=3\n没有保留“PI”：它是内置的函数或常量\n6.28318530717959\n",
       {},
       "a built-in name is not taken over"},
      {{"2=2"},
       "2=2\n没有保留“2”：名字以字母或汉字开头，只含字母、汉字、数字和下划线\n",
       {},
       "a relation is no name"},
      {{"长度=3", "长度*2"}, "长度=3\n6\n", {"长度=3"}, "Chinese names"},
      {{"a=2", "b=a*a", ":vars"}, "a=2\nb=4\na=2\nb=4\n", {"a=2", "b=4"}, ":vars lists them"},
      {{":vars"}, "（还没有名字）\n", {}, ":vars without names"},
      {{"c=5", ":clear", ":vars"}, "c=5\n已忘记 1 个名字\n（还没有名字）\n", {}, ":clear forgets"},
      {{":frobnicate"}, "未知的命令“:frobnicate”；:help 列出命令\n", {}, "an unknown command"},
  };
  ExpectSessions(cases);
}

TEST(StatementPrompt, QuitEndsTheSessionAndErrorsSetTheStatus) {
  TFormulaParser engine;
  TStatementPrompt prompt(engine);
  EXPECT_FALSE(prompt.Answer("quitter=1").Quit);
  EXPECT_FALSE(prompt.AnyError());
  EXPECT_TRUE(prompt.Answer(" Quit ").Quit);
  EXPECT_TRUE(prompt.Answer("exit").Quit);
  prompt.Answer("1/0");
  EXPECT_TRUE(prompt.AnyError());
}

struct TCaretCase {
  TLines Before;  // lines typed first, for their names
  std::string Line;
  std::size_t Column;
  std::string Error;
  const char* Why;
};

TEST(StatementPrompt, TheCaretStandsUnderTheErrorsCharacterAsTyped) {
  const TCaretCase cases[] = {
      {{}, "1/0", 1, "ERROR 9 被0除", "the operator of a failed operation"},
      {{}, "y=2*/3", 4, "ERROR 2 未知的函数", "after the name"},
      {{}, "  1/0", 3, "ERROR 9 被0除", "blanks before the line"},
      {{}, "sqrt(-1)", 0, "ERROR 8 SQRT(x) 在 x<0 时 → 复数", "the name of a call"},
      {{}, "2*", 2, "ERROR 2 未知的函数", "the end of the line"},
      {{}, "2*(3+4", 2, "ERROR 3 ( ) 不匹配", "the bracket left open"},
      {{}, "(1+2))*3", 5, "ERROR 3 ( ) 不匹配", "the bracket closed once too often"},
      {{}, "π/0", 1, "ERROR 9 被0除", "π became PI"},
      {{}, "{1+2]*[3/0]", 8, "ERROR 9 被0除", "bracket kinds"},
      {{}, "长度=2/0", 6, "ERROR 9 被0除", "Chinese characters take two columns"},
      {{"x=-2"}, "x/0", 1, "ERROR 9 被0除", "a name replaced by its value"},
      {{"a=6", "b=0"}, "a/b", 1, "ERROR 9 被0除", "two names replaced"},
      {{"k=0"}, "5÷k", 1, "ERROR 9 被0除", "a changed sign next to a replaced name"},
      {{"r=2.5", "长度=5"},
       "长度÷(r-r)",
       4,
       "ERROR 9 被0除",
       "a changed sign between replaced names"},
      {{"w=1E30"}, "w*w*w", 1, "ERROR 11 中间结果超出范围", "values longer than their names"},
  };
  for (const TCaretCase& c : cases) {
    SCOPED_TRACE(c.Why);
    TFormulaParser engine;
    TStatementPrompt prompt(engine);
    for (const std::string& line : c.Before) prompt.Answer(line);
    const TPromptReply reply = prompt.Answer(c.Line);
    ASSERT_EQ(reply.Items.size(), 1u);
    EXPECT_EQ(reply.Items[0].Kind, TPromptItem::TKind::Error);
    EXPECT_EQ(reply.Items[0].Column, c.Column);
    EXPECT_EQ(reply.Items[0].Text, c.Error);
  }
}

class StatementPromptLoad : public tessary::testing::TTempFolderTest {};

TEST_F(StatementPromptLoad, ReadsAVariableFileOrLeavesTheNamesAlone) {
  Put(PathOf("calc.vle"), "P=100\r\nT=273.15\r\n\xB3\xA4=2\r\n");  // 长=2, code page 936
  Put(PathOf("twice.vle"), "a=1\r\nA=2\r\n");
  Put(PathOf("odd.vle"), "1x=5\r\nq=7\r\n");
  const TSessionCase cases[] = {
      {{":load " + PathOf("calc.vle"), "P+T", "长*3"},
       "已读入 3 个名字：" + PathOf("calc.vle") + "\n373.15\n6\n",
       {"P=100", "T=273.15", "长=2"},
       "rows of a .vle in code page 936"},
      {{"T=1", "u=2", ":load " + PathOf("calc.vle")},
       "T=1\nu=2\n已读入 3 个名字：" + PathOf("calc.vle") + "\n",
       {"T=273.15", "u=2", "P=100", "长=2"},
       "a loaded row replaces a kept name in place"},
      {{"a=5", ":load " + PathOf("twice.vle")},
       "a=5\n" + PathOf("twice.vle") + ": 名称“A”已存在\n",
       {"a=5"},
       "a key twice loads nothing"},
      {{"a=5", ":load " + PathOf("none.vle")},
       "a=5\n无法打开文件“" + PathOf("none.vle") + "”：文件或文件夹不存在\n",
       {"a=5"},
       "a missing file changes nothing"},
      {{":load " + FDir.string()}, FDir.string() + " 不是普通文件\n", {}, "a folder"},
      {{":load " + PathOf("odd.vle")},
       "没有保留“1x”：名字以字母或汉字开头，只含字母、汉字、数字和下划线\n已读入 1 个名字：" +
           PathOf("odd.vle") + "\n",
       {"q=7"},
       "a row whose key is no name"},
      {{":load"}, "用法：:load 文件.vle\n", {}, "no file given"},
  };
  ExpectSessions(cases);
}

TEST(StatementPrompt, TabOffersFunctionsInTheTypedCaseAndKeptNames) {
  TFormulaParser engine;
  TStatementPrompt prompt(engine);
  prompt.Answer("rate=2");
  prompt.Answer("Radius=3");
  prompt.Answer("rule(x)=x*2");
  const struct {
    std::string Word;
    TLines Candidates;
    const char* Why;
  } cases[] = {
      {"ARCT", {"ARCTAN", "ARCTANH"}, "upper case typed"},
      {"arct", {"arctan", "arctanh"}, "lower case typed"},
      {"ArcT", {"ArcTan", "ArcTanh"}, "mixed: the typed part stays, the rest lower case"},
      {"st", {"std", "stdev", "strcomp"}, "a prefix of several"},
      {"avge", {"avgerage"}, "the spelling the engine knows"},
      {"ra", {"rad", "Radius", "rand", "rate"}, "kept names as spelled, sorted with functions"},
      {"ru", {"rule"}, "a defined function"},
      {"RA", {"RAD", "Radius", "RAND", "rate"}, "kept names ignore the typed case"},
      {"2si", {"2sin", "2sinh"}, "digits in front stay"},
      {"q", {}, "nothing starts so"},
  };
  for (const auto& c : cases) EXPECT_EQ(prompt.Completions(c.Word), c.Candidates) << c.Why;
  EXPECT_EQ(prompt.Completions("").size(), 55u) << "52 built-ins, 2 names and a function";
}

}  // namespace
}  // namespace tessary::cli
