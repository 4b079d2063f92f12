// SPDX-License-Identifier: MIT
#include "textutil.h"

namespace tessary {

namespace {

template <class TPredicate>
std::string_view TrimIf(std::string_view s, TPredicate drop) {
  while (!s.empty() && drop(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && drop(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

}  // namespace

int SplitText(std::string_view text, std::span<std::string> slots, char separator) {
  for (auto& s : slots) s.clear();
  if (text.empty()) return 0;
  std::size_t count = 0;
  std::size_t start = 0;
  for (auto at = text.find(separator); at != std::string_view::npos;
       at = text.find(separator, start)) {
    if (count < slots.size()) slots[count].assign(text.substr(start, at - start));
    ++count;
    start = at + 1;
  }
  if (start < text.size() && count < slots.size()) slots[count].assign(text.substr(start));
  return static_cast<int>(count + 1);
}

std::string_view Trim(std::string_view s) {
  return TrimIf(s, [](unsigned char c) { return c <= ' '; });
}

std::string_view TrimBlanks(std::string_view s) {
  return TrimIf(s, [](unsigned char c) { return c == ' ' || c == '\t'; });
}

std::string AsciiUpper(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = AsciiUpper(c);
  return r;
}

std::string AsciiLower(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = AsciiLower(c);
  return r;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

}  // namespace tessary
