// SPDX-License-Identifier: MIT
#pragma once

// Compares the product's number text with the printf-based yardstick on
// generated 80-bit values of every kind: any bit pattern, normals of every
// exponent, denormals and pseudo-denormals, the range a calculator shows,
// values exactly halfway between two 15-digit texts and their neighbours,
// decimal literals, and values next to the powers of ten.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tessary::bench {

struct TSweepKind {
  std::string Name;
  std::uint64_t Values = 0;
  std::uint64_t Mismatches = 0;
};

// Called for each of the first mismatches: the value's bits, ours, printf's.
using TMismatchReport = std::function<void(const std::string& bits, const std::string& ours,
                                           const std::string& theirs)>;

// Checks `count` values drawn from `seed`; returns the tally per kind.
std::vector<TSweepKind> SweepNumberText(std::uint64_t count, std::uint64_t seed,
                                        const TMismatchReport& report);

// Checks one value; true when both texts are equal.
bool SameNumberText(long double value, const TMismatchReport& report);

}  // namespace tessary::bench
