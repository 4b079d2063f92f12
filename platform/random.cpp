// SPDX-License-Identifier: MIT
#include "random.h"

#include <chrono>

namespace tessary::rng {

namespace {
// The one process-wide seed; only the user-interface thread touches it.
std::uint32_t gSeed = 0;
}  // namespace

void Randomize() {
  // steady_clock is the monotonic high-resolution counter; its low 32 bits
  // change fastest, which is all a seed needs.
  const auto ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count();
  gSeed = static_cast<std::uint32_t>(static_cast<std::uint64_t>(ticks));
}

std::uint32_t Seed() { return gSeed; }

void SetSeed(std::uint32_t seed) { gSeed = seed; }

std::uint32_t Next() {
  gSeed = gSeed * 134775813u + 1u;  // wraps modulo 2^32
  return gSeed;
}

std::int32_t Random(std::int32_t range) {
  const std::uint64_t product =
      static_cast<std::uint64_t>(static_cast<std::uint32_t>(range)) * Next();
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(product >> 32));
}

long double RandomFraction() { return static_cast<long double>(Next()) / 4294967296.0L; }

}  // namespace tessary::rng
