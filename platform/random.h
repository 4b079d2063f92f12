// SPDX-License-Identifier: MIT
#pragma once

// The process-wide random generator: one 32-bit seed advanced as
// seed * 134775813 + 1 (mod 2^32). RAND, RND and the font effect renderer
// draw from it; it is touched only on the thread that owns the user interface.

#include <cstdint>

namespace tessary::rng {

// Seeds from the low 32 bits of the high-resolution clock.
void Randomize();
std::uint32_t Seed();
void SetSeed(std::uint32_t seed);
// Advances the seed and returns the new one.
std::uint32_t Next();
// Draws: the upper 32 bits of range (as unsigned 32-bit) times the new seed,
// read as a signed 32-bit number; in [0, range) for range > 0.
std::int32_t Random(std::int32_t range);
// Draws a fraction in [0, 1): the new seed / 2^32.
long double RandomFraction();

}  // namespace tessary::rng
