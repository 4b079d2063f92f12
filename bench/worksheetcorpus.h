// SPDX-License-Identifier: MIT
#pragma once

// Generated worksheets for the pipeline benchmark, from a fixed seed so every
// run and every machine measures the same texts.
//
// Names are letters only (variables lower-case, three to six letters;
// results "S" and three upper-case letters), substituted as whole names.
// Every expression keeps
// its value bounded: results enter with factors whose magnitudes add up to
// less than one, variables are at most 1,000 in magnitude and nothing divides
// by a name, so no statement meets a range guard or a division by zero.

#include <cstddef>
#include <string>
#include <vector>

#include "calculation.h"

namespace tessary::bench {

class TWorksheetCorpus {
 public:
  // A variable table of variableCount rows; a few values are negative, hold
  // operators or bracket kinds, or name a later variable.
  explicit TWorksheetCorpus(std::size_t variableCount);

  // A worksheet of statementCount lines "name=expression" over the variable
  // table. Statement i is the same in worksheets of any size, so a larger
  // worksheet only adds statements.
  TWorksheet Worksheet(std::size_t statementCount) const;

  const std::vector<std::string>& VariableNames() const { return FNames; }

 private:
  std::vector<std::string> FNames;
  std::vector<std::string> FRows;
};

// Name of statement i: "SAAA", "SAAB", ... (17,576 names).
std::string StatementName(std::size_t i);

}  // namespace tessary::bench
