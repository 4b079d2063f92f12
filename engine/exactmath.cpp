// SPDX-License-Identifier: MIT
#include "exactmath.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <string>

#include "buildinfuncs.h"

namespace tessary::exact {

namespace {

constexpr TReal kE = std::numbers::e_v<TReal>;

// Beyond this a whole power of a base other than a power of two cannot fit
// 64 bits (3^41 > 2^64), and one of two leaves the range long before.
constexpr TReal kMaxWholeExponent = 65536;

// base^n in 64 bits; false when it does not fit.
bool PowerFits(std::uint64_t base, std::uint64_t n, std::uint64_t& power) {
  power = 1;
  for (;;) {
    if ((n & 1) != 0 && __builtin_mul_overflow(power, base, &power)) return false;
    n >>= 1;
    if (n == 0) return true;
    if (__builtin_mul_overflow(base, base, &base)) return false;
  }
}

}  // namespace

TReal Pow10(long n) {
  if (n >= 0 && n <= kMaxExactPow10) return kPow10[static_cast<std::size_t>(n)];
  if (n < 0 && n >= -kMaxExactPow10) return 1 / kPow10[static_cast<std::size_t>(-n)];
  // No decimal point, so the locale cannot change how this reads.
  return std::strtold(("1E" + std::to_string(n)).c_str(), nullptr);
}

TReal Ln(TReal x) {
  if (x == 1) return 0;
  if (x == kE) return 1;
  return std::log(x);
}

TReal Log10(TReal x) {
  const TReal r = std::log10(x);
  const TReal n = std::nearbyint(r);
  // Far from a whole n no literal 1En can be x; the margin is wide enough
  // for the coarse subnormal ones (1E-4950 is 1.09E-4950).
  if (std::fabs(r - n) < 0.25L && x == Pow10(static_cast<long>(n))) return n;
  return r;
}

TReal Exp(TReal x) {
  if (x == 0) return 1;
  if (x == 1) return kE;
  return std::exp(x);
}

TReal Arctan(TReal x) {
  if (x == 0) return x;
  if (std::fabs(x) == 1) return x * (buildin::kPi / 4);
  return std::atan(x);
}

bool WholePower(TReal ax, TReal y, TReal& result) {
  // The most common power: one rounded product is exact when the square fits.
  if (y == 2) {
    result = ax * ax;
    return true;
  }
  if (y != std::trunc(y) || std::fabs(y) > kMaxWholeExponent) return false;
  // ax = odd * 2^scale: the power is exact when odd^n fits 64 bits.
  int e = 0;
  const TReal fraction = std::frexp(ax, &e);
  auto odd = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
  const int zeros = std::countr_zero(odd);
  odd >>= zeros;
  const long scale = e - 64 + zeros;
  const auto n = static_cast<std::uint64_t>(std::fabs(y));
  std::uint64_t power = 0;
  if (!PowerFits(odd, n, power)) return false;
  const TReal magnitude = std::ldexp(static_cast<TReal>(power), scale * static_cast<long>(n));
  // Out of range, or below it where bits would be lost: not exact.
  if (!std::isnormal(magnitude)) return false;
  result = y < 0 ? 1 / magnitude : magnitude;
  return true;
}

}  // namespace tessary::exact
