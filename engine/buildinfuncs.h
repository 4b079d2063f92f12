// SPDX-License-Identifier: MIT
#pragma once

// The library of built-in functions and constants. A name reaches a method
// only through its row in the table of buildinfuncs.cpp; the method's
// parameters give the name's call kind. The engine looks each name up once,
// when it registers the name. A built-in reports a bad argument through
// engine.SetError(code) and returns 0; it never throws.

#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "callkind.h"
#include "real.h"

namespace tessary {

class TFormulaParser;
struct TBuiltin;

class TBuildinFuncs {
 public:
  using TFn0 = TReal (TBuildinFuncs::*)(TFormulaParser&);
  using TFn1 = TReal (TBuildinFuncs::*)(TFormulaParser&, const TReal&);
  using TFn2 = TReal (TBuildinFuncs::*)(TFormulaParser&, const TReal&, const TReal&);
  using TFn3 = TReal (TBuildinFuncs::*)(TFormulaParser&, std::span<const TReal>);
  using TFn8 = TReal (TBuildinFuncs::*)(TFormulaParser&, const std::string&);
  using TFn9 = TReal (TBuildinFuncs::*)(TFormulaParser&, const std::string&, const std::string&);
  using TFn = std::variant<TFn0, TFn1, TFn2, TFn3, TFn8, TFn9>;

  // The kind whose calls hand over what a method of this type takes.
  static constexpr TCallKind KindOf(TFn0) { return ckConstant; }
  static constexpr TCallKind KindOf(TFn1) { return ckUnary; }
  static constexpr TCallKind KindOf(TFn2) { return ckBinary; }
  static constexpr TCallKind KindOf(TFn3) { return ckList; }
  static constexpr TCallKind KindOf(TFn8) { return ckString; }
  static constexpr TCallKind KindOf(TFn9) { return ckStringPair; }

  // Every row of the built-in table; the engine registers the names marked
  // AtStart in the table's order.
  static std::span<const TBuiltin> Table();
  // The built-in that NAME (upper case, as the name table holds it) reaches,
  // or null when there is none.
  static const TBuiltin* Find(std::string_view name);

  // Constants and random (kind 0).
  TReal Mpi(TFormulaParser& fp);
  TReal mE(TFormulaParser& fp);
  TReal mTrue(TFormulaParser& fp);
  TReal mFalse(TFormulaParser& fp);
  TReal mRand(TFormulaParser& fp);

  // Trigonometric (kind 1, radians).
  TReal mSin(TFormulaParser& fp, const TReal& x);
  TReal mCos(TFormulaParser& fp, const TReal& x);
  TReal mTan(TFormulaParser& fp, const TReal& x);
  TReal mCot(TFormulaParser& fp, const TReal& x);
  TReal mSec(TFormulaParser& fp, const TReal& x);
  TReal mCsc(TFormulaParser& fp, const TReal& x);
  TReal mArctan(TFormulaParser& fp, const TReal& x);
  TReal mDeg(TFormulaParser& fp, const TReal& x);
  TReal mRad(TFormulaParser& fp, const TReal& x);

  // Hyperbolic and inverse hyperbolic (kind 1).
  TReal mSinh(TFormulaParser& fp, const TReal& x);
  TReal mCosh(TFormulaParser& fp, const TReal& x);
  TReal mTanh(TFormulaParser& fp, const TReal& x);
  TReal mCsch(TFormulaParser& fp, const TReal& x);
  TReal mSech(TFormulaParser& fp, const TReal& x);
  TReal mCoth(TFormulaParser& fp, const TReal& x);
  TReal mArcsinh(TFormulaParser& fp, const TReal& x);
  TReal mArccosh(TFormulaParser& fp, const TReal& x);
  TReal mArctanh(TFormulaParser& fp, const TReal& x);
  TReal mArccsch(TFormulaParser& fp, const TReal& x);
  TReal mArcsech(TFormulaParser& fp, const TReal& x);
  TReal mArccoth(TFormulaParser& fp, const TReal& x);

  // Exponential, logarithms, powers (kind 1).
  TReal mExp(TFormulaParser& fp, const TReal& x);
  TReal mLn(TFormulaParser& fp, const TReal& x);
  TReal mLog(TFormulaParser& fp, const TReal& x);
  TReal mSqr(TFormulaParser& fp, const TReal& x);
  TReal mSqrt(TFormulaParser& fp, const TReal& x);

  // Rounding and sign (kind 1).
  TReal mAbs(TFormulaParser& fp, const TReal& x);
  TReal mInt(TFormulaParser& fp, const TReal& x);
  TReal mFrac(TFormulaParser& fp, const TReal& x);
  TReal mRound(TFormulaParser& fp, const TReal& x);
  TReal mSgn(TFormulaParser& fp, const TReal& x);

  // Logic and condition.
  TReal mAnd(TFormulaParser& fp, std::span<const TReal> items);
  TReal mIor(TFormulaParser& fp, std::span<const TReal> items);
  TReal mXor(TFormulaParser& fp, const TReal& a, const TReal& b);
  TReal mNot(TFormulaParser& fp, const TReal& x);
  TReal mIf(TFormulaParser& fp, std::span<const TReal> items);

  // Lists (kind 3).
  TReal mMax(TFormulaParser& fp, std::span<const TReal> items);
  TReal mMin(TFormulaParser& fp, std::span<const TReal> items);
  TReal mSum(TFormulaParser& fp, std::span<const TReal> items);
  TReal mAvg(TFormulaParser& fp, std::span<const TReal> items);
  TReal mAverage(TFormulaParser& fp, std::span<const TReal> items);
  TReal mStd(TFormulaParser& fp, std::span<const TReal> items);
  TReal mStdDev(TFormulaParser& fp, std::span<const TReal> items);
  TReal mMean(TFormulaParser& fp, std::span<const TReal> items);

  // Random and strings.
  TReal mRnd(TFormulaParser& fp, const TReal& x);
  TReal mLength(TFormulaParser& fp, const std::string& s);
  TReal mStrComp(TFormulaParser& fp, const std::string& a, const std::string& b);
};

// Whether the engine registers a built-in's name itself, or the name reaches
// the built-in only once a program registers it with RegisterFunction.
enum class TRegistration : bool { AtStart, ByCaller };

// A built-in under the name that reaches it. The kind is taken from the
// method's type, so a row cannot give its name a kind the method does not take.
struct TBuiltin {
  template <class TMethod>
  constexpr TBuiltin(const char* name, TMethod method,
                     TRegistration registration = TRegistration::AtStart)
      : Name(name), Fn(method), Kind(TBuildinFuncs::KindOf(method)), Registration(registration) {}

  const char* Name;
  TBuildinFuncs::TFn Fn;
  TCallKind Kind;
  TRegistration Registration;
};

// Constants shared by the families.
namespace buildin {
// The extended value nearest pi: mantissa C90FDAA22168C235 scaled by 2^1.
inline constexpr TReal kPi = 0xC.90FDAA22168C235p-2L;
inline constexpr TReal kRoundLimit = 2147483646.0L;
inline constexpr TReal kTwoPow63 = 9223372036854775808.0L;
TReal LnLimit();    // L = ln M
TReal SqrtLimit();  // R = sqrt M
// The square by the SQR rule; records 11 and returns 0 out of range.
TReal Square(TFormulaParser& fp, TReal x);
}  // namespace buildin

}  // namespace tessary
