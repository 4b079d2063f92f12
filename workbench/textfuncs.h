#pragma once

// Text helpers of the calculation. They work on UTF-8: a search for valid
// UTF-8 never matches across characters, so byte search is character search.

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

struct TReplacePair {
  std::string_view From;
  std::string_view To;
};

// Applies each pair in order, every occurrence left to right, without
// rescanning inserted text; a later pair works on the earlier one's result.
std::string ReplacePairs(std::span<const TReplacePair> pairs, std::string_view text);

// True when any candidate occurs in text (case-sensitive).
bool ContainsAny(std::span<const std::string_view> candidates, std::string_view text);

// Replaces each occurrence of name whose neighbours are not ASCII letters by
// value; the left neighbour is judged on the text built so far.
std::string SubstituteVariable(std::string_view name, std::string_view value,
                               std::string_view text);

// ASCII letters only: digits, "_", "." and every non-ASCII character are not.
inline bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Number of UTF-8 characters in s (continuation bytes are not counted).
std::size_t Utf8Length(std::string_view s);
// The first count characters of s.
std::string_view Utf8Prefix(std::string_view s, std::size_t count);

}  // namespace tessary
