// SPDX-License-Identifier: MIT
#include <algorithm>

#include "buildinfuncs.h"
#include "errorcodes.h"
#include "formulaparser.h"

namespace tessary {

namespace {

bool IsTruth(TReal v) { return v == 0 || v == 1; }

// Every item must be a truth value before any counts; records 13 or, for an
// empty list, 14.
bool AllTruths(TFormulaParser& fp, std::span<const TReal> items) {
  if (!std::all_of(items.begin(), items.end(), IsTruth)) {
    fp.SetError(ecNotBoolean);
    return false;
  }
  if (items.empty()) {
    fp.SetError(ecArgumentCount);
    return false;
  }
  return true;
}

}  // namespace

TReal TBuildinFuncs::mAnd(TFormulaParser& fp, std::span<const TReal> items) {
  if (!AllTruths(fp, items)) return 0;
  return std::all_of(items.begin(), items.end(), [](TReal v) { return v == 1; }) ? 1 : 0;
}

TReal TBuildinFuncs::mIor(TFormulaParser& fp, std::span<const TReal> items) {
  if (!AllTruths(fp, items)) return 0;
  return std::any_of(items.begin(), items.end(), [](TReal v) { return v == 1; }) ? 1 : 0;
}

TReal TBuildinFuncs::mXor(TFormulaParser& fp, const TReal& a, const TReal& b) {
  if (!IsTruth(a) || !IsTruth(b)) {
    fp.SetError(ecNotBoolean);
    return 0;
  }
  return a != b ? 1 : 0;
}

TReal TBuildinFuncs::mNot(TFormulaParser& fp, const TReal& x) {
  if (!IsTruth(x)) {
    fp.SetError(ecNotBoolean);
    return 0;
  }
  return 1 - x;
}

// Both branches have already been evaluated by the engine: IF only picks.
TReal TBuildinFuncs::mIf(TFormulaParser& fp, std::span<const TReal> items) {
  if (items.size() != 3) {
    fp.SetError(ecIfArgumentCount);
    return 0;
  }
  if (!IsTruth(items[0])) {
    fp.SetError(ecIfCondition);
    return 0;
  }
  return items[0] == 1 ? items[1] : items[2];
}

}  // namespace tessary
