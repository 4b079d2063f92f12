// libFuzzer harness for Calculate: the input's lines up to the first NUL are
// the formula pane, the lines after it the variable table. Whatever they
// hold, a run must end normally, keep the panes in step and never let a
// statement's number text disagree with its result line.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "calculation.h"

namespace {

struct TSilent : tessary::ICalcMessages {
  void ShowMessage(const std::string&) override {}
  void ShowError(const std::string&) override {}
};

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t at = text.find('\n'); at != std::string_view::npos;
       at = text.find('\n', start)) {
    lines.emplace_back(text.substr(start, at - start));
    start = at + 1;
  }
  lines.emplace_back(text.substr(start));
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static tessary::TFormulaParser engine;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto split = input.find('\0');
  tessary::TWorksheet ws;
  ws.Formula = Lines(input.substr(0, split));
  if (split != std::string_view::npos) {
    try {
      for (const auto& row : Lines(input.substr(split + 1))) ws.Variables.AppendRow(row);
    } catch (const tessary::EDuplicateKey&) {
      // The table keeps the rows before the duplicate, as a file read does.
    }
  }
  TSilent messages;
  const tessary::TCalcReport report = tessary::Calculate(ws, engine, messages);
  if (ws.Results.size() != report.Statements.size() ||
      ws.NormalisedLog.size() != ws.Results.size() || ws.EvaluatedLog.size() != ws.Results.size())
    std::abort();
  for (const auto& s : report.Statements)
    if (s.ErrorCode != 0 && s.Value != 0) std::abort();
  return 0;
}
