// SPDX-License-Identifier: MIT
#include <cmath>
#include <numbers>

#include "buildinfuncs.h"
#include "errorcodes.h"
#include "exactmath.h"
#include "formulaparser.h"

namespace tessary {

namespace {

using buildin::LnLimit;
using buildin::SqrtLimit;

// |x| > L: e^x would leave the engine's range.
bool TooLarge(TFormulaParser& fp, TReal x) {
  if (!fp.Guarded() || std::fabs(x) <= LnLimit()) return false;
  fp.SetError(ecParameterTooLarge);
  return true;
}

// e^x - e^-x, taken as expm1(x) - expm1(-x): the same value, but without
// the cancellation that would leave only a few correct digits for small x.
TReal ExpDifference(TReal x) { return std::expm1(x) - std::expm1(-x); }

TReal ExpSum(TReal x) { return exact::Exp(x) + exact::Exp(-x); }

// Beyond this t*t + 1 equals t*t and sqrt(t*t + 1) + t equals 2t.
constexpr TReal kHuge = 0x1p40L;

// ln(t + sqrt(t*t + 1)) for t >= 0, written as ln(1 + d) with
// d = t + (sqrt(t*t + 1) - 1) so that small t keeps all its digits.
TReal AsinhOfMagnitude(TReal t) {
  if (t > kHuge) return std::log(t) + std::numbers::ln2_v<TReal>;
  return std::log1p(t + t * t / (std::sqrt(t * t + 1) + 1));
}

// ln(x + sqrt(x*x - 1)) with x = 1 + u, u >= 0: x*x - 1 = u*(u + 2) keeps
// the digits that x*x - 1 would lose next to 1.
TReal AcoshOfExcess(TReal u) {
  if (u > kHuge) return std::log1p(u) + std::numbers::ln2_v<TReal>;
  return std::log1p(u + std::sqrt(u * (u + 2)));
}

// ln(x + sqrt(x*x + 1)) is odd in x; taking it on |x| avoids the
// cancellation of x + sqrt(x*x + 1) for negative x (-1E9 would lose
// almost every digit).
TReal Asinh(TReal x) {
  const TReal r = AsinhOfMagnitude(std::fabs(x));
  return x < 0 ? -r : r;
}

}  // namespace

TReal TBuildinFuncs::mSinh(TFormulaParser& fp, const TReal& x) {
  if (TooLarge(fp, x)) return 0;
  return ExpDifference(x) / 2;
}

TReal TBuildinFuncs::mCosh(TFormulaParser& fp, const TReal& x) {
  if (TooLarge(fp, x)) return 0;
  return ExpSum(x) / 2;
}

TReal TBuildinFuncs::mTanh(TFormulaParser& fp, const TReal& x) {
  if (TooLarge(fp, x)) return 0;
  return ExpDifference(x) / ExpSum(x);
}

TReal TBuildinFuncs::mCsch(TFormulaParser& fp, const TReal& x) {
  if (TooLarge(fp, x)) return 0;
  if (x == 0) {
    fp.SetError(ecCschZero);
    return 0;
  }
  return 2 / ExpDifference(x);
}

TReal TBuildinFuncs::mSech(TFormulaParser& fp, const TReal& x) {
  if (TooLarge(fp, x)) return 0;
  return 2 / ExpSum(x);
}

TReal TBuildinFuncs::mCoth(TFormulaParser& fp, const TReal& x) {
  if (TooLarge(fp, x)) return 0;
  if (x == 0) {
    fp.SetError(ecCothZero);
    return 0;
  }
  return ExpSum(x) / ExpDifference(x);
}

TReal TBuildinFuncs::mArcsinh(TFormulaParser& fp, const TReal& x) {
  if (std::fabs(x) >= SqrtLimit()) {
    fp.SetError(ecParameterTooLarge);
    return 0;
  }
  return Asinh(x);
}

TReal TBuildinFuncs::mArccosh(TFormulaParser& fp, const TReal& x) {
  if (std::fabs(x) >= SqrtLimit()) {
    fp.SetError(ecParameterTooLarge);
    return 0;
  }
  if (x < 1) {
    fp.SetError(ecArccoshDomain);
    return 0;
  }
  return AcoshOfExcess(x - 1);
}

// ln((1 + x) / (1 - x)) / 2 = ln(1 + 2x / (1 - x)) / 2.
TReal TBuildinFuncs::mArctanh(TFormulaParser& fp, const TReal& x) {
  if (std::fabs(x) >= 1) {
    fp.SetError(ecArctanhDomain);
    return 0;
  }
  return std::log1p(2 * x / (1 - x)) / 2;
}

// ln(sqrt(1/(x*x) + 1) + 1/x) is ARCSINH of 1/x. Only a large positive x is
// rejected: a large negative one passes the test and is computed.
TReal TBuildinFuncs::mArccsch(TFormulaParser& fp, const TReal& x) {
  if (x >= SqrtLimit()) {
    fp.SetError(ecParameterTooLarge);
    return 0;
  }
  if (x == 0) {
    fp.SetError(ecArccschZero);
    return 0;
  }
  return Asinh(1 / x);
}

// ln(sqrt(1/(x*x) - 1) + 1/x) is ARCCOSH of 1/x = 1 + (1 - x)/x.
TReal TBuildinFuncs::mArcsech(TFormulaParser& fp, const TReal& x) {
  if (x >= SqrtLimit()) {
    fp.SetError(ecParameterTooLarge);
    return 0;
  }
  if (x <= 0 || x > 1) {
    fp.SetError(ecArcsechDomain);
    return 0;
  }
  return AcoshOfExcess((1 - x) / x);
}

// ln((x + 1) / (x - 1)) / 2 = ln(1 + 2 / (x - 1)) / 2.
TReal TBuildinFuncs::mArccoth(TFormulaParser& fp, const TReal& x) {
  if (std::fabs(x) <= 1) {
    fp.SetError(ecArccothDomain);
    return 0;
  }
  return std::log1p(2 / (x - 1)) / 2;
}

}  // namespace tessary
