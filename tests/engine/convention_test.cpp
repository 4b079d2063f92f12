// SPDX-License-Identifier: MIT
// The two conventions of the one engine: each rule as a row, with what the
// classic rules (the default, which stored worksheets rely on) and the
// textbook rules give. Results are the number texts a user reads.

#include <gtest/gtest.h>

#include <string>

#include "cp936.h"
#include "formulaparser.h"
#include "numbertext.h"

namespace tessary {
namespace {

std::string Outcome(TFormulaParser& fp, const char* utf8) {
  fp.SetExpression(platform::Utf8ToCp936(utf8));
  const TReal v = fp.Evaluate();
  if (fp.ErrorCode() != 0) return "ERROR " + std::to_string(fp.ErrorCode());
  return NumberText(v);
}

TEST(Convention, TheRuleTableInBothConventions) {
  const struct {
    const char* Formula;
    const char* Classic;
    const char* Standard;
  } rows[] = {
      // "^" groups from the right; a sign binds below it.
      {"2^3^2", "64", "512"},
      {"-2^2", "4", "-4"},
      {"3*-2^2", "12", "-12"},
      {"-2^-2", "0.25", "-0.25"},
      {"2^-2", "0.25", "0.25"},
      {"(-2)^2", "4", "4"},
      {"2^3^0", "1", "2"},
      // Zero to a power.
      {"0^0", "0", "1"},
      {"0^-1", "0", "ERROR 9"},
      {"0^2", "0", "0"},
      // The range: about 1E±38 classic, the 80-bit range in textbook rules.
      {"1E-20*1E-20", "ERROR 11", "1E-40"},
      {"1E20*1E20", "ERROR 11", "1E40"},
      {"1E20/1E-20", "ERROR 11", "1E40"},
      {"1E20^2", "ERROR 11", "1E40"},
      {"1E37+9E37", "ERROR 11", "1E38"},
      {"EXP(100)", "ERROR 11", "2.68811714181614E43"},
      {"SQR(1E20)", "ERROR 11", "1E40"},
      {"SUM(1E37,9E37)", "ERROR 11", "1E38"},
      {"1E4000*1E4000", "ERROR 11", "ERROR 11"},
      {"10^5000", "ERROR 11", "ERROR 11"},
      {"(-8)^0.5", "ERROR 4", "ERROR 4"},
      // Degrees, after a number, a name or a closing bracket.
      {"SIN(30°)", "0.5", "0.5"},
      {"COS(60°)+TAN(45°)", "1.5", "1.5"},
      {"(1+2)°*180/PI", "3", "3"},
      {"PI°", "0.0548311355616075", "0.0548311355616075"},
      {"90 °", "1.5707963267949", "1.5707963267949"},
      {"°", "ERROR 2", "ERROR 2"},
  };
  TFormulaParser fp;
  for (const auto& r : rows) {
    fp.SetConvention(TConvention::Classic);
    EXPECT_EQ(Outcome(fp, r.Formula), r.Classic) << r.Formula << " classic";
    fp.SetConvention(TConvention::Standard);
    EXPECT_EQ(Outcome(fp, r.Formula), r.Standard) << r.Formula << " standard";
  }
  EXPECT_EQ(TFormulaParser().Convention(), TConvention::Classic) << "the default";
}

// "^" chains read recursively in textbook rules: a long one is an error,
// never a stack overflow.
TEST(Convention, ALongPowerChainIsAnErrorNotACrash) {
  TFormulaParser fp;
  fp.SetConvention(TConvention::Standard);
  std::string chain = "1";
  for (int i = 0; i < 200000; ++i) chain += "^1";
  EXPECT_EQ(Outcome(fp, chain.c_str()), "ERROR 40");
  EXPECT_EQ(Outcome(fp, "-1^2^2"), "-1");
}

}  // namespace
}  // namespace tessary
