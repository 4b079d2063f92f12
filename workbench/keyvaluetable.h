// SPDX-License-Identifier: MIT
#pragma once

// A table of rows, each the text key "=" value: the variable table and the
// temporary table of a worksheet.

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
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

  // The rows, copied: the table keeps them in one text.
  std::vector<std::string> Rows() const;
  std::string_view Row(std::size_t row) const {
    const std::size_t begin = row == 0 ? 0 : FEnds[row - 1];
    return std::string_view(FText).substr(begin, FEnds[row] - begin);
  }
  std::size_t Count() const { return FEnds.size(); }
  void Clear();

  // Appends key "=" value. A non-empty key already present (as stored,
  // ignoring letter case) throws EDuplicateKey and adds nothing.
  void Append(std::string_view key, std::string_view value);
  // Appends a row as it stands, under the same rule.
  void AppendRow(std::string_view row);
  // Replaces the row of a non-empty key already present (ignoring letter
  // case; the key is then written as given) in its place, or appends it.
  void Assign(std::string_view key, std::string_view value);

  // Value of the first row whose trimmed key equals name ignoring letter
  // case; "" when no row matches.
  std::string_view Lookup(std::string_view name) const;
  // The key of a row with blanks and control characters trimmed.
  std::string_view TrimmedKey(std::size_t row) const;

  // Every byte that some trimmed key holds.
  const std::bitset<256>& KeyBytes() const { return FKeyBytes; }

  // Calls found(row) once for every row whose trimmed, non-empty key occurs
  // in text (case-sensitive), without visiting the rows whose keys do not:
  // the text is probed once per distinct key length, in time linear in it
  // whatever the keys' lengths. With endsAt, only occurrences at the end of
  // the text or before a place (text, at) that endsAt accepts count.
  void ForEachKeyIn(std::string_view text, const std::function<void(std::size_t)>& found,
                    bool (*endsAt)(std::string_view text, std::size_t at) = nullptr) const;

 private:
  // A row under the hash of its folded trimmed key. One flat array serves
  // the unique-key rule, Lookup and ForEachKeyIn: a row costs a few bytes
  // instead of a node in three hash tables, and a probe reads one cache line.
  struct TSlot {
    std::uint32_t Tag = 0;  // the high half of the mixed hash
    std::uint32_t Row = kNoRow;
  };
  static constexpr std::uint32_t kNoRow = 0xFFFFFFFF;

  // The keys of one length.
  struct TKeysOfLength {
    std::size_t Length = 0;
    std::uint64_t Power = 1;  // the hash's base to the power Length
    // 16 bits of each key's hash: most text positions are ruled out
    // without a lookup.
    std::bitset<65536> Seen;
  };

  // Calls each(row) for the rows filed under hash (mixed) until it returns true.
  template <typename TEach>
  void ForEachCandidate(std::uint64_t mixed, TEach&& each) const;
  void File(std::uint64_t mixed, std::uint32_t row);
  // Makes the text from begin on the last row, or takes it back and throws.
  void Commit(std::size_t begin);
  void CommitOrThrow(std::size_t begin);

  // The rows one after the other: a row costs its bytes and the number
  // where it ends, not a string of its own, in a table of 600,000 results.
  std::string FText;
  std::vector<std::size_t> FEnds;
  std::vector<TSlot> FSlots;  // a power of two, at most three quarters used
  std::size_t FFiled = 0;
  std::vector<TKeysOfLength> FKeysByLength;  // trimmed keys, by ascending length
  std::bitset<256> FFirstBytes;  // bytes a key can start with: most text positions start none
  std::bitset<256> FKeyBytes;    // bytes keys hold anywhere
  // The probe that last reported each row: a row is reported once per probe
  // without a set to allocate (the table is used by one thread at a time).
  mutable std::vector<std::uint32_t> FReportedIn;
  mutable std::uint32_t FProbe = 0;
  mutable std::vector<std::uint64_t> FPrefixHashes;  // of the text probed, reused
};

}  // namespace tessary
