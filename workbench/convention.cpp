// SPDX-License-Identifier: MIT
#include "convention.h"

#include <algorithm>

#include "fullwidth.h"
#include "textutil.h"

namespace tessary {

namespace {

constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";

// Blanks at both ends, the ideographic space included: a comment keeps its
// full-width forms.
std::string_view TrimWide(std::string_view text) {
  for (;;) {
    text = Trim(text);
    if (text.starts_with(kIdeographicSpace)) {
      text.remove_prefix(kIdeographicSpace.size());
    } else if (text.ends_with(kIdeographicSpace)) {
      text.remove_suffix(kIdeographicSpace.size());
    } else {
      return text;
    }
  }
}

// Removes word and the blanks after it from the front of text.
bool Take(std::string_view& text, std::string_view word) {
  if (!text.starts_with(word)) return false;
  text = TrimWide(text.substr(word.size()));
  return true;
}

}  // namespace

TLeadingLine ReadLeadingLine(std::string_view line) {
  std::string normal;
  NormaliseFullWidthInto(line, normal);  // "／／" too; the comment stays as typed
  std::string_view text = Trim(normal);
  if (text.empty()) return {TLineRole::Blank, std::nullopt};
  if (!Take(text, "//")) return {TLineRole::Statement, std::nullopt};
  if (!Take(text, "约定") || !(Take(text, ":") || Take(text, "：")))
    return {TLineRole::Comment, std::nullopt};
  if (text == "标准") return {TLineRole::Comment, TConvention::Standard};
  if (text == "经典") return {TLineRole::Comment, TConvention::Classic};
  return {TLineRole::Comment, std::nullopt};
}

namespace {

// Reads lines from next() (false at the end) up to the first statement.
template <typename TNext>
std::optional<TConvention> Declared(TNext next) {
  std::optional<TConvention> declared;
  std::string_view line;
  while (next(line)) {
    const TLeadingLine read = ReadLeadingLine(line);
    if (read.Role == TLineRole::Statement) break;
    if (read.Declares) declared = read.Declares;
  }
  return declared;
}

}  // namespace

std::optional<TConvention> DeclaredConvention(const std::vector<std::string>& lines) {
  std::size_t i = 0;
  return Declared([&](std::string_view& line) {
    if (i == lines.size()) return false;
    line = lines[i++];
    return true;
  });
}

std::optional<TConvention> DeclaredConvention(std::string_view text) {
  return Declared([&](std::string_view& line) {
    if (text.empty()) return false;
    const std::size_t end = std::min(text.find('\n'), text.size());
    line = text.substr(0, end);  // a CR before it is trimmed as a blank
    text.remove_prefix(std::min(end + 1, text.size()));
    return true;
  });
}

}  // namespace tessary
