// SPDX-License-Identifier: MIT
#pragma once

// Calculate: turns the formula pane and the variable table into results,
// one engine evaluation per statement. Qt-free; the window owns the panes
// and copies them in and out of a TWorksheet.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formulaparser.h"
#include "keyvaluetable.h"

namespace tessary {

// The six containers of a worksheet. Text is UTF-8.
struct TWorksheet {
  std::vector<std::string> Formula;        // formula pane, one line per row
  TKeyValueTable Variables;                // variable table
  TKeyValueTable NamedResults;             // named results of this run ("temporary table")
  std::vector<std::string> Results;        // result pane
  std::vector<std::string> NormalisedLog;  // normalised-formula log
  std::vector<std::string> EvaluatedLog;   // evaluated-formula log
  // The rules to calculate by; nullopt: those the formula declares (see
  // convention.h), else the classic ones.
  std::optional<TConvention> Convention;
  // Keep the engine's functions from the run before (the prompt, whose
  // lines are one run each); a worksheet starts without any.
  bool KeepFunctions = false;
};

// Makes expr (UTF-8) the engine's function name(param), with the
// worksheet's variables and results put in as a definition's body gets
// them (param hides one of its name): a plot samples it. False when the
// expression is too long to carry the names.
bool DefineFunctionOf(TFormulaParser& engine, const TWorksheet& ws, const std::string& name,
                      const std::string& param, std::string_view expr);

// The worksheet as the window starts with it.
TWorksheet DefaultWorksheet();

// Where the calculation's messages go. A call must not wait for the user:
// the window queues the box, a command-line run prints the text.
class ICalcMessages {
 public:
  virtual ~ICalcMessages() = default;
  // A plain message box ("公式错误：括号不配对!").
  virtual void ShowMessage(const std::string& text) = 0;
  // The application's error report: the run ended early.
  virtual void ShowError(const std::string& text) = 0;
};

// What became of one statement, beyond its result line: why a value is 0.
struct TStatementOutcome {
  std::string Name;        // as written, with its "=" ("" without a name)
  std::string Expression;  // as handed to the engine; as written when refused before
  std::string Normalised;  // as the normalised-formula log shows it, after the name
  TReal Value = 0;
  int ErrorCode = 0;              // the engine's, or ecStatementTooLong
  std::string ErrorMessage;       // UTF-8; "" without an error
  std::size_t ErrorPosition = 0;  // 1-based character in Expression; 0: none or whole text
  bool BracketsUnbalanced = false;
  bool Definition = false;  // a function's definition, f(x)=x^2+1
  // A definition of a name defined before, under the classic rules: the run
  // ends after its line, as for a name assigned twice.
  bool DefinedAgain = false;
};

struct TCalcReport {
  std::vector<TStatementOutcome> Statements;
  std::string Failure;  // the message that ended the run early, or ""
  bool AnyError() const;
};

inline constexpr std::string_view kBracketMessage = "公式错误：括号不配对!";

// A failed statement's expression as a report quotes it: at most 60
// characters, a longer one cut there and marked "…" (a quote of a whole
// 100,000-character statement helps nobody).
std::string QuotedExpression(std::string_view expression);

// One Calculate over the worksheet with the process's engine (the window's
// 计算 command and the prompt of tessary-calc).
TCalcReport Calculate(TWorksheet& ws, TFormulaParser& engine, ICalcMessages& messages);

// Takes each statement's outcome as soon as it is calculated: the window
// keeps them for its panes, the command line prints each and forgets it.
class ICalcSink {
 public:
  virtual ~ICalcSink() = default;
  // numberText: the result as its result line shows it after the name.
  virtual void Take(const TStatementOutcome& outcome, std::string_view numberText) = 0;
};

// The calculation itself, over joined (the formula lines as
// JoinFormulaLines joins them) with the variables. Each statement's result
// is appended to namedResults, which starts the run empty. Returns the
// message that ended the run early, also shown through messages, or "".
std::string CalculateStatements(std::string_view joined, const TKeyValueTable& variables,
                                TKeyValueTable& namedResults, TFormulaParser& engine,
                                ICalcMessages& messages, ICalcSink& sink);

}  // namespace tessary
