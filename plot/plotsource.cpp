// SPDX-License-Identifier: MIT
#include "plotsource.h"

#include <array>

#include "textfuncs.h"

namespace tessary::plot {

namespace {

// No name of a worksheet holds "@": the plot's function never meets one.
constexpr const char* kPlotName = "@plot";

struct TQuiet : ICalcMessages {
  void ShowMessage(const std::string&) override {}
  void ShowError(const std::string&) override {}
};

}  // namespace

bool UsesX(const std::string& expr) {
  for (const char* x : {"x", "X"})
    if (SubstituteVariable(x, "1", expr) != expr) return true;
  return false;
}

TPlotSource::TPlotSource(TWorksheet ws, const std::string& expr) {
  if (!UsesX(expr)) {
    FError = "表达式“" + expr + "”中没有 x";
    return;
  }
  TQuiet quiet;
  Calculate(ws, FEngine, quiet);
  if (!DefineFunctionOf(FEngine, ws, kPlotName, "x", expr)) FError = "表达式太长";
}

std::optional<double> TPlotSource::operator()(double x) {
  const std::array<TReal, 1> args{static_cast<TReal>(x)};
  const TReal y = FEngine.CallDefined(kPlotName, args);
  if (FEngine.ErrorCode() != 0) return std::nullopt;
  return static_cast<double>(y);
}

}  // namespace tessary::plot
