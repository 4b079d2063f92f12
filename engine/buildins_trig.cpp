// SPDX-License-Identifier: MIT
#include <cmath>

#include "buildinfuncs.h"
#include "errorcodes.h"
#include "exactmath.h"
#include "formulaparser.h"

namespace tessary {

namespace {

using buildin::kPi;
using buildin::kTwoPow63;

bool IsWhole(TReal y) { return std::trunc(y) == y; }

// y = 2x/pi whole and odd: x is an odd multiple of pi/2. fmod keeps this
// exact for any magnitude, where a conversion to an integer could overflow.
bool AtOddHalfPi(TReal x) {
  const TReal y = (x * 2) / kPi;
  return IsWhole(y) && std::fabs(std::fmod(y, 2.0L)) == 1;
}

bool AtWholePi(TReal x) { return IsWhole(x / kPi); }

// SIN and COS give 0 from 2^63 on; a quotient of them would be 0/0 there,
// so the reciprocal functions call it out of range instead.
bool BeyondPeriod(TFormulaParser& fp, TReal x) {
  if (std::fabs(x) < kTwoPow63) return false;
  fp.SetError(ecOutOfRange);
  return true;
}

}  // namespace

TReal TBuildinFuncs::mSin(TFormulaParser&, const TReal& x) {
  return std::fabs(x) >= kTwoPow63 ? 0 : std::sin(x);
}

TReal TBuildinFuncs::mCos(TFormulaParser&, const TReal& x) {
  return std::fabs(x) >= kTwoPow63 ? 0 : std::cos(x);
}

TReal TBuildinFuncs::mTan(TFormulaParser& fp, const TReal& x) {
  if (AtOddHalfPi(x)) {
    fp.SetError(ecTanUndefined);
    return 0;
  }
  if (BeyondPeriod(fp, x)) return 0;
  return std::sin(x) / std::cos(x);
}

TReal TBuildinFuncs::mCot(TFormulaParser& fp, const TReal& x) {
  if (AtWholePi(x)) {
    fp.SetError(ecCotUndefined);
    return 0;
  }
  if (BeyondPeriod(fp, x)) return 0;
  return std::cos(x) / std::sin(x);
}

TReal TBuildinFuncs::mSec(TFormulaParser& fp, const TReal& x) {
  if (AtOddHalfPi(x)) {
    fp.SetError(ecSecUndefined);
    return 0;
  }
  if (BeyondPeriod(fp, x)) return 0;
  return 1 / std::cos(x);
}

TReal TBuildinFuncs::mCsc(TFormulaParser& fp, const TReal& x) {
  if (AtWholePi(x)) {
    fp.SetError(ecCscUndefined);
    return 0;
  }
  if (BeyondPeriod(fp, x)) return 0;
  return 1 / std::sin(x);
}

TReal TBuildinFuncs::mArctan(TFormulaParser&, const TReal& x) { return exact::Arctan(x); }

TReal TBuildinFuncs::mDeg(TFormulaParser&, const TReal& x) { return (x / kPi) * 180; }

TReal TBuildinFuncs::mRad(TFormulaParser&, const TReal& x) { return (x / 180) * kPi; }

}  // namespace tessary
