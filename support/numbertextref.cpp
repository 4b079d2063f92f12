// SPDX-License-Identifier: MIT
#include "numbertextref.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace tessary::bench {

namespace {

constexpr int kDigits = 15;

// Fixed notation covers value = 0.d1d2... * 10^e for e in -3..15, i.e. the
// power of ten of d1.d2... from -4 to 14.
constexpr int kFixedLow = -4;
constexpr int kFixedHigh = 14;

std::string FixedText(const std::string& digits, int power) {
  std::string text;
  if (power < 0) {
    text = "0.";
    text.append(static_cast<std::size_t>(-power - 1), '0');
    text += digits;
    return text;
  }
  const auto intLen = static_cast<std::size_t>(power) + 1;
  if (digits.size() <= intLen) {
    text = digits;
    text.append(intLen - digits.size(), '0');
  } else {
    text = digits.substr(0, intLen);
    text += '.';
    text += digits.substr(intLen);
  }
  return text;
}

std::string ScientificText(const std::string& digits, int power) {
  std::string text(1, digits[0]);
  if (digits.size() > 1) {
    text += '.';
    text += digits.substr(1);
  }
  text += 'E';
  text += std::to_string(power);
  return text;
}

}  // namespace

std::string PrintfNumberText(long double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";

  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value),
                                 std::chars_format::scientific, kDigits - 1);
  const std::string raw(buf, res.ptr);  // "d.dddddddddddddde+XX"
  const auto ePos = raw.find('e');
  std::string digits = raw.substr(0, 1) + raw.substr(2, ePos - 2);
  const int power = std::atoi(raw.c_str() + ePos + 1);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string text = value < 0 ? "-" : "";
  if (power >= kFixedLow && power <= kFixedHigh)
    text += FixedText(digits, power);
  else
    text += ScientificText(digits, power);
  return text;
}

}  // namespace tessary::bench
