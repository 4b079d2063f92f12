// SPDX-License-Identifier: MIT
#include "numbertextsweep.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "benchrandom.h"
#include "numbertext.h"
#include "numbertextref.h"

namespace tessary::bench {

namespace {

constexpr std::uint64_t kExplicitBit = std::uint64_t{1} << 63;
constexpr int kReportLimit = 10;

long double FromBits(std::uint64_t mantissa, unsigned signExponent) {
  unsigned char bytes[sizeof(long double)] = {};
  std::memcpy(bytes, &mantissa, 8);
  bytes[8] = static_cast<unsigned char>(signExponent & 0xFF);
  bytes[9] = static_cast<unsigned char>(signExponent >> 8);
  long double value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

std::string Bits(long double value) {
  unsigned char bytes[sizeof(long double)];
  std::memcpy(bytes, &value, sizeof bytes);
  std::uint64_t mantissa;
  std::memcpy(&mantissa, bytes, 8);
  char text[40];
  std::snprintf(text, sizeof text, "%04x:%016llx", bytes[8] | bytes[9] << 8,
                static_cast<unsigned long long>(mantissa));
  return text;
}

unsigned Sign(TRandom& r) { return r.Chance(50) ? 0x8000u : 0u; }

// A mantissa with a random number of low bits set, so that short binary
// fractions (0.5, 0.25, ...) come up as often as long ones.
std::uint64_t Mantissa(TRandom& r) {
  std::uint64_t m = r.Next();
  if (r.Chance(30)) m &= ~std::uint64_t{0} << r.Below(64);
  return m | kExplicitBit;
}

long double AnyBits(TRandom& r) {
  return FromBits(r.Next(), static_cast<unsigned>(r.Next() & 0xFFFF));
}

long double AnyNormal(TRandom& r) {
  return FromBits(Mantissa(r), Sign(r) | static_cast<unsigned>(r.Between(1, 0x7FFE)));
}

// Denormals, and pseudo-denormals (the leading bit set with a zero exponent).
long double Denormal(TRandom& r) {
  std::uint64_t m = r.Next() >> r.Below(64);
  if (r.Chance(20)) m |= kExplicitBit;
  if (r.Chance(5)) m = kExplicitBit | (r.Chance(50) ? 0 : 1);
  return FromBits(m, Sign(r));
}

// About 1E-60 to 1E60.
long double Everyday(TRandom& r) {
  return FromBits(Mantissa(r), Sign(r) | static_cast<unsigned>(16383 + r.Between(-200, 200)));
}

// D * 10^j exactly, D a 16-digit number ending in 5: the 15-digit text lies
// exactly halfway. Exact in binary only for j = -22..4 (D divisible by
// 5^-j), so D is built as 5^-j times an odd number.
long double Halfway(TRandom& r) {
  const int j = r.Between(-22, 4);
  const std::uint64_t low = 1000000000000000ULL, high = 9999999999999999ULL;
  long double value;
  if (j >= 0) {
    std::uint64_t d = (low + r.Next() % (high - low)) / 10 * 10 + 5;
    for (int i = 0; i < j; ++i) d *= 5;  // d * 5^j * 2^j; below 2^64 for j <= 4
    value = std::ldexp(static_cast<long double>(d), j);
  } else {
    std::uint64_t five = 1;
    for (int i = 0; i < -j; ++i) five *= 5;
    const std::uint64_t first = (low + five - 1) / five, last = high / five;
    std::uint64_t odd = first + r.Next() % (last - first + 1);
    if (odd % 2 == 0) odd = odd + 1 <= last ? odd + 1 : odd - 1;
    value = std::ldexp(static_cast<long double>(odd), j);  // odd * 5^-j / 10^-j
  }
  // The halfway value itself, or a neighbour a unit in the last place away.
  switch (r.Below(4)) {
    case 0: value = std::nextafter(value, 0.0L); break;
    case 1: value = std::nextafter(value, HUGE_VALL); break;
    default: break;
  }
  return r.Chance(50) ? -value : value;
}

// What a user types: up to 20 digits with a power of ten.
long double Literal(TRandom& r) {
  char text[64];
  int n = 0;
  const int digits = r.Between(1, 20);
  for (int i = 0; i < digits; ++i) text[n++] = static_cast<char>('0' + r.Below(10));
  n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), "E%d",
                     r.Between(-40, 40) - digits);
  return std::strtold(text, nullptr) * (r.Chance(50) ? -1 : 1);
}

// Around 10^k, where the rounding carries into the next power.
long double NearPowerOfTen(TRandom& r) {
  char text[64];
  std::snprintf(text, sizeof text, "%sE%d", r.Chance(50) ? "1" : "9.999999999999995",
                r.Between(-4940, 4930));
  long double value = std::strtold(text, nullptr);
  for (int steps = r.Between(-3, 3); steps != 0; steps += steps < 0 ? 1 : -1)
    value = std::nextafter(value, steps < 0 ? 0.0L : HUGE_VALL);
  return value;
}

struct TGenerator {
  const char* Name;
  long double (*Make)(TRandom&);
  int Weight;  // per 100
};

const TGenerator kGenerators[] = {
    {"any bits", AnyBits, 10},        {"any exponent", AnyNormal, 15}, {"denormal", Denormal, 5},
    {"1E-60..1E60", Everyday, 25},    {"halfway", Halfway, 25},        {"literal", Literal, 15},
    {"near 10^k", NearPowerOfTen, 5},
};

}  // namespace

bool SameNumberText(long double value, const TMismatchReport& report) {
  const std::string ours = NumberText(value);
  const std::string theirs = PrintfNumberText(value);
  if (ours == theirs) return true;
  if (report) report(Bits(value), ours, theirs);
  return false;
}

std::vector<TSweepKind> SweepNumberText(std::uint64_t count, std::uint64_t seed,
                                        const TMismatchReport& report) {
  std::vector<TSweepKind> kinds;
  for (const TGenerator& g : kGenerators) kinds.push_back({g.Name});
  TRandom random(seed);
  int reported = 0;
  const TMismatchReport limited = [&](const std::string& bits, const std::string& ours,
                                      const std::string& theirs) {
    if (report && reported++ < kReportLimit) report(bits, ours, theirs);
  };
  for (std::uint64_t i = 0; i < count; ++i) {
    int pick = random.Below(100);
    std::size_t k = 0;
    while (pick >= kGenerators[k].Weight) pick -= kGenerators[k++].Weight;
    const long double value = kGenerators[k].Make(random);
    ++kinds[k].Values;
    if (!SameNumberText(value, limited)) ++kinds[k].Mismatches;
  }
  return kinds;
}

}  // namespace tessary::bench
