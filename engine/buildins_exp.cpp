// SPDX-License-Identifier: MIT
#include <cmath>

#include "buildinfuncs.h"
#include "errorcodes.h"
#include "exactmath.h"
#include "formulaparser.h"

namespace tessary {

TReal TBuildinFuncs::mExp(TFormulaParser& fp, const TReal& x) {
  if (fp.Guarded() && std::fabs(x) >= buildin::LnLimit()) {
    fp.SetError(ecOutOfRange);
    return 0;
  }
  return exact::Exp(x);
}

TReal TBuildinFuncs::mLn(TFormulaParser& fp, const TReal& x) {
  if (x <= 0) {
    fp.SetError(ecLogDomain);
    return 0;
  }
  return exact::Ln(x);
}

// log10 rather than ln x / ln 10, and exactly n at every literal 1En.
TReal TBuildinFuncs::mLog(TFormulaParser& fp, const TReal& x) {
  if (x <= 0) {
    fp.SetError(ecLogDomain);
    return 0;
  }
  return exact::Log10(x);
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
