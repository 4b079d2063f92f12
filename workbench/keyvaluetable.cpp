#include "keyvaluetable.h"

#include "textutil.h"

namespace tessary {

namespace {

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
  FRowsByKey.clear();
  FKeyLengths.clear();
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
  const std::string_view name = Trim(key);
  if (name.empty()) return;
  FFirstByName.emplace(Fold(name), index);
  FRowsByKey[std::string(name)].push_back(index);
  ++FKeyLengths[name.size()];
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
  for (const auto& [length, rows] : FKeyLengths) {
    if (length > text.size()) break;
    for (std::size_t at = 0; at + length <= text.size(); ++at) {
      if (!FFirstBytes.test(static_cast<unsigned char>(text[at]))) continue;
      const auto it = FRowsByKey.find(text.substr(at, length));
      if (it == FRowsByKey.end()) continue;
      for (std::size_t row : it->second) found(row);
    }
  }
}

}  // namespace tessary
