// SPDX-License-Identifier: MIT
#include <cmath>

#include "buildinfuncs.h"
#include "errorcodes.h"
#include "formulaparser.h"

namespace tessary {

TReal TBuildinFuncs::mExp(TFormulaParser& fp, const TReal& x) {
  if (std::fabs(x) >= buildin::LnLimit()) {
    fp.SetError(ecOutOfRange);
    return 0;
  }
  return std::exp(x);
}

TReal TBuildinFuncs::mLn(TFormulaParser& fp, const TReal& x) {
  if (x <= 0) {
    fp.SetError(ecLogDomain);
    return 0;
  }
  return std::log(x);
}

// log10 rather than ln x / ln 10: exact for powers of ten (LOG(1000) = 3).
TReal TBuildinFuncs::mLog(TFormulaParser& fp, const TReal& x) {
  if (x <= 0) {
    fp.SetError(ecLogDomain);
    return 0;
  }
  return std::log10(x);
}

TReal TBuildinFuncs::mSqr(TFormulaParser& fp, const TReal& x) { return buildin::Square(fp, x); }

TReal TBuildinFuncs::mSqrt(TFormulaParser& fp, const TReal& x) {
  if (x < 0) {
    fp.SetError(ecSqrtDomain);
    return 0;
  }
  return std::sqrt(x);
}

}  // namespace tessary
