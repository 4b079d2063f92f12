// SPDX-License-Identifier: MIT
#include "keyvaluetable.h"

#include <algorithm>

#include "textutil.h"

namespace tessary {

namespace {

// Rolling hash of a key's bytes: each byte + 1 as a digit of this base,
// modulo 2^64. Equal hashes are checked byte by byte.
constexpr std::uint64_t kHashBase = 0x100000001B3ULL;

std::uint64_t HashOf(std::string_view s) {
  std::uint64_t h = 0;
  for (char c : s) h = h * kHashBase + static_cast<unsigned char>(c) + 1;
  return h;
}

// 16 well-mixed bits of a hash, for the filter in front of the lookup.
std::size_t FilterSlot(std::uint64_t h) { return (h * 0x9E3779B97F4A7C15ULL) >> 48; }

// Letter case is folded for ASCII letters only.
std::string Fold(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

}  // namespace

EDuplicateKey::EDuplicateKey(std::string_view key)
    : std::runtime_error("A key with the name of \"" + std::string(key) + "\" already exists"),
      FKey(key) {}

std::string_view TKeyValueTable::KeyOf(std::string_view row) {
  const auto eq = row.find('=');
  return eq == std::string_view::npos ? std::string_view() : row.substr(0, eq);
}

std::string_view TKeyValueTable::ValueOf(std::string_view row) {
  const auto eq = row.find('=');
  return eq == std::string_view::npos ? row : row.substr(eq + 1);
}

void TKeyValueTable::Clear() {
  FRows.clear();
  FStoredKeys.clear();
  FFirstByName.clear();
  FKeysByLength.clear();
  FReportedIn.clear();
  FFirstBytes.reset();
}

void TKeyValueTable::Append(std::string_view key, std::string_view value) {
  std::string row(key);
  row += '=';
  row += value;
  AppendRow(row);
}

void TKeyValueTable::AppendRow(std::string_view row) {
  const std::string_view key = KeyOf(row);
  if (!key.empty() && !FStoredKeys.insert(Fold(key)).second) throw EDuplicateKey(key);
  const std::size_t index = FRows.size();
  FRows.emplace_back(row);
  FReportedIn.push_back(0);
  const std::string_view name = Trim(key);
  if (name.empty()) return;
  FFirstByName.emplace(Fold(name), index);
  TKeysOfLength& keys = FKeysByLength[name.size()];
  if (keys.Rows.empty())
    for (std::size_t i = 1; i < name.size(); ++i) keys.Lead *= kHashBase;
  const std::uint64_t hash = HashOf(name);
  keys.Rows[hash].push_back(index);
  keys.Seen.set(FilterSlot(hash));
  FFirstBytes.set(static_cast<unsigned char>(name.front()));
}

std::string_view TKeyValueTable::Lookup(std::string_view name) const {
  const auto it = FFirstByName.find(Fold(name));
  return it == FFirstByName.end() ? std::string_view() : ValueOf(FRows[it->second]);
}

std::string_view TKeyValueTable::TrimmedKey(std::size_t row) const {
  return Trim(KeyOf(FRows[row]));
}

void TKeyValueTable::ForEachKeyIn(std::string_view text,
                                  const std::function<void(std::size_t)>& found) const {
  if (++FProbe == 0) {  // wrapped: forget every earlier probe
    std::fill(FReportedIn.begin(), FReportedIn.end(), 0);
    FProbe = 1;
  }
  auto bytes = [text](std::size_t i) -> std::uint64_t {
    return static_cast<unsigned char>(text[i]) + 1;
  };
  for (const auto& [length, keys] : FKeysByLength) {
    if (length > text.size()) break;
    std::uint64_t h = HashOf(text.substr(0, length));
    for (std::size_t at = 0;; ++at) {
      if (keys.Seen.test(FilterSlot(h)) && FFirstBytes.test(static_cast<unsigned char>(text[at]))) {
        if (const auto it = keys.Rows.find(h); it != keys.Rows.end()) {
          // Once reported, a row is not compared again: a long key that
          // occurs everywhere costs its length once.
          for (std::size_t row : it->second) {
            if (FReportedIn[row] == FProbe || TrimmedKey(row) != text.substr(at, length)) continue;
            FReportedIn[row] = FProbe;
            found(row);
          }
        }
      }
      if (at + length >= text.size()) break;
      h = (h - bytes(at) * keys.Lead) * kHashBase + bytes(at + length);
    }
  }
}

}  // namespace tessary
