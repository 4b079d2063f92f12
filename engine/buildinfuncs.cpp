// SPDX-License-Identifier: MIT
#include "buildinfuncs.h"

#include <array>
#include <string_view>

namespace tessary {

namespace {

using B = TBuildinFuncs;
constexpr auto kByCaller = TRegistration::ByCaller;

// Every name that reaches a built-in, with its method. The engine registers
// the names in this order, which NameTable shows. The last rows are the
// names of three methods whose registered names differ (OR, AVGERAGE, STDEV):
// a program may still register those names itself.
constexpr auto kBuiltins = std::to_array<TBuiltin>({
    {"ARCTAN", &B::mArctan},
    {"COS", &B::mCos},
    {"DEG", &B::mDeg},
    {"PI", &B::Mpi},
    {"RAD", &B::mRad},
    {"SIN", &B::mSin},
    {"TAN", &B::mTan},
    {"AND", &B::mAnd},
    {"FALSE", &B::mFalse},
    {"OR", &B::mIor},
    {"TRUE", &B::mTrue},
    {"XOR", &B::mXor},
    {"NOT", &B::mNot},
    {"EXP", &B::mExp},
    {"E", &B::mE},
    {"LN", &B::mLn},
    {"LOG", &B::mLog},
    {"SQR", &B::mSqr},
    {"SQRT", &B::mSqrt},
    {"ABS", &B::mAbs},
    {"FRAC", &B::mFrac},
    {"INT", &B::mInt},
    {"MAX", &B::mMax},
    {"MIN", &B::mMin},
    {"ROUND", &B::mRound},
    {"SGN", &B::mSgn},
    {"CSC", &B::mCsc},
    {"SEC", &B::mSec},
    {"COT", &B::mCot},
    {"SINH", &B::mSinh},
    {"COSH", &B::mCosh},
    {"TANH", &B::mTanh},
    {"CSCH", &B::mCsch},
    {"SECH", &B::mSech},
    {"COTH", &B::mCoth},
    {"ARCSINH", &B::mArcsinh},
    {"ARCCOSH", &B::mArccosh},
    {"ARCTANH", &B::mArctanh},
    {"ARCCSCH", &B::mArccsch},
    {"ARCSECH", &B::mArcsech},
    {"ARCCOTH", &B::mArccoth},
    {"AVG", &B::mAvg},
    {"AVGERAGE", &B::mAverage},
    {"STD", &B::mStd},
    {"STDEV", &B::mStdDev},
    {"MEAN", &B::mMean},
    {"SUM", &B::mSum},
    {"RAND", &B::mRand},
    {"RND", &B::mRnd},
    {"LENGTH", &B::mLength},
    {"STRCOMP", &B::mStrComp},
    {"IF", &B::mIf},
    {"IOR", &B::mIor, kByCaller},
    {"AVERAGE", &B::mAverage, kByCaller},
    {"STDDEV", &B::mStdDev, kByCaller},
});

// Find takes the first row of a name and the scanner upper-cases what it
// reads: a repeated or lower-case name would be a row no call reaches.
constexpr bool NamesAreUpperCaseAndUnique() {
  for (std::size_t i = 0; i < kBuiltins.size(); ++i) {
    const std::string_view name = kBuiltins[i].Name;
    for (char c : name)
      if (c >= 'a' && c <= 'z') return false;
    for (std::size_t j = 0; j < i; ++j)
      if (name == kBuiltins[j].Name) return false;
  }
  return true;
}
static_assert(NamesAreUpperCaseAndUnique());

}  // namespace

std::span<const TBuiltin> TBuildinFuncs::Table() { return kBuiltins; }

// Called once per registered name, never per call: a plain scan will do.
const TBuiltin* TBuildinFuncs::Find(std::string_view name) {
  for (const auto& b : kBuiltins)
    if (name == b.Name) return &b;
  return nullptr;
}

}  // namespace tessary
