// SPDX-License-Identifier: MIT
// The value rules: what each operator computes and where its range guard
// records an error.

#include <gtest/gtest.h>

#include "enginetestutil.h"
#include "errorcodes.h"

namespace tessary {
namespace {

using testing::CheckRows;
using testing::TRow;

TEST(ValueRules, AdditionAndSubtractionGuardTheSum) {
  const TRow rows[] = {
      {"1E37+1E37", 2E37L, 0, "below the limit"},
      {"9E37+9E37", 0, ecOutOfRange, "the tenths add up beyond 9.99999999E36"},
      {"-9E37-9E37", 0, ecOutOfRange, "negative side"},
      {"9E37-9E37", 0, 0, "a difference of huge values is fine"},
      {"9.99999999E37-0", 0, ecOutOfRange, "exactly at the limit"},
      {"0.1+0.2", 0.1L + 0.2L, 0, "80-bit arithmetic"},
  };
  CheckRows(rows);
}

TEST(ValueRules, ProductsAndQuotientsStayWithin1E38) {
  const TRow rows[] = {
      {"1E20*1E20", 0, ecOutOfRange, "too large"},
      {"1E-20*1E-20", 0, ecOutOfRange, "too small: the guard is two-sided"},
      {"1E19*1E18", 1E19L * 1E18L, 0, "about 1E37"},
      {"0*1E300", 0, 0, "a zero factor skips the guard"},
      {"1E300*0", 0, 0, "either side"},
      {"3*4", 12, 0, "plain"},
      {"-1E19*1E19", 0, ecOutOfRange, "the magnitude counts"},
      {"5/0", 0, ecDivisionByZero, "division by zero"},
      {"0/0", 0, ecDivisionByZero, "zero by zero too"},
      {"0/5", 0, 0, "zero divided"},
      {"1E20/1E-20", 0, ecOutOfRange, "quotient too large"},
      {"1E-20/1E20", 0, ecOutOfRange, "quotient too small"},
      {"1/3", 1.0L / 3.0L, 0, "80-bit quotient"},
      {"1E300/1E300", 1, 0, "huge operands, modest quotient"},
  };
  CheckRows(rows);
}

TEST(ValueRules, Power) {
  const TRow rows[] = {
      {"0^0", 0, 0, "zero to anything is 0"},
      {"0^-1", 0, 0, "even to a negative power"},
      {"(-2)^3", -8, 0, "odd whole exponent keeps the sign"},
      {"(-2)^2", 4, 0, "even whole exponent"},
      {"(-2)^(-3)", -0.125L, 0, "odd negative exponent keeps the sign too"},
      {"(-8)^(1/3)", 0, ecComplexPower, "fractional exponent of a negative"},
      {"2^126", 85070591730234615865843651857942052864.0L, 0, "about 8.5E37"},
      {"2^127", 0, ecOutOfRange, "beyond the limit"},
      {"10^38", 0, ecOutOfRange, "beyond the limit"},
      {"10^-50", 1E-50L, 0, "tiny results are no error", 1E-18L},
      {"10^-5000", 0, 0, "underflow gives 0"},
      {"2^3", 8, 0, "exact"},
      {"10^2", 100, 0, "exact"},
      {"2^0.5", 1.41421356237309504880L, 0, "square root", 1E-18L},
      {"(-0.5)^1E30", 0, 0, "a huge even exponent of a small negative"},
      {"(-0.5)^(-1E30)", 0, ecOutOfRange, "its reciprocal"},
      {"(-1)^1E25", 1, 0, "parity of a whole exponent beyond 2^63"},
      {"E^LN(9.99999999E37)", 9.99999999E37L, 0, "a power at the limit: the guard is strict",
       1E-16L},
  };
  CheckRows(rows);
}

// A whole power is exact wherever the exact result fits the 64-bit
// mantissa, and a negative one is then one correctly rounded division: the
// same value as the literal. Not left to the last bit of an x87 pow.
TEST(ValueRules, WholePowersAreExact) {
  const TRow rows[] = {
      {"2^10", 1024, 0, "integer base and exponent"},
      {"10^3", 1000, 0, "a power of ten"},
      {"(-3)^5", -243, 0, "negative base, odd exponent"},
      {"3^40", 12157665459056928801.0L, 0, "all 64 bits of the mantissa"},
      {"10^27=1E27", 1, 0, "the largest exact power of ten"},
      {"10^-3=0.001", 1, 0, "equals the literal"},
      {"10^-27=1E-27", 1, 0, "the smallest such"},
      {"2^-3", 0.125L, 0, "a power of two"},
      {"1.5^2", 2.25L, 0, "a fraction with a short mantissa"},
      {"0.5^-3", 8, 0, "negative exponent of a fraction"},
      {"7^-2=1/49", 1, 0, "one rounded division"},
  };
  CheckRows(rows);
}

TEST(ValueRules, LogicalOperatorsNeedTruthValues) {
  const TRow rows[] = {
      {"1&2", 0, ecNotBoolean, "2 is no truth value"},
      {"0.5|1", 0, ecNotBoolean, "nor is 0.5"},
      {"(2>1)&(3>2)", 1, 0, "and"},
      {"1&0", 0, 0, "and"},
      {"0|0", 0, 0, "or"},
      {"1|0", 1, 0, "or"},
      {"TRUE&FALSE", 0, 0, "constants"},
  };
  CheckRows(rows);
}

TEST(ValueRules, RelationsCompareExactly) {
  const TRow rows[] = {
      {"1/3=0.333333333333333", 0, 0, "no tolerance"},
      {"0.1+0.2=0.3", 1, 0, "80 bits round this sum to the literal's value"},
      {"1/3*3=1", 1, 0, "this one rounds back"},
      {"-0=0", 1, 0, "negative zero equals zero"},
      {"2^10=1024", 1, 0, "powers are exact"},
  };
  CheckRows(rows);
}

}  // namespace
}  // namespace tessary
