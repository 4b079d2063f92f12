// SPDX-License-Identifier: MIT
#include "wrapline.h"

#include <cstddef>

#include "textutil.h"

namespace tessary {

namespace {

constexpr std::string_view kRowBreak = "\r\n";

bool IsBreakChar(unsigned char ch) {
  switch (ch) {
    case '\t':
    case ' ':
    case '!':
    case ',':
    case '-':
    case '.':
    case ':':
    case ';':
    case '?': return true;
    default: return false;
  }
}

bool IsQuote(unsigned char ch) { return ch == '"' || ch == '\''; }

// GBK lead bytes; 0x80 is the single-byte euro sign and 0xFF is unused.
bool IsLeadByte(unsigned char ch) { return ch >= 0x81 && ch <= 0xFE; }

// Where breakStr goes: the byte offsets of line after which a row ends.
// Positions count from 1 as the column rule does; the rows are the pieces
// between the offsets, so no byte of line is ever lost.
std::vector<std::size_t> BreakOffsets(std::string_view line, std::string_view breakStr,
                                      int maxCol) {
  if (maxCol < 2) maxCol = 2;
  const std::size_t len = line.size();
  const auto at = [line](std::size_t pos) { return static_cast<unsigned char>(line[pos - 1]); };
  std::size_t pos = 1, linePos = 1, breakPos = 0;
  std::ptrdiff_t col = 1;
  unsigned char quote = 0;
  bool existingBreak = false, forceBreak = false;
  std::vector<std::size_t> offsets;
  while (pos <= len) {
    const unsigned char cur = at(pos);
    if (IsLeadByte(cur) && pos < len) {
      // A character at the very start of a row stays there: breaking before
      // it would only make an empty row (maxCol 2 leaves no room otherwise).
      if (col >= maxCol - 1 && pos > linePos) {
        forceBreak = true;
        breakPos = pos - 1;
      }
      ++pos;
      ++col;
    } else if (!breakStr.empty() && cur == static_cast<unsigned char>(breakStr[0]) && quote == 0) {
      existingBreak = EqualIgnoringAsciiCase(line.substr(pos - 1, breakStr.size()), breakStr);
      if (existingBreak) {
        pos += breakStr.size() - 1;
        breakPos = pos;
      }
    } else if (IsBreakChar(cur) && quote == 0) {
      breakPos = pos;
    } else if (IsQuote(cur)) {
      if (cur == quote)
        quote = 0;
      else if (quote == 0)
        quote = cur;
    }
    ++pos;
    ++col;
    if (forceBreak || (quote == 0 && (existingBreak || (col > maxCol && breakPos > linePos)))) {
      col = static_cast<std::ptrdiff_t>(pos - breakPos);
      if (!IsQuote(cur))
        while (pos <= len && (IsBreakChar(at(pos)) || at(pos) == '\r' || at(pos) == '\n')) ++pos;
      // After a break character nothing is added when at most one byte is
      // left: the last word then stays on the row. A double-byte character
      // that does not fit always goes to the next row, or it would stick out
      // past the last column.
      if (!existingBreak && (forceBreak || pos < len)) offsets.push_back(breakPos);
      linePos = breakPos + 1;
      existingBreak = false;
      forceBreak = false;
    }
  }
  return offsets;
}

std::string InsertAt(std::string_view text, const std::vector<std::size_t>& offsets,
                     std::string_view what) {
  std::string result;
  result.reserve(text.size() + offsets.size() * what.size());
  std::size_t from = 0;
  for (const std::size_t offset : offsets) {
    result.append(text.substr(from, offset - from));
    result.append(what);
    from = offset;
  }
  result.append(text.substr(from));
  return result;
}

// One character of UTF-8 text: its length there and its width in code page
// 936 bytes. A malformed byte stands alone and is as wide as the "？" that
// would replace it.
struct TUtf8Char {
  std::size_t Length;
  int Width;
};

TUtf8Char NextChar(std::string_view text, std::size_t i) {
  const auto byte = [text](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return {1, 1};
  const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                             : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                            : 0;
  if (length == 0 || i + length > text.size()) return {1, 2};
  for (std::size_t k = 1; k < length; ++k)
    if ((byte(i + k) & 0xC0) != 0x80) return {1, 2};
  // The euro sign is code page 936's one single-byte character beyond ASCII.
  if (text.substr(i, length) == "\xE2\x82\xAC") return {length, 1};
  return {length, 2};
}

}  // namespace

std::string WrapLine(std::string_view line, std::string_view breakStr, int maxCol) {
  return InsertAt(line, BreakOffsets(line, breakStr, maxCol), breakStr);
}

void SplitLine(std::string_view utf8Line, std::vector<std::string>& rows, int maxCol) {
  // The wrap rule looks only at ASCII bytes and at which bytes lead a
  // double-byte character, so it runs on a stand-in with the code page 936
  // shape of the text: nothing is converted, and characters code page 936
  // has no form for survive.
  std::string shape;
  std::vector<std::size_t> utf8Offset;  // shape offset -> offset in utf8Line
  shape.reserve(utf8Line.size());
  utf8Offset.reserve(utf8Line.size() + 1);
  for (std::size_t i = 0; i < utf8Line.size();) {
    const TUtf8Char ch = NextChar(utf8Line, i);
    if (ch.Length == 1 && ch.Width == 1) {
      shape += utf8Line[i];
      utf8Offset.push_back(i);
    } else if (ch.Width == 1) {
      shape += '\x80';
      utf8Offset.push_back(i);
    } else {
      shape += "\xA1\xA1";
      utf8Offset.push_back(i);
      utf8Offset.push_back(i);  // never a break point: trail bytes are passed over
    }
    i += ch.Length;
  }
  utf8Offset.push_back(utf8Line.size());

  std::vector<std::size_t> offsets = BreakOffsets(shape, kRowBreak, maxCol);
  for (std::size_t& offset : offsets) offset = utf8Offset[offset];
  const std::string wrapped = InsertAt(utf8Line, offsets, kRowBreak);

  rows.clear();
  std::size_t from = 0;
  for (;;) {
    const std::size_t end = wrapped.find(kRowBreak, from);
    if (end == std::string::npos) break;
    rows.push_back(wrapped.substr(from, end - from));
    from = end + kRowBreak.size();
  }
  rows.push_back(wrapped.substr(from));
}

std::vector<std::string> SplitLine(std::string_view utf8Line, int maxCol) {
  std::vector<std::string> rows;
  SplitLine(utf8Line, rows, maxCol);
  return rows;
}

int Cp936Length(std::string_view utf8) {
  int length = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const TUtf8Char ch = NextChar(utf8, i);
    length += ch.Width;
    i += ch.Length;
  }
  return length;
}

}  // namespace tessary
