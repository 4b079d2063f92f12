// SPDX-License-Identifier: MIT
#pragma once

// Code page 936 (GBK) <-> UTF-8 through glibc iconv.
// Nothing vanishes silently: a character with no code page 936 form (or a
// malformed UTF-8 byte) becomes the full-width question mark "？" (A3 BF),
// and a malformed code page 936 sequence becomes U+FFFD "�".

#include <cstddef>
#include <string>
#include <string_view>

namespace tessary::platform {

// True when every byte is ASCII: such text is the same in UTF-8 and code
// page 936 and needs no conversion.
bool IsAscii(std::string_view text);
// A byte that starts a double-byte character (0x80 is the one-byte euro,
// 0xFF is unused).
inline bool IsCp936LeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

std::string Utf8ToCp936(std::string_view utf8);
// The same, and tells how many "？" stand for characters that had no form:
// a save can then warn that the file is not what the user sees.
std::string Utf8ToCp936(std::string_view utf8, std::size_t& replaced);
std::string Cp936ToUtf8(std::string_view cp936);

// UTF-8 read from elsewhere made safe to hold and print: each malformed
// piece becomes U+FFFD "�", well-formed text passes unchanged.
std::string RepairUtf8(std::string_view utf8);

// True when bytes are well-formed UTF-8 holding at least one character
// beyond ASCII: what a UTF-8 editor writes. Code page 936 text rarely
// passes, a very short one can: "时" alone is CA B1, also UTF-8 for U+02B1.
bool LooksLikeUtf8(std::string_view bytes);

}  // namespace tessary::platform
