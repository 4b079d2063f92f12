// SPDX-License-Identifier: MIT
#pragma once

#include <cfloat>

namespace tessary {

// Every number of the engine is the x87 80-bit extended real.
using TReal = long double;
static_assert(LDBL_MANT_DIG == 64, "the engine needs the 80-bit extended real");

// Range constants of the value rules: the limit, its tenth (stored, not
// computed, so the two tests see exactly these values) and the divisor.
inline constexpr TReal kRangeLimit = 9.99999999E+37L;
inline constexpr TReal kRangeTenth = 9.99999999E+36L;
inline constexpr TReal kRangeDivisor = 10.0L;

// Rounds halves away from zero; v must lie well inside the int64 range.
long long RoundHalfAway(TReal v);

}  // namespace tessary
