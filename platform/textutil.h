// SPDX-License-Identifier: MIT
#pragma once

// Byte-string helpers shared by every layer: splitting, trimming and ASCII
// case folding. They never look past ASCII, so they are safe on UTF-8 and on
// code page 936 text alike (folding aside: a code page 936 trail byte can be
// an ASCII letter, so callers that fold such text skip trail bytes).

#include <span>
#include <string>
#include <string_view>

namespace tessary {

// Splits text at separator into slots (all emptied first); returns the
// number of pieces (separators + 1), 0 for an empty text. Pieces beyond the
// last slot are counted but not stored.
int SplitText(std::string_view text, std::span<std::string> slots, char separator);

// Removes leading and trailing characters of codes 0 to 32.
std::string_view Trim(std::string_view s);
// Removes leading and trailing spaces and tabs only, as ini files do.
std::string_view TrimBlanks(std::string_view s);

inline char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
inline char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
std::string AsciiUpper(std::string_view s);
std::string AsciiLower(std::string_view s);
// Equal when ASCII letters are folded; every other byte must match.
bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace tessary
