// SPDX-License-Identifier: MIT
#include <cmath>

#include "buildinfuncs.h"
#include "formulaparser.h"

namespace tessary {

long long RoundHalfAway(TReal v) {
  return static_cast<long long>(std::trunc(v >= 0 ? v + 0.5L : v - 0.5L));
}

TReal TBuildinFuncs::mAbs(TFormulaParser&, const TReal& x) { return std::fabs(x); }

TReal TBuildinFuncs::mInt(TFormulaParser&, const TReal& x) { return std::trunc(x); }

TReal TBuildinFuncs::mFrac(TFormulaParser&, const TReal& x) { return x - std::trunc(x); }

// Below the limit the value fits an integer comfortably; above it, it is
// returned as it is (ROUND(3000000000.7) stays 3000000000.7).
TReal TBuildinFuncs::mRound(TFormulaParser&, const TReal& x) {
  if (std::fabs(x) < buildin::kRoundLimit) return static_cast<TReal>(RoundHalfAway(x));
  return x;
}

// SGN(0) is 1: only negative values give -1.
TReal TBuildinFuncs::mSgn(TFormulaParser&, const TReal& x) { return x >= 0 ? 1 : -1; }

}  // namespace tessary
