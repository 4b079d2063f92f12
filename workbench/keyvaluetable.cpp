// SPDX-License-Identifier: MIT
#include "keyvaluetable.h"

#include <algorithm>
#include <bit>

#include "textutil.h"

namespace tessary {

namespace {

// Rolling hash of a key's bytes, ASCII letters folded to lower case: each
// byte + 1 as a digit of this base, modulo 2^64. Folded, one hash serves
// the lookups that ignore letter case and, checked byte by byte, the
// search that does not.
constexpr std::uint64_t kHashBase = 0x100000001B3ULL;

std::uint64_t Digit(char c) { return static_cast<unsigned char>(AsciiLower(c)) + 1; }

std::uint64_t HashOf(std::string_view s) {
  std::uint64_t h = 0;
  for (char c : s) h = h * kHashBase + Digit(c);
  return h;
}

// The hash with every bit depending on every other (MurmurHash3's
// finaliser): keys such as A1 ... A600000 differ in a few digits, and a
// plain multiplication left them in long runs of neighbouring slots. The
// high half is a slot's tag, its top bits the slot's place and the filter's
// bit.
std::uint64_t Mixed(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDULL;
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ULL;
  return h ^ (h >> 33);
}
std::uint32_t TagOf(std::uint64_t mixed) { return static_cast<std::uint32_t>(mixed >> 32); }
std::size_t FilterSlot(std::uint64_t mixed) { return mixed >> 48; }

constexpr std::size_t kFirstSlots = 16;

// Room for one more element, growing as push_back would: afterwards
// push_back cannot fail.
template <typename T>
void MakeRoom(std::vector<T>& v) {
  if (v.size() == v.capacity()) v.reserve(std::max<std::size_t>(16, 2 * v.size()));
}

}  // namespace

EDuplicateKey::EDuplicateKey(std::string_view key)
    : std::runtime_error("名称“" + std::string(key) + "”已存在"), FKey(key) {}

std::string_view TKeyValueTable::KeyOf(std::string_view row) {
  const auto eq = row.find('=');
  return eq == std::string_view::npos ? std::string_view() : row.substr(0, eq);
}

std::string_view TKeyValueTable::ValueOf(std::string_view row) {
  const auto eq = row.find('=');
  return eq == std::string_view::npos ? row : row.substr(eq + 1);
}

void TKeyValueTable::Clear() {
  FText.clear();
  FEnds.clear();
  FSlots.clear();
  FFiled = 0;
  FKeysByLength.clear();
  FReportedIn.clear();
  FFirstBytes.reset();
  FKeyBytes.reset();
}

template <typename TEach>
void TKeyValueTable::ForEachCandidate(std::uint64_t mixed, TEach&& each) const {
  if (FSlots.empty()) return;
  const std::size_t mask = FSlots.size() - 1;
  const std::uint32_t tag = TagOf(mixed);
  // The slot's place is the tag's top bits, so growing needs no row's hash.
  const int shift = 32 - std::countr_zero(FSlots.size());
  for (std::size_t at = tag >> shift;; at = (at + 1) & mask) {
    const TSlot& slot = FSlots[at];
    if (slot.Row == kNoRow) return;
    if (slot.Tag == tag && each(slot.Row)) return;
  }
}

void TKeyValueTable::File(std::uint64_t mixed, std::uint32_t row) {
  if (4 * (FFiled + 1) > 3 * FSlots.size()) {
    std::vector<TSlot> old(std::max(kFirstSlots, 2 * FSlots.size()));
    old.swap(FSlots);
    FFiled = 0;
    for (const TSlot& slot : old)
      if (slot.Row != kNoRow) File(static_cast<std::uint64_t>(slot.Tag) << 32, slot.Row);
  }
  const std::size_t mask = FSlots.size() - 1;
  const std::uint32_t tag = TagOf(mixed);
  const int shift = 32 - std::countr_zero(FSlots.size());
  std::size_t at = tag >> shift;
  while (FSlots[at].Row != kNoRow) at = (at + 1) & mask;
  FSlots[at] = {tag, row};
  ++FFiled;
}

void TKeyValueTable::Append(std::string_view key, std::string_view value) {
  const std::size_t begin = FText.size();
  FText += key;
  FText += '=';
  FText += value;
  Commit(begin);
}

void TKeyValueTable::Assign(std::string_view key, std::string_view value) {
  std::uint32_t found = kNoRow;
  if (!key.empty()) {
    ForEachCandidate(Mixed(HashOf(Trim(key))), [&](std::uint32_t other) {
      if (!EqualIgnoringAsciiCase(KeyOf(Row(other)), key)) return false;
      found = other;
      return true;
    });
  }
  if (found == kNoRow) {
    Append(key, value);
    return;
  }
  // The same key up to letter case: same hash, same length, same filing;
  // only the text and the ends after it move.
  const std::size_t begin = found == 0 ? 0 : FEnds[found - 1];
  const std::size_t oldSize = FEnds[found] - begin;
  std::string row(key);
  row += '=';
  row += value;
  FText.replace(begin, oldSize, row);
  for (std::size_t i = found; i < FEnds.size(); ++i) FEnds[i] = FEnds[i] - oldSize + row.size();
  const std::string_view name = Trim(key);
  if (name.empty()) return;
  FFirstBytes.set(static_cast<unsigned char>(name.front()));
  for (char c : name) FKeyBytes.set(static_cast<unsigned char>(c));
}

void TKeyValueTable::AppendRow(std::string_view row) {
  const std::size_t begin = FText.size();
  FText += row;
  Commit(begin);
}

void TKeyValueTable::Commit(std::size_t begin) {
  try {
    CommitOrThrow(begin);
  } catch (...) {
    FText.resize(begin);  // a refused row leaves no trace
    throw;
  }
}

void TKeyValueTable::CommitOrThrow(std::size_t begin) {
  const std::string_view row = std::string_view(FText).substr(begin);
  const std::string_view key = KeyOf(row);
  const std::string_view name = Trim(key);
  const std::uint64_t mixed = Mixed(HashOf(name));
  // Keys equal ignoring letter case have equal trimmed keys, so they are
  // filed under one hash.
  if (!key.empty()) {
    ForEachCandidate(mixed, [&](std::uint32_t other) {
      if (EqualIgnoringAsciiCase(KeyOf(Row(other)), key)) throw EDuplicateKey(key);
      return false;
    });
  }
  // Whatever may fail comes before the row counts.
  MakeRoom(FEnds);
  MakeRoom(FReportedIn);
  TKeysOfLength* keys = nullptr;
  if (!name.empty()) {
    auto at = std::lower_bound(
        FKeysByLength.begin(), FKeysByLength.end(), name.size(),
        [](const TKeysOfLength& k, std::size_t length) { return k.Length < length; });
    if (at == FKeysByLength.end() || at->Length != name.size()) {
      at = FKeysByLength.emplace(at);
      at->Length = name.size();
      for (std::size_t i = 0; i < name.size(); ++i) at->Power *= kHashBase;
    }
    keys = &*at;
  }
  if (!key.empty()) File(mixed, static_cast<std::uint32_t>(FEnds.size()));
  FEnds.push_back(FText.size());
  FReportedIn.push_back(0);
  if (keys == nullptr) return;  // a blank key is filed only for the unique-key rule
  keys->Seen.set(FilterSlot(mixed));
  FFirstBytes.set(static_cast<unsigned char>(name.front()));
  for (char c : name) FKeyBytes.set(static_cast<unsigned char>(c));
}

std::vector<std::string> TKeyValueTable::Rows() const {
  std::vector<std::string> rows;
  rows.reserve(Count());
  for (std::size_t i = 0; i < Count(); ++i) rows.emplace_back(Row(i));
  return rows;
}

std::string_view TKeyValueTable::Lookup(std::string_view name) const {
  if (name.empty()) return {};
  std::uint32_t first = kNoRow;
  ForEachCandidate(Mixed(HashOf(name)), [&](std::uint32_t row) {
    if (row < first && EqualIgnoringAsciiCase(TrimmedKey(row), name)) first = row;
    return false;
  });
  return first == kNoRow ? std::string_view() : ValueOf(Row(first));
}

std::string_view TKeyValueTable::TrimmedKey(std::size_t row) const { return Trim(KeyOf(Row(row))); }

void TKeyValueTable::ForEachKeyIn(std::string_view text,
                                  const std::function<void(std::size_t)>& found,
                                  bool (*endsAt)(std::string_view, std::size_t)) const {
  if (FKeysByLength.empty() || text.empty()) return;
  if (++FProbe == 0) {  // wrapped: forget every earlier probe
    std::fill(FReportedIn.begin(), FReportedIn.end(), 0);
    FProbe = 1;
  }
  // prefix[i] hashes the first i bytes, each piece's hash then takes two
  // steps; made as far as the pieces looked at reach.
  std::vector<std::uint64_t>& prefix = FPrefixHashes;
  if (prefix.size() <= text.size()) prefix.resize(text.size() + 1);
  prefix[0] = 0;
  std::size_t hashed = 0;
  // The rows reported so far: the first few are remembered here, which
  // spares the table's own marks, far apart in a big table.
  std::uint32_t recent[8];
  std::size_t recentCount = 0;
  const auto reported = [&](std::uint32_t row) {
    if (recentCount <= std::size(recent))
      return std::find(recent, recent + recentCount, row) != recent + recentCount;
    return FReportedIn[row] == FProbe;
  };
  const auto report = [&](std::uint32_t row) {
    if (recentCount < std::size(recent)) {
      recent[recentCount++] = row;
    } else {
      if (recentCount == std::size(recent))
        for (std::uint32_t r : recent) FReportedIn[r] = FProbe;
      recentCount = std::size(recent) + 1;
      FReportedIn[row] = FProbe;
    }
    found(row);
  };
  // A key lies within a run of bytes that keys hold: most pieces that end
  // where a name may end (the digits of "A12*0.4+" end at "+", too) are
  // ruled out without their hash.
  std::size_t runEnd = 0;
  const auto inKeys = [this](char c) { return FKeyBytes.test(static_cast<unsigned char>(c)); };
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (runEnd <= at) {
      for (runEnd = at; runEnd < text.size() && inKeys(text[runEnd]);) ++runEnd;
      if (runEnd == at) continue;
    }
    if (!FFirstBytes.test(static_cast<unsigned char>(text[at]))) continue;
    for (const TKeysOfLength& keys : FKeysByLength) {
      const std::size_t end = at + keys.Length;
      if (end > runEnd) break;
      if (endsAt != nullptr && end < text.size() && !endsAt(text, end)) continue;
      for (; hashed < end; ++hashed)
        prefix[hashed + 1] = prefix[hashed] * kHashBase + Digit(text[hashed]);
      const std::uint64_t mixed = Mixed(prefix[end] - prefix[at] * keys.Power);
      if (!keys.Seen.test(FilterSlot(mixed))) continue;
      const std::string_view piece = text.substr(at, keys.Length);
      // Once reported, a row is not compared again: a long key that occurs
      // everywhere costs its length once.
      ForEachCandidate(mixed, [&](std::uint32_t row) {
        if (!reported(row) && TrimmedKey(row) == piece) report(row);
        return false;
      });
    }
  }
}

}  // namespace tessary
