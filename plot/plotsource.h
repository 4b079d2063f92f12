// SPDX-License-Identifier: MIT
#pragma once

// The formula a plot draws, as a function of x with a worksheet's names:
// its variables, its results and the functions it defines.

#include <optional>
#include <string>

#include "calculation.h"
#include "formulaparser.h"
#include "plotmodel.h"

namespace tessary::plot {

class TPlotSource {
 public:
  // Calculates ws (quietly) so that its names are known, then makes expr
  // (UTF-8) a function of x. Error() says why it cannot be plotted.
  TPlotSource(TWorksheet ws, const std::string& expr);

  const std::string& Error() const { return FError; }
  // y at x; nullopt where the formula fails.
  std::optional<double> operator()(double x);
  TFunction Function() {
    return [this](double x) { return (*this)(x); };
  }

 private:
  TFormulaParser FEngine;
  std::string FError;
};

// Whether expr (UTF-8) uses x as a name (either case), not as part of a
// longer name such as "max".
bool UsesX(const std::string& expr);

}  // namespace tessary::plot
