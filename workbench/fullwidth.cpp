// SPDX-License-Identifier: MIT
#include "fullwidth.h"

#include <cstdint>

namespace tessary {

namespace {

// The ASCII form of the three-byte character at s, or 0.
char AsciiForm(std::string_view s) {
  if (s.size() < 3) return 0;
  const auto b = [s](std::size_t i) {
    return static_cast<char32_t>(static_cast<unsigned char>(s[i]));
  };
  if ((b(0) & 0xF0) != 0xE0 || (b(1) & 0xC0) != 0x80 || (b(2) & 0xC0) != 0x80) return 0;
  const char32_t c = (b(0) & 0x0F) << 12 | (b(1) & 0x3F) << 6 | (b(2) & 0x3F);
  // The full-width forms of ! to ~ stand 0xFEE0 above them.
  if (c >= U'！' && c <= U'～') return static_cast<char>(c - 0xFEE0);
  return c == U'\u3000' ? ' ' : 0;
}

// Bytes that start what the loop below changes or watches outside a
// literal: a full-width form (E3 for the ideographic space, EF for the
// others), a quote, a slash. Runs of other bytes are copied whole.
bool Watched(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u == 0xE3 || u == 0xEF || c == '\'' || c == '"' || c == '/';
}

}  // namespace

std::string NormaliseFullWidth(std::string_view line) {
  std::string out;
  NormaliseFullWidthInto(line, out);
  return out;
}

void NormaliseFullWidthInto(std::string_view line, std::string& out) {
  out.clear();
  out.reserve(line.size());
  char quote = 0;  // the quote of the open string literal
  std::size_t i = 0;
  while (i < line.size()) {
    if (quote == 0 && !Watched(line[i])) {
      std::size_t end = i + 1;
      while (end < line.size() && !Watched(line[end])) ++end;
      out.append(line.substr(i, end - i));
      i = end;
      continue;
    }
    const char c = line[i];
    if (quote != 0) {
      // Inside a literal only its own quote, typed either way, or the
      // statement's end counts.
      if (AsciiForm(line.substr(i)) == quote) {
        out += quote;
        quote = 0;
        i += 3;
        continue;
      }
      if (c == quote || c == ';') quote = 0;
      out += c;
      ++i;
      continue;
    }
    const char ascii = AsciiForm(line.substr(i));
    const char now = ascii != 0 ? ascii : c;
    out += now;
    i += ascii != 0 ? 3 : 1;
    if (now == '\'' || now == '"') quote = now;
    if (now == '/' && out.size() >= 2 && out[out.size() - 2] == '/') break;  // a comment
  }
  out.append(line.substr(i));
}

}  // namespace tessary
