// SPDX-License-Identifier: MIT
#include "textfuncs.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "errorcodes.h"

namespace tessary {

namespace {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  if (from.empty() || text.find(from) == std::string::npos) return;
  if (to.size() <= from.size()) {
    // In place: what is written never overtakes what is still to be read.
    char* const data = text.data();
    char* written = data;
    std::size_t read = 0;
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, read)) {
      written = std::copy(data + read, data + at, written);
      written = std::copy(to.begin(), to.end(), written);
      read = at + from.size();
    }
    written = std::copy(data + read, data + text.size(), written);
    text.resize(static_cast<std::size_t>(written - data));
    return;
  }
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

// Finds a name in a text in time linear in both: a plain search can cost
// the name's length at every byte of a text such as "AAAA...".
class TNameSearch {
 public:
  explicit TNameSearch(std::string_view name) : FName(name) {
    // Most names are short: their table needs no allocation.
    if (name.size() > FShort.size()) FLong.resize(name.size());
    FBorder = FLong.empty() ? FShort.data() : FLong.data();
    // FBorder[i]: length of the longest proper prefix of name[0..i] that is
    // also its suffix.
    FBorder[0] = 0;
    for (std::size_t i = 1, k = 0; i < name.size(); ++i) {
      while (k > 0 && name[i] != name[k]) k = FBorder[k - 1];
      if (name[i] == name[k]) ++k;
      FBorder[i] = k;
    }
  }

  // The first occurrence starting at or after from; npos if none.
  std::size_t Find(std::string_view text, std::size_t from) const {
    std::size_t k = 0;  // bytes of the name matched so far
    for (std::size_t i = from; i < text.size(); ++i) {
      if (k == 0) {  // skip quickly to the next possible start
        const auto* hit =
            static_cast<const char*>(std::memchr(text.data() + i, FName[0], text.size() - i));
        if (hit == nullptr) return std::string_view::npos;
        i = static_cast<std::size_t>(hit - text.data());
      }
      while (k > 0 && text[i] != FName[k]) k = FBorder[k - 1];
      if (text[i] == FName[k]) ++k;
      if (k == FName.size()) return i + 1 - k;
    }
    return std::string_view::npos;
  }

 private:
  TNameSearch(const TNameSearch&) = delete;
  TNameSearch& operator=(const TNameSearch&) = delete;

  std::string_view FName;
  std::array<std::size_t, 32> FShort;
  std::vector<std::size_t> FLong;
  std::size_t* FBorder;
};

}  // namespace

EStatementTooLong::EStatementTooLong() : std::runtime_error(ErrorText(ecStatementTooLong)) {}

void ReplacePairsIn(std::span<const TReplacePair> pairs, std::string& text) {
  // A superset of the bytes in the text: a pair whose first byte is not
  // among them needs no search (a replacement brings only its own bytes).
  std::uint64_t present[4] = {};
  const auto mark = [&present](char c) {
    const auto b = static_cast<unsigned char>(c);
    present[b >> 6] |= std::uint64_t{1} << (b & 63);
  };
  for (char c : text) mark(c);
  for (const auto& p : pairs) {
    if (p.From.empty()) continue;
    const auto first = static_cast<unsigned char>(p.From.front());
    if ((present[first >> 6] >> (first & 63) & 1) == 0) continue;
    ReplaceAll(text, p.From, p.To);
    for (char c : p.To) mark(c);
  }
}

std::string ReplacePairs(std::span<const TReplacePair> pairs, std::string_view text) {
  std::string result(text);
  ReplacePairsIn(pairs, result);
  return result;
}

bool ContainsAny(std::span<const std::string_view> candidates, std::string_view text) {
  return std::any_of(candidates.begin(), candidates.end(),
                     [text](std::string_view c) { return text.find(c) != std::string_view::npos; });
}

std::string SubstituteVariable(std::string_view name, std::string_view value, std::string_view text,
                               std::size_t maxLength) {
  if (name.empty()) return std::string(text);
  const TNameSearch search(name);
  std::size_t at = search.Find(text, 0);
  if (at == std::string_view::npos) return std::string(text);
  // Each replacement changes the length by the same number of characters;
  // lengths are counted once, never again per occurrence, and the text's
  // only when its bytes (never fewer than its characters) could pass a limit.
  const std::size_t nameLength = Utf8Length(name);
  const std::size_t valueLength = Utf8Length(value);
  std::size_t textLength = std::string_view::npos;  // not counted yet
  std::size_t replaced = 0;
  std::string result;
  std::size_t copied = 0;  // text before this is in result
  bool carried = false;    // the carry-on has been measured
  for (; at != std::string_view::npos; at = search.Find(text, copied)) {
    result.append(text.substr(copied, at - copied));
    copied = at + name.size();
    const bool replace =
        (result.empty() || !IsNamePart(result.back())) && !ContinuesName(text, copied);
    if (!replace) {
      result.append(name);
      continue;
    }
    // Later names have less text after them: one count settles it.
    if (!carried && text.size() - copied > kMaxCarryOn &&
        Utf8Length(text.substr(copied)) > kMaxCarryOn)
      throw EStatementTooLong();
    carried = true;
    ++replaced;
    if (valueLength > nameLength) {
      const std::size_t growth = replaced * (valueLength - nameLength);
      if (text.size() + growth > maxLength) {
        if (textLength == std::string_view::npos) textLength = Utf8Length(text);
        if (textLength + growth > maxLength) throw EStatementTooLong();
      }
    }
    result.append(value);
  }
  result.append(text.substr(copied));
  return result;
}

std::size_t Utf8Length(std::string_view s) {
  return static_cast<std::size_t>(std::count_if(
      s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
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
