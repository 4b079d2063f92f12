// SPDX-License-Identifier: MIT
#pragma once

// The worksheet a fuzz input describes: its lines up to the first NUL are the
// formula pane, the lines after it the variable table. Shared by the harness
// and the benchmark that times a fuzz finding.

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "calculation.h"
#include "textutil.h"

namespace tessary::fuzz {

inline std::vector<std::string> InputLines(std::string_view text) {
  const auto breaks = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  std::vector<std::string> lines(breaks + 1);
  SplitText(text, lines, '\n');
  return lines;
}

inline TWorksheet WorksheetFromInput(std::string_view input) {
  const auto split = input.find('\0');
  TWorksheet ws;
  ws.Formula = InputLines(input.substr(0, split));
  if (split == std::string_view::npos) return ws;
  try {
    for (const auto& row : InputLines(input.substr(split + 1))) ws.Variables.AppendRow(row);
  } catch (const EDuplicateKey&) {
    // The table keeps the rows before the duplicate, as a file read does.
  }
  return ws;
}

}  // namespace tessary::fuzz
