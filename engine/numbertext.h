// SPDX-License-Identifier: MIT
#pragma once

// Number text: general format with 15 significant digits, "." as the decimal
// point whatever the locale, fixed notation for decimal exponents -3..15
// (value = 0.d1d2... * 10^e), "E" notation otherwise; "INF", "-INF", "NAN".

#include <cstddef>
#include <string>

#include "real.h"

namespace tessary {

std::string NumberText(TReal value);

// The longest number text, "-d.ddddddddddddddE-dddd", fits.
inline constexpr std::size_t kNumberTextMax = 24;

// Writes the number text to out (room for kNumberTextMax characters) without
// allocating; returns its length.
std::size_t WriteNumberText(TReal value, char* out);

}  // namespace tessary
