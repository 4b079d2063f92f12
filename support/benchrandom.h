// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace tessary::bench {

// splitmix64: its sequence is fixed by its definition, unlike the standard
// library's distributions, so the generated corpora are the same with any
// library.
class TRandom {
 public:
  explicit TRandom(std::uint64_t seed) : FState(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (FState += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
  int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }
  bool Chance(int percent) { return Below(100) < percent; }

 private:
  std::uint64_t FState;
};

}  // namespace tessary::bench
