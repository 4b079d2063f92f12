// SPDX-License-Identifier: MIT
// libFuzzer harness for Calculate: the input's lines up to the first NUL are
// the formula pane, the lines after it the variable table. Whatever they
// hold, a run must end normally, keep the panes in step and never let a
// statement's number text disagree with its result line.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "calculation.h"
#include "worksheetinput.h"

namespace {

struct TSilent : tessary::ICalcMessages {
  void ShowMessage(const std::string&) override {}
  void ShowError(const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static tessary::TFormulaParser engine;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  tessary::TWorksheet ws = tessary::fuzz::WorksheetFromInput(input);
  TSilent messages;
  const tessary::TCalcReport report = tessary::Calculate(ws, engine, messages);
  if (ws.Results.size() != report.Statements.size() ||
      ws.NormalisedLog.size() != ws.Results.size() || ws.EvaluatedLog.size() != ws.Results.size())
    std::abort();
  for (const auto& s : report.Statements)
    if (s.ErrorCode != 0 && s.Value != 0) std::abort();
  return 0;
}
