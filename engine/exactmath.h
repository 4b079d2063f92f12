// SPDX-License-Identifier: MIT
#pragma once

// Results a user calls exact, made exact by construction. glibc computes
// log, exp, pow and atan with x87 instructions whose last bit differs between
// CPU vendors, so no exact point may rest on them.

#include <array>

#include "real.h"

namespace tessary::exact {

// 10^k fits the 64-bit mantissa up to k = 27.
inline constexpr int kMaxExactPow10 = 27;
inline constexpr std::array<TReal, kMaxExactPow10 + 1> kPow10 = {
    1E0L,  1E1L,  1E2L,  1E3L,  1E4L,  1E5L,  1E6L,  1E7L,  1E8L,  1E9L,
    1E10L, 1E11L, 1E12L, 1E13L, 1E14L, 1E15L, 1E16L, 1E17L, 1E18L, 1E19L,
    1E20L, 1E21L, 1E22L, 1E23L, 1E24L, 1E25L, 1E26L, 1E27L};

// The value of the literal 1En: exact up to n = 27, one correctly rounded
// division down to n = -27, correctly rounded beyond.
TReal Pow10(long n);

// ln x for x > 0; 0 at 1 and 1 at E.
TReal Ln(TReal x);
// log10 x for x > 0; exactly n at the value of every literal 1En.
TReal Log10(TReal x);
// e^x; 1 at 0 and E, the extended value nearest e, at 1.
TReal Exp(TReal x);
// arctan x; 0 at 0 and PI/4 at 1, odd.
TReal Arctan(TReal x);

// ax^y for ax > 0 and a whole y, when the exact power fits 80 bits without
// losing a bit (for y < 0: its reciprocal, rounded once), and any square,
// rounded once. False otherwise.
bool WholePower(TReal ax, TReal y, TReal& result);

}  // namespace tessary::exact
