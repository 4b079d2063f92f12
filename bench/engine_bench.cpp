// SPDX-License-Identifier: MIT
// Single-shot speed of the formula engine against muParser.
//
// A calculator evaluates a formula straight from its text, once, as the user
// types it, so both engines are timed the same way: one text in, one value
// out, nothing kept between formulas (ours: SetExpression + Evaluate;
// muParser: SetExpr + one Eval, which includes its bytecode compilation).
// Before timing, every formula is evaluated by both and the values compared,
// so the two are measured on work that means the same.
//
//   engine_bench           about 0.5 s per engine and corpus
//   engine_bench --quick   a few milliseconds each (smoke test)
//
// Exit status: 0 on success, 1 when the engines disagree on a value, 2 when
// either engine rejects a corpus formula (the corpus or the engine is wrong).

#include <muParser.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "corpus.h"
#include "formulaparser.h"

namespace {

using tessary::TFormulaParser;
using tessary::bench::TCorpus;
using Clock = std::chrono::steady_clock;

// Every result lands here so the optimiser cannot drop an evaluation.
volatile long double gSink = 0;

constexpr double kGoalRatio = 10.0;

struct TRate {
  double FormulasPerSecond = 0;
  double MegabytesPerSecond = 0;
};

struct TCheck {
  std::size_t OurErrors = 0;
  std::size_t TheirErrors = 0;
  std::size_t Disagreements = 0;
};

bool Agree(long double ours, double theirs) {
  long double a = std::fabs(ours), b = std::fabs(static_cast<long double>(theirs));
  return std::fabs(ours - theirs) <= 1e-9L * std::max(a, b) + 1e-12L;
}

std::string Excerpt(const std::string& text) {
  return text.size() <= 70 ? text : text.substr(0, 67) + "...";
}

TCheck CheckCorpus(const TCorpus& corpus, TFormulaParser& ours, mu::Parser& theirs) {
  TCheck check;
  for (const std::string& f : corpus.Formulas) {
    ours.SetExpression(f);
    long double v = ours.Evaluate();
    if (ours.ErrorCode() != 0) {
      if (check.OurErrors++ < 5)
        std::printf("  ours: error %d at %zu in %s\n", ours.ErrorCode(), ours.ErrorPosition(),
                    Excerpt(f).c_str());
      continue;
    }
    double w = 0;
    try {
      theirs.SetExpr(f);
      w = theirs.Eval();
    } catch (const mu::Parser::exception_type& e) {
      if (check.TheirErrors++ < 5)
        std::printf("  muParser: %s in %s\n", e.GetMsg().c_str(), Excerpt(f).c_str());
      continue;
    }
    if (!Agree(v, w) && check.Disagreements++ < 5)
      std::printf("  disagree: ours %.17Lg, muParser %.17g: %s\n", v, w, Excerpt(f).c_str());
  }
  return check;
}

// Passes over the corpus until at least `seconds` have gone by.
TRate Measure(const TCorpus& corpus, double seconds,
              const std::function<void(const std::string&)>& one) {
  std::size_t formulas = 0, bytes = 0;
  const auto start = Clock::now();
  double elapsed = 0;
  do {
    for (const std::string& f : corpus.Formulas) one(f);
    formulas += corpus.Formulas.size();
    bytes += corpus.TotalChars;
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  } while (elapsed < seconds);
  return {formulas / elapsed, bytes / elapsed / 1e6};
}

}  // namespace

int main(int argc, char** argv) {
  bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
  if (argc > 1 && !quick) {
    std::fprintf(stderr, "usage: %s [--quick]\n", argv[0]);
    return 2;
  }
  const double seconds = quick ? 0.02 : 0.5;

  const std::vector<TCorpus> corpora{tessary::bench::MakeShortCorpus(2000),
                                     tessary::bench::MakeMixedCorpus(1000),
                                     tessary::bench::MakeLongCorpus(40)};
  TFormulaParser ours;
  mu::Parser theirs;

  TCheck total;
  for (const TCorpus& c : corpora) {
    TCheck check = CheckCorpus(c, ours, theirs);
    std::printf(
        "check %-6s %5zu formulas: %zu our errors, %zu muParser errors, %zu disagreements\n",
        c.Name.c_str(), c.Formulas.size(), check.OurErrors, check.TheirErrors, check.Disagreements);
    total.OurErrors += check.OurErrors;
    total.TheirErrors += check.TheirErrors;
    total.Disagreements += check.Disagreements;
  }
  if (total.OurErrors != 0 || total.TheirErrors != 0) {
    std::printf("aborted: a corpus formula was rejected\n");
    return 2;
  }

  std::printf("\n%-7s %8s %9s %14s %10s %14s %10s %8s\n", "corpus", "formulas", "avg chars",
              "ours f/s", "ours MB/s", "muParser f/s", "muP MB/s", "ratio");
  bool goalMet = true;
  for (const TCorpus& c : corpora) {
    TRate our = Measure(c, seconds, [&](const std::string& f) {
      ours.SetExpression(f);
      gSink = gSink + ours.Evaluate();
    });
    TRate their = Measure(c, seconds, [&](const std::string& f) {
      theirs.SetExpr(f);
      gSink = gSink + theirs.Eval();
    });
    double ratio = our.FormulasPerSecond / their.FormulasPerSecond;
    goalMet = goalMet && ratio >= kGoalRatio;
    std::printf("%-7s %8zu %9.1f %14.0f %10.2f %14.0f %10.2f %7.1fx\n", c.Name.c_str(),
                c.Formulas.size(), static_cast<double>(c.TotalChars) / c.Formulas.size(),
                our.FormulasPerSecond, our.MegabytesPerSecond, their.FormulasPerSecond,
                their.MegabytesPerSecond, ratio);
  }
  std::printf("\ngoal (ours >= %.0fx muParser on every corpus): %s%s\n", kGoalRatio,
              goalMet ? "met" : "MISSED", quick ? " (quick run: figures are rough)" : "");
  return total.Disagreements == 0 ? 0 : 1;
}
