// SPDX-License-Identifier: MIT
#pragma once

// What a Chinese input method types in full-width mode, as the ASCII the
// engine reads: the full-width forms of ! to ~ (U+FF01 to U+FF5E: signs,
// digits and letters) and the ideographic space. Other signs (× ÷ π 。)
// stay as typed.

#include <string>
#include <string_view>

namespace tessary {

// One formula line with its full-width forms made ASCII. A comment ("//",
// also typed as "／／", and all after it) and the inside of a string literal
// (from ' or " to the same quote, a ";" or the end of the line) are left as
// typed. Every character stays one character, so a column of the result is
// the same column of the line.
std::string NormaliseFullWidth(std::string_view line);
// The same into out, whose room is reused.
void NormaliseFullWidthInto(std::string_view line, std::string& out);

}  // namespace tessary
