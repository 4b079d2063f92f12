// SPDX-License-Identifier: MIT
#pragma once

// A table of rows, each the text key "=" value: the variable table and the
// temporary table of a worksheet.

#include <bitset>
#include <cstddef>
#include <cstdint>
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

  // Calls found(row) once for every row whose trimmed, non-empty key occurs
  // in text (case-sensitive), without visiting the rows whose keys do not:
  // the text is probed once per distinct key length, in time linear in it
  // whatever the keys' lengths.
  void ForEachKeyIn(std::string_view text, const std::function<void(std::size_t)>& found) const;

 private:
  // The keys of one length, by a rolling hash of their bytes.
  struct TKeysOfLength {
    std::uint64_t Lead = 1;  // the hash's base to the power length - 1
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> Rows;
    // 16 bits of each key's hash: most text positions are ruled out
    // without a lookup.
    std::bitset<65536> Seen;
  };

  std::vector<std::string> FRows;
  std::unordered_set<std::string> FStoredKeys;                // folded stored keys
  std::unordered_map<std::string, std::size_t> FFirstByName;  // folded trimmed key -> first row
  std::map<std::size_t, TKeysOfLength> FKeysByLength;         // trimmed keys by length
  std::bitset<256> FFirstBytes;  // bytes a key can start with: most text positions start none
  // The probe that last reported each row: a row is reported once per probe
  // without a set to allocate (the table is used by one thread at a time).
  mutable std::vector<std::uint32_t> FReportedIn;
  mutable std::uint32_t FProbe = 0;
};

}  // namespace tessary
