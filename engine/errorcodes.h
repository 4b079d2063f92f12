// SPDX-License-Identifier: MIT
#pragma once

// The engine's numbered errors. The numbers are part of the engine's interface
// (callers show them), so every one is written out here next to its message.
// Messages are UTF-8 in the source; the engine's MessageTable holds them in
// code page 936 like every other text the engine handles. Users read them,
// so they are Chinese; built-in names stay as a formula spells them.

#include <array>

namespace tessary {

enum TErrorCode : int {
  ecNone = 0,
  ecInvalidNumber = 1,
  ecUnknownFunction = 2,
  ecBracketMismatch = 3,
  ecComplexPower = 4,
  ecTanUndefined = 5,
  ecEmptyText = 6,
  ecLogDomain = 7,
  ecSqrtDomain = 8,
  ecDivisionByZero = 9,
  ecTooManyNames = 10,
  ecOutOfRange = 11,
  ecBadNameChar = 12,
  ecNotBoolean = 13,
  ecArgumentCount = 14,
  ecCscUndefined = 17,
  ecSecUndefined = 18,
  ecCotUndefined = 19,
  ecParameterTooLarge = 20,
  ecCschZero = 21,
  ecCothZero = 22,
  ecArccoshDomain = 23,
  ecArctanhDomain = 24,
  ecArccschZero = 25,
  ecArcsechDomain = 26,
  ecArccothDomain = 27,
  ecAverageNoItems = 28,
  ecStdFewItems = 29,
  ecNameExists = 30,
  ecNotImplemented = 32,
  ecMissingQuote = 33,
  ecUnclosedQuote = 34,
  ecIfArgumentCount = 35,
  ecIfCondition = 36,
  ecRndRange = 37,
  ecUnknownName = 38,
  ecNoObject = 39,
  // Our own bound: recursive descent over "((((..." or "----...5" would
  // otherwise run the stack out.
  ecNestingTooDeep = 40,
  // Never recorded by the engine: the worksheet's substitution refuses a
  // statement it would have to cut.
  ecStatementTooLong = 41,
  // Functions a worksheet defines: one that calls itself, directly or
  // through others, and a definition that cannot be made.
  ecRecursiveCall = 42,
  ecBadDefinition = 43,
};

struct TErrorText {
  int Code;
  const char* Utf8;
};

// In MessageTable order: the 37 classic messages, then ours.
inline constexpr std::array<TErrorText, 41> kErrorTexts{{
    {ecNone, "结果正确"},
    {ecInvalidNumber, "无效的数字"},
    {ecUnknownFunction, "未知的函数"},
    {ecBracketMismatch, "( ) 不匹配"},
    {ecComplexPower, "实数的非整数次幂 → 复数"},
    {ecTanUndefined, "TAN( (2n+1)*PI/2 ) 无定义"},
    {ecEmptyText, "空字符串"},
    {ecLogDomain, "LN(x) 或 LOG(x) 在 x<=0 时 → 复数"},
    {ecSqrtDomain, "SQRT(x) 在 x<0 时 → 复数"},
    {ecDivisionByZero, "被0除"},
    {ecTooManyNames, "函数或常量太多"},
    {ecOutOfRange, "中间结果超出范围"},
    {ecBadNameChar, "函数名称中有无效的字符"},
    {ecNotBoolean, "非布尔表达式"},
    {ecArgumentCount, "参数数目不正确"},
    {ecCscUndefined, "CSC( n*PI ) 无定义"},
    {ecSecUndefined, "SEC( (2n+1)*PI/2 ) 无定义"},
    {ecCotUndefined, "COT( n*PI ) 无定义"},
    {ecParameterTooLarge, "参数太大"},
    {ecCschZero, "CSCH(0) 无定义"},
    {ecCothZero, "COTH(0) 无定义"},
    {ecArccoshDomain, "ARCCOSH(x) 在 x<1 时无定义"},
    {ecArctanhDomain, "ARCTANH(x) 在 ABS(x)>=1 时无定义"},
    {ecArccschZero, "ARCCSCH(0) 无定义"},
    {ecArcsechDomain, "ARCSECH(x) 在 x<=0 或 x>1 时无定义"},
    {ecArccothDomain, "ARCCOTH(x) 在 ABS(x)<=1 时无定义"},
    {ecAverageNoItems, "没有数据项，无法求平均值"},
    {ecStdFewItems, "少于两个数据项，无法求标准差"},
    {ecNameExists, "函数已存在"},
    {ecNotImplemented, "函数尚未完全实现"},
    {ecMissingQuote, "遗失字符串引用"},
    {ecUnclosedQuote, "字符串引用结束符不匹配!"},
    {ecIfArgumentCount, "IF 需要正好 3 个参数"},
    {ecIfCondition, "条件表达式值应为\"是\"或\"否\""},
    {ecRndRange, "RND 的范围太大"},
    {ecUnknownName, "未定义的名称"},
    {ecNoObject, "未发现对象!"},
    {ecNestingTooDeep, "表达式嵌套太深"},
    {ecStatementTooLong, "公式太长，无法代入变量"},
    {ecRecursiveCall, "函数调用了自己"},
    {ecBadDefinition, "函数定义有错误"},
}};

// The UTF-8 message of a code; "" for a code without one.
constexpr const char* ErrorText(int code) {
  for (const TErrorText& e : kErrorTexts)
    if (e.Code == code) return e.Utf8;
  return "";
}

}  // namespace tessary
