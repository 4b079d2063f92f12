// SPDX-License-Identifier: MIT
#include "random.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

namespace tessary {
namespace {

TEST(Random, SeedSequenceFromZero) {
  // seed * 134775813 + 1 modulo 2^32, known values.
  rng::SetSeed(0);
  const std::uint32_t want[] = {1u, 134775814u, 3698175007u, 870078620u, 1172187917u};
  for (std::uint32_t w : want) {
    EXPECT_EQ(rng::Next(), w);
    EXPECT_EQ(rng::Seed(), w) << "Next returns the stored seed";
  }
}

TEST(Random, SeedWrapsModulo32Bits) {
  rng::SetSeed(0xFFFFFFFFu);
  EXPECT_EQ(rng::Next(), 4160191484u);
}

struct DrawCase {
  std::uint32_t Seed;
  std::int32_t Range;
  std::int32_t Want;
  const char* Why;
};

// Upper 32 bits of (uint32)range * newSeed, read as int32.
const DrawCase kDrawCases[] = {
    {12345u, 10, 3, "small positive range"},
    {12345u, 1000, 385, "same seed, wider range"},
    {5u, 0, 0, "range 0 always gives 0"},
    {12345u, -1, 1655067933, "-1 is 0xFFFFFFFF as a factor: newSeed - 1"},
    {99u, 2147483647, 228951799, "largest range"},
    {99u, -2147483648, 228951800, "smallest range is 2^31 as a factor"},
    {0xDEADBEEFu, 6, 2, "a die"},
};

TEST(Random, DrawProductRule) {
  for (const auto& c : kDrawCases) {
    rng::SetSeed(c.Seed);
    EXPECT_EQ(rng::Random(c.Range), c.Want) << c.Why;
  }
}

TEST(Random, FractionBounds) {
  rng::SetSeed(0);  // next seed 1
  EXPECT_EQ(rng::RandomFraction(), 1.0L / 4294967296.0L);
  rng::SetSeed(1298181734u);  // next seed 0xFFFFFFFF
  const long double top = rng::RandomFraction();
  EXPECT_LT(top, 1.0L) << "the largest seed still gives less than 1";
  EXPECT_EQ(top, 4294967295.0L / 4294967296.0L);
}

TEST(Random, DrawsStayInRange) {
  rng::SetSeed(42);
  for (int i = 0; i < 10000; ++i) {
    const auto r = rng::Random(7);
    ASSERT_GE(r, 0);
    ASSERT_LT(r, 7);
    const long double f = rng::RandomFraction();
    ASSERT_GE(f, 0.0L);
    ASSERT_LT(f, 1.0L);
  }
}

TEST(Random, RandomizeFollowsTheClock) {
  rng::Randomize();
  const auto first = rng::Seed();
  const auto start = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - start < std::chrono::microseconds(10)) {
  }
  rng::Randomize();
  EXPECT_NE(rng::Seed(), first);
}

}  // namespace
}  // namespace tessary
