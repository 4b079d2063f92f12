#pragma once

// A table of rows, each the text key "=" value: the variable table and the
// temporary table of a worksheet.

#include <bitset>
#include <cstddef>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tessary {

// A second row with the same non-empty key; the message is the user's.
class EDuplicateKey : public std::runtime_error {
 public:
  explicit EDuplicateKey(std::string_view key);
  const std::string& Key() const { return FKey; }

 private:
  std::string FKey;
};

class TKeyValueTable {
 public:
  // The text before the first "=" ("" without one) and after it (the whole
  // row without one).
  static std::string_view KeyOf(std::string_view row);
  static std::string_view ValueOf(std::string_view row);

  const std::vector<std::string>& Rows() const { return FRows; }
  std::size_t Count() const { return FRows.size(); }
  bool Empty() const { return FRows.empty(); }
  void Clear();

  // Appends key "=" value. A non-empty key already present (as stored,
  // ignoring letter case) throws EDuplicateKey and adds nothing.
  void Append(std::string_view key, std::string_view value);
  // Appends a row as it stands, under the same rule.
  void AppendRow(std::string_view row);

  // Value of the first row whose trimmed key equals name ignoring letter
  // case; "" when no row matches.
  std::string_view Lookup(std::string_view name) const;
  // The key of a row with blanks and control characters trimmed.
  std::string_view TrimmedKey(std::size_t row) const;

  // Calls found(row) for every row whose trimmed, non-empty key occurs in
  // text (case-sensitive), without visiting the rows whose keys do not: the
  // text is probed once per distinct key length.
  void ForEachKeyIn(std::string_view text, const std::function<void(std::size_t)>& found) const;

 private:
  struct THash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  using TIndex = std::unordered_map<std::string, std::vector<std::size_t>, THash, std::equal_to<>>;

  std::vector<std::string> FRows;
  std::unordered_set<std::string> FStoredKeys;                   // folded stored keys
  std::unordered_map<std::string, std::size_t> FFirstByName;     // folded trimmed key -> first row
  TIndex FRowsByKey;                                             // trimmed key -> rows
  std::map<std::size_t, std::size_t> FKeyLengths;                // length -> number of rows
  std::bitset<256> FFirstBytes;  // bytes a key can start with: most text positions start none
};

}  // namespace tessary
