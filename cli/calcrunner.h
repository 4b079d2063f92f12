#pragma once

// Runs expressions through one formula engine and prints one line per
// expression: the number text of the value or "ERROR <code> <message>".
// Input and output are UTF-8; the engine sees code page 936.

#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>

#include "formulaparser.h"

namespace tessary::cli {

class TCalcRunner {
 public:
  TCalcRunner(std::ostream& out, std::ostream& err) : FOut(out), FErr(err) {}

  // Evaluates one expression and prints its line.
  void EvaluateLine(std::string_view utf8);
  // Evaluates every line of the file ("-": standard input); a file that cannot
  // be opened or read is reported on the error stream.
  void RunFile(const std::string& path);

  // 0 all evaluated without error, 1 some recorded an error, 2 a file failed.
  int ExitStatus() const;

 private:
  void RunStream(std::FILE* in, const std::string& name, bool flushEach);
  void ReportFileError(const char* what, const std::string& name, std::string_view reason);

  TFormulaParser FParser;
  std::ostream& FOut;
  std::ostream& FErr;
  bool FAnyEvalError = false;
  bool FAnyFileError = false;
};

}  // namespace tessary::cli
