// SPDX-License-Identifier: MIT
// Calculate over the six containers: the worked examples and the edge cases
// of joining, substituting, evaluating and the temporary table.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calculation.h"
#include "errorcodes.h"

namespace tessary {
namespace {

using TLines = std::vector<std::string>;

// Records the messages instead of showing them.
struct TRecordedMessages : ICalcMessages {
  TLines Messages, Errors;
  void ShowMessage(const std::string& text) override { Messages.push_back(text); }
  void ShowError(const std::string& text) override { Errors.push_back(text); }
};

class Calculation : public ::testing::Test {
 protected:
  // A worksheet with the given formula lines and variable rows.
  static TWorksheet Sheet(TLines formula, TLines vars = {}) {
    TWorksheet ws;
    ws.Formula = std::move(formula);
    for (const auto& row : vars) ws.Variables.AppendRow(row);
    return ws;
  }
  TCalcReport Run(TWorksheet& ws) { return Calculate(ws, FEngine, FMessages); }

  TFormulaParser FEngine;
  TRecordedMessages FMessages;
};

TEST_F(Calculation, TheInitialWorksheetGives273_15) {
  TWorksheet ws = DefaultWorksheet();
  const TCalcReport report = Run(ws);
  EXPECT_EQ(ws.NormalisedLog, TLines{"Z=(80+2*(5+2*(1.5+1)))/(P/T)"});
  EXPECT_EQ(ws.EvaluatedLog, TLines{"Z=(80+2*(5+2*(1.5+1)))/(100/273.15)"});
  EXPECT_EQ(ws.Results, TLines{"Z=273.15"});
  EXPECT_EQ(ws.NamedResults.Rows(), TLines{"Z=273.15"});
  EXPECT_FALSE(report.AnyError());
  EXPECT_TRUE(FMessages.Messages.empty());
}

TEST_F(Calculation, EarlierResultsAreBracketedWithAPlus) {
  TWorksheet ws = Sheet({"A=-2", "B=A*3"});
  Run(ws);
  EXPECT_EQ(ws.NormalisedLog, (TLines{"A=-2", "B=A*3"}));
  EXPECT_EQ(ws.EvaluatedLog, (TLines{"A=-2", "B=(-2)*3"})) << "(+-2) cleaned up to (-2)";
  EXPECT_EQ(ws.Results, (TLines{"A=-2", "B=-6"}));
  EXPECT_EQ(ws.NamedResults.Rows(), (TLines{"A=-2", "B=-6"}));
}

TEST_F(Calculation, JoiningLinesIntoStatements) {
  struct TCase {
    TLines Formula;
    TLines Results;
    const char* Why;
  } cases[] = {
      {{"Z=1+", "2"}, {"Z=3"}, "a line without '=' continues the statement"},
      {{"a=1;b=a+1"}, {"a=1", "b=2"}, "statements on one line"},
      {{"a=1;;b=2"}, {"a=1"}, "an empty statement ends the run"},
      {{"a=1;"}, {"a=1"}, "a trailing ';' is harmless"},
      {{"x=2 // double", "// y=3", "   ", "z=x*2"}, {"x=2", "z=4"}, "comments and blank lines"},
      {{"1+2"}, {"3"}, "a statement without a name"},
      {{"1+2", "3+4"}, {"28"}, "two lines without '=' are one statement: 1+23+4"},
      {{"// only a comment"}, {}, "nothing to do"},
      {{}, {}, "an empty pane"},
      {{"a=1", "b=2;", "c=3"}, {"a=1", "b=2", "c=3"}, "no ';' doubled after one that ends a line"},
  };
  for (auto& c : cases) {
    TWorksheet ws = Sheet(c.Formula);
    Run(ws);
    EXPECT_EQ(ws.Results, c.Results) << c.Why;
  }
}

TEST_F(Calculation, SubstitutionRules) {
  struct TCase {
    TLines Formula;
    TLines Vars;
    const char* Evaluated;  // last line of the evaluated-formula log
    const char* Why;
  } cases[] = {
      {{"P=5", "Q=P"}, {"P=100"}, "Q=100", "a variable beats an earlier result"},
      {{"Q=p"}, {"P=100"}, "Q=p", "names are case-sensitive in the text"},
      {{"Q=PT+aP"}, {"P=100"}, "Q=PT+aP", "letter neighbours protect a name"},
      {{"Q=2P+P_1"}, {"P=100"}, "Q=2P+P_1", "so do digits and '_'"},
      {{"x1=2", "x10=5", "b=x10*2"}, {}, "b=5*2", "x1 is no part of x10"},
      {{"E=2", "D=3E2"}, {}, "D=3E2", "a result named E leaves numbers alone"},
      {{"B=1/100000", "E=2", "C=B*2"}, {}, "C=(1E-5)*2", "also in a substituted result"},
      {{"Q=T"}, {"T=273.15"}, "Q=273.15", "a plain value is not bracketed"},
      {{"Q=R"}, {"R=P*2", "P=3"}, "Q=(3*2)", "a value with a sign is; later rows see its names"},
      {{"Q=R"}, {"P=3", "R=P*2"}, "Q=(P*2)", "earlier rows do not"},
      {{"Q=V"}, {" V = -4 "}, "Q=(-4)", "keys and values are trimmed"},
      {{"Q=W"}, {"W=[1+2]"}, "Q=((1+2))", "substituted brackets are normalised again"},
      {{"Q=U"}, {"U=2×3"}, "Q=(2*3)", "and so are substituted signs"},
      {{"Q=x z"}, {"x=y", "y z=4"}, "Q=4", "a value may complete a key that holds a blank"},
      {{"A=1E-5", "B=A"}, {}, "B=(1E-5)", "an E-notation result contains '-'"},
      {{"A=-2", "B=-A"}, {}, "B=-(-2)", "(+-2) becomes (-2)"},
      {{"A=2", "B=A"}, {}, "B=2", "a positive result is not bracketed"},
      {{"Q=π*2"}, {}, "Q=PI*2", "π is normalised"},
  };
  for (auto& c : cases) {
    TWorksheet ws = Sheet(c.Formula, c.Vars);
    Run(ws);
    ASSERT_FALSE(ws.EvaluatedLog.empty()) << c.Why;
    EXPECT_EQ(ws.EvaluatedLog.back(), c.Evaluated) << c.Why;
  }
}

// A name is replaced only as a whole: neither neighbour may be a letter, a
// digit, "_", "." or a character beyond ASCII (a Chinese name is as whole as
// a Latin one). Numbers and longer names come through unchanged.
TEST_F(Calculation, WholeNamesOnly) {
  struct TCase {
    TLines Formula;
    TLines Vars;
    TLines Results;
    int LastError;
    const char* Why;
  } cases[] = {
      {{"x1=2", "x10=5", "b=x10*2"}, {}, {"x1=2", "x10=5", "b=10"}, 0, "results x1 and x10"},
      {{"R=x1*2"}, {"x=3", "x1=5"}, {"R=10"}, 0, "variables x and x1"},
      {{"E=2", "D=3E2"}, {}, {"E=2", "D=300"}, 0, "a result named E"},
      {{"x=1E3"}, {"E=5"}, {"x=1000"}, 0, "a variable named E"},
      {{"B=1/100000", "E=2", "C=B*2"},
       {},
       {"B=1E-5", "E=2", "C=2E-5"},
       0,
       "E in an E-notation result"},
      {{"X=2P"}, {"P=100"}, {"X=0"}, 2, "the engine sees 2P: two operands side by side"},
      {{"Y=P_1"}, {"P=100"}, {"Y=0"}, 38, "the engine sees the unknown name P_1"},
      {{"变=2", "变量=3", "z=变量+变"},
       {},
       {"变=2", "变量=3", "z=5"},
       0,
       "a Chinese name is whole"},
      {{"长度=7", "面积=长度*长"}, {"长=4"}, {"长度=7", "面积=28"}, 0, "a variable 长 beside 长度"},
  };
  for (auto& c : cases) {
    TWorksheet ws = Sheet(c.Formula, c.Vars);
    const TCalcReport report = Run(ws);
    EXPECT_EQ(ws.Results, c.Results) << c.Why;
    ASSERT_FALSE(report.Statements.empty()) << c.Why;
    EXPECT_EQ(report.Statements.back().ErrorCode, c.LastError) << c.Why;
  }
}

// Substitution carries at most 100000 characters on after a name. A longer
// statement is an error of its own, listed as 0, never a shorter formula
// evaluated in silence; the run goes on.
TEST_F(Calculation, AStatementTooLongToCarryOnIsAnError) {
  std::string longSum = "P", fitting = "P";
  for (int i = 1; i < 100000; ++i) longSum += "+P";
  for (int i = 1; i <= 50000; ++i) fitting += "+P";
  TWorksheet ws = Sheet({longSum, "Z=2", "Y=Z+1"}, {"P=1"});
  const TCalcReport longReport = Run(ws);
  EXPECT_EQ(ws.Results, (TLines{"0", "Z=2", "Y=3"}));
  ASSERT_EQ(longReport.Statements.size(), 3u);
  EXPECT_EQ(longReport.Statements[0].ErrorCode, 41);
  EXPECT_EQ(longReport.Statements[0].ErrorMessage, "公式太长，无法代入变量");
  EXPECT_EQ(longReport.Statements[0].Value, 0.0L);
  EXPECT_TRUE(ws.EvaluatedLog[0] == longSum) << "nothing was substituted";
  EXPECT_TRUE(longReport.AnyError());
  EXPECT_TRUE(FMessages.Errors.empty()) << "the run went on";

  ws = Sheet({fitting}, {"P=1"});
  Run(ws);
  EXPECT_EQ(ws.Results, TLines{"50001"}) << "exactly 100000 characters after the first P";
}

// Values that hold names multiply a statement's text; substitution may
// lengthen it by at most 100000 characters. Z=A grows from 1 character to
// 1000 values of B bracketed: 1000 * (2n + 1) + 1001 characters for n ones.
TEST_F(Calculation, SubstitutionGrowsAStatementByAtMost100000Characters) {
  auto sum = [](const std::string& term, int n) {
    std::string s = term;
    for (int i = 1; i < n; ++i) s += "+" + term;
    return s;
  };
  TWorksheet ws = Sheet({"Z=A", "Y=2"}, {"A=" + sum("B", 1000), "B=" + sum("1", 49)});
  Run(ws);
  EXPECT_EQ(ws.Results, (TLines{"Z=49000", "Y=2"})) << "100001 characters: just fits";

  ws = Sheet({"Z=A", "Y=2"}, {"A=" + sum("B", 1000), "B=" + sum("1", 50)});
  const TCalcReport report = Run(ws);
  EXPECT_EQ(ws.Results, (TLines{"Z=0", "Y=2"})) << "102001 characters";
  ASSERT_EQ(report.Statements.size(), 2u);
  EXPECT_EQ(report.Statements[0].ErrorCode, 41);
  EXPECT_EQ(report.Statements[0].ErrorMessage, "公式太长，无法代入变量");
  EXPECT_EQ(ws.EvaluatedLog[0], "Z=A") << "the statement as written";
}

TEST_F(Calculation, EngineErrorsYieldZeroAndAreKept) {
  TWorksheet ws = Sheet({"Z=1/0", "Y=Z+1", "X=FOO(2)"});
  const TCalcReport report = Run(ws);
  EXPECT_EQ(ws.Results, (TLines{"Z=0", "Y=1", "X=0"})) << "a failed statement is listed as 0";
  ASSERT_EQ(report.Statements.size(), 3u);
  EXPECT_EQ(report.Statements[0].ErrorCode, ecDivisionByZero);
  EXPECT_EQ(report.Statements[0].ErrorMessage, "被0除");
  EXPECT_EQ(report.Statements[0].ErrorPosition, 2u) << "the '/' of 1/0";
  EXPECT_EQ(report.Statements[1].ErrorCode, 0);
  EXPECT_EQ(report.Statements[2].ErrorCode, ecUnknownName);
  EXPECT_TRUE(report.AnyError());
  EXPECT_TRUE(report.Failure.empty()) << "the run went on";
}

TEST_F(Calculation, ErrorPositionCountsCharactersNotBytes) {
  TWorksheet ws = Sheet({"Z=π+中"});
  const TCalcReport report = Run(ws);
  ASSERT_EQ(report.Statements.size(), 1u);
  EXPECT_EQ(report.Statements[0].Expression, "PI+中");
  EXPECT_EQ(report.Statements[0].ErrorCode, ecUnknownFunction);
  EXPECT_EQ(report.Statements[0].ErrorPosition, 4u) << "中 is the fourth character";

  TWorksheet euro = Sheet({"Z=LENGTH('€')+1/0"});
  const TCalcReport euroReport = Run(euro);
  ASSERT_EQ(euroReport.Statements.size(), 1u);
  EXPECT_EQ(euroReport.Statements[0].ErrorPosition, 14u) << "the euro is one byte, one character";
}

TEST_F(Calculation, UnbalancedBracketsWarnButStillEvaluate) {
  TWorksheet ws = Sheet({"Z=(1+2", "Y={3]"});
  const TCalcReport report = Run(ws);
  EXPECT_EQ(FMessages.Messages, TLines{"公式错误：括号不配对!"}) << "only the first is unbalanced";
  EXPECT_EQ(ws.Results, (TLines{"Z=0", "Y=3"}));
  EXPECT_TRUE(report.Statements[0].BracketsUnbalanced);
  EXPECT_EQ(report.Statements[0].ErrorCode, ecBracketMismatch);
}

TEST_F(Calculation, ASecondAssignmentEndsTheRun) {
  TWorksheet ws = Sheet({"a=1", "a=a+1", "b=2"});
  const TCalcReport report = Run(ws);
  EXPECT_EQ(ws.Results, (TLines{"a=1", "a=2"})) << "the result line comes before the failure";
  EXPECT_EQ(FMessages.Errors, TLines{"名称“a”已存在"});
  EXPECT_EQ(report.Failure, FMessages.Errors.front());
  EXPECT_TRUE(report.AnyError());
  EXPECT_EQ(ws.NamedResults.Rows(), TLines{"a=1"});

  ws.Formula = {"b=3"};
  Run(ws);
  EXPECT_EQ(ws.NamedResults.Rows(), TLines{"b=3"}) << "the next run starts with an empty table";

  TWorksheet other = Sheet({"a=1", "A=2"});
  Run(other);
  EXPECT_EQ(other.Results, (TLines{"a=1", "A=2"})) << "keys ignore letter case";
  EXPECT_EQ(FMessages.Errors.back(), "名称“A”已存在");
}

// A comment line "// 约定：标准" before the first statement chooses the
// textbook rules for the whole worksheet; anything else leaves the classic
// ones. Each sheet ends with the rules' tell-tale statements.
TEST_F(Calculation, TheWorksheetDeclaresItsConvention) {
  const TLines classic{"a=64", "b=4"};
  const TLines standard{"a=512", "b=-4"};
  const struct {
    TLines Head;
    TLines Results;
  } rows[] = {
      {{"// 约定：标准"}, standard},
      {{"//约定:标准"}, standard},
      {{"  //  约定 ： 标准  "}, standard},
      {{"", "// 说明", "  ", "// 约定：标准", "// 其他"}, standard},
      {{"// 约定：经典"}, classic},
      {{}, classic},
      {{"// 约定：标准吧"}, classic},
      {{"// 约定 标准"}, classic},
      {{"x=1", "// 约定：标准"}, {"x=1", "a=64", "b=4"}},
      {{"x=1 // 约定：标准"}, {"x=1", "a=64", "b=4"}},
  };
  for (const auto& r : rows) {
    TLines formula = r.Head;
    formula.insert(formula.end(), {"a=2^3^2", "b=-2^2"});
    TWorksheet ws = Sheet(formula);
    Run(ws);
    EXPECT_EQ(ws.Results, r.Results) << (r.Head.empty() ? "" : r.Head.back());
  }
}

// In textbook rules a name may be assigned again; the classic rule ends the
// run there. The caller may override what the sheet declares.
TEST_F(Calculation, TextbookRulesLetANameBeAssignedAgain) {
  TWorksheet ws = Sheet({"// 约定：标准", "x=1", "x=x+1", "y=x*10", "X=5"});
  const TCalcReport report = Run(ws);
  EXPECT_EQ(ws.Results, (TLines{"x=1", "x=2", "y=20", "X=5"}));
  EXPECT_FALSE(report.AnyError());
  EXPECT_EQ(ws.NamedResults.Rows(), (TLines{"X=5", "y=20"})) << "the row is replaced in place";

  ws.Convention = TConvention::Classic;
  Run(ws);
  EXPECT_EQ(ws.Results.back(), "x=2");
  EXPECT_EQ(FMessages.Errors.back(), "名称“x”已存在");

  TWorksheet plain = Sheet({"a=2^3^2"});
  plain.Convention = TConvention::Standard;
  Run(plain);
  EXPECT_EQ(plain.Results, TLines{"a=512"});
}

// "°" follows a number, a name or a bracket, and a variable before it is
// still put in: it ends the name as any sign does.
TEST_F(Calculation, DegreesFollowNamesAndValues) {
  TWorksheet ws = Sheet({"w=SIN(r°)", "v=COS(2*r°)+TAN(45°)", "u=SIN((r+r)°)"}, {"r=30"});
  Run(ws);
  EXPECT_EQ(ws.Results, (TLines{"w=0.5", "v=1.5", "u=0.866025403784439"}));
}

// Functions defined in the worksheet: a definition prints itself, calls
// use the variables and earlier results, a parameter hides a variable of
// its name, and a definition that cannot be made says why (code 43).
TEST_F(Calculation, FunctionsDefinedInTheWorksheet) {
  const struct {
    TLines Formula;
    TLines Vars;
    TLines Results;
    const char* Failure;  // the statement's message, "" for none
  } rows[] = {
      {{"f(x)=x^2+1", "y=f(3)"}, {}, {"f(x)=x^2+1", "y=10"}, ""},
      {{"f(x)=x^2+1", "g(a, b)=a*b+f(a)", "w=g(2,5)"},
       {},
       {"f(x)=x^2+1", "g(a, b)=a*b+f(a)", "w=15"},
       ""},
      {{"f(x)=x*P", "y=f(2)"}, {"P=100", "x=7"}, {"f(x)=x*P", "y=200"}, ""},
      {{"k=3", "f(x)=x+k", "y=f(1)"}, {}, {"k=3", "f(x)=x+k", "y=4"}, ""},
      {{"面积(半径)=π×半径^2", "s=面积(1)"}, {}, {"面积(半径)=π×半径^2", "s=3.14159265358979"}, ""},
      {{"t()=2", "u=t()*t"}, {}, {"t()=2", "u=4"}, ""},
      {{"sin(x)=x"}, {}, {"sin(x)=x"}, "函数名“sin”是内置的函数或常量"},
      {{"P(x)=x"}, {"P=1"}, {"P(x)=x"}, "函数名“P”已是变量的名称"},
      {{"f(x,X)=x"}, {}, {"f(x,X)=x"}, "参数“X”重复"},
      {{"f(1)=2"}, {}, {"f(1)=2"}, "函数定义“f(1)”的参数“1”无效：写法是 名称(参数, …)=表达式"},
      {{"2f(x)=x"},
       {},
       {"2f(x)=x"},
       "函数名“2f”无效：名称以字母或汉字开头，只含字母、汉字、数字和下划线"},
      {{"f(x)=x", "y=f(1,2)"}, {}, {"f(x)=x", "y=0"}, "函数“f”需要 1 个参数，给了 2 个"},
      {{"f(x)=f(x)", "y=f(1)"}, {}, {"f(x)=f(x)", "y=0"}, "函数“f”调用了自己"},
  };
  for (const auto& r : rows) {
    TWorksheet ws = Sheet(r.Formula, r.Vars);
    const TCalcReport report = Run(ws);
    EXPECT_EQ(ws.Results, r.Results) << r.Formula.front();
    std::string failure;
    for (const auto& s : report.Statements)
      if (s.ErrorCode != 0) failure = s.ErrorMessage;
    EXPECT_EQ(failure, r.Failure) << r.Formula.front();
    EXPECT_TRUE(report.Failure.empty()) << report.Failure;
  }
}

// A name defined again follows the convention's rule for names; a value
// may not take a function's name; an error in a body points at the call.
TEST_F(Calculation, FunctionNamesFollowTheConventionAndErrorsPointAtTheCall) {
  TWorksheet classic = Sheet({"f(x)=x", "f(x)=2*x", "y=f(1)"});
  Run(classic);
  EXPECT_EQ(classic.Results, (TLines{"f(x)=x", "f(x)=2*x"}));
  EXPECT_EQ(FMessages.Errors.back(), "名称“f”已存在");

  TWorksheet standard = Sheet({"// 约定：标准", "f(x)=x", "f(x)=2*x", "y=f(1)"});
  Run(standard);
  EXPECT_EQ(standard.Results, (TLines{"f(x)=x", "f(x)=2*x", "y=2"}));

  TWorksheet value = Sheet({"f(x)=x", "f=3"});
  Run(value);
  EXPECT_EQ(FMessages.Errors.back(), "名称“f”已存在");

  TWorksheet call = Sheet({"d(x)=1/x", "z=2*d(0)"});
  const TCalcReport report = Run(call);
  ASSERT_EQ(report.Statements.size(), 2u);
  EXPECT_EQ(report.Statements[1].ErrorCode, 9);
  EXPECT_EQ(report.Statements[1].ErrorPosition, 3u) << "the d of 2*d(0)";

  TWorksheet next = Sheet({"y=d(1)"});
  Run(next);
  EXPECT_EQ(next.Results.back(), "y=0") << "a new run starts without the functions";
}

TEST_F(Calculation, NamelessResultsGetEmptyKeys) {
  TWorksheet ws = Sheet({"1+2;3+4", "Z=5"});
  Run(ws);
  EXPECT_EQ(ws.Results, (TLines{"3", "7", "Z=5"}));
  EXPECT_EQ(ws.NamedResults.Rows(), (TLines{"=3", "=7", "Z=5"})) << "empty keys may repeat";
}

TEST_F(Calculation, NamesAreKeptAsWritten) {
  TWorksheet ws = Sheet({" x = 1+1", "y=x"});
  Run(ws);
  EXPECT_EQ(ws.NormalisedLog.front(), "x = 1+1") << "the line is trimmed, the name keeps its blank";
  EXPECT_EQ(ws.Results.front(), "x =2");
  EXPECT_EQ(ws.NamedResults.Rows().front(), "x =2");
  EXPECT_EQ(ws.Results.back(), "y=2") << "the trimmed key 'x' still substitutes";
}

// A long statement is calculated whole, with a name as without one: 4001
// terms of 10 are 12,003 characters, beyond the 10,240 once kept.
TEST_F(Calculation, LongStatementsAreCalculatedWhole) {
  std::string sum = "10";
  for (int i = 1; i < 4001; ++i) sum += "+10";
  TWorksheet ws = Sheet({sum, "s=" + sum});
  const TCalcReport report = Run(ws);
  EXPECT_EQ(ws.Results, (TLines{"40010", "s=40010"}));
  EXPECT_EQ(ws.NormalisedLog[1].size(), 2 + sum.size()) << "nothing cut after the name";
  EXPECT_FALSE(report.AnyError());
}

// Sign pairs left by substitution are cleaned up in one pass per pair, in
// the order "+-", "-+", "--", "(+"; the evaluated log shows the result.
TEST_F(Calculation, SignPairsAreCleanedUp) {
  const std::string dashes(1000, '-');
  const struct {
    std::string Statement;
    std::string Evaluated;
    const char* Result;
  } cases[] = {
      {"y=2--5", "y=2+5", "y=7"},
      {"y=2+-5", "y=2-5", "y=-3"},
      {"y=2-+5", "y=2-5", "y=-3"},
      {"y=(+5)", "y=(5)", "y=5"},
      {"y=2---5", "y=2+-5", "y=-3"},
      {"z=" + dashes + "5", "z=" + std::string(500, '+') + "5", "z=5"},
  };
  for (const auto& c : cases) {
    TWorksheet ws = Sheet({c.Statement});
    Run(ws);
    EXPECT_EQ(ws.EvaluatedLog, TLines{c.Evaluated}) << c.Statement.substr(0, 12);
    EXPECT_EQ(ws.Results, TLines{c.Result}) << c.Statement.substr(0, 12);
  }
}

TEST_F(Calculation, MoreThanOneHundredStatementsAreAllCalculated) {
  TLines formula;
  for (int i = 0; i < 250; ++i)
    formula.push_back("S" + std::to_string(i) + "=" + std::to_string(i));
  TWorksheet ws = Sheet(formula);
  Run(ws);
  ASSERT_EQ(ws.Results.size(), 250u);
  EXPECT_EQ(ws.Results.back(), "S249=249");
}

TEST_F(Calculation, PanesAreCutBackAtTheStartOfTheNextRun) {
  TWorksheet ws = Sheet({"Z=1"});
  ws.Results.assign(501, "old");
  ws.NormalisedLog.assign(500, "old");
  ws.EvaluatedLog.assign(600, "old");
  Run(ws);
  EXPECT_EQ(ws.Results.size(), 450u + 1) << "501 lines lose 51, then the new line";
  EXPECT_EQ(ws.NormalisedLog.size(), 501u) << "500 lines are not more than 500";
  EXPECT_EQ(ws.EvaluatedLog.size(), 549u + 1);
  EXPECT_EQ(ws.Results.back(), "Z=1");
}

TEST_F(Calculation, ResultsFeedLaterStatementsAsRounded) {
  TWorksheet ws = Sheet({"A=1/3", "B=A*3", "C=B=1"});
  Run(ws);
  EXPECT_EQ(ws.EvaluatedLog[1], "B=0.333333333333333*3") << "the 15-digit text is substituted";
  EXPECT_EQ(ws.Results[1], "B=0.999999999999999");
  EXPECT_EQ(ws.Results[2], "C=0");
}

}  // namespace
}  // namespace tessary
