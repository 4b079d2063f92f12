// SPDX-License-Identifier: MIT
#include "buildinfuncs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "enginetestutil.h"
#include "errorcodes.h"
#include "formulaparser.h"
#include "random.h"

namespace tessary {
namespace {

using B = TBuildinFuncs;
using buildin::kPi;
using testing::EvalFresh;
using testing::EvalWith;
using testing::SharedEngine;
using testing::TOutcome;

// glibc computes log, exp, pow and atan with x87 instructions whose last bit
// differs between CPU vendors. So no row compares a library result bit for
// bit: a row with tolerance 0 is an exact point the engine makes exact by
// construction (or plain arithmetic); every other transcendental row allows
// Rel, a few units in the last place, against digits written out here.
TReal Rel(TReal want) { return std::fabs(want) * 1E-18L; }

// Outcome of one direct call on a fresh engine.
struct Direct {
  TFormulaParser Fp;
  B Lib;
  TOutcome Done(TReal v) const { return {v, Fp.ErrorCode()}; }
};

void ExpectOutcome(const TOutcome& got, TReal want, TReal tol, int err, const std::string& why) {
  EXPECT_EQ(got.Error, err) << why;
  if (err != 0) {
    EXPECT_EQ(got.Value, 0.0L) << why << ": an error yields 0";
  } else if (tol == 0) {
    EXPECT_EQ(got.Value, want) << why;
  } else {
    EXPECT_NEAR(got.Value, want, tol) << why;
  }
}

// ---------------------------------------------------------------------------
// Direct calls of one-argument built-ins.

struct UnaryCase {
  const char* Name;
  B::TFn1 Fn;
  TReal X;
  TReal Want;
  TReal Tol;  // 0: exact
  int Err;
  const char* Why;
};

const TReal kL = std::log(kRangeLimit);
const TReal kR = std::sqrt(kRangeLimit);

const UnaryCase kTrigCases[] = {
    {"SIN", &B::mSin, 0.5L, 0.479425538604203000273L, Rel(0.48L), 0, "plain sine"},
    {"SIN", &B::mSin, 9223372036854775808.0L, 0, 0, 0, "2^63: 0 by rule"},
    {"SIN", &B::mSin, -9223372036854775808.0L, 0, 0, 0, "-2^63: magnitude counts"},
    {"COS", &B::mCos, 1E19L, 0, 0, 0, "beyond 2^63: 0"},
    {"COS", &B::mCos, 9223372036854775807.0L, 0.847788007348018782808L, Rel(1), 0,
     "just below 2^63 still computed"},
    {"TAN", &B::mTan, kPi / 2, 0, 0, ecTanUndefined, "y = 1: odd"},
    {"TAN", &B::mTan, -kPi / 2, 0, 0, ecTanUndefined, "y = -1: odd with a negative remainder"},
    {"TAN", &B::mTan, kPi, 5.01655761266833202356E-20L, Rel(5.02E-20L), 0, "y = 2: even, computed"},
    {"TAN", &B::mTan, 0, 0, 0, 0, "y = 0: even"},
    {"TAN", &B::mTan, 1E19L, 0, 0, ecOutOfRange, "sine and cosine are 0 there: 0/0"},
    {"SEC", &B::mSec, kPi / 2, 0, 0, ecSecUndefined, "odd multiple of pi/2"},
    {"SEC", &B::mSec, kPi, -1, Rel(1), 0, "even multiple: computed"},
    {"COT", &B::mCot, 0, 0, 0, ecCotUndefined, "zero is a whole multiple of pi"},
    {"COT", &B::mCot, -kPi, 0, 0, ecCotUndefined, "negative multiple"},
    {"COT", &B::mCot, kPi / 2, 0, 1E-18L, 0, "y = 0.5: about 0"},
    {"CSC", &B::mCsc, kPi, 0, 0, ecCscUndefined, "y = 1"},
    {"CSC", &B::mCsc, kPi / 2, 1, Rel(1), 0, "1 / sin(pi/2)"},
    {"CSC", &B::mCsc, 1E30L, 0, 0, ecCscUndefined, "huge y is whole: the test fires first"},
    {"ARCTAN", &B::mArctan, 1, kPi / 4, Rel(kPi / 4), 0, "arctan 1 = pi/4"},
    {"DEG", &B::mDeg, kPi, 180, 0, 0, "pi / pi * 180 exactly"},
    {"RAD", &B::mRad, 180, kPi, 0, 0, "180 / 180 * pi exactly"},
};

const UnaryCase kHyperbolicCases[] = {
    {"SINH", &B::mSinh, 1E-10L, std::sinh(1E-10L), Rel(1E-10L), 0,
     "small argument keeps all digits"},
    {"SINH", &B::mSinh, -2, std::sinh(-2.0L), Rel(std::sinh(2.0L)), 0, "odd function"},
    {"SINH", &B::mSinh, kL, std::sinh(kL), Rel(std::sinh(kL)), 0, "exactly L computes"},
    {"SINH", &B::mSinh, 87.5L, 0, 0, ecParameterTooLarge, "beyond L"},
    {"COSH", &B::mCosh, 0, 1, 0, 0, "cosh 0"},
    {"COSH", &B::mCosh, 87.49L, std::cosh(87.49L), Rel(std::cosh(87.49L)), 0, "just below L"},
    {"COSH", &B::mCosh, -87.5L, 0, 0, ecParameterTooLarge, "magnitude beyond L"},
    {"TANH", &B::mTanh, 0.5L, std::tanh(0.5L), Rel(std::tanh(0.5L)), 0, "plain"},
    {"TANH", &B::mTanh, 88, 0, 0, ecParameterTooLarge, "range test before computing"},
    {"CSCH", &B::mCsch, 0, 0, 0, ecCschZero, "zero"},
    {"CSCH", &B::mCsch, 100, 0, 0, ecParameterTooLarge, "range test comes first"},
    {"CSCH", &B::mCsch, 1, 1 / std::sinh(1.0L), Rel(1 / std::sinh(1.0L)), 0, "plain"},
    {"SECH", &B::mSech, 1, 1 / std::cosh(1.0L), Rel(1 / std::cosh(1.0L)), 0, "plain"},
    {"COTH", &B::mCoth, 0, 0, 0, ecCothZero, "zero"},
    {"COTH", &B::mCoth, 1E-10L, 1 / std::tanh(1E-10L), Rel(1E10L), 0, "small argument"},
    {"ARCSINH", &B::mArcsinh, -1E9L, std::asinh(-1E9L), Rel(22), 0,
     "negative argument without cancellation"},
    {"ARCSINH", &B::mArcsinh, 1E-10L, std::asinh(1E-10L), Rel(1E-10L), 0, "small argument"},
    {"ARCSINH", &B::mArcsinh, -kR, 0, 0, ecParameterTooLarge, "magnitude at R"},
    {"ARCCOSH", &B::mArccosh, 1, 0, 0, 0, "arccosh 1 = 0"},
    {"ARCCOSH", &B::mArccosh, 1 + 1E-10L, std::acosh(1 + 1E-10L), Rel(1.5E-5L), 0, "close to 1"},
    {"ARCCOSH", &B::mArccosh, 0.5L, 0, 0, ecArccoshDomain, "below 1"},
    {"ARCCOSH", &B::mArccosh, -1E20L, 0, 0, ecParameterTooLarge, "range test before domain"},
    {"ARCTANH", &B::mArctanh, 0.5L, std::atanh(0.5L), Rel(0.55L), 0, "plain"},
    {"ARCTANH", &B::mArctanh, 1E-10L, std::atanh(1E-10L), Rel(1E-10L), 0, "small argument"},
    {"ARCTANH", &B::mArctanh, -1, 0, 0, ecArctanhDomain, "magnitude 1"},
    {"ARCCSCH", &B::mArccsch, 0, 0, 0, ecArccschZero, "zero"},
    {"ARCCSCH", &B::mArccsch, 1E20L, 0, 0, ecParameterTooLarge, "large positive"},
    {"ARCCSCH", &B::mArccsch, -1E20L, std::asinh(-1E-20L), Rel(1E-20L), 0, "large negative passes"},
    {"ARCCSCH", &B::mArccsch, -1E-9L, std::asinh(-1E9L), Rel(22), 0,
     "small negative without cancellation"},
    {"ARCSECH", &B::mArcsech, 1, 0, 0, 0, "arcsech 1 = 0"},
    {"ARCSECH", &B::mArcsech, 0.5L, std::acosh(2.0L), Rel(1.4L), 0, "plain"},
    {"ARCSECH", &B::mArcsech, 0, 0, 0, ecArcsechDomain, "zero"},
    {"ARCSECH", &B::mArcsech, 1.5L, 0, 0, ecArcsechDomain, "above 1"},
    {"ARCSECH", &B::mArcsech, 1E20L, 0, 0, ecParameterTooLarge, "range test before domain"},
    {"ARCCOTH", &B::mArccoth, 2, std::atanh(0.5L), Rel(0.55L), 0, "plain"},
    {"ARCCOTH", &B::mArccoth, -2, -std::atanh(0.5L), Rel(0.55L), 0, "odd function"},
    {"ARCCOTH", &B::mArccoth, 1, 0, 0, ecArccothDomain, "magnitude 1"},
    {"ARCCOTH", &B::mArccoth, -0.5L, 0, 0, ecArccothDomain, "inside (-1, 1)"},
};

const UnaryCase kExpCases[] = {
    {"EXP", &B::mExp, 1, 2.71828182845904523536L, 0, 0, "e, the extended value nearest it"},
    {"EXP", &B::mExp, 87.49L, 9.91800268929946408665E37L, Rel(9.92E37L), 0, "just below L"},
    {"EXP", &B::mExp, kL, 0, 0, ecOutOfRange, "exactly L is already out"},
    {"EXP", &B::mExp, -87.5L, 0, 0, ecOutOfRange, "magnitude: tiny results too"},
    {"LN", &B::mLn, 1, 0, 0, 0, "ln 1"},
    {"LN", &B::mLn, 0, 0, 0, ecLogDomain, "zero"},
    {"LOG", &B::mLog, 1000, 3, 0, 0, "exact for powers of ten"},
    {"LOG", &B::mLog, -1, 0, 0, ecLogDomain, "negative"},
    {"SQR", &B::mSqr, 3, 9, 0, 0, "exact square"},
    {"SQR", &B::mSqr, -3, 9, 0, 0, "never negative"},
    {"SQR", &B::mSqr, 0, 0, 0, 0, "zero skips the logarithm"},
    {"SQR", &B::mSqr, 9.9E18L, 9.9E18L * 9.9E18L, 0, 0, "just inside"},
    {"SQR", &B::mSqr, 1E19L, 0, 0, ecOutOfRange, "too large"},
    {"SQR", &B::mSqr, 1E-20L, 0, 0, ecOutOfRange, "too small"},
    {"SQRT", &B::mSqrt, 2, 1.41421356237309504880L, 0, 0, "a square root is rounded correctly"},
    {"SQRT", &B::mSqrt, 0, 0, 0, 0, "zero"},
    {"SQRT", &B::mSqrt, -1, 0, 0, ecSqrtDomain, "negative"},
};

const UnaryCase kRoundingCases[] = {
    {"ABS", &B::mAbs, -2.5L, 2.5L, 0, 0, "magnitude"},
    {"INT", &B::mInt, -2.7L, -2, 0, 0, "toward zero"},
    {"INT", &B::mInt, 2.7L, 2, 0, 0, "toward zero"},
    {"FRAC", &B::mFrac, -2.7L, -2.7L + 2, 0, 0, "keeps the sign"},
    {"ROUND", &B::mRound, 2.5L, 3, 0, 0, "half away from zero"},
    {"ROUND", &B::mRound, -2.5L, -3, 0, 0, "half away from zero, negative"},
    {"ROUND", &B::mRound, -0.4L, 0, 0, 0, "small negative"},
    {"ROUND", &B::mRound, 2147483645.6L, 2147483646, 0, 0, "below the limit"},
    {"ROUND", &B::mRound, 2147483646.5L, 2147483646.5L, 0, 0, "at the limit: unchanged"},
    {"ROUND", &B::mRound, -3000000000.7L, -3000000000.7L, 0, 0, "beyond: unchanged"},
    {"SGN", &B::mSgn, 0, 1, 0, 0, "zero counts as positive"},
    {"SGN", &B::mSgn, -0.0001L, -1, 0, 0, "negative"},
    {"NOT", &B::mNot, 0, 1, 0, 0, "truth"},
    {"NOT", &B::mNot, 0.5L, 0, 0, ecNotBoolean, "not a truth value"},
};

void RunUnary(const UnaryCase* begin, const UnaryCase* end) {
  for (const auto* c = begin; c != end; ++c) {
    Direct d;
    const TReal v = (d.Lib.*(c->Fn))(d.Fp, c->X);
    ExpectOutcome(
        d.Done(v), c->Want, c->Tol, c->Err,
        std::string(c->Name) + "(" + std::to_string(static_cast<double>(c->X)) + "): " + c->Why);
  }
}

TEST(BuildinDirect, Trigonometric) { RunUnary(std::begin(kTrigCases), std::end(kTrigCases)); }
TEST(BuildinDirect, Hyperbolic) {
  RunUnary(std::begin(kHyperbolicCases), std::end(kHyperbolicCases));
}
TEST(BuildinDirect, Exponential) { RunUnary(std::begin(kExpCases), std::end(kExpCases)); }
TEST(BuildinDirect, RoundingSignNot) {
  RunUnary(std::begin(kRoundingCases), std::end(kRoundingCases));
}

TEST(BuildinDirect, RoundHalfAway) {
  const struct {
    TReal V;
    long long Want;
  } rows[] = {{2.5L, 3}, {-2.5L, -3}, {2.4999L, 2}, {-0.4L, 0}, {1E15L + 0.5L, 1000000000000001LL}};
  for (const auto& r : rows) EXPECT_EQ(RoundHalfAway(r.V), r.Want) << static_cast<double>(r.V);
}

// ---------------------------------------------------------------------------
// Direct calls of list built-ins, including lists the grammar never passes.

struct ListCase {
  const char* Name;
  B::TFn3 Fn;
  std::vector<TReal> Items;
  TReal Want;
  TReal Tol;
  int Err;
  const char* Why;
};

const ListCase kListCases[] = {
    {"AND", &B::mAnd, {1, 1, 1}, 1, 0, 0, "all true"},
    {"AND", &B::mAnd, {0, 2}, 0, 0, ecNotBoolean, "a non-truth wins over a false item"},
    {"AND", &B::mAnd, {}, 0, 0, ecArgumentCount, "empty list"},
    {"OR", &B::mIor, {1, 0.5L}, 0, 0, ecNotBoolean, "checked before any true item counts"},
    {"OR", &B::mIor, {}, 0, 0, ecArgumentCount, "empty list"},
    {"IF", &B::mIf, {1, 10, 20, 30}, 0, 0, ecIfArgumentCount, "four items"},
    {"IF", &B::mIf, {0.5L, 10}, 0, 0, ecIfArgumentCount, "count tested before the condition"},
    {"MAX", &B::mMax, {-1, -3}, -1, 0, 0, "negatives"},
    {"MAX", &B::mMax, {}, 0, 0, ecArgumentCount, "empty list does not read past the end"},
    {"MIN", &B::mMin, {}, 0, 0, ecArgumentCount, "empty list does not read past the end"},
    {"MIN", &B::mMin, {5}, 5, 0, 0, "one item"},
    {"SUM", &B::mSum, {}, 0, 0, 0, "empty sum"},
    {"SUM", &B::mSum, {9E37L, 9E37L, 1}, 0, 0, ecOutOfRange, "keeps going after the error"},
    {"AVG", &B::mAvg, {}, 0, 0, ecAverageNoItems, "zero items"},
    {"AVG", &B::mAvg, {7}, 7, 0, 0, "one item"},
    {"AVERAGE", &B::mAverage, {1, 2}, 1.5L, 0, 0, "same as AVG"},
    {"STD", &B::mStd, {3}, 0, 0, ecStdFewItems, "one item"},
    {"STD", &B::mStd, {}, 0, 0, ecStdFewItems, "no item"},
    {"STD", &B::mStd, {0.1L, 0.1L, 0.1L}, 0, 0, 0, "equal items: no negative radicand"},
    {"STD", &B::mStd, {1, 1E19L}, 0, 0, ecOutOfRange, "a square out of range"},
    {"STDDEV", &B::mStdDev, {1, 2, 3}, 1, Rel(1), 0, "same as STD"},
    {"MEAN", &B::mMean, {1, 2}, 0, 0, ecNotImplemented, "always"},
};

TEST(BuildinDirect, Lists) {
  for (const auto& c : kListCases) {
    Direct d;
    const TReal v = (d.Lib.*(c.Fn))(d.Fp, c.Items);
    ExpectOutcome(d.Done(v), c.Want, c.Tol, c.Err, std::string(c.Name) + ": " + c.Why);
  }
}

TEST(BuildinDirect, XorChecksBothArguments) {
  const struct {
    TReal A, B, Want;
    int Err;
  } rows[] = {{1, 1, 0, 0},
              {0, 1, 1, 0},
              {1, 0, 1, 0},
              {0, 0, 0, 0},
              {2, 1, 0, ecNotBoolean},
              {1, -1, 0, ecNotBoolean}};
  for (const auto& r : rows) {
    Direct d;
    const TReal v = d.Lib.mXor(d.Fp, r.A, r.B);
    ExpectOutcome(d.Done(v), r.Want, 0, r.Err, "XOR");
  }
}

TEST(BuildinDirect, Strings) {
  Direct d;
  EXPECT_EQ(d.Lib.mLength(d.Fp, ""), 0);
  EXPECT_EQ(d.Lib.mLength(d.Fp, "\xD6\xD0\xCE\xC4"), 4) << "two double-byte characters";
  EXPECT_EQ(d.Lib.mStrComp(d.Fp, "AB", std::string("AB\0", 3)), 0) << "lengths count";
  EXPECT_EQ(d.Lib.mStrComp(d.Fp, "", ""), 1);
  EXPECT_EQ(d.Fp.ErrorCode(), 0);
}

// ---------------------------------------------------------------------------
// RND: the range as 15-digit text, the draw only when it is accepted.

TEST(BuildinDirect, RndRangeFromText) {
  const struct {
    TReal X;
    bool Accepted;
    const char* Why;
  } rows[] = {
      {10, true, "plain"},
      {0, true, "zero"},
      {-0.0L, true, "negative zero reads as 0"},
      {-5, true, "negative"},
      {2147483647, true, "largest int32"},
      {-2147483648.0L, true, "smallest int32"},
      {2147483647.0000001L, true, "reads as 2147483647 at 15 digits"},
      {2147483648.0L, false, "one past int32"},
      {-2147483649.0L, false, "one below int32"},
      {2.5L, false, "fraction"},
      {3E9L, false, "beyond int32"},
      {1E15L, false, "written with an exponent"},
      {1E300L, false, "huge: no conversion happens"},
      {std::nanl(""), false, "not a number"},
  };
  for (const auto& r : rows) {
    Direct d;
    rng::SetSeed(777);
    const TReal v = d.Lib.mRnd(d.Fp, r.X);
    if (r.Accepted) {
      EXPECT_EQ(d.Fp.ErrorCode(), 0) << r.Why;
      EXPECT_NE(rng::Seed(), 777u) << r.Why << ": a draw happened";
    } else {
      EXPECT_EQ(d.Fp.ErrorCode(), ecRndRange) << r.Why;
      EXPECT_EQ(v, 0.0L) << r.Why;
      EXPECT_EQ(rng::Seed(), 777u) << r.Why << ": nothing drawn";
    }
  }
}

// ---------------------------------------------------------------------------
// Formula level: each row evaluated on a fresh engine and on a reused one.

struct FormulaCase {
  const char* Expr;
  TReal Want;
  TReal Tol;
  int Err;
  const char* Why;
};

TOutcome EvalBoth(const char* expr) {
  const TOutcome fresh = EvalFresh(expr);
  const TOutcome reused = EvalWith(SharedEngine(), expr);
  EXPECT_EQ(fresh.Error, reused.Error) << expr << ": fresh and reused disagree";
  EXPECT_EQ(fresh.Value, reused.Value) << expr << ": fresh and reused disagree";
  return fresh;
}

void RunFormulas(const FormulaCase* begin, const FormulaCase* end) {
  for (const auto* c = begin; c != end; ++c)
    ExpectOutcome(EvalBoth(c->Expr), c->Want, c->Tol, c->Err, std::string(c->Expr) + ": " + c->Why);
}

const FormulaCase kConstantFormulas[] = {
    {"PI", kPi, 0, 0, "nearest extended pi"},
    {"PI()", kPi, 0, 0, "empty brackets"},
    {"PI", 3.1415926535897932385L, 0, 0, "by its digits: the 64-bit mantissa nearest to pi"},
    {"E", 2.71828182845904523536L, 0, 0, "e^1: the extended value nearest e"},
    {"TRUE", 1, 0, 0, "truth"},
    {"FALSE", 0, 0, 0, "truth"},
};

const FormulaCase kRoundingFormulas[] = {
    {"SGN(0)", 1, 0, 0, "zero is positive"},
    {"SGN(-0.0001)", -1, 0, 0, "negative"},
    {"ROUND(2.5)", 3, 0, 0, "half up"},
    {"ROUND(-2.5)", -3, 0, 0, "half away from zero"},
    {"ROUND(2147483645.6)", 2147483646, 0, 0, "below the limit"},
    {"ROUND(2147483646.5)", 2147483646.5L, 0, 0, "at the limit: unchanged"},
    {"ROUND(3000000000.7)", 3000000000.7L, 0, 0, "beyond: unchanged"},
    {"INT(-2.7)", -2, 0, 0, "toward zero"},
    {"INT(2.7)", 2, 0, 0, "toward zero"},
    {"FRAC(-2.7)", -0.7L, 1E-18L, 0, "keeps the sign"},
    {"ABS(-3)", 3, 0, 0, "magnitude"},
};

const FormulaCase kTrigFormulas[] = {
    {"TAN(0)", 0, 0, 0, "zero is even"},
    {"SEC(0)", 1, 0, 0, "1/cos 0"},
    {"TAN(PI/2)", 0, 0, ecTanUndefined, "halving is exact: y = 1"},
    {"SEC(PI/2)", 0, 0, ecSecUndefined, "same test, own code"},
    {"TAN(PI)", 0, 1E-18L, 0, "even multiple: about 0"},
    {"SEC(PI)", -1, 1E-18L, 0, "even multiple: about -1"},
    {"COT(0)", 0, 0, ecCotUndefined, "zero"},
    {"CSC(PI)", 0, 0, ecCscUndefined, "y = 1"},
    {"COT(PI/2)", 0, 1E-18L, 0, "about 0"},
    {"SIN(1E19)", 0, 0, 0, "beyond 2^63"},
    {"SIN(PI)", -5.01655761266833E-20L, 1E-33L, 0, "PI lies 5.0E-20 above pi"},
    {"COS(1E19)", 0, 0, 0, "beyond 2^63"},
    {"DEG(PI)", 180, 0, 0, "degrees"},
    {"RAD(180)", kPi, 0, 0, "radians"},
};

const FormulaCase kExpFormulas[] = {
    {"EXP(87.49)", 9.91800268929946408665E37L, Rel(9.92E37L), 0, "just below L"},
    {"EXP(87.5)", 0, 0, ecOutOfRange, "beyond L"},
    {"COSH(87.49)", 4.95900134464973204602E37L, Rel(4.96E37L), 0, "hyperbolic bound is > L"},
    {"COSH(87.5)", 0, 0, ecParameterTooLarge, "hyperbolic code"},
    {"SINH(1E-10)", 1E-10L, Rel(1E-10L), 0, "no cancellation"},
    {"SQR(-3)", 9, 0, 0, "square"},
    {"SQR(0)", 0, 0, 0, "zero"},
    {"SQR(1E19)", 0, 0, ecOutOfRange, "too large"},
    {"SQR(1E-20)", 0, 0, ecOutOfRange, "too small"},
    {"SQR(9.9E18)", 9.801E37L, Rel(9.801E37L), 0, "just inside"},
    {"LOG(1000)", 3, 0, 0, "power of ten"},
    {"LN(0)", 0, 0, ecLogDomain, "zero"},
    {"LOG(-1)", 0, 0, ecLogDomain, "negative"},
    {"SQRT(-1)", 0, 0, ecSqrtDomain, "negative"},
    {"SQRT(0)", 0, 0, 0, "zero"},
};

const FormulaCase kInverseHyperbolicFormulas[] = {
    {"ARCCOSH(1)", 0, 0, 0, "lower end"},
    {"ARCCOSH(0.5)", 0, 0, ecArccoshDomain, "below 1"},
    {"ARCCOSH(-1E20)", 0, 0, ecParameterTooLarge, "range test first"},
    {"ARCCSCH(0)", 0, 0, ecArccschZero, "zero"},
    {"ARCCSCH(1E20)", 0, 0, ecParameterTooLarge, "large positive"},
    {"ARCCSCH(-1E20)", -1E-20L, Rel(1E-20L), 0, "large negative is computed"},
    {"ARCSECH(1)", 0, 0, 0, "upper end"},
    {"ARCSECH(0)", 0, 0, ecArcsechDomain, "zero"},
    {"ARCSECH(1.5)", 0, 0, ecArcsechDomain, "above 1"},
    {"ARCSECH(-1E20)", 0, 0, 26, "only large positive values are too large"},
    {"ARCTANH(1)", 0, 0, ecArctanhDomain, "magnitude 1"},
    {"ARCCOTH(1)", 0, 0, ecArccothDomain, "magnitude 1"},
    {"ARCCOTH(-0.5)", 0, 0, ecArccothDomain, "inside (-1, 1)"},
    {"ARCSINH(-1E9)", -21.4164130175063564658L, Rel(22), 0, "negative, all digits"},
};

const FormulaCase kLogicFormulas[] = {
    {"AND(1,1,1)", 1, 0, 0, "all true"},
    {"AND(1,0)", 0, 0, 0, "one false"},
    {"AND(1,2)", 0, 0, ecNotBoolean, "not a truth value"},
    {"OR(0,0)", 0, 0, 0, "none true"},
    {"OR(0,1)", 1, 0, 0, "one true"},
    {"XOR(1,1)", 0, 0, 0, "both true"},
    {"XOR(0,1)", 1, 0, 0, "exactly one"},
    {"NOT(0)", 1, 0, 0, "negation"},
    {"NOT(0.5)", 0, 0, ecNotBoolean, "not a truth value"},
    {"IF(1,10,20)", 10, 0, 0, "true picks the second"},
    {"IF(0,10,20)", 20, 0, 0, "false picks the third"},
    {"IF(2,10,20)", 0, 0, ecIfCondition, "condition not 0 or 1"},
    {"IF(1,10)", 0, 0, ecIfArgumentCount, "two items"},
    {"IF(1)", 0, 0, ecArgumentCount, "the grammar wants two items"},
    {"IF(1,5,SQRT(-1))", 0, 0, ecSqrtDomain, "the branch not taken is evaluated too"},
};

const FormulaCase kListFormulas[] = {
    {"MAX(1,3,2)", 3, 0, 0, "largest"},
    {"MIN(1,3,2)", 1, 0, 0, "smallest"},
    {"MAX(3)", 0, 0, ecArgumentCount, "one item"},
    {"SUM(3)", 0, 0, ecArgumentCount, "one item"},
    {"SUM(9E37,9E37)", 0, 0, ecOutOfRange, "running range test"},
    {"SUM(1E37,1E37)", 2E37L, 0, 0, "inside the range"},
    {"AVG(1,2)", 1.5L, 0, 0, "mean"},
    {"AVGERAGE(1,2)", 1.5L, 0, 0, "same as AVG"},
    {"STD(1,1)", 0, 0, 0, "no spread"},
    {"STD(2,4,4,4,5,5,7,9)", std::sqrt(32.0L / 7), Rel(2.2L), 0, "divisor n - 1"},
    {"STDEV(2,4,4,4,5,5,7,9)", std::sqrt(32.0L / 7), Rel(2.2L), 0, "same as STD"},
    {"MEAN(1,2)", 0, 0, ecNotImplemented, "not implemented"},
};

const FormulaCase kStringFormulas[] = {
    {"LENGTH('abc')", 3, 0, 0, "bytes"},
    {"LENGTH('')", 0, 0, 0, "empty literal"},
    {"LENGTH('中文')", 4, 0, 0, "double-byte characters count 2"},
    {"LENGTH('a b')", 2, 0, 0, "blanks are dropped by the reader"},
    {"STRCOMP('ab','abc')", 0, 0, 0, "lengths differ"},
    {"STRCOMP('abc','ABC')", 1, 0, 0, "letters arrive upper-cased"},
    {"STRCOMP('abc','A B C')", 1, 0, 0, "blanks dropped, letters upper-cased"},
    {"LENGTH('abc')+1", 4, 0, 0, "an operator may follow a string call"},
    {"STRCOMP('a','a')*2", 2, 0, 0, "after the closing bracket"},
    {"RND(0)", 0, 0, 0, "range 0"},
    {"RND(2.5)", 0, 0, ecRndRange, "fraction"},
    {"RND(3E9)", 0, 0, ecRndRange, "beyond int32"},
    {"RND(1E15)", 0, 0, ecRndRange, "written with an exponent"},
};

// Points a user calls exact, exact on every CPU: none of them may rest on
// the last bit of an x87 logarithm, exponential or arctangent.
const FormulaCase kExactPointFormulas[] = {
    {"LOG(1000)=3", 1, 0, 0, "a power of ten"},
    {"LOG(1000)-3", 0, 0, 0, "not 2.2E-19"},
    {"FRAC(LOG(1E12))", 0, 0, 0, "not 8.7E-19"},
    {"LOG(1E23)=23", 1, 0, 0, "the literal is 10^23 exactly"},
    {"LOG(1E30)=30", 1, 0, 0, "the literal is 10^30 rounded"},
    {"LOG(1E-14)=-14", 1, 0, 0, "negative powers"},
    {"LOG(1E-3)", -3, 0, 0, "the literal is one rounded division"},
    {"LOG(1E4932)", 4932, 0, 0, "the largest power of ten"},
    {"LOG(1E-4950)", -4950, 0, 0, "a subnormal literal"},
    {"LOG(1)", 0, 0, 0, "log 1"},
    {"LOG(1000.0000000000001)", 3, Rel(3), 0, "near a power of ten: computed"},
    {"LN(1)", 0, 0, 0, "ln 1"},
    {"LN(E)", 1, 0, 0, "ln e"},
    {"EXP(0)", 1, 0, 0, "e^0"},
    {"EXP(1)=E", 1, 0, 0, "E is EXP(1)"},
    {"COSH(0)", 1, 0, 0, "built from e^0"},
    {"SINH(0)", 0, 0, 0, "built from e^0"},
    {"ARCTAN(0)", 0, 0, 0, "arctan 0"},
    {"ARCTAN(1)*4=PI", 1, 0, 0, "arctan 1 is PI/4"},
    {"ARCTAN(-1)*4=-PI", 1, 0, 0, "odd"},
    {"SIN(0)", 0, 0, 0, "sin 0"},
    {"COS(0)", 1, 0, 0, "cos 0"},
    {"SQRT(1E10)", 1E5L, 0, 0, "a square root is rounded correctly"},
    {"DEG(PI)", 180, 0, 0, "PI / PI * 180"},
};

// Every literal 1En, n over the 80-bit range, has LOG n exactly.
TEST(BuildinFormula, LogOfEveryPowerOfTenLiteral) {
  TFormulaParser fp;
  for (int n = -4950; n <= 4932; ++n) {
    const std::string expr = "LOG(1E" + std::to_string(n) + ")=" + std::to_string(n);
    const TOutcome got = EvalWith(fp, expr);
    ASSERT_EQ(got.Error, 0) << expr;
    ASSERT_EQ(got.Value, 1) << expr;
  }
}

TEST(BuildinFormula, ExactPoints) {
  RunFormulas(std::begin(kExactPointFormulas), std::end(kExactPointFormulas));
}

TEST(BuildinFormula, Constants) {
  RunFormulas(std::begin(kConstantFormulas), std::end(kConstantFormulas));
}
TEST(BuildinFormula, RoundingAndSign) {
  RunFormulas(std::begin(kRoundingFormulas), std::end(kRoundingFormulas));
}
TEST(BuildinFormula, Trigonometric) {
  RunFormulas(std::begin(kTrigFormulas), std::end(kTrigFormulas));
}
TEST(BuildinFormula, ExponentialAndSquare) {
  RunFormulas(std::begin(kExpFormulas), std::end(kExpFormulas));
}
TEST(BuildinFormula, InverseHyperbolic) {
  RunFormulas(std::begin(kInverseHyperbolicFormulas), std::end(kInverseHyperbolicFormulas));
}
TEST(BuildinFormula, LogicAndCondition) {
  RunFormulas(std::begin(kLogicFormulas), std::end(kLogicFormulas));
}
TEST(BuildinFormula, Lists) { RunFormulas(std::begin(kListFormulas), std::end(kListFormulas)); }
TEST(BuildinFormula, StringsAndRnd) {
  RunFormulas(std::begin(kStringFormulas), std::end(kStringFormulas));
}

TEST(BuildinFormula, RandomRanges) {
  for (int i = 0; i < 200; ++i) {
    const TOutcome r = EvalFresh("RND(10)");
    ASSERT_EQ(r.Error, 0);
    ASSERT_GE(r.Value, 0);
    ASSERT_LE(r.Value, 9);
    ASSERT_EQ(r.Value, std::trunc(r.Value)) << "whole number";
    const TOutcome f = EvalWith(SharedEngine(), "RAND");
    ASSERT_EQ(f.Error, 0);
    ASSERT_GE(f.Value, 0);
    ASSERT_LT(f.Value, 1);
  }
}

// With a known seed, RND and RAND give the product rule's values on a fresh
// engine and on a reused one alike.
TEST(BuildinFormula, SeededDraws) {
  const struct {
    std::uint32_t Seed;
    const char* Expr;
    TReal Want;
    const char* Why;
  } rows[] = {
      {12345u, "RND(10)", 3, "upper bits of 10 * 1655067934"},
      {12345u, "RND(1000)", 385, "upper bits of 1000 * 1655067934"},
      {12345u, "RND(-1)", 1655067933, "negative range: same product rule"},
      {99u, "RND(2147483647)", 228951799, "largest range"},
      {0u, "RAND", 1.0L / 4294967296.0L, "new seed 1"},
      {0u, "RAND()", 1.0L / 4294967296.0L, "empty brackets"},
  };
  TFormulaParser& reused = SharedEngine();  // constructed (and seeded) by now
  for (const auto& r : rows) {
    TFormulaParser fresh;  // its construction reseeds: set the seed after it
    rng::SetSeed(r.Seed);
    const TOutcome a = EvalWith(fresh, r.Expr);
    rng::SetSeed(r.Seed);
    const TOutcome b = EvalWith(reused, r.Expr);
    ExpectOutcome(a, r.Want, 0, 0, std::string(r.Expr) + " fresh: " + r.Why);
    ExpectOutcome(b, r.Want, 0, 0, std::string(r.Expr) + " reused: " + r.Why);
  }
}

}  // namespace
}  // namespace tessary
