// SPDX-License-Identifier: MIT
// What the grammar computes: the evaluation run, the value rules with their
// range guards, number literals, and the dispatch of a call to its built-in.

#include <locale.h>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string_view>
#include <variant>

#include "buildinfuncs.h"
#include "errorcodes.h"
#include "exactmath.h"
#include "formulaparser.h"

namespace tessary {

namespace {

// Magnitudes whose logarithms cannot reach ln(limit) when added or
// subtracted: the log-based guards of "*" and "/" are then certain to pass,
// so the two logarithm calls are skipped (2 * ln(1E18) < 83 < 87.49).
constexpr TReal kSafeLow = 1E-18L;
constexpr TReal kSafeHigh = 1E18L;
inline bool InSafeBand(TReal a) { return a >= kSafeLow && a <= kSafeHigh; }

using exact::kMaxExactPow10;
using exact::kPow10;
constexpr int kMaxExactDigits = 19;  // 19 decimal digits always fit a uint64

locale_t CLocale() {
  static locale_t loc = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
  return loc;
}

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

// ---------------------------------------------------------------- evaluation

TReal TFormulaParser::EvaluateText(std::string_view text) {
  FErrorCode = 0;
  FErrorPosition = 0;
  // Cleared only when set: this runs for every formula.
  if (!FErrorText.empty()) FErrorText.clear();
  if (!FFrames.empty()) FFrames.clear();
  FScanning = true;
  FDepth = 0;
  FAnchor = 0;
  TReal v = 0;
  try {
    StartScan(text);
    if (!Failed()) v = ParseExpression();
  } catch (const std::bad_alloc&) {
    // Only a text of absurd size can exhaust memory; it must not escape.
    SetError(ecOutOfRange);
  }
  FScanning = false;
  // Keep a modest buffer for the next formula, not a huge one.
  if (FScanState.Text.capacity() > (1u << 16)) std::string().swap(FScanState.Text);
  return Failed() ? 0 : v;
}

// A literal has the shape digits ["." digits] ["E" [sign] digits]. Most
// literals have at most 19 significant digits and a small exponent: their
// value is one correctly rounded multiplication or division of two exact
// numbers, the same value strtold gives, at a fraction of its cost.
// Reads a literal from the NUL-terminated text at p as far as its shape
// allows: digits ["." digits] ["E" [sign] digits]. True when that gives the
// value ConvertLiteral gives for the normalised literal, without strtold.
bool TFormulaParser::QuickLiteral(const char*& p, TReal& value) {
  std::uint64_t mantissa = 0;
  int digits = 0;
  int fraction = 0;
  // Leading zeros are no significant digits, in the fraction too (0.001).
  while (*p == '0') ++p;
  for (; IsDigit(*p); ++p) {
    if (digits == kMaxExactDigits) return false;
    mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    ++digits;
  }
  if (*p == '.') {
    const char* const afterPoint = ++p;
    if (mantissa == 0)
      for (; *p == '0'; ++p) ++fraction;
    for (; IsDigit(*p); ++p, ++fraction) {
      if (digits == kMaxExactDigits) return false;
      mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
      ++digits;
    }
    // Normalising reads "1." and "1.E5" as "1.0" and "1.0E5".
    if (p == afterPoint) {
      if (mantissa != 0) {
        if (digits == kMaxExactDigits) return false;
        mantissa *= 10;
        ++digits;
      }
      ++fraction;
    }
  }
  long exponent = 0;
  if (*p == 'E' || *p == 'e') {
    ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (!IsDigit(*p)) return false;
    for (; IsDigit(*p); ++p)
      if (exponent < 1000000) exponent = exponent * 10 + (*p - '0');
    if (negative) exponent = -exponent;
  }
  if (mantissa == 0) {
    value = 0;
    return true;
  }
  const long e10 = exponent - fraction;
  if (e10 < -kMaxExactPow10 || e10 > kMaxExactPow10) return false;
  const TReal m = static_cast<TReal>(mantissa);
  value = e10 >= 0 ? m * kPow10[e10] : m / kPow10[-e10];
  return true;
}

bool TFormulaParser::ConvertLiteral(const std::string& lit, TReal& value) {
  const char* p = lit.c_str();
  std::uint64_t mantissa = 0;
  int digits = 0;     // significant digits taken into mantissa
  bool exact = true;  // all digits fit
  int fraction = 0;   // digits after the point
  auto takeDigit = [&](char c) {
    if (mantissa == 0 && c == '0') return;
    if (digits < kMaxExactDigits) {
      mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
      ++digits;
    } else {
      exact = false;
    }
  };
  if (!IsDigit(*p)) return false;
  while (IsDigit(*p)) takeDigit(*p++);
  if (*p == '.') {
    ++p;
    if (!IsDigit(*p)) return false;
    while (IsDigit(*p)) {
      takeDigit(*p++);
      if (exact) ++fraction;
    }
  }
  long exponent = 0;
  if (*p == 'E') {
    ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (!IsDigit(*p)) return false;
    while (IsDigit(*p)) {
      if (exponent < 1000000) exponent = exponent * 10 + (*p - '0');
      ++p;
    }
    if (negative) exponent = -exponent;
  }
  if (*p != '\0') return false;

  if (exact) {
    if (mantissa == 0) {
      value = 0;
      return true;
    }
    const long e10 = exponent - fraction;
    if (e10 >= -kMaxExactPow10 && e10 <= kMaxExactPow10) {
      const TReal m = static_cast<TReal>(mantissa);
      value = e10 >= 0 ? m * kPow10[e10] : m / kPow10[-e10];
      return true;
    }
  }
  value = strtold_l(lit.c_str(), nullptr, CLocale());
  // A literal beyond the 80-bit range is no number this engine can hold;
  // one below it is as close to 0 as the type gets and reads as such.
  return std::isfinite(value);
}

// ---------------------------------------------------------------- value rules

// Textbook rules: a result is out of range only beyond the 80-bit range.
TReal TFormulaParser::Unguarded(TReal r) {
  if (!std::isfinite(r)) SetError(ecOutOfRange);
  return r;
}

TReal TFormulaParser::Add(TReal x, TReal y) {
  if (!Guarded()) return Unguarded(x + y);
  if (std::fabs(x / kRangeDivisor + y / kRangeDivisor) < kRangeTenth) return x + y;
  SetError(ecOutOfRange);
  return x;
}

TReal TFormulaParser::Subtract(TReal x, TReal y) {
  if (!Guarded()) return Unguarded(x - y);
  if (std::fabs(x / kRangeDivisor - y / kRangeDivisor) < kRangeTenth) return x - y;
  SetError(ecOutOfRange);
  return x;
}

// Products and quotients must stay between about 1E-38 and 1E+38 in
// magnitude (or be exactly 0).
TReal TFormulaParser::Multiply(TReal x, TReal y) {
  if (!Guarded()) return Unguarded(x * y);
  if (x == 0 || y == 0) return 0;
  const TReal ax = std::fabs(x), ay = std::fabs(y);
  if (!(InSafeBand(ax) && InSafeBand(ay)) &&
      std::fabs(std::log(ax) + std::log(ay)) >= buildin::LnLimit()) {
    SetError(ecOutOfRange);
    return x;
  }
  return x * y;
}

TReal TFormulaParser::Divide(TReal x, TReal y) {
  if (y == 0) {
    SetError(ecDivisionByZero);
    return x;
  }
  if (!Guarded()) return Unguarded(x / y);
  if (x == 0) return 0;
  const TReal ax = std::fabs(x), ay = std::fabs(y);
  if (!(InSafeBand(ax) && InSafeBand(ay)) &&
      std::fabs(std::log(ax) - std::log(ay)) >= buildin::LnLimit()) {
    SetError(ecOutOfRange);
    return x;
  }
  return x / y;
}

TReal TFormulaParser::Power(TReal x, TReal y) {
  if (x == 0) {
    if (Guarded() || y > 0) return 0;
    if (y == 0) return 1;
    SetError(ecDivisionByZero);
    return 0;
  }
  const TReal ax = std::fabs(x);
  if (Guarded() && y * exact::Ln(ax) > buildin::LnLimit()) {
    SetError(ecOutOfRange);
    return 0;
  }
  // e^l, computed as |x|^y: the same quantity, more precisely, and exact
  // wherever the exact power fits (2^3 is 8, 10^-3 the literal 0.001).
  TReal r = 0;
  if (!exact::WholePower(ax, y, r)) r = std::pow(ax, y);
  if (x < 0) {
    if (y != std::trunc(y)) {
      SetError(ecComplexPower);
      return 0;
    }
    // Parity of a whole y without converting it: fmod is exact, and every
    // whole number of 2^64 or more is even.
    if (std::fmod(y, 2.0L) != 0) r = -r;
  }
  return Guarded() ? r : Unguarded(r);
}

TReal TFormulaParser::LogicalAnd(TReal x, TReal y) {
  if ((x != 0 && x != 1) || (y != 0 && y != 1)) {
    SetError(ecNotBoolean);
    return 0;
  }
  return (x == 1 && y == 1) ? 1.0L : 0.0L;
}

TReal TFormulaParser::LogicalOr(TReal x, TReal y) {
  if ((x != 0 && x != 1) || (y != 0 && y != 1)) {
    SetError(ecNotBoolean);
    return 0;
  }
  return (x == 1 || y == 1) ? 1.0L : 0.0L;
}

// ---------------------------------------------------------------- dispatch

namespace {

using B = TBuildinFuncs;

// One call of a built-in with the arguments its kind collected.
struct TCall {
  B& Host;
  TFormulaParser& Fp;
  std::span<const TReal> Reals;
  const std::string& S1;
  const std::string& S2;
  TReal operator()(B::TFn0 f) const { return (Host.*f)(Fp); }
  TReal operator()(B::TFn1 f) const { return (Host.*f)(Fp, Reals[0]); }
  TReal operator()(B::TFn2 f) const { return (Host.*f)(Fp, Reals[0], Reals[1]); }
  TReal operator()(B::TFn3 f) const { return (Host.*f)(Fp, Reals); }
  TReal operator()(B::TFn8 f) const { return (Host.*f)(Fp, S1); }
  TReal operator()(B::TFn9 f) const { return (Host.*f)(Fp, S1, S2); }
};

}  // namespace

// A name is bound only to a built-in that takes what its kind's calls hand
// over; any other (or none) leaves its calls to record 38.
const TBuiltin* TFormulaParser::Bind(std::string_view name, TCallKind kind) {
  const TBuiltin* builtin = TBuildinFuncs::Find(name);
  return builtin != nullptr && builtin->Kind == kind ? builtin : nullptr;
}

TReal TFormulaParser::Dispatch(std::size_t index, std::int64_t at, std::span<const TReal> reals,
                               const std::string& s1, const std::string& s2) {
  FAnchor = at;
  TReal result = 0;
  if (FNameTable[index].Implementer == nullptr) {
    SetError(ecNoObject);
  } else if (const TBuiltin* builtin = FBound[index]; builtin == nullptr) {
    SetError(ecUnknownName);
  } else {
    // The kinds agree, so the call read exactly the arguments the built-in takes.
    result = std::visit(TCall{*FNameTable[index].Implementer, *this, reals, s1, s2}, builtin->Fn);
    // No infinity or NaN leaves a built-in (COT beyond 2^63, DEG near the
    // type's limit, a sum of huge items): the result is out of range.
    if (!Failed() && !std::isfinite(result)) SetError(ecOutOfRange);
  }
  FAnchor = 0;
  return Failed() ? 0 : result;
}

}  // namespace tessary
