// SPDX-License-Identifier: MIT
#include "buildinfuncs.h"

#include <array>

namespace tessary {

namespace {

using B = TBuildinFuncs;

// Every built-in under the names that reach it: its method's name without
// the leading "m", upper-cased, and for three methods the name the engine
// registers for them as well.
const std::array<TBuiltin, 55> kBuiltins{{
    {"PI", &B::Mpi},
    {"E", &B::mE},
    {"TRUE", &B::mTrue},
    {"FALSE", &B::mFalse},
    {"RAND", &B::mRand},
    {"SIN", &B::mSin},
    {"COS", &B::mCos},
    {"TAN", &B::mTan},
    {"COT", &B::mCot},
    {"SEC", &B::mSec},
    {"CSC", &B::mCsc},
    {"ARCTAN", &B::mArctan},
    {"DEG", &B::mDeg},
    {"RAD", &B::mRad},
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
    {"EXP", &B::mExp},
    {"LN", &B::mLn},
    {"LOG", &B::mLog},
    {"SQR", &B::mSqr},
    {"SQRT", &B::mSqrt},
    {"ABS", &B::mAbs},
    {"INT", &B::mInt},
    {"FRAC", &B::mFrac},
    {"ROUND", &B::mRound},
    {"SGN", &B::mSgn},
    {"AND", &B::mAnd},
    {"IOR", &B::mIor},
    {"XOR", &B::mXor},
    {"NOT", &B::mNot},
    {"IF", &B::mIf},
    {"MAX", &B::mMax},
    {"MIN", &B::mMin},
    {"SUM", &B::mSum},
    {"AVG", &B::mAvg},
    {"AVERAGE", &B::mAverage},
    {"STD", &B::mStd},
    {"STDDEV", &B::mStdDev},
    {"MEAN", &B::mMean},
    {"RND", &B::mRnd},
    {"LENGTH", &B::mLength},
    {"STRCOMP", &B::mStrComp},
    // Registered names whose method is named otherwise.
    {"OR", &B::mIor},
    {"AVGERAGE", &B::mAverage},
    {"STDEV", &B::mStdDev},
}};

}  // namespace

// Called once per registered name, never per call: a plain scan will do.
const TBuiltin* TBuildinFuncs::Find(std::string_view name) {
  for (const auto& b : kBuiltins)
    if (name == b.Name) return &b;
  return nullptr;
}

}  // namespace tessary
