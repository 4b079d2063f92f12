// SPDX-License-Identifier: MIT
#include <cmath>

#include "buildinfuncs.h"
#include "errorcodes.h"
#include "exactmath.h"
#include "formulaparser.h"
#include "random.h"

namespace tessary {

namespace buildin {

TReal LnLimit() {
  static const TReal l = std::log(kRangeLimit);
  return l;
}

TReal SqrtLimit() {
  static const TReal r = std::sqrt(kRangeLimit);
  return r;
}

TReal Square(TFormulaParser& fp, TReal x) {
  if (x == 0) return 0;
  // The range test goes through the logarithm so that tiny squares are
  // rejected as well as huge ones; the value itself is the exact product
  // rounded once, so SQR(3) is exactly 9.
  const TReal t = 2 * std::log(std::fabs(x));
  if (fp.Guarded() && std::fabs(t) >= LnLimit()) {
    fp.SetError(ecOutOfRange);
    return 0;
  }
  return x * x;
}

}  // namespace buildin

TReal TBuildinFuncs::Mpi(TFormulaParser&) { return buildin::kPi; }

TReal TBuildinFuncs::mE(TFormulaParser&) { return exact::Exp(1); }

TReal TBuildinFuncs::mTrue(TFormulaParser&) { return 1; }

TReal TBuildinFuncs::mFalse(TFormulaParser&) { return 0; }

TReal TBuildinFuncs::mRand(TFormulaParser&) { return rng::RandomFraction(); }

}  // namespace tessary
