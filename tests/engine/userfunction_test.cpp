// SPDX-License-Identifier: MIT
// Functions a worksheet defines, as the engine calls them: arguments,
// arity, parameters hiding other names, recursion refused, and errors in a
// body attributed to the call in the statement.

#include <gtest/gtest.h>

#include <string>

#include "cp936.h"
#include "formulaparser.h"
#include "numbertext.h"

namespace tessary {
namespace {

TUserFunction Function(const char* name, std::vector<std::string> params, const char* body) {
  for (std::string& p : params) p = platform::Utf8ToCp936(p);
  return {platform::Utf8ToCp936(name), std::move(params), platform::Utf8ToCp936(body), name};
}

TEST(UserFunctions, CallsArityShadowingRecursionAndPositions) {
  TFormulaParser fp;
  fp.DefineFunction(Function("f", {"x"}, "x^2+1"));
  fp.DefineFunction(Function("g", {"a", "b"}, "a*b+f(a)"));
  fp.DefineFunction(Function("h", {"PI"}, "PI*2"));
  fp.DefineFunction(Function("r", {"n"}, "r(n-1)"));
  fp.DefineFunction(Function("p", {"x"}, "q(x)+1"));
  fp.DefineFunction(Function("q", {"x"}, "p(x)"));
  fp.DefineFunction(Function("面积", {"半径"}, "PI*半径^2"));
  fp.DefineFunction(Function("d", {"x"}, "1/x"));
  fp.DefineFunction(Function("two", {}, "2"));
  const struct {
    const char* Formula;
    const char* Outcome;   // the number text, or "ERROR code message"
    std::size_t Position;  // of the error, 1-based byte; 0 without one
  } rows[] = {
      {"f(3)", "10", 0},
      {"g(2,5)", "15", 0},
      {"2*F( 1 )+1", "5", 0},
      {"h(3)", "6", 0},
      {"面积(1)", "3.14159265358979", 0},
      {"two()+two", "4", 0},
      {"f(1,2)", "ERROR 14 函数“f”需要 1 个参数，给了 2 个", 1},
      {"1+g(1)", "ERROR 14 函数“g”需要 2 个参数，给了 1 个", 3},
      {"1+r(3)", "ERROR 42 函数“r”调用了自己", 3},
      {"p(1)", "ERROR 42 函数“p”调用了自己", 1},
      {"2*d(0)", "ERROR 9 被0除", 3},
      {"x", "ERROR 38 未定义的名称“x”", 1},
      {"f(x)", "ERROR 38 未定义的名称“x”", 3},
  };
  for (const auto& r : rows) {
    fp.SetExpression(platform::Utf8ToCp936(r.Formula));
    const TReal v = fp.Evaluate();
    const std::string outcome = fp.ErrorCode() == 0
                                    ? NumberText(v)
                                    : "ERROR " + std::to_string(fp.ErrorCode()) + " " +
                                          platform::Cp936ToUtf8(fp.ErrorMessage());
    EXPECT_EQ(outcome, r.Outcome) << r.Formula;
    EXPECT_EQ(fp.ErrorPosition(), r.Position) << r.Formula;
  }
  EXPECT_TRUE(fp.HasFunction(platform::Utf8ToCp936("面积")));
  EXPECT_TRUE(fp.HasFunction("G"));
  fp.ClearFunctions();
  EXPECT_FALSE(fp.HasFunction("g"));
  fp.SetExpression("f(3)");
  fp.Evaluate();
  EXPECT_EQ(fp.ErrorCode(), 38);
}

}  // namespace
}  // namespace tessary
