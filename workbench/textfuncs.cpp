#include "textfuncs.h"

#include <algorithm>

#include "errorcodes.h"

namespace tessary {

namespace {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  if (from.empty() || text.find(from) == std::string::npos) return;
  std::string out;
  out.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, start)) {
    out.append(text, start, at - start);
    out += to;
    start = at + from.size();
  }
  out.append(text, start);
  text.swap(out);
}

}  // namespace

EStatementTooLong::EStatementTooLong() : std::runtime_error(ErrorText(ecStatementTooLong)) {}

std::string ReplacePairs(std::span<const TReplacePair> pairs, std::string_view text) {
  std::string result(text);
  for (const auto& p : pairs) ReplaceAll(result, p.From, p.To);
  return result;
}

bool ContainsAny(std::span<const std::string_view> candidates, std::string_view text) {
  return std::any_of(candidates.begin(), candidates.end(), [text](std::string_view c) {
    return text.find(c) != std::string_view::npos;
  });
}

std::string SubstituteVariable(std::string_view name, std::string_view value,
                               std::string_view text) {
  if (name.empty()) return std::string(text);
  std::string result;
  std::size_t copied = 0;  // text before this is in result
  bool carried = false;    // the carry-on has been measured
  for (auto at = text.find(name); at != std::string_view::npos; at = text.find(name, copied)) {
    result.append(text.substr(copied, at - copied));
    copied = at + name.size();
    const bool replace = (result.empty() || !IsNamePart(result.back())) &&
                         (copied == text.size() || !IsNamePart(text[copied]));
    // Later names have less text after them: one count settles it.
    if (replace && !carried) {
      if (Utf8Length(text.substr(copied)) > kMaxCarryOn) throw EStatementTooLong();
      carried = true;
    }
    result.append(replace ? value : name);
  }
  result.append(text.substr(copied));
  return result;
}

std::size_t Utf8Length(std::string_view s) {
  return static_cast<std::size_t>(std::count_if(s.begin(), s.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

std::string_view Utf8Prefix(std::string_view s, std::size_t count) {
  if (s.size() <= count) return s;  // never more characters than bytes
  std::size_t chars = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
      if (chars == count) return s.substr(0, i);
      ++chars;
    }
  }
  return s;
}

}  // namespace tessary
