// SPDX-License-Identifier: MIT
// Speed of Calculate over whole worksheets, and how it grows with their size.
//
// Worksheets of 100, 1,000 and 10,000 statements, each statement using
// earlier results and variables of a 1,000-row table, go through Calculate
// on a fresh copy per run. The substitution must not scan every row of both
// tables for every statement, which would make a run quadratic in its size;
// the goal is that ten times the statements cost at most twelve times the
// time from 1,000 to 10,000. For scale, the engine alone is then timed on the
// very expressions the pipeline handed it (already in code page 936, so the
// ratio shows what the text work around the engine costs).
//
// Then multi-byte text, where counting characters once per occurrence used
// to make substitution quadratic: Chinese keys and values in statements of
// 25,000 to 100,000 characters (the most carried on after a name), the
// refused statement of 2,000 to 40,000 names "甲" before 110,000 "中", and a
// 177-byte fuzz finding whose values multiply the text (goal: under 10 ms).
// Time must grow at most linearly with the text (goal: at most 1.2 times the
// growth of its characters).
//
// Times are the calculating thread's CPU time, the fastest of several runs:
// the machine is shared, and time spent waiting for a core is not ours.
//
//   worksheet_bench           at least 0.3 s and 3 runs per size and side
//   worksheet_bench --quick   one run each (smoke test)
//
// Exit status: 0 on success (a missed goal is printed, not failed), 2 when a
// statement of a generated worksheet fails: the generator or the pipeline is
// wrong, and the figures would mean nothing.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "calculation.h"
#include "cp936.h"
#include "formulaparser.h"
#include "worksheetcorpus.h"
#include "worksheetinput.h"

namespace {

using tessary::TCalcReport;
using tessary::TFormulaParser;
using tessary::TWorksheet;
using tessary::bench::TWorksheetCorpus;
// The calculating thread's CPU time, in seconds.
struct Clock {
  using time_point = double;
  static double now() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  }
};

constexpr std::size_t kVariableRows = 1000;
constexpr std::size_t kSizes[] = {100, 1000, 10000};
constexpr double kGoalGrowth = 12.0;

// Every engine result lands here so the optimiser cannot drop an evaluation.
volatile long double gSink = 0;

class TCountingMessages : public tessary::ICalcMessages {
 public:
  void ShowMessage(const std::string& text) override { Remember(text); }
  void ShowError(const std::string& text) override { Remember(text); }
  std::size_t Count() const { return FCount; }
  const std::string& First() const { return FFirst; }

 private:
  void Remember(const std::string& text) {
    if (FCount++ == 0) FFirst = text;
  }
  std::size_t FCount = 0;
  std::string FFirst;
};

struct TSize {
  std::size_t Statements = 0;
  TWorksheet Template;
  std::vector<std::string> Expressions;  // code page 936, as the engine got them
  std::size_t ExpressionChars = 0;
  double PipelineSeconds = 0;
  double EngineSeconds = 0;
};

// The fastest of repeated runs, the one least disturbed by the rest of the
// machine; at least minRuns runs and minSeconds in all.
double Fastest(int minRuns, double minSeconds, const std::function<double()>& run) {
  double best = 0, total = 0;
  for (int runs = 0; runs < minRuns || total < minSeconds; ++runs) {
    const double t = run();
    best = runs == 0 ? t : std::min(best, t);
    total += t;
  }
  return best;
}

double Seconds(Clock::time_point start) { return Clock::now() - start; }

// Runs the worksheet once and keeps what the engine was handed. False when
// any statement failed: then nothing is timed.
bool Prepare(TSize& size, TFormulaParser& engine) {
  TWorksheet ws = size.Template;
  TCountingMessages messages;
  const TCalcReport report = tessary::Calculate(ws, engine, messages);
  bool ok = report.Failure.empty() && messages.Count() == 0 &&
            report.Statements.size() == size.Statements &&
            ws.EvaluatedLog.size() == size.Statements;
  if (!ok)
    std::printf("  %zu statements: %zu evaluated, %zu messages, first: %s\n", size.Statements,
                report.Statements.size(), messages.Count(), messages.First().c_str());
  for (const auto& s : report.Statements) {
    if (s.ErrorCode == 0) continue;
    std::printf("  %s error %d (%s) at %zu in %s\n", s.Name.c_str(), s.ErrorCode,
                s.ErrorMessage.c_str(), s.ErrorPosition, s.Expression.c_str());
    return false;
  }
  for (std::size_t i = 0; ok && i < ws.EvaluatedLog.size(); ++i) {
    const std::string& line = ws.EvaluatedLog[i];
    const std::string bytes = tessary::platform::Utf8ToCp936(line.substr(line.find('=') + 1));
    // The engine alone must give exactly what the pipeline listed.
    engine.SetExpression(bytes);
    if (engine.Evaluate() != report.Statements[i].Value) {
      std::printf("  engine alone disagrees on %s\n", line.c_str());
      return false;
    }
    size.ExpressionChars += bytes.size();
    size.Expressions.push_back(bytes);
  }
  return ok;
}

void Measure(TSize& size, TFormulaParser& engine, int minRuns, double minSeconds) {
  size.PipelineSeconds = Fastest(minRuns, minSeconds, [&] {
    TWorksheet ws = size.Template;  // the copy is not timed
    TCountingMessages messages;
    const auto start = Clock::now();
    tessary::Calculate(ws, engine, messages);
    return Seconds(start);
  });
  size.EngineSeconds = Fastest(minRuns, minSeconds, [&] {
    const auto start = Clock::now();
    for (const std::string& e : size.Expressions) {
      engine.SetExpression(e);
      gSink = gSink + engine.Evaluate();
    }
    return Seconds(start);
  });
}

// ---------------------------------------------------------------- multi-byte

constexpr double kGoalLinear = 1.2;
constexpr double kGoalFindingMs = 10;

// A worksheet found by fuzzing Calculate (formula lines, a NUL, variable
// rows, as the harness reads them) that took seconds.
const std::string kFuzzFinding(
    "\x41\xA0\xA0\xA0\xA0\x2D\x41\x0A\x0A\xFF\x3D\x2D\x32\x0A\x42\x3D\x37\x3D\x2A\x14\x14\x14\xFF"
    "\xFF\xFF\x27\xFF\xFF\xFF\xFF\x14\x14\x14\xFF\xFF\xFF\xFF\xFF\x14\xFF\xFF\xFF\xFF\xFF\x27\xFF"
    "\xFF\xFF\xFF\xFF\x14\x14\xFF\xFF\x14\xFF\xFF\x27\xFF\xFF\xFF\xFF\xFF\x61"
    "\x00\xFF\x3D\x3B\x34\x84\x84\xFF\xFF\x61\x00\xFF\x3D\x3B\x34\x84\x84\xFF\xFF\x84\x84\xFF\xFF"
    "\xFF\xFF\xFF\x3D\x42\x00\x00\x00\x32\x3D\x41\x2A\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF"
    "\xFF\xFF\xFF\x3D\x42\x00\x00\x00\x32\x3D\x41\x2A\xFF\xFF\xFF\xFF\xFF\xFF"
    "\xFF\xFF\xFF\xFF\xEF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xA0\xA0\xC7\xA0\xA0\xA0\xA0\xA0"
    "\xA0\xA0\xA0\xA0\xA0\xA0\xA0\xA0\xA0\x5B\xA0\xE2\xA0\xA0\xA0\xA0\x2D\x41\x0A\x0A\xFF\x0E\x3D"
    "\x2D\x0A\x0A",
    177);

std::string Repeat(std::string_view piece, std::size_t n) {
  std::string s;
  s.reserve(piece.size() * n);
  for (std::size_t i = 0; i < n; ++i) s += piece;
  return s;
}

// The variable 甲=1 and one nameless statement: n times "甲+", then 110,000
// times "中". Too long to carry on after the first 甲: refused.
TWorksheet ChineseCarryOn(std::size_t n) {
  TWorksheet ws;
  ws.Formula = {Repeat("甲+", n) + Repeat("中", 110000)};
  ws.Variables.AppendRow("甲=1");
  return ws;
}

// Chinese keys whose values are Chinese names of later rows, and one
// statement "甲+乙+甲+..." of the given number of characters: every row
// rewrites the whole text.
TWorksheet ChineseNearTheLimit(std::size_t chars) {
  TWorksheet ws;
  std::string text = "甲";
  for (std::size_t i = 1; 2 * i + 1 <= chars; ++i) text += i % 2 ? "+乙" : "+甲";
  ws.Formula = {text};
  for (const char* row : {"甲=丙", "乙=丁", "丙=1", "丁=2"}) ws.Variables.AppendRow(row);
  return ws;
}

struct TTextCase {
  std::string What;
  TWorksheet Template;
  std::size_t Characters = 0;  // of its formula text
  int WantError = 0;           // of its one statement
  double Seconds = 0;
};

// Runs the case once and checks its statement's outcome.
bool CheckTextCase(const TTextCase& c, TFormulaParser& engine) {
  TWorksheet ws = c.Template;
  TCountingMessages messages;
  const TCalcReport report = tessary::Calculate(ws, engine, messages);
  if (report.Statements.size() != 1 || report.Statements[0].ErrorCode != c.WantError) {
    std::printf("  %s: %zu statements, first error %d (want %d)\n", c.What.c_str(),
                report.Statements.size(),
                report.Statements.empty() ? -1 : report.Statements[0].ErrorCode, c.WantError);
    return false;
  }
  return true;
}

double TimeCalculate(const TWorksheet& worksheet, TFormulaParser& engine, int minRuns,
                     double minSeconds) {
  return Fastest(minRuns, minSeconds, [&] {
    TWorksheet ws = worksheet;  // the copy is not timed
    TCountingMessages messages;
    const auto start = Clock::now();
    tessary::Calculate(ws, engine, messages);
    return Seconds(start);
  });
}

// Time against characters from the first case of a group to its last.
void PrintGrowth(const std::vector<TTextCase>& group, bool quick) {
  const TTextCase& a = group.front();
  const TTextCase& b = group.back();
  const double chars = static_cast<double>(b.Characters) / static_cast<double>(a.Characters);
  const double time = b.Seconds / a.Seconds;
  std::printf("growth %s -> %s: %.2fx the characters, %.2fx the time, goal <= %.1fx theirs: %s%s\n",
              a.What.c_str(), b.What.c_str(), chars, time, kGoalLinear,
              time <= kGoalLinear * chars ? "PASS" : "FAIL",
              quick ? " (quick run: figures are rough)" : "");
}

// False when a case's statement did not end as it must.
bool MultiByte(TFormulaParser& engine, int minRuns, double minSeconds, bool quick) {
  std::vector<TTextCase> near, refused;
  for (std::size_t chars : {25001, 50001, 100001})
    near.push_back({std::to_string(chars) + " chars", ChineseNearTheLimit(chars), chars, 0});
  for (std::size_t n : {2000, 4000, 8000, 16000, 32000, 40000})
    refused.push_back({"N=" + std::to_string(n), ChineseCarryOn(n), 2 * n + 110000, 41});
  for (const auto* group : {&near, &refused})
    for (const TTextCase& c : *group)
      if (!CheckTextCase(c, engine)) return false;
  std::printf("\nmulti-byte text: every statement ended as it must\n");

  std::printf(
      "\nnear the limit: \"甲+乙+甲+...\", 甲=丙, 乙=丁, 丙=1, 丁=2 (every row rewrites it)\n");
  std::printf("refused: 甲=1, N times \"甲+\", then 110,000 \"中\" (too long to carry on)\n");
  std::printf("\n%-30s %12s %10s %10s\n", "case", "characters", "ms", "ns/char");
  for (auto* group : {&near, &refused}) {
    for (TTextCase& c : *group) {
      c.Seconds = TimeCalculate(c.Template, engine, minRuns, minSeconds);
      const std::string what = (group == &near ? "near the limit, " : "refused, ") + c.What;
      std::printf("%-30s %12zu %10.3f %10.2f\n", what.c_str(), c.Characters, c.Seconds * 1e3,
                  c.Seconds * 1e9 / static_cast<double>(c.Characters));
    }
  }
  std::printf("\n");
  PrintGrowth(near, quick);
  PrintGrowth(refused, quick);

  const double finding =
      TimeCalculate(tessary::fuzz::WorksheetFromInput(kFuzzFinding), engine, minRuns, minSeconds);
  std::printf("the 177-byte fuzz finding: %.3f ms, goal < %.0f ms: %s\n", finding * 1e3,
              kGoalFindingMs, finding * 1e3 < kGoalFindingMs ? "PASS" : "FAIL");
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
  if (argc > 1 && !quick) {
    std::fprintf(stderr, "usage: %s [--quick]\n", argv[0]);
    return 2;
  }
  const int minRuns = quick ? 1 : 3;
  const double minSeconds = quick ? 0 : 0.3;

  const TWorksheetCorpus corpus(kVariableRows);
  TFormulaParser engine;
  std::vector<TSize> sizes;
  for (std::size_t n : kSizes) {
    TSize& size = sizes.emplace_back();
    size.Statements = n;
    size.Template = corpus.Worksheet(n);
    if (!Prepare(size, engine)) {
      std::printf("aborted: a statement of the %zu-statement worksheet failed\n", n);
      return 2;
    }
  }
  std::printf("checked: every statement of every worksheet evaluated without an error\n");

  std::printf("\n%10s %9s %12s %14s %12s %14s %9s\n", "statements", "avg chars", "pipeline ms",
              "pipeline st/s", "engine ms", "engine st/s", "pipe/eng");
  for (TSize& size : sizes) {
    Measure(size, engine, minRuns, minSeconds);
    const double n = static_cast<double>(size.Statements);
    std::printf("%10zu %9.1f %12.3f %14.0f %12.3f %14.0f %8.1fx\n", size.Statements,
                static_cast<double>(size.ExpressionChars) / n, size.PipelineSeconds * 1e3,
                n / size.PipelineSeconds, size.EngineSeconds * 1e3, n / size.EngineSeconds,
                size.PipelineSeconds / size.EngineSeconds);
  }

  std::printf("\n");
  for (std::size_t i = 1; i < sizes.size(); ++i) {
    const double growth = sizes[i].PipelineSeconds / sizes[i - 1].PipelineSeconds;
    const double factor =
        static_cast<double>(sizes[i].Statements) / static_cast<double>(sizes[i - 1].Statements);
    std::printf("growth %zu -> %zu statements (%.0fx): %.2fx the time", sizes[i - 1].Statements,
                sizes[i].Statements, factor, growth);
    if (i + 1 == sizes.size())  // the goal is set for the last step
      std::printf(", goal <= %.0fx: %s%s", kGoalGrowth, growth <= kGoalGrowth ? "PASS" : "FAIL",
                  quick ? " (quick run: figures are rough)" : "");
    std::printf("\n");
  }
  if (!MultiByte(engine, minRuns, minSeconds, quick)) {
    std::printf("aborted: a multi-byte statement did not end as it must\n");
    return 2;
  }
  return 0;
}
