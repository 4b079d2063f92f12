// SPDX-License-Identifier: MIT
#include "numbertext.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace tessary {

namespace {

// The digits come from exact integer arithmetic on the value's bits, rounded
// half to even at the 15th digit as glibc's printf does in the default
// rounding mode: printf costs more than the evaluation of a short formula,
// and needs the C locale for its decimal point.

using u64 = std::uint64_t;
__extension__ typedef unsigned __int128 u128;

constexpr int kDigits = 15;
constexpr u64 kDigitsLow = 100000000000000;    // 10^14: the smallest 15-digit number
constexpr u64 kDigitsHigh = 1000000000000000;  // 10^15

// Fixed notation covers value = 0.d1d2... * 10^e for e in -3..15, i.e. the
// power of ten of d1.d2... from -4 to 14.
constexpr int kFixedLow = -4;
constexpr int kFixedHigh = 14;

// 5^0 .. 5^27, the powers that fit in 64 bits.
constexpr int kMaxSmallPower5 = 27;
constexpr auto kPow5 = [] {
  struct {
    u64 Value[kMaxSmallPower5 + 1];
  } table{};
  table.Value[0] = 1;
  for (int i = 1; i <= kMaxSmallPower5; ++i) table.Value[i] = table.Value[i - 1] * 5;
  return table;
}();

// |value| = Mantissa * 2^Exponent.
struct TBinary {
  u64 Mantissa;
  int Exponent;
};

// Finite, non-zero values only.
TBinary Unpack(TReal value) {
  unsigned char bytes[10];
  std::memcpy(bytes, &value, sizeof bytes);
  u64 mantissa;
  std::memcpy(&mantissa, bytes, sizeof mantissa);
  const int biased = (bytes[8] | bytes[9] << 8) & 0x7FFF;
  constexpr int kBias = 16383 + 63;
  if (biased != 0) return {mantissa, biased - kBias};
  // Denormal. printf reads a pseudo-denormal (explicit leading bit set, which
  // the FPU never produces) without that bit unless it is the only one.
  constexpr u64 kExplicitBit = u64{1} << 63;
  if (mantissa != kExplicitBit) mantissa &= ~kExplicitBit;
  return {mantissa, 1 - kBias};
}

// The rounded digits: |value| ~ Digits * 10^(Power - 14).
struct TDecimal {
  u64 Digits;  // kDigitsLow <= Digits < kDigitsHigh
  int Power;   // the power of ten of the first digit
};

// Where the dropped fraction (below the last kept digit) lies against one half.
struct TFraction {
  int VersusHalf;  // -1, 0 (exactly half), +1
  bool NonZero;
};

// Rounds the quotient `whole` (10^14 <= whole < 2 * 10^15, the last one or
// two digits of which are the ones kept) with the fraction below it, half to
// even.
TDecimal Round(u64 whole, TFraction fraction, int power) {
  bool up;
  if (whole >= kDigitsHigh) {
    // One digit too many: it joins the fraction.
    const u64 dropped = whole % 10;
    whole /= 10;
    ++power;
    up = dropped > 5 || (dropped == 5 && (fraction.NonZero || (whole & 1) != 0));
  } else {
    up = fraction.VersusHalf > 0 || (fraction.VersusHalf == 0 && (whole & 1) != 0);
  }
  if (up && ++whole == kDigitsHigh) {
    whole = kDigitsLow;
    ++power;
  }
  return {whole, power};
}

// ---------------------------------------------------------------------------
// Exact quotient for any exponent: unsigned integers of up to 12,288 bits
// (the extreme values need about 11,600: 5^4965 times a mantissa).

class TBigInt {
 public:
  explicit TBigInt(u64 v) { Set(v); }

  void Set(u64 v) {
    FLimb[0] = v;
    FSize = v != 0 ? 1 : 0;
  }

  void MultiplyBy(u64 factor) {
    u64 carry = 0;
    for (int i = 0; i < FSize; ++i) {
      const u128 product = static_cast<u128>(FLimb[i]) * factor + carry;
      FLimb[i] = static_cast<u64>(product);
      carry = static_cast<u64>(product >> 64);
    }
    if (carry != 0) FLimb[FSize++] = carry;
  }

  void MultiplyByPower5(int n) {
    for (; n > kMaxSmallPower5; n -= kMaxSmallPower5) MultiplyBy(kPow5.Value[kMaxSmallPower5]);
    MultiplyBy(kPow5.Value[n]);
  }

  void ShiftLeft(int bits) {
    if (FSize == 0 || bits == 0) return;
    const int limbs = bits / 64, rest = bits % 64;
    if (rest != 0) {
      FLimb[FSize] = 0;
      for (int i = FSize; i > 0; --i) FLimb[i] = FLimb[i] << rest | FLimb[i - 1] >> (64 - rest);
      FLimb[0] <<= rest;
      if (FLimb[FSize] != 0) ++FSize;
    }
    if (limbs != 0) {
      for (int i = FSize - 1; i >= 0; --i) FLimb[i + limbs] = FLimb[i];
      for (int i = 0; i < limbs; ++i) FLimb[i] = 0;
      FSize += limbs;
    }
  }

  int BitLength() const { return FSize == 0 ? 0 : FSize * 64 - std::countl_zero(FLimb[FSize - 1]); }
  bool IsZero() const { return FSize == 0; }

  // Bits [from, from + 128) as a number.
  u128 BitsFrom(int from) const {
    u128 result = 0;
    const int first = from / 64, rest = from % 64;
    for (int i = 2; i >= 0; --i) {
      const int at = first + i;
      if (at >= FSize) continue;
      u128 limb = FLimb[at];
      const int shift = i * 64 - rest;
      if (shift >= 128) continue;
      result |= shift >= 0 ? limb << shift : limb >> -shift;
    }
    return result;
  }

  int Compare(const TBigInt& other) const {
    if (FSize != other.FSize) return FSize < other.FSize ? -1 : 1;
    for (int i = FSize - 1; i >= 0; --i)
      if (FLimb[i] != other.FLimb[i]) return FLimb[i] < other.FLimb[i] ? -1 : 1;
    return 0;
  }

  // *this -= factor * other; the result must not be negative.
  void SubtractMultiple(const TBigInt& other, u64 factor) {
    u64 carry = 0, borrow = 0;
    for (int i = 0; i < FSize; ++i) {
      u64 sub = borrow;
      if (i < other.FSize) {
        const u128 product = static_cast<u128>(other.FLimb[i]) * factor + carry;
        carry = static_cast<u64>(product >> 64);
        const u64 low = static_cast<u64>(product);
        sub += low;
        borrow = sub < low ? 1 : 0;
      } else {
        sub += carry;
        borrow = sub < carry ? 1 : 0;
        carry = 0;
      }
      borrow += FLimb[i] < sub ? 1 : 0;
      FLimb[i] -= sub;
    }
    while (FSize > 0 && FLimb[FSize - 1] == 0) --FSize;
  }

 private:
  static constexpr int kLimbs = 192;
  u64 FLimb[kLimbs + 1];
  int FSize = 0;
};

// num / den for a quotient below 2^60, with the fraction; num is left as
// the remainder.
u64 DivideSmallQuotient(TBigInt& num, const TBigInt& den, TFraction& fraction) {
  const int from = den.BitLength() > 64 ? den.BitLength() - 64 : 0;
  const u128 numTop = num.BitsFrom(from);
  // Exact when den fits in 64 bits; otherwise never above the true quotient
  // and at most 2 below it.
  const u128 denTop = den.BitsFrom(from) + (from > 0 ? 1 : 0);
  u64 quotient = static_cast<u64>(numTop / denTop);
  num.SubtractMultiple(den, quotient);
  while (num.Compare(den) >= 0) {
    num.SubtractMultiple(den, 1);
    ++quotient;
  }
  fraction.NonZero = !num.IsZero();
  num.ShiftLeft(1);
  fraction.VersusHalf = num.Compare(den);
  return quotient;
}

TDecimal ExactDigitsBig(TBinary bin, int power) {
  const int p = power - (kDigits - 1);  // the power of ten of the last digit
  TBigInt num(bin.Mantissa), den(1);
  if (p <= 0)
    num.MultiplyByPower5(-p);
  else
    den.MultiplyByPower5(p);
  const int twos = bin.Exponent - p;
  if (twos >= 0)
    num.ShiftLeft(twos);
  else
    den.ShiftLeft(-twos);
  TFraction fraction{};
  const u64 whole = DivideSmallQuotient(num, den, fraction);
  return Round(whole, fraction, power);
}

// ---------------------------------------------------------------------------
// Values from about 1E-13 to 1E41 (all that a calculator usually shows) fit
// in 128 bits.

TDecimal ExactDigitsSmall(TBinary bin, int power) {
  const int p = power - (kDigits - 1);
  const int twos = bin.Exponent - p;
  if (p <= 0) {
    const u128 num = static_cast<u128>(bin.Mantissa) * kPow5.Value[-p];
    if (twos >= 0) return Round(static_cast<u64>(num << twos), {-1, false}, power);
    const int shift = -twos;  // 1..107 in this range
    const u128 rest = num & ((static_cast<u128>(1) << shift) - 1);
    const u128 half = static_cast<u128>(1) << (shift - 1);
    const TFraction fraction{rest < half ? -1 : rest > half ? 1 : 0, rest != 0};
    return Round(static_cast<u64>(num >> shift), fraction, power);
  }
  u128 num = bin.Mantissa, den = kPow5.Value[p];
  if (twos >= 0)
    num <<= twos;
  else
    den <<= -twos;
  const u64 whole = static_cast<u64>(num / den);
  const u128 rest2 = (num - whole * den) * 2;
  const TFraction fraction{rest2 < den ? -1 : rest2 > den ? 1 : 0, rest2 != 0};
  return Round(whole, fraction, power);
}

TDecimal ExactDigits(TReal value) {
  const TBinary bin = Unpack(value);
  const int log2 = bin.Exponent + 63 - std::countl_zero(bin.Mantissa);
  // floor(log2 * log10(2)): the power of ten of the first digit, or one less
  // (Round then drops the extra digit).
  const int power = static_cast<int>((static_cast<std::int64_t>(log2) * 1292913986) >> 32);
  const int p = power - (kDigits - 1);
  if (p >= -kMaxSmallPower5 && p <= kMaxSmallPower5) return ExactDigitsSmall(bin, power);
  return ExactDigitsBig(bin, power);
}

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes the lowest 2 * pairs digits of `value` before `end`.
void WritePairs(std::uint32_t value, char* end, int pairs) {
  for (int i = 0; i < pairs; ++i) {
    const std::uint32_t pair = value % 100;
    value /= 100;
    end -= 2;
    std::memcpy(end, kDigitPairs + 2 * pair, 2);
  }
}

// Writes the 15 digits to out; returns how many are significant (trailing
// zeros dropped).
int WriteDigits(u64 digits, char* out) {
  // In two halves of 32 bits, two digits at a time: 15 divisions by ten of a
  // 64-bit number cost more than the whole conversion.
  const auto high = static_cast<std::uint32_t>(digits / 100000000);  // 7 digits
  const auto low = static_cast<std::uint32_t>(digits % 100000000);   // 8 digits
  WritePairs(high / 10, out + 6, 3);
  out[6] = static_cast<char>('0' + high % 10);
  WritePairs(low, out + kDigits, 4);
  int count = kDigits;
  while (out[count - 1] == '0') --count;
  return count;
}

char* Append(char* out, const char* text, std::size_t n) {
  std::memcpy(out, text, n);
  return out + n;
}

char* FixedText(char* out, const char* digits, int count, int power) {
  if (power < 0) {
    *out++ = '0';
    *out++ = '.';
    for (int i = -power - 1; i > 0; --i) *out++ = '0';
    return Append(out, digits, static_cast<std::size_t>(count));
  }
  const int intLen = power + 1;
  if (count <= intLen) {
    out = Append(out, digits, static_cast<std::size_t>(count));
    for (int i = intLen - count; i > 0; --i) *out++ = '0';
    return out;
  }
  out = Append(out, digits, static_cast<std::size_t>(intLen));
  *out++ = '.';
  return Append(out, digits + intLen, static_cast<std::size_t>(count - intLen));
}

char* ScientificText(char* out, const char* digits, int count, int power) {
  *out++ = digits[0];
  if (count > 1) {
    *out++ = '.';
    out = Append(out, digits + 1, static_cast<std::size_t>(count - 1));
  }
  *out++ = 'E';
  // "-" only when negative, no leading zeros
  unsigned magnitude = static_cast<unsigned>(power < 0 ? -power : power);
  if (power < 0) *out++ = '-';
  char buf[8];
  char* p = buf + sizeof buf;
  do {
    *--p = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  return Append(out, p, static_cast<std::size_t>(buf + sizeof buf - p));
}

}  // namespace

std::size_t WriteNumberText(TReal value, char* out) {
  char* const start = out;
  if (std::isnan(value)) return static_cast<std::size_t>(Append(out, "NAN", 3) - start);
  if (std::isinf(value)) {
    if (value < 0) *out++ = '-';
    return static_cast<std::size_t>(Append(out, "INF", 3) - start);
  }
  if (value == 0) {  // also -0
    *out = '0';
    return 1;
  }
  if (value < 0) *out++ = '-';
  const TDecimal decimal = ExactDigits(value);
  char digits[kDigits];
  const int count = WriteDigits(decimal.Digits, digits);
  if (decimal.Power >= kFixedLow && decimal.Power <= kFixedHigh)
    out = FixedText(out, digits, count, decimal.Power);
  else
    out = ScientificText(out, digits, count, decimal.Power);
  return static_cast<std::size_t>(out - start);
}

std::string NumberText(TReal value) {
  char buf[kNumberTextMax];
  return std::string(buf, WriteNumberText(value, buf));
}

}  // namespace tessary
