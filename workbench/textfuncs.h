// SPDX-License-Identifier: MIT
#pragma once

// Text helpers of the calculation. They work on UTF-8: a search for valid
// UTF-8 never matches across characters, so byte search is character search.

#include <cstddef>
#include <span>
#include <stdexcept>
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
// The same in place.
void ReplacePairsIn(std::span<const TReplacePair> pairs, std::string& text);

// True when any candidate occurs in text (case-sensitive).
bool ContainsAny(std::span<const std::string_view> candidates, std::string_view text);

// Characters carried on after the first name a substitution replaces.
inline constexpr std::size_t kMaxCarryOn = 100000;

// A substitution that would have to cut its text: the statement is refused
// rather than evaluated shorter than written. The message is the user's.
class EStatementTooLong : public std::runtime_error {
 public:
  EStatementTooLong();
};

// Replaces name by value wherever it stands as a whole name: neither
// neighbour is an ASCII letter, a digit, "_", "." or a character beyond
// ASCII, so a name is never part of a longer name or of a number ("x1"
// stays in "x10", "E" in "3E2", "长" in "长度"). The
// left neighbour is judged on the text built so far, values included. Throws
// EStatementTooLong when more than kMaxCarryOn characters follow the first
// name replaced, or when the result would hold more than maxLength
// characters. Time linear in the text and the result.
std::string SubstituteVariable(std::string_view name, std::string_view value, std::string_view text,
                               std::size_t maxLength = std::string_view::npos);

inline bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
// A neighbour that makes a name part of a longer name or of a number. Any
// byte of a multi-byte character counts: Chinese names are names too, and
// the signs a formula may hold beyond ASCII are made ASCII before this.
inline bool IsNamePart(char c) {
  return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
         (static_cast<unsigned char>(c) & 0x80) != 0;
}

// Whether the text at byte at goes on with a name part. "°" (C2 B0) does
// not: it ends a name as a sign does ("r°" is r in degrees).
inline bool ContinuesName(std::string_view text, std::size_t at) {
  return at < text.size() && IsNamePart(text[at]) && !text.substr(at).starts_with("\xC2\xB0");
}

// Number of UTF-8 characters in s (continuation bytes are not counted).
std::size_t Utf8Length(std::string_view s);
// The first count characters of s.
std::string_view Utf8Prefix(std::string_view s, std::size_t count);

}  // namespace tessary
