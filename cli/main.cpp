// SPDX-License-Identifier: MIT
// tessary-calc: evaluates formulas and worksheets without a window.

#include <unistd.h>

#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "calcoptions.h"
#include "calcrunner.h"
#include "clitexts.h"
#include "fdstream.h"
#include "plotrunner.h"
#include "terminalprompt.h"
#include "worksheetrunner.h"

// Output goes straight to the file descriptors, without the C++ streams,
// whose set-up every run would pay for.

using namespace tessary::cli;
using tessary::TConvention;

namespace {

constexpr int kExitUsage = 2;
// Run's answer when the answers could not be written; main reports it.
constexpr int kExitWriteError = -1;

void Complain(std::string_view text) {
  WriteAll(STDERR_FILENO, "tessary-calc: " + std::string(text) + "\n");
}

int Run(const TCalcOptions& options, TOutBuffer& out) {
  // Each mode builds the process's one engine.
  if (options.Plot.Requested) return RunPlot(options, STDERR_FILENO);
  if (options.HasWorksheet)
    return TWorksheetRunner(out, STDERR_FILENO).Run(options.Worksheet, options.Convention);
  if (options.Inputs.empty() && isatty(STDIN_FILENO))
    return RunTerminalPrompt(out, options.Convention.value_or(TConvention::Classic));
  TCalcRunner runner(STDOUT_FILENO, STDERR_FILENO);
  runner.SetConvention(options.Convention.value_or(TConvention::Classic));
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
  SetCliLanguage(LanguageFromEnvironment());
  std::vector<std::string_view> args(argv + 1, argv + argc);
  TCalcOptions options;
  try {
    options = ParseCalcOptions(args);
  } catch (const TUsageError& e) {
    Complain(std::string(e.what()) + "\n" + CliText(TCliText::TryHelp));
    return kExitUsage;
  }

  // The help, the version, a worksheet's results and the prompt's answers;
  // -e and -f keep a buffer of their own.
  TOutBuffer out(STDOUT_FILENO);
  int status = 0;
  switch (options.Action) {
    case TCalcAction::Help: out.Append(CalcUsage()); break;
    case TCalcAction::Version: out.Append("tessary-calc " TESSARY_VERSION "\n"); break;
    case TCalcAction::Evaluate: try { status = Run(options, out);
      } catch (const std::bad_alloc&) {
        // A failure like any other, not an abort with a core dump.
        out.Flush();
        Complain(CliText(TCliText::OutOfMemory));
        return kExitUsage;
      }
      break;
  }
  // A full disk or a closed pipe must not pass for success.
  if (!out.Flush() || status == kExitWriteError) {
    Complain(CliText(TCliText::WriteError));
    return kExitUsage;
  }
  return status;
}
