// SPDX-License-Identifier: MIT
// tessary-calc: evaluates formulas and worksheets without a window.

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <new>
#include <string_view>
#include <vector>

#include "calcoptions.h"
#include "calcrunner.h"
#include "terminalprompt.h"
#include "worksheetrunner.h"

using namespace tessary::cli;

namespace {

constexpr int kExitUsage = 2;
// Run's answer when the answers could not be written; main reports it.
constexpr int kExitWriteError = -1;

int Run(const TCalcOptions& options) {
  // Each mode builds the process's one engine.
  if (options.HasWorksheet) return TWorksheetRunner(std::cout, std::cerr).Run(options.Worksheet);
  if (options.Inputs.empty() && isatty(STDIN_FILENO)) return RunTerminalPrompt();
  TCalcRunner runner(STDOUT_FILENO, std::cerr);
  if (options.Inputs.empty()) runner.RunFile("-");
  for (const TCalcInput& input : options.Inputs) {
    if (input.Kind == TInputKind::Expression) {
      runner.EvaluateLine(input.Text);
    } else {
      runner.RunFile(input.Text);
    }
  }
  // A full disk or a closed pipe must not pass for success.
  if (!runner.Flush()) return kExitWriteError;
  return runner.ExitStatus();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  TCalcOptions options;
  try {
    options = ParseCalcOptions(args);
  } catch (const TUsageError& e) {
    std::cerr << "tessary-calc: " << e.what() << "\n"
              << "Try 'tessary-calc --help' for more information.\n";
    return kExitUsage;
  }

  int status = 0;
  switch (options.Action) {
    case TCalcAction::Help: std::cout << CalcUsage(); break;
    case TCalcAction::Version: std::cout << "tessary-calc " TESSARY_VERSION "\n"; break;
    case TCalcAction::Evaluate: try { status = Run(options);
      } catch (const std::bad_alloc&) {
        // A failure like any other, not an abort with a core dump.
        std::cout.flush();
        std::cerr << "tessary-calc: out of memory\n";
        return kExitUsage;
      }
      break;
  }
  // A full disk or a closed pipe must not pass for success.
  std::cout.flush();
  if (!std::cout || status == kExitWriteError) {
    std::cerr << "tessary-calc: write error\n";
    return kExitUsage;
  }
  return status;
}
