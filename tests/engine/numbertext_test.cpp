// SPDX-License-Identifier: MIT
#include "numbertext.h"

#include <gtest/gtest.h>

#include "numbertextsweep.h"

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

namespace tessary {
namespace {

struct TextCase {
  TReal Value;
  const char* Text;
  const char* Why;
};

const TextCase kTextCases[] = {
    {0.0L, "0", "zero"},
    {-0.0L, "0", "negative zero has no sign"},
    {1.0L, "1", "whole number: no point"},
    {-1.0L, "-1", "leading minus"},
    {100.0L, "100", "zeros of the integer part stay"},
    {273.15L, "273.15", "fraction trimmed to its digits"},
    {-273.15L, "-273.15", "negative fraction"},
    {0.1L + 0.2L, "0.3", "binary residue vanishes at 15 digits"},
    {2.0L / 3, "0.666666666666667", "15 significant digits, rounded"},
    {0.0001L, "0.0001", "e = -3: still fixed"},
    {1.0L / 3 / 1000, "0.000333333333333333", "zeros after the point are not significant"},
    {1E-5L, "1E-5", "e = -4: scientific"},
    {1.5E-7L, "1.5E-7", "negative power with a fraction"},
    {-1.5E-7L, "-1.5E-7", "negative value, negative power"},
    {123456789012345.0L, "123456789012345", "15 digits: fixed"},
    {999999999999999.0L, "999999999999999", "largest fixed whole number"},
    {12345678901234.5L, "12345678901234.5", "fixed with a fraction at full width"},
    {1E15L, "1E15", "e = 16: scientific"},
    {1234567890123456.0L, "1.23456789012346E15", "16 digits round to 15"},
    {1E20L, "1E20", "no '+' and no leading zeros in the power"},
    {18446744073709551616.0L, "1.84467440737096E19", "2^64"},
    {1E300L, "1E300", "three-digit power"},
    {1.5E-300L, "1.5E-300", "three-digit negative power"},
    {1E4000L, "1E4000", "beyond double range"},
    {9.999999999999999E14L, "1E15", "rounding carries into the next power"},
    {999999999999999.5L, "1E15", "half at the last digit carries too"},
    {0.99999999999999999L, "1", "carry from below one"},
    {9.9999999999999999E-5L, "0.0001", "carry out of scientific into fixed"},
    {9.9999999999999999E-4L, "0.001", "carry within fixed"},
    {1000000000000005.0L, "1E15", "exactly halfway, a digit to spare: to the even digit, down"},
    {1000000000000015.0L, "1.00000000000002E15", "exactly halfway: to the even digit, up"},
    {900000000000000.5L, "900000000000000", "exactly halfway at the last fixed digit: stays even"},
    {900000000000001.5L, "900000000000002", "exactly halfway at the last fixed digit: up to even"},
    {900000000000000.5L + 0x1p-14L, "900000000000001", "one unit above halfway rounds up"},
    {11.0L / 1048576, "1.04904174804688E-5", "11 / 2^20 = 1.049041748046875E-5, halfway: up"},
    {13.0L / 1048576, "1.23977661132812E-5", "13 / 2^20 = 1.239776611328125E-5, halfway: down"},
    {1.5E-14L, "1.5E-14", "small power of ten"},
    {123456789.123456789E40L, "1.23456789123457E48", "large power of ten"},
    {std::numeric_limits<TReal>::max(), "1.18973149535723E4932", "largest value"},
    {std::numeric_limits<TReal>::min(), "3.36210314311209E-4932", "smallest normal value"},
    {-std::numeric_limits<TReal>::denorm_min(), "-3.64519953188247E-4951", "smallest denormal"},
    {std::numeric_limits<TReal>::infinity(), "INF", "infinity"},
    {-std::numeric_limits<TReal>::infinity(), "-INF", "negative infinity"},
    {std::numeric_limits<TReal>::quiet_NaN(), "NAN", "not a number"},
};

TEST(NumberText, Table) {
  for (const auto& c : kTextCases) EXPECT_EQ(NumberText(c.Value), c.Text) << c.Why;
}

// The digits come from integer arithmetic; on every kind of 80-bit value they
// must be those of the printf-based conversion (bench/numbertext_check runs
// 10 million values).
TEST(NumberText, SameAsPrintfOnGeneratedValues) {
  const auto kinds = bench::SweepNumberText(
      100000, 17, [](const std::string& bits, const std::string& ours, const std::string& theirs) {
        ADD_FAILURE() << bits << ": " << ours << " instead of " << theirs;
      });
  for (const auto& kind : kinds) {
    EXPECT_GT(kind.Values, 1000u) << kind.Name;
    EXPECT_EQ(kind.Mismatches, 0u) << kind.Name;
  }
}

// Sets LC_NUMERIC to a locale with a decimal comma for the scope, if the
// machine has one.
class CommaLocale {
 public:
  CommaLocale() {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    FOld = old ? old : "C";
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8",
                             "ru_RU.UTF-8", "de_DE", "fr_FR"}) {
      if (std::setlocale(LC_NUMERIC, name) && *std::localeconv()->decimal_point == ',') {
        FActive = true;
        return;
      }
    }
    std::setlocale(LC_NUMERIC, FOld.c_str());
  }
  ~CommaLocale() { std::setlocale(LC_NUMERIC, FOld.c_str()); }
  bool Active() const { return FActive; }

 private:
  std::string FOld;
  bool FActive = false;
};

TEST(NumberText, DecimalPointIgnoresLocale) {
  CommaLocale comma;
  if (!comma.Active()) GTEST_SKIP() << "no locale with a decimal comma installed";
  EXPECT_EQ(NumberText(273.15L), "273.15");
  EXPECT_EQ(NumberText(-1.5E-7L), "-1.5E-7");
  EXPECT_EQ(NumberText(2.0L / 3), "0.666666666666667");
}

}  // namespace
}  // namespace tessary
