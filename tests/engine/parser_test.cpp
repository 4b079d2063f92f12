// SPDX-License-Identifier: MIT
// The grammar: what the engine reads, and which syntax errors it records.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "buildinfuncs.h"
#include "enginetestutil.h"
#include "errorcodes.h"

namespace tessary {
namespace {

using testing::CheckRows;
using testing::TRow;

TEST(Grammar, EmptyTextAndBracketCount) {
  const TRow rows[] = {
      {"", 0, ecEmptyText, "nothing to read"},
      {"   ", 0, ecEmptyText, "blanks only"},
      {"(1", 0, ecBracketMismatch, "counted before anything is read"},
      {"LENGTH('(')", 0, ecBracketMismatch, "a bracket inside a literal counts too"},
      {")1(", 0, ecUnknownFunction, "the count balances; ')' cannot start a factor"},
      {"(1,2)", 0, ecBracketMismatch, "',' where ')' must close the bracket"},
      {"  (1)  ", 1, 0, "blanks around the text"},
  };
  CheckRows(rows);
}

TEST(Grammar, PrecedenceAndGrouping) {
  const TRow rows[] = {
      {"1+2*3", 7, 0, "'*' binds tighter than '+'"},
      {"(1+2)*3", 9, 0, "brackets"},
      {"8/4/2", 1, 0, "'/' groups from the left"},
      {"10-4-3", 3, 0, "'-' groups from the left"},
      {"2^3^2", 64, 0, "'^' groups from the left: (2^3)^2"},
      {"2*3^2", 18, 0, "'^' binds tighter than '*'"},
      {"-2^2", 4, 0, "a sign belongs to the operand of '^'"},
      {"2^-1", 0.5L, 0, "the right operand of '^' is a factor"},
      {"(80+2*(5+2*(1.5+1)))/(100/273.15)", 273.15L, 0, "the default worksheet", 1E-18L},
  };
  CheckRows(rows);
}

TEST(Grammar, UnarySigns) {
  const TRow rows[] = {
      {"-5", -5, 0, "minus"},
      {"+5", 5, 0, "plus"},
      {"--5", 5, 0, "signs nest"},
      {"- 5", 0, ecUnknownFunction, "no blank may follow a unary sign"},
      {"2* -3", -6, 0, "a sign after an operator and its blanks"},
      {"2--5", 7, 0, "binary minus, then a sign"},
      {"-(2+3)", -5, 0, "a sign before a bracket"},
  };
  CheckRows(rows);
}

TEST(Grammar, WhatMayFollowAnOperand) {
  const TRow rows[] = {
      {"1 2", 0, ecUnknownFunction, "two numbers side by side"},
      {"2(3)", 0, ecUnknownFunction, "no implicit multiplication"},
      {"2PI", 0, ecUnknownFunction, "a name right after a number"},
      {"1,5", 1, 0, "',' ends the expression; the rest is not read"},
      {"2\t*3", 0, ecUnknownFunction, "a tab is an ordinary character"},
      {"2\xC3\x97"
       "3",
       0, ecUnknownFunction, "an unconverted multiplication sign"},
      {"1)", 0, ecBracketMismatch, "the count catches a stray ')'"},
  };
  CheckRows(rows);
}

TEST(Grammar, RelationsAndLogic) {
  const TRow rows[] = {
      {"1<2", 1, 0, "less"},
      {"2<1", 0, 0, "not less"},
      {"1<=1", 1, 0, "less or equal"},
      {"1>=2", 0, 0, "greater or equal"},
      {"1<>2", 1, 0, "not equal"},
      {"1=1", 1, 0, "equal"},
      {"2>1", 1, 0, "greater"},
      {"1< =1", 1, 0, "blanks between '<' and '='"},
      {"1< >1", 0, 0, "blanks between '<' and '>'"},
      {"2> =3", 0, 0, "blanks between '>' and '='"},
      {"1==1", 0, ecUnknownFunction, "'=' cannot start a factor"},
      {"1<2<3", 1, 0, "a relation ends the expression"},
      {"1=1&0", 1, 0, "'&0' after a relation is never read"},
      {"(1=1)&0", 0, 0, "and"},
      {"1|0&0", 1, 0, "'&' and '|' group from the right: 1|(0&0)"},
      {"0&1|1", 0, 0, "0&(1|1)"},
      {"(1<2)+(2<1)", 1, 0, "truth values are the reals 1 and 0"},
  };
  CheckRows(rows);
}

TEST(Grammar, NumberLiterals) {
  const TRow rows[] = {
      {"1e5", 100000, 0, "lower-case e arrives upper-cased"},
      {"1E5", 100000, 0, "exponent"},
      {"1.5E-3", 0.0015L, 0, "negative exponent"},
      {"1.E5", 100000, 0, "'1.E5' reads as 1.0E5"},
      {".5", 0.5L, 0, "leading point"},
      {"5.", 5, 0, "trailing point"},
      {".", 0, 0, "a point alone is 0"},
      {"1.2.3", 0, ecInvalidNumber, "two points"},
      {"1E", 0, ecInvalidNumber, "exponent without digits"},
      {"1E+", 0, ecInvalidNumber, "exponent sign without digits"},
      {"1E5.5", 0, ecInvalidNumber, "fractional exponent"},
      {"2EXP(1)", 0, ecInvalidNumber, "the literal 2E ends at the X"},
      {"1 E5", 0, ecUnknownFunction, "no blanks inside a literal"},
      {"0.1", 0.1L, 0, "nearest extended value of 0.1"},
      {"123456789012345678", 123456789012345678.0L, 0, "18 digits are exact"},
      {"12345678901234567890123", 12345678901234567890123.0L, 0, "long literal"},
      {"0.000000000000000000000000000001", 1E-30L, 0, "many zeros"},
      {"1E300", 1E300L, 0, "a literal is not range-guarded"},
      {"1E4000", 1E4000L, 0, "still an 80-bit number"},
      {"1E99999", 0, ecInvalidNumber, "beyond the 80-bit range"},
      {"1E-99999", 0, 0, "below the smallest value: 0"},
  };
  CheckRows(rows);
}

TEST(Grammar, NamesAndCallSyntax) {
  const TRow rows[] = {
      {"PI", buildin::kPi, 0, "kind 0 without brackets"},
      {"PI()", buildin::kPi, 0, "kind 0 with empty brackets"},
      {"PI( )", buildin::kPi, 0, "blanks inside"},
      {"pi", buildin::kPi, 0, "names ignore case"},
      {"P I", buildin::kPi, 0, "blanks inside a name are passed over"},
      {"PI 2", 0, ecUnknownName, "'PI 2' reads the name PI2"},
      {"PI(1)", 0, ecArgumentCount, "kind 0 takes no argument"},
      {"sin (0)", 0, 0, "blank before the bracket"},
      {"S IN(0)", 0, 0, "blank inside the name"},
      {"SIN", 0, ecArgumentCount, "kind 1 needs brackets"},
      {"SIN(1,2)", 0, ecArgumentCount, "kind 1 takes one argument"},
      {"SIN()", 0, ecUnknownFunction, "')' is not a factor"},
      {"XOR(1)", 0, ecArgumentCount, "kind 2 needs a second argument"},
      {"XOR(1,0)", 1, 0, "kind 2"},
      {"MAX(1)", 0, ecArgumentCount, "a list needs two items"},
      {"MAX()", 0, ecUnknownFunction, "an empty list"},
      {"MAX(1,2,3)", 3, 0, "a list"},
      {"FOO(1)", 0, ecUnknownName, "an unregistered name"},
      {"E5", 0, ecUnknownName, "E5 is a name, not a number"},
      {"A_1", 0, ecUnknownName, "digits and '_' may follow a letter"},
      {"_A", 0, ecUnknownFunction, "a name starts with a letter"},
  };
  CheckRows(rows);
  auto e = testing::EvalFresh("E");
  EXPECT_EQ(e.Error, 0);
  EXPECT_NEAR(static_cast<double>(e.Value), 2.718281828459045, 1E-15);
}

TEST(Grammar, StringLiterals) {
  const TRow rows[] = {
      {"LENGTH('abc')", 3, 0, "single quotes"},
      {"LENGTH(\"abc\")", 3, 0, "double quotes"},
      {"LENGTH('a b c')", 3, 0, "blanks inside a literal vanish"},
      {"LENGTH('')", 0, 0, "an empty literal"},
      {"LENGTH", 0, 0, "kind 8 without brackets passes an empty string"},
      {"LENGTH('abc)", 0, ecUnclosedQuote, "no closing quote before the end"},
      {"LENGTH(abc)", 0, ecMissingQuote, "no opening quote"},
      {"LENGTH('a\")", 0, ecUnclosedQuote, "the opening quote also closes"},
      {"STRCOMP('abc','A B C')", 1, 0, "letters upper-cased, blanks dropped"},
      {"STRCOMP('ab' , 'abc')", 0, 0, "different lengths"},
      {"STRCOMP('a')", 0, ecArgumentCount, "kind 9 needs two literals"},
      {"STRCOMP", 0, ecArgumentCount, "kind 9 needs brackets"},
      {"LENGTH('\xE4\xB8\xAD\xE6\x96\x87')", 4, 0, "two Chinese characters are four bytes"},
      // A trail byte of code page 936 may be a lower-case letter: 乤 is 81 61,
      // 丄 is 81 41. Only letters of their own are upper-cased.
      {"STRCOMP('乤','丄')", 0, 0, "the byte after a lead byte keeps its case"},
      {"STRCOMP('乤a','乤A')", 1, 0, "a letter after a whole character is upper-cased"},
      {"LENGTH('乤')", 2, 0, "still two bytes"},
      {"STRCOMP('€a','€A')", 1, 0, "the euro (80) is one byte and no lead byte"},
  };
  CheckRows(rows);
}

TEST(Grammar, FirstErrorWins) {
  const TRow rows[] = {
      {"1/0+FOO(1)", 0, ecDivisionByZero, "the later unknown name does not replace 9"},
      {"FOO(1/0)", 0, ecUnknownName, "the name fails before its arguments are read"},
      {"XOR(1/0, 1E99999)", 0, ecDivisionByZero, "the second argument is still read"},
      {"IF(1,2,1/0)", 0, ecDivisionByZero, "all arguments are evaluated"},
  };
  CheckRows(rows);
}

TEST(Grammar, ErrorPositionPointsAtTheCulprit) {
  struct TCase {
    const char* Text;
    int Error;
    std::size_t Position;
  } cases[] = {
      {"1+2*(3/0)", ecDivisionByZero, 7},  // the '/'
      {"1+FOO(2)", ecUnknownName, 3},      // the name
      {"2*SQRT(-1)", ecSqrtDomain, 3},     // the call
      {"1 2", ecUnknownFunction, 3},       // the second operand
      {"3+1.2.3", ecInvalidNumber, 3},     // the literal
      {"(1", ecBracketMismatch, 0},        // the text as a whole
      {"", ecEmptyText, 1},                // the end of the text
      {"1+2", 0, 0},
  };
  TFormulaParser fp;
  for (const auto& c : cases) {
    fp.SetExpression(c.Text);
    fp.Evaluate();
    EXPECT_EQ(fp.ErrorCode(), c.Error) << c.Text;
    EXPECT_EQ(fp.ErrorPosition(), c.Position) << c.Text;
  }
}

TEST(Grammar, PathologicalInputNeverCrashes) {
  auto repeat = [](const std::string& s, int n) {
    std::string r;
    for (int i = 0; i < n; ++i) r += s;
    return r;
  };
  TFormulaParser fp;
  struct TCase {
    std::string Text;
    int Error;
  } cases[] = {
      {repeat("(", 200000) + "1" + repeat(")", 200000), ecNestingTooDeep},
      {repeat("-", 200000) + "1", ecNestingTooDeep},
      {repeat("1&", 200000) + "1", ecNestingTooDeep},
      {repeat("SIN(", 100000) + "0" + repeat(")", 100000), ecNestingTooDeep},
      {repeat("(", 400) + "7" + repeat(")", 400), 0},  // deep but fine
      {repeat("1+", 500000) + "1", 0},                 // long but flat
      {std::string("1\0+2", 4), ecUnknownFunction},    // a NUL byte is no end mark
      {std::string("1+\0+2", 5), ecUnknownFunction},
      {std::string("LENGTH('a\0b')", 13), 0},  // but may stand in a literal
      {std::string("\xFF\xFE\x80", 3), ecUnknownFunction},
      {"LENGTH('" + repeat("x", 100000) + ")", ecUnclosedQuote},
      {repeat("A", 100000), ecUnknownName},
      {repeat("9", 100000), ecInvalidNumber},  // 1E100000 does not fit
  };
  for (const auto& c : cases) {
    fp.SetExpression(c.Text);
    const TReal v = fp.Evaluate();
    EXPECT_EQ(fp.ErrorCode(), c.Error) << c.Text.substr(0, 40);
    if (c.Error != 0) {
      EXPECT_EQ(v, 0.0L);
    }
  }
}

TEST(Engine, StartsWithTheTextZero) {
  TFormulaParser fp;
  EXPECT_EQ(fp.ExpressionText(), "0");
  EXPECT_EQ(fp.Evaluate(), 0.0L);
  EXPECT_EQ(fp.ErrorCode(), 0);
}

TEST(Engine, SetExpressionClearsTheErrorAndDefersReading) {
  TFormulaParser fp;
  fp.SetExpression("1/0");
  EXPECT_EQ(fp.ErrorCode(), 0) << "nothing is read before Evaluate";
  fp.Evaluate();
  EXPECT_EQ(fp.ErrorCode(), ecDivisionByZero);
  fp.SetExpression("1+1");
  EXPECT_EQ(fp.ErrorCode(), 0);
  EXPECT_EQ(fp.Evaluate(), 2.0L);
  EXPECT_EQ(fp.Evaluate(), 2.0L) << "evaluating again reads the text again";
  fp.SetError(ecOutOfRange);
  fp.SetError(ecNotBoolean);
  EXPECT_EQ(fp.ErrorCode(), ecOutOfRange) << "the first code wins";
}

TEST(Engine, MessageTableHoldsEveryCodeOnce) {
  TFormulaParser fp;
  const auto& table = fp.MessageTable();
  ASSERT_EQ(table.size(), kErrorTexts.size());
  for (std::size_t i = 0; i < kErrorTexts.size(); ++i) {
    const auto& e = kErrorTexts[i];
    EXPECT_EQ(table[i], std::to_string(e.Code) + "=" + platform::Utf8ToCp936(e.Utf8));
    EXPECT_FALSE(fp.Message(e.Code).empty()) << e.Code;
  }
  for (int unused : {15, 16, 31, 44}) EXPECT_EQ(fp.Message(unused), "") << unused;
  EXPECT_EQ(platform::Cp936ToUtf8(fp.Message(ecDivisionByZero)), "被0除");
  EXPECT_EQ(platform::Cp936ToUtf8(fp.Message(ecIfCondition)), "条件表达式值应为\"是\"或\"否\"");

  fp.SetMessage(ecDivisionByZero, "x");
  EXPECT_EQ(fp.Message(ecDivisionByZero), "x") << "a code's message is replaced";
  EXPECT_EQ(fp.MessageTable().size(), kErrorTexts.size());
}

// The codes and their messages are the engine's interface: callers show
// both. A formula that records the code proves the number where one exists.
TEST(Engine, ErrorCodesAndMessagesAreFixed) {
  const struct {
    int Code;
    const char* Message;
    const char* Formula;  // "" when no formula records the code
  } rows[] = {
      {0, "结果正确", "1"},
      {1, "无效的数字", "1.2.3"},
      {2, "未知的函数", "1 2"},
      {3, "( ) 不匹配", "(1"},
      {4, "实数的非整数次幂 → 复数", "(-8)^0.5"},
      {5, "TAN( (2n+1)*PI/2 ) 无定义", "TAN(PI/2)"},
      {6, "空字符串", " "},
      {7, "LN(x) 或 LOG(x) 在 x<=0 时 → 复数", "LN(0)"},
      {8, "SQRT(x) 在 x<0 时 → 复数", "SQRT(-1)"},
      {9, "被0除", "1/0"},
      {10, "函数或常量太多", ""},
      {11, "中间结果超出范围", "1E20*1E20"},
      {12, "函数名称中有无效的字符", ""},
      {13, "非布尔表达式", "1&2"},
      {14, "参数数目不正确", "SIN"},
      {17, "CSC( n*PI ) 无定义", "CSC(PI)"},
      {18, "SEC( (2n+1)*PI/2 ) 无定义", "SEC(PI/2)"},
      {19, "COT( n*PI ) 无定义", "COT(0)"},
      {20, "参数太大", "COSH(87.5)"},
      {21, "CSCH(0) 无定义", "CSCH(0)"},
      {22, "COTH(0) 无定义", "COTH(0)"},
      {23, "ARCCOSH(x) 在 x<1 时无定义", "ARCCOSH(0.5)"},
      {24, "ARCTANH(x) 在 ABS(x)>=1 时无定义", "ARCTANH(1)"},
      {25, "ARCCSCH(0) 无定义", "ARCCSCH(0)"},
      {26, "ARCSECH(x) 在 x<=0 或 x>1 时无定义", "ARCSECH(0)"},
      {27, "ARCCOTH(x) 在 ABS(x)<=1 时无定义", "ARCCOTH(1)"},
      {28, "没有数据项，无法求平均值", ""},
      {29, "少于两个数据项，无法求标准差", ""},
      {30, "函数已存在", ""},
      {32, "函数尚未完全实现", "MEAN(1,2)"},
      {33, "遗失字符串引用", "LENGTH(abc)"},
      {34, "字符串引用结束符不匹配!", "LENGTH('abc)"},
      {35, "IF 需要正好 3 个参数", "IF(1,2)"},
      {36, "条件表达式值应为\"是\"或\"否\"", "IF(2,1,0)"},
      {37, "RND 的范围太大", "RND(2.5)"},
      {38, "未定义的名称", ""},
      {39, "未发现对象!", ""},
      {40, "表达式嵌套太深", ""},
      {41, "公式太长，无法代入变量", ""},
      {42, "函数调用了自己", ""},
      {43, "函数定义有错误", ""},
  };
  TFormulaParser fp;
  ASSERT_EQ(fp.MessageTable().size(), std::size(rows));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const auto& r = rows[i];
    EXPECT_EQ(platform::Cp936ToUtf8(fp.MessageTable()[i]), std::to_string(r.Code) + "=" + r.Message)
        << "line " << i;
    EXPECT_EQ(platform::Cp936ToUtf8(fp.Message(r.Code)), r.Message) << r.Code;
    if (*r.Formula == '\0') continue;
    fp.SetExpression(r.Formula);
    fp.Evaluate();
    EXPECT_EQ(fp.ErrorCode(), r.Code) << r.Formula;
  }
}

// An unknown name is named in the message, as written: an ASCII one that no
// call reaches (38) and a Chinese one the engine cannot read (2). Other
// failures keep the table's text; one parser runs every row, so a name left
// from the row before would show.
TEST(Engine, UnknownNameIsNamedInTheMessage) {
  const struct {
    const char* Formula;  // UTF-8
    int Code;
    const char* Message;  // UTF-8
  } rows[] = {
      {"r", 38, "未定义的名称“r”"},
      {"2*foo(3)", 38, "未定义的名称“foo”"},
      {"1 2", 2, "未知的函数"},
      {"Ab_1 +1", 38, "未定义的名称“Ab_1”"},
      {"密度*r", 2, "未定义的名称“密度”"},
      {"2*长度1+1", 2, "未定义的名称“长度1”"},
      {"2×3", 2, "未知的函数"},
      {"SQRT(-1)", 8, "SQRT(x) 在 x<0 时 → 复数"},
  };
  TFormulaParser fp;
  for (const auto& r : rows) {
    fp.SetExpression(platform::Utf8ToCp936(r.Formula));
    fp.Evaluate();
    EXPECT_EQ(fp.ErrorCode(), r.Code) << r.Formula;
    EXPECT_EQ(platform::Cp936ToUtf8(fp.ErrorMessage()), r.Message) << r.Formula;
  }
}

TEST(Engine, NameTableHoldsTheNamesInOrder) {
  TFormulaParser fp;
  const auto& names = fp.NameTable();
  ASSERT_EQ(names.size(), 52u);
  std::string lines;
  for (const auto& n : names) {
    EXPECT_NE(n.Implementer, nullptr);
    EXPECT_EQ(n.Line, n.Name + "=" + std::to_string(n.Kind));
    lines += n.Line + " ";
  }
  EXPECT_EQ(lines,
            "ARCTAN=1 COS=1 DEG=1 PI=0 RAD=1 SIN=1 TAN=1 AND=3 FALSE=0 OR=3 TRUE=0 XOR=2 NOT=1 "
            "EXP=1 E=0 LN=1 LOG=1 SQR=1 SQRT=1 ABS=1 FRAC=1 INT=1 MAX=3 MIN=3 ROUND=1 SGN=1 "
            "CSC=1 SEC=1 COT=1 SINH=1 COSH=1 TANH=1 CSCH=1 SECH=1 COTH=1 ARCSINH=1 ARCCOSH=1 "
            "ARCTANH=1 ARCCSCH=1 ARCSECH=1 ARCCOTH=1 AVG=3 AVGERAGE=3 STD=3 STDEV=3 MEAN=3 "
            "SUM=3 RAND=0 RND=1 LENGTH=8 STRCOMP=9 IF=3 ");
  EXPECT_EQ(fp.ErrorCode(), 0);
  // Every name reaches a built-in: a call of it in its kind's syntax never
  // answers "no such function" (a domain error such as ARCCOSH's may).
  for (const auto& n : names) {
    std::string call = n.Name;
    switch (n.Kind) {
      case 0: break;
      case 1: call += "(0.5)"; break;
      case 2: call += "(1,0)"; break;
      case 3: call += "(1,0,1)"; break;
      case 8: call += "('a')"; break;
      case 9: call += "('a','b')"; break;
      default: ADD_FAILURE() << n.Line;
    }
    fp.SetExpression(call);
    fp.Evaluate();
    EXPECT_NE(fp.ErrorCode(), ecUnknownName) << call;
    EXPECT_NE(fp.ErrorCode(), ecNoObject) << call;
  }
}

TEST(Engine, RegistrationRules) {
  TFormulaParser fp;
  fp.RegisterFunction("sin", ckUnary, nullptr);
  EXPECT_EQ(fp.ErrorCode(), ecNameExists) << "case is ignored";
  EXPECT_EQ(fp.NameTable().size(), 52u);

  fp.SetExpression("0");
  fp.RegisterFunction("my-fn", ckConstant, nullptr);
  EXPECT_EQ(fp.ErrorCode(), ecBadNameChar);
  EXPECT_EQ(fp.NameTable().back().Line, "MY-FN=0") << "added all the same";

  fp.SetExpression("0");
  fp.RegisterFunction("9LIVES", ckConstant, nullptr);
  EXPECT_EQ(fp.ErrorCode(), ecBadNameChar) << "a name starts with a letter";

  // A registered name without an implementing object, and one without a
  // built-in of its name.
  fp.RegisterFunction("ORPHAN", ckConstant, nullptr);
  fp.SetExpression("ORPHAN");
  EXPECT_EQ(fp.Evaluate(), 0.0L);
  EXPECT_EQ(fp.ErrorCode(), ecNoObject);
  TBuildinFuncs other;
  fp.RegisterFunction("NOSUCH", ckUnary, &other);
  fp.SetExpression("NOSUCH(1)");
  fp.Evaluate();
  EXPECT_EQ(fp.ErrorCode(), ecUnknownName);
  fp.RegisterFunction("SIN2", ckUnary, &other);
  fp.SetExpression("SIN2(1)");
  fp.Evaluate();
  EXPECT_EQ(fp.ErrorCode(), ecUnknownName) << "no built-in is named after SIN2";
  // A name of one's own reaches the built-in named after it, but only in
  // the kind that built-in takes: AVERAGE, IOR and STDDEV take lists.
  fp.RegisterFunction("AVERAGE", ckUnary, &other);
  fp.SetExpression("AVERAGE(1)");
  EXPECT_EQ(fp.Evaluate(), 0.0L);
  EXPECT_EQ(fp.ErrorCode(), ecUnknownName);
  fp.RegisterFunction("IOR", ckList, &other);
  fp.SetExpression("IOR(0,1)");
  EXPECT_EQ(fp.Evaluate(), 1.0L);
  EXPECT_EQ(fp.ErrorCode(), 0);
  fp.RegisterFunction("STDDEV", ckList, &other);
  fp.SetExpression("STDDEV(0,2,4)");
  EXPECT_EQ(fp.Evaluate(), 2.0L);
  EXPECT_EQ(fp.ErrorCode(), 0);
}

}  // namespace
}  // namespace tessary
