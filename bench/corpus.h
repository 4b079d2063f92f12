// SPDX-License-Identifier: MIT
#pragma once

// Benchmark corpora of typical calculator formulas, generated from a fixed
// seed so every run and every machine measures the same texts.
//
// Each formula means the same to our engine and to muParser: lower-case
// names both know with the same meaning (sin cos tan exp ln sqrt abs min max
// sum avg; never "log", which muParser reads as ln), "^" only as base^2 or
// base^3 with a literal or bracketed base and never after a unary sign (the
// two engines bind a sign and "^" differently), and no blank after a unary
// sign. The generator follows each value as it writes, so no intermediate
// result comes near our range guards, a division by zero, a domain error or
// a cancellation that would let the two precisions disagree.

#include <string>
#include <vector>

namespace tessary::bench {

struct TCorpus {
  std::string Name;
  std::vector<std::string> Formulas;
  std::size_t TotalChars = 0;
};

// About 20 characters each.
TCorpus MakeShortCorpus(std::size_t count);
// Lengths spread evenly over 10..200 characters.
TCorpus MakeMixedCorpus(std::size_t count);
// About 5,000 characters each: long sums of bracketed terms.
TCorpus MakeLongCorpus(std::size_t count);

}  // namespace tessary::bench
