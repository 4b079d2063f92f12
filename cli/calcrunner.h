// SPDX-License-Identifier: MIT
#pragma once

// Runs expressions through one formula engine and prints one line per
// expression: the number text of the value or "ERROR <code> <message>".
// Input and output are UTF-8; the engine sees code page 936.

#include <optional>
#include <string>
#include <string_view>

#include "fdstream.h"
#include "formulaparser.h"

namespace tessary::cli {

class TCalcRunner {
 public:
  // Answers go to the file descriptor out, messages to err.
  TCalcRunner(int out, int err);

  // Evaluates one expression and prints its line.
  void EvaluateLine(std::string_view utf8);
  void SetConvention(TConvention convention) { FParser.SetConvention(convention); }
  // Evaluates every line of the file ("-": standard input); a file that cannot
  // be opened or read is reported on the error stream.
  void RunFile(const std::string& path);

  // Writes the answers printed so far; false once a write failed.
  bool Flush() { return FOut.Flush(); }
  // 0 all evaluated without error, 1 some recorded an error, 2 a file failed.
  int ExitStatus() const;

 private:
  void RunStream(TLineReader& reader, const std::string& name, bool flushEach);
  void ReportFileError(const std::string& message);

  TFormulaParser FParser;
  TOutBuffer FOut;
  int FErr;
  // A terminal shows each answer as it comes.
  bool FFlushEachLine;
  // Standard input keeps what it read ahead for a later "-f -".
  std::optional<TLineReader> FStdin;
  bool FAnyEvalError = false;
  bool FAnyFileError = false;
};

}  // namespace tessary::cli
