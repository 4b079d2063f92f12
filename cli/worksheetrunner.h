// SPDX-License-Identifier: MIT
#pragma once

// Calculates one worksheet file as the window's Calculate does and prints
// the result pane (and, if asked, the two logs). Messages and the statements
// whose evaluation failed go to the error stream.

#include <optional>
#include <string>

#include "calcoptions.h"
#include "fdstream.h"
#include "formulaparser.h"
#include "keyvaluetable.h"

namespace tessary::cli {

class TWorksheetRunner {
 public:
  // Results go to out, messages to the file descriptor err.
  TWorksheetRunner(TOutBuffer& out, int err) : FOut(out), FErr(err) {}

  // 0 all statements evaluated without error, 1 some recorded an error or
  // the run ended on a name assigned twice, 2 a file could not be read or
  // the variables hold a key twice. convention, when given, overrides the
  // one the worksheet declares.
  int Run(const TWorksheetOptions& options, std::optional<TConvention> convention = std::nullopt);

 private:
  // The formula lines joined into statements, and the variables; false
  // after reporting why the worksheet cannot be calculated.
  bool Load(const TWorksheetOptions& options, std::string& joined, TKeyValueTable& variables);

  TFormulaParser FParser;
  std::optional<TConvention> FDeclared;  // by the worksheet read
  TOutBuffer& FOut;
  int FErr;
};

}  // namespace tessary::cli
