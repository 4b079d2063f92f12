// SPDX-License-Identifier: MIT
#include <cmath>

#include "buildinfuncs.h"
#include "errorcodes.h"
#include "formulaparser.h"

namespace tessary {

namespace {

TReal PlainSum(std::span<const TReal> items) {
  TReal s = 0;
  for (TReal v : items) s += v;
  return s;
}

// The engine never passes an empty list; a direct caller gets 14 instead of
// a read past the end.
bool HasItems(TFormulaParser& fp, std::span<const TReal> items) {
  if (!items.empty()) return true;
  fp.SetError(ecArgumentCount);
  return false;
}

}  // namespace

// Strict comparisons: of equal items the earlier one stays.
TReal TBuildinFuncs::mMax(TFormulaParser& fp, std::span<const TReal> items) {
  if (!HasItems(fp, items)) return 0;
  TReal m = items[0];
  for (TReal v : items.subspan(1))
    if (v > m) m = v;
  return m;
}

TReal TBuildinFuncs::mMin(TFormulaParser& fp, std::span<const TReal> items) {
  if (!HasItems(fp, items)) return 0;
  TReal m = items[0];
  for (TReal v : items.subspan(1))
    if (v < m) m = v;
  return m;
}

// Same guard as the "+" operator, item by item; a rejected item is skipped
// and the pass goes on, but a sum that lost an item is not a result.
TReal TBuildinFuncs::mSum(TFormulaParser& fp, std::span<const TReal> items) {
  TReal s = 0;
  bool rejected = false;
  for (TReal v : items) {
    if (!fp.Guarded() || std::fabs(s / kRangeDivisor + v / kRangeDivisor) < kRangeTenth) {
      s += v;
    } else {
      fp.SetError(ecOutOfRange);
      rejected = true;
    }
  }
  return rejected ? 0 : s;
}

TReal TBuildinFuncs::mAvg(TFormulaParser& fp, std::span<const TReal> items) {
  if (items.empty()) {
    fp.SetError(ecAverageNoItems);
    return 0;
  }
  return PlainSum(items) / static_cast<TReal>(items.size());
}

TReal TBuildinFuncs::mAverage(TFormulaParser& fp, std::span<const TReal> items) {
  return mAvg(fp, items);
}

// Sample standard deviation, divisor n - 1, from the sum of squares.
TReal TBuildinFuncs::mStd(TFormulaParser& fp, std::span<const TReal> items) {
  if (items.size() < 2) {
    fp.SetError(ecStdFewItems);
    return 0;
  }
  TReal squares = 0;
  for (TReal v : items) squares += buildin::Square(fp, v);
  if (fp.ErrorCode() != 0) return 0;
  const auto n = static_cast<TReal>(items.size());
  const TReal m = PlainSum(items) / n;
  const TReal radicand = (squares - n * m * m) / (n - 1);
  // Equal items can leave a rounding residue just below zero.
  return radicand < 0 ? 0 : std::sqrt(radicand);
}

TReal TBuildinFuncs::mStdDev(TFormulaParser& fp, std::span<const TReal> items) {
  return mStd(fp, items);
}

TReal TBuildinFuncs::mMean(TFormulaParser& fp, std::span<const TReal>) {
  fp.SetError(ecNotImplemented);
  return 0;
}

}  // namespace tessary
