// SPDX-License-Identifier: MIT
// Writes the benchmark corpora to files, one formula a line, for the
// end-to-end benchmark (bench/e2e_bench.sh), which feeds the same files to
// whole processes.
//
//   corpus_files DIR [SHORT MIXED LONG]
//
// writes DIR/short.txt, DIR/mixed.txt and DIR/long.txt with the given
// numbers of lines (default 200000 50000 400). Each file cycles through at
// most 20,000 short, 5,000 mixed or 400 long distinct formulas: generating
// more would take longer than the benchmark, and neither engine keeps
// anything from one formula to the next.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "corpus.h"

namespace {

bool Write(const std::string& path, const tessary::bench::TCorpus& corpus, std::size_t lines) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  for (std::size_t i = 0; i < lines; ++i) {
    const std::string& formula = corpus.Formulas[i % corpus.Formulas.size()];
    std::fwrite(formula.data(), 1, formula.size(), f);
    std::fputc('\n', f);
  }
  bool ok = !std::ferror(f);
  return std::fclose(f) == 0 && ok;
}

bool Count(const char* text, std::size_t& count) {
  char* end = nullptr;
  unsigned long long n = std::strtoull(text, &end, 10);
  if (end == text || *end != '\0' || n == 0) return false;
  count = n;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t counts[3] = {200000, 50000, 400};
  bool ok = argc == 2 || argc == 5;
  for (int i = 2; ok && i < argc; ++i) ok = Count(argv[i], counts[i - 2]);
  if (!ok) {
    std::fprintf(stderr, "usage: %s DIR [SHORT MIXED LONG]\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  using namespace tessary::bench;
  const TCorpus corpora[] = {MakeShortCorpus(std::min<std::size_t>(counts[0], 20000)),
                             MakeMixedCorpus(std::min<std::size_t>(counts[1], 5000)),
                             MakeLongCorpus(std::min<std::size_t>(counts[2], 400))};
  for (int i = 0; i < 3; ++i) {
    const std::string path = dir + "/" + corpora[i].Name + ".txt";
    if (!Write(path, corpora[i], counts[i])) {
      std::perror(path.c_str());
      return 1;
    }
  }
  return 0;
}
