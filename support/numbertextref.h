// SPDX-License-Identifier: MIT
#pragma once

// The number text as the product made it with the C library's conversion
// (std::to_chars, which formats an 80-bit value through printf): the
// yardstick that the exact integer conversion must match byte for byte.

#include <string>

namespace tessary::bench {

std::string PrintfNumberText(long double value);

}  // namespace tessary::bench
