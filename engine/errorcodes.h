// SPDX-License-Identifier: MIT
#pragma once

// The engine's numbered errors. The numbers are part of the engine's interface
// (callers show them), so every one is written out here next to its message.
// Messages are UTF-8 in the source; the engine's MessageTable holds them in
// code page 936 like every other text the engine handles.

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
};

struct TErrorText {
  int Code;
  const char* Utf8;
};

// In MessageTable order: the 37 classic messages, then ours.
inline constexpr std::array<TErrorText, 39> kErrorTexts{{
    {ecNone, "结果正确"},
    {ecInvalidNumber, "无效的数字"},
    {ecUnknownFunction, "未知的函数"},
    {ecBracketMismatch, "( ) 不匹配"},
    {ecComplexPower, "Real exponent -> complex number"},
    {ecTanUndefined, "TAN( (2n+1)*PI/2 ) not defined"},
    {ecEmptyText, "空字符串"},
    {ecLogDomain, "LN(x) or LOG(x) for x<=0 -> complex number"},
    {ecSqrtDomain, "SQRT(x) for x<0 -> complex number"},
    {ecDivisionByZero, "被0除"},
    {ecTooManyNames, "函数或常量太多"},
    {ecOutOfRange, "Intermediate result out of range"},
    {ecBadNameChar, "函数名称中有无效的字符"},
    {ecNotBoolean, "非布尔表达式"},
    {ecArgumentCount, "参数数目不正确"},
    {ecCscUndefined, "Csc( n*PI ) not defined"},
    {ecSecUndefined, "Sec( (2n+1)*PI/2 ) not defined"},
    {ecCotUndefined, "Cot( n*PI ) not defined"},
    {ecParameterTooLarge, "Parameter to large"},
    {ecCschZero, "Csch(0) not defined"},
    {ecCothZero, "Coth(0) not defined"},
    {ecArccoshDomain, "ArcCosh(x) not defined for x<1"},
    {ecArctanhDomain, "ArcTanh(x) not defined for Abs(x)=>1"},
    {ecArccschZero, "Arccsch(0) not defined"},
    {ecArcsechDomain, "Arcsech(x) not defined for x<=0 or x>1"},
    {ecArccothDomain, "Arccoth(x) not defined for Abs(x)<=1"},
    {ecAverageNoItems, "Average not defined for zero items"},
    {ecStdFewItems, "Standard deviation not defined for less than two items"},
    {ecNameExists, "函数已存在"},
    {ecNotImplemented, "Function not fully implemented yet"},
    {ecMissingQuote, "遗失字符串引用"},
    {ecUnclosedQuote, "字符串引用结束符不匹配!"},
    {ecIfArgumentCount, "if needs exact 3 parameters"},
    {ecIfCondition, "条件表达式值应为\"是\"或\"否\""},
    {ecRndRange, "RND range to large"},
    {ecUnknownName, "函数名不存在!"},
    {ecNoObject, "未发现对象!"},
    {ecNestingTooDeep, "表达式嵌套太深"},
    {ecStatementTooLong, "公式太长，无法代入变量"},
}};

// The UTF-8 message of a code; "" for a code without one.
constexpr const char* ErrorText(int code) {
  for (const TErrorText& e : kErrorTexts)
    if (e.Code == code) return e.Utf8;
  return "";
}

}  // namespace tessary
