// SPDX-License-Identifier: MIT
// Proves the number text byte-identical to the printf-based conversion it
// replaced: on the value of every formula of the benchmark corpora (as many
// as bench/corpus_files writes), and on generated 80-bit values of every
// kind (see numbertextsweep.h).
//
//   numbertext_check [COUNT [SEED]]    default 10,000,000 values, seed 1
//
// Exit status: 0 all equal, 1 a mismatch, 2 a corpus formula failed.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "corpus.h"
#include "formulaparser.h"
#include "numbertextsweep.h"

namespace {

using namespace tessary::bench;

void Report(const std::string& bits, const std::string& ours, const std::string& theirs) {
  std::printf("  MISMATCH %s: ours %s, printf %s\n", bits.c_str(), ours.c_str(), theirs.c_str());
}

// Returns the number of mismatches, or -1 when a formula failed.
long CheckCorpus(const TCorpus& corpus) {
  tessary::TFormulaParser parser;
  long mismatches = 0;
  for (const std::string& formula : corpus.Formulas) {
    parser.SetExpression(formula);
    const long double value = parser.Evaluate();
    if (parser.ErrorCode() != 0) {
      std::printf("  error %d in %s\n", parser.ErrorCode(), formula.c_str());
      return -1;
    }
    if (!SameNumberText(value, Report)) ++mismatches;
  }
  std::printf("corpus %-6s %8zu values, %ld mismatches\n", corpus.Name.c_str(),
              corpus.Formulas.size(), mismatches);
  return mismatches;
}

bool Number(const char* text, std::uint64_t& n) {
  char* end = nullptr;
  n = std::strtoull(text, &end, 10);
  return end != text && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t count = 10000000, seed = 1;
  if (argc > 3 || (argc > 1 && !Number(argv[1], count)) || (argc > 2 && !Number(argv[2], seed))) {
    std::fprintf(stderr, "usage: %s [COUNT [SEED]]\n", argv[0]);
    return 2;
  }
  long corpusMismatches = 0;
  for (const TCorpus& c : {MakeShortCorpus(20000), MakeMixedCorpus(5000), MakeLongCorpus(400)}) {
    const long m = CheckCorpus(c);
    if (m < 0) return 2;
    corpusMismatches += m;
  }
  std::fflush(stdout);

  const auto start = std::chrono::steady_clock::now();
  const auto kinds = SweepNumberText(count, seed, Report);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::uint64_t total = 0, mismatches = 0;
  for (const TSweepKind& k : kinds) {
    std::printf("random %-13s %10llu values, %llu mismatches\n", k.Name.c_str(),
                static_cast<unsigned long long>(k.Values),
                static_cast<unsigned long long>(k.Mismatches));
    total += k.Values;
    mismatches += k.Mismatches;
  }
  std::printf("random %llu values (seed %llu) in %.1f s: %llu mismatches\n",
              static_cast<unsigned long long>(total), static_cast<unsigned long long>(seed),
              seconds, static_cast<unsigned long long>(mismatches));
  return corpusMismatches == 0 && mismatches == 0 ? 0 : 1;
}
