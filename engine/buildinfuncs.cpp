#include "buildinfuncs.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace tessary {

namespace {

using B = TBuildinFuncs;

// Every built-in by its method name.
const std::array<B::TMethod, 52> kMethods{{
    {"Mpi", &B::Mpi},           {"mE", &B::mE},
    {"mTrue", &B::mTrue},       {"mFalse", &B::mFalse},
    {"mRand", &B::mRand},       {"mSin", &B::mSin},
    {"mCos", &B::mCos},         {"mTan", &B::mTan},
    {"mCot", &B::mCot},         {"mSec", &B::mSec},
    {"mCsc", &B::mCsc},         {"mArctan", &B::mArctan},
    {"mDeg", &B::mDeg},         {"mRad", &B::mRad},
    {"mSinh", &B::mSinh},       {"mCosh", &B::mCosh},
    {"mTanh", &B::mTanh},       {"mCsch", &B::mCsch},
    {"mSech", &B::mSech},       {"mCoth", &B::mCoth},
    {"mArcsinh", &B::mArcsinh}, {"mArccosh", &B::mArccosh},
    {"mArctanh", &B::mArctanh}, {"mArccsch", &B::mArccsch},
    {"mArcsech", &B::mArcsech}, {"mArccoth", &B::mArccoth},
    {"mExp", &B::mExp},         {"mLn", &B::mLn},
    {"mLog", &B::mLog},         {"mSqr", &B::mSqr},
    {"mSqrt", &B::mSqrt},       {"mAbs", &B::mAbs},
    {"mInt", &B::mInt},         {"mFrac", &B::mFrac},
    {"mRound", &B::mRound},     {"mSgn", &B::mSgn},
    {"mAnd", &B::mAnd},         {"mIor", &B::mIor},
    {"mXor", &B::mXor},         {"mNot", &B::mNot},
    {"mIf", &B::mIf},           {"mMax", &B::mMax},
    {"mMin", &B::mMin},         {"mSum", &B::mSum},
    {"mAvg", &B::mAvg},         {"mAverage", &B::mAverage},
    {"mStd", &B::mStd},         {"mStdDev", &B::mStdDev},
    {"mMean", &B::mMean},       {"mRnd", &B::mRnd},
    {"mLength", &B::mLength},   {"mStrComp", &B::mStrComp},
}};

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

}  // namespace

const B::TMethod* TBuildinFuncs::FindMethod(std::string_view methodName) {
  for (const auto& m : kMethods)
    if (EqualNoCase(m.Name, methodName)) return &m;
  return nullptr;
}

}  // namespace tessary
