// SPDX-License-Identifier: MIT
#include "statementsource.h"

#include <algorithm>
#include <cstdint>

#include "fullwidth.h"
#include "textfuncs.h"
#include "textutil.h"

namespace tessary {

namespace {

// Cells of the table that lines up two texts; beyond it a character maps to
// where the two start to differ.
constexpr std::size_t kMaxAlignCells = 4 * 1024 * 1024;

// Index of the bracket that leaves text unbalanced: the first ")" without
// its "(", else the first "(" never closed; 0 if there is none.
std::size_t UnmatchedBracket(const std::vector<std::string_view>& text) {
  std::vector<std::size_t> open;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == "(") open.push_back(i);
    if (text[i] != ")") continue;
    if (open.empty()) return i;
    open.pop_back();
  }
  return open.empty() ? 0 : open.front();
}

}  // namespace

std::vector<std::string_view> Utf8Characters(std::string_view text) {
  std::vector<std::string_view> chars;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t len = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (lead >= 0xF8 || i + len > text.size()) len = 1;
    for (std::size_t k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) len = 1;
    chars.push_back(text.substr(i, len));
    i += len;
  }
  return chars;
}

namespace {

// Adds formula line n to the joined text; normal is room for the line
// made ASCII, reused from line to line.
void JoinLine(std::string& joined, std::string_view raw, std::size_t n,
              std::vector<TJoinedPiece>* pieces, std::string& normal) {
  NormaliseFullWidthInto(raw, normal);
  std::string_view line = normal;
  if (const auto comment = line.find("//"); comment != std::string_view::npos)
    line = line.substr(0, comment);
  line = Trim(line);
  if (line.empty()) return;
  if (line.find('=') != std::string_view::npos && !joined.empty() && joined.back() != ';')
    joined += ';';
  if (pieces != nullptr) {
    const auto skipped = static_cast<std::size_t>(line.data() - normal.data());
    pieces->push_back({joined.size(), n, Utf8Length(std::string_view(normal).substr(0, skipped))});
  }
  joined += line;
}

}  // namespace

std::string JoinFormulaLines(const std::vector<std::string>& lines,
                             std::vector<TJoinedPiece>* pieces) {
  std::string joined;
  std::string normal;
  for (std::size_t n = 0; n < lines.size(); ++n) JoinLine(joined, lines[n], n, pieces, normal);
  return joined;
}

std::string JoinFormulaText(std::string_view text) {
  std::string joined;
  std::string normal;
  // A blank line adds nothing, so cutting at every CR and every LF joins
  // CR LF, CR and LF lines alike. Without pieces no line number is kept.
  for (std::size_t start = 0; start <= text.size();) {
    const auto lineEnd = [](char c) { return c == '\r' || c == '\n'; };
    const auto end = static_cast<std::size_t>(
        std::find_if(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(), lineEnd) -
        text.begin());
    JoinLine(joined, text.substr(start, end - start), 0, nullptr, normal);
    start = end + 1;
  }
  return joined;
}

std::size_t MapBack(const std::vector<std::string_view>& from,
                    const std::vector<std::string_view>& to, std::size_t e) {
  const std::size_t n = from.size();
  const std::size_t m = to.size();
  if (e >= m) return n;
  std::size_t pre = 0;
  while (pre < n && pre < m && from[pre] == to[pre]) ++pre;
  if (e < pre) return e;
  std::size_t suf = 0;
  while (suf < n - pre && suf < m - pre && from[n - 1 - suf] == to[m - 1 - suf]) ++suf;
  if (e >= m - suf) return n - (m - e);

  const std::size_t fn = n - pre - suf;
  const std::size_t tn = m - pre - suf;
  if ((fn + 1) * (tn + 1) > kMaxAlignCells) return pre;
  const auto F = [&](std::size_t i) { return from[pre + i]; };
  const auto T = [&](std::size_t j) { return to[pre + j]; };
  // lcs[i][j]: longest common subsequence of F from i and T from j.
  // Never longer than the shorter text, which the cell limit keeps below 2048.
  std::vector<std::uint16_t> lcs((fn + 1) * (tn + 1), 0);
  const auto at = [tn](std::size_t i, std::size_t j) { return i * (tn + 1) + j; };
  for (std::size_t i = fn; i-- > 0;)
    for (std::size_t j = tn; j-- > 0;)
      lcs[at(i, j)] = F(i) == T(j) ? static_cast<std::uint16_t>(lcs[at(i + 1, j + 1)] + 1)
                                   : std::max(lcs[at(i + 1, j)], lcs[at(i, j + 1)]);
  // The matches around q bound the changed piece that holds it.
  const std::size_t q = e - pre;
  std::size_t fromStart = 0, toStart = 0;  // after the last match before q
  std::size_t i = 0, j = 0;
  bool matchAfter = false;
  while (i < fn && j < tn) {
    if (F(i) == T(j)) {
      if (j == q) return pre + i;
      if (j > q) {
        matchAfter = true;
        break;
      }
      fromStart = ++i;
      toStart = ++j;
    } else if (lcs[at(i + 1, j)] >= lcs[at(i, j + 1)]) {
      ++i;
    } else {
      ++j;
    }
  }
  // Without a match after q the piece runs to the common end.
  const std::size_t fromEnd = matchAfter ? i : fn;
  const std::size_t toEnd = matchAfter ? j : tn;
  if (fromEnd - fromStart == toEnd - toStart) return pre + fromStart + (q - toStart);
  return pre + fromStart;
}

TStatementPlace PlaceOfStatement(const std::vector<std::string>& formula, std::size_t index,
                                 const TStatementOutcome& outcome) {
  std::vector<TJoinedPiece> pieces;
  const std::string joined = JoinFormulaLines(formula, &pieces);
  // The place of byte `at` of the joined text; `after` takes the place just
  // after the character before it (a statement's end, not the next line's
  // start).
  const auto placeOf = [&](std::size_t at, bool after) -> TPanePlace {
    if (pieces.empty()) return {};
    const std::size_t probe = after && at > 0 ? at - 1 : at;
    auto piece =
        std::upper_bound(pieces.begin(), pieces.end(), probe,
                         [](std::size_t b, const TJoinedPiece& p) { return b < p.Offset; });
    if (piece != pieces.begin()) --piece;
    const std::size_t from = std::min(piece->Offset, joined.size());
    const std::size_t to = std::min(std::max(at, from), joined.size());
    return {piece->Line,
            piece->Column + Utf8Length(std::string_view(joined).substr(from, to - from))};
  };

  // The statement's bytes in the joined text, cut at ";" as Calculate cuts.
  std::size_t start = 0;
  for (std::size_t k = 0; k < index && start <= joined.size(); ++k) {
    const std::size_t semicolon = joined.find(';', start);
    start = semicolon == std::string::npos ? joined.size() + 1 : semicolon + 1;
  }
  start = std::min(start, joined.size());
  const std::size_t end = std::min(joined.find(';', start), joined.size());
  const std::string_view statement = std::string_view(joined).substr(start, end - start);
  const std::size_t eq = statement.find('=');
  const std::size_t exprStart = eq == std::string_view::npos ? start : start + eq + 1;

  TStatementPlace place;
  place.Start = placeOf(start, false);
  place.End = placeOf(end, true);
  place.Expression = placeOf(exprStart, false);
  place.Error = place.Start;
  if (outcome.ErrorCode == 0) return place;

  const std::vector<std::string_view> evaluated = Utf8Characters(outcome.Expression);
  std::size_t e = 0;
  if (outcome.ErrorPosition != 0)
    e = outcome.ErrorPosition - 1;
  else if (outcome.ErrorCode == 3)  // the bracket count failed before reading
    e = UnmatchedBracket(evaluated);
  else
    return place;
  const std::vector<std::string_view> typed =
      Utf8Characters(std::string_view(joined).substr(exprStart, end - exprStart));
  const std::vector<std::string_view> middle = Utf8Characters(outcome.Normalised);
  const std::size_t t = MapBack(typed, middle, MapBack(middle, evaluated, e));
  std::size_t at = exprStart;
  for (std::size_t k = 0; k < t && k < typed.size(); ++k) at += typed[k].size();
  place.Error = placeOf(at, at == end && at > exprStart);
  place.ErrorKnown = true;
  return place;
}

char32_t CodePoint(std::string_view ch) {
  const auto b = [ch](std::size_t i) {
    return static_cast<char32_t>(static_cast<unsigned char>(ch[i]));
  };
  switch (ch.size()) {
    case 2: return (b(0) & 0x1F) << 6 | (b(1) & 0x3F);
    case 3: return (b(0) & 0x0F) << 12 | (b(1) & 0x3F) << 6 | (b(2) & 0x3F);
    case 4: return (b(0) & 0x07) << 18 | (b(1) & 0x3F) << 12 | (b(2) & 0x3F) << 6 | (b(3) & 0x3F);
    default: return b(0);
  }
}

// Characters a name may hold besides ASCII letters, digits and "_": letters
// of other scripts such as Chinese, not signs the pipeline rewrites (× ÷ π)
// nor punctuation.
bool IsNameLetter(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  if (c == 0xD7 || c == 0xF7 || c == 0x3C0) return false;
  if (c < 0xC0) return false;
  return !((c >= 0x2000 && c <= 0x2BFF) || (c >= 0x3000 && c <= 0x303F) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF0F) ||
           (c >= 0xFF1A && c <= 0xFF20) || (c >= 0xFF3B && c <= 0xFF40) ||
           (c >= 0xFF5B && c <= 0xFF65));
}

bool IsName(std::string_view name) {
  const std::vector<std::string_view> chars = Utf8Characters(name);
  if (chars.empty() || !IsNameLetter(CodePoint(chars.front()))) return false;
  return std::all_of(chars.begin(), chars.end(), [](std::string_view ch) {
    const char32_t c = CodePoint(ch);
    return IsNameLetter(c) || (c >= '0' && c <= '9') || c == '_';
  });
}

}  // namespace tessary
