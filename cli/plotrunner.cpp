// SPDX-License-Identifier: MIT
#include "plotrunner.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <stdexcept>

#include "atomicfile.h"
#include "calculation.h"
#include "cp936.h"
#include "fdstream.h"
#include "plotmodel.h"
#include "plotsource.h"
#include "plotsvg.h"
#include "worksheetfile.h"

namespace tessary::cli {

namespace {

// Why the plot cannot be made, for the user.
class EPlotRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

double Evaluate(const std::string& option, const std::string& formula) {
  TFormulaParser engine;
  engine.SetExpression(platform::Utf8ToCp936(formula));
  const TReal v = engine.Evaluate();
  if (engine.ErrorCode() != 0)
    throw EPlotRefused(option + " 的值“" + formula + "”无法计算：" +
                       platform::Cp936ToUtf8(engine.ErrorMessage()));
  return static_cast<double>(v);
}

int Size(const std::string& option, const std::string& text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 100 || value > 10000)
    throw EPlotRefused(option + " 应是 100 到 10000 之间的整数，而不是“" + text + "”");
  return value;
}

// The worksheet's formula lines and variables, as the window would read them.
TWorksheet NamesFrom(const TCalcOptions& options) {
  TWorksheet ws;
  const TWorksheetOptions& o = options.Worksheet;
  const auto formatOf = [&o](std::string_view bytes) -> TTextFormat {
    if (o.Utf8) return TFileEncoding::Utf8;
    if (o.Cp936) return TFileEncoding::Cp936;
    return DetectTextFormat(bytes);
  };
  if (options.HasWorksheet) {
    const std::string bytes = platform::ReadWholeFile(o.Path, kMaxWorksheetFileBytes);
    const std::string text = WorksheetText(bytes, formatOf(bytes));
    for (std::size_t at = 0; at <= text.size();) {
      const std::size_t end = std::min(text.find('\n', at), text.size());
      ws.Formula.push_back(text.substr(at, end - at));
      at = end + 1;
    }
  }
  std::optional<std::string> vars;
  if (!o.VarsPath.empty()) {
    vars = platform::ReadWholeFile(o.VarsPath, kMaxWorksheetFileBytes);
  } else if (options.HasWorksheet) {
    vars = ReadFileIfPresent(VariableFilePath(o.Path));
  }
  if (vars) ReadVariableRows(*vars, ws.Variables, formatOf(*vars));
  for (const std::string& row : o.VarRows) ws.Variables.AppendRow(row);
  ws.Convention = options.Convention;
  return ws;
}

void Plot(const TCalcOptions& options) {
  const TPlotOptions& p = options.Plot;
  const plot::TRange x{Evaluate("--from", p.From), Evaluate("--to", p.To)};
  if (!(x.Low < x.High))
    throw EPlotRefused("x 的范围是空的或者颠倒了：--from " + p.From + " 应小于 --to " + p.To);
  const int width = Size("--width", p.Width), height = Size("--height", p.Height);
  plot::TPlotSource source(NamesFrom(options), p.Expression);
  if (!source.Error().empty()) throw EPlotRefused(source.Error());
  const plot::TCurve curve = plot::SampleCurve(source.Function(), x);
  const std::string svg =
      plot::PlotSvg({curve, x, plot::YRangeOf(curve), p.Expression, width, height});
  platform::WriteFileAtomically(p.Output, svg);
}

}  // namespace

int RunPlot(const TCalcOptions& options, int err) {
  try {
    Plot(options);
    return 0;
  } catch (const std::exception& e) {  // refusals, file errors, a duplicate key
    WriteAll(err, std::string("tessary-calc: ") + e.what() + '\n');
    return 2;
  }
}

}  // namespace tessary::cli
