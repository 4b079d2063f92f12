// SPDX-License-Identifier: MIT
#include "worksheetrunner.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

#include "atomicfile.h"
#include "worksheetfile.h"

namespace tessary::cli {

namespace {

constexpr std::string_view kPrefix = "tessary-calc: ";
constexpr std::string_view kStandardInput = "标准输入";

// Standard input is bounded like a file: /dev/zero must not fill the memory.
std::string ReadInput(const std::string& path) {
  if (path != "-") return platform::ReadWholeFile(path, kMaxWorksheetFileBytes);
  return platform::ReadAll(STDIN_FILENO, std::string(kStandardInput), kMaxWorksheetFileBytes);
}

// The messages of a run, each remembered with the number of statements
// logged before it: a bracket message comes before its statement's log line,
// the key message after the result of the statement that caused it. Standard
// error can then tell the run in order, with the failed evaluations between.
class TRecordedMessages : public ICalcMessages {
 public:
  struct TMessage {
    std::size_t Before;
    std::string Text;
  };

  explicit TRecordedMessages(const TWorksheet& ws) : FWs(ws) {}
  void ShowMessage(const std::string& text) override { Record(text); }
  void ShowError(const std::string& text) override { Record(text); }
  const std::vector<TMessage>& Messages() const { return FMessages; }

 private:
  void Record(const std::string& text) { FMessages.push_back({FWs.NormalisedLog.size(), text}); }

  const TWorksheet& FWs;
  std::vector<TMessage> FMessages;
};

std::string ErrorLine(const TStatementOutcome& s) {
  std::string line(kPrefix);
  if (!s.Name.empty()) line += s.Name + ": ";
  line += "ERROR " + std::to_string(s.ErrorCode) + " " + s.ErrorMessage;
  const std::string quoted = QuotedExpression(s.Expression);
  if (s.ErrorPosition != 0)
    line += " (at character " + std::to_string(s.ErrorPosition) + " of \"" + quoted + "\")";
  else
    line += " (in \"" + quoted + "\")";
  return line;
}

void PrintLines(std::ostream& out, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) out << line << '\n';
}

}  // namespace

bool TWorksheetRunner::Load(const TWorksheetOptions& options, TWorksheet& ws) {
  // Each file in the encoding asked for, else in the one its bytes show.
  const auto formatOf = [&options](std::string_view bytes) -> TTextFormat {
    if (options.Utf8) return TFileEncoding::Utf8;
    if (options.Cp936) return TFileEncoding::Cp936;
    return DetectTextFormat(bytes);
  };
  std::string varsName;  // where a duplicate key came from
  try {
    const std::string sheet = ReadInput(options.Path);
    ws.Formula = WorksheetLines(sheet, formatOf(sheet));
    std::optional<std::string> vars;
    if (!options.VarsPath.empty()) {
      varsName = options.VarsPath == "-" ? std::string(kStandardInput) : options.VarsPath;
      vars = ReadInput(options.VarsPath);
    } else if (options.Path != "-") {
      varsName = VariableFilePath(options.Path);
      vars = ReadFileIfPresent(varsName);
    }
    if (vars) ReadVariableRows(*vars, ws.Variables, formatOf(*vars));
    for (const std::string& row : options.VarRows) {
      varsName = "--var " + row;
      ws.Variables.AppendRow(row);
    }
  } catch (const platform::EFileError& e) {
    FErr << kPrefix << e.what() << '\n';
    return false;
  } catch (const EDuplicateKey& e) {
    // Calculating with half a variable table would print plausible but
    // wrong results.
    FErr << kPrefix << varsName << ": " << e.what() << '\n';
    return false;
  }
  return true;
}

void TWorksheetRunner::Print(const TWorksheet& ws, bool log) {
  if (!log) {
    PrintLines(FOut, ws.Results);
    return;
  }
  FOut << "== 结果 ==\n";
  PrintLines(FOut, ws.Results);
  FOut << "\n== 规范化公式 ==\n";
  PrintLines(FOut, ws.NormalisedLog);
  FOut << "\n== 计算公式 ==\n";
  PrintLines(FOut, ws.EvaluatedLog);
}

int TWorksheetRunner::Run(const TWorksheetOptions& options) {
  TWorksheet ws;
  if (!Load(options, ws)) return 2;
  TRecordedMessages messages(ws);
  const TCalcReport report = Calculate(ws, FParser, messages);
  Print(ws, options.Log);

  auto next = messages.Messages().begin();
  const auto end = messages.Messages().end();
  for (std::size_t i = 0; i <= report.Statements.size(); ++i) {
    for (; next != end && next->Before <= i; ++next) FErr << kPrefix << next->Text << '\n';
    if (i < report.Statements.size() && report.Statements[i].ErrorCode != 0)
      FErr << ErrorLine(report.Statements[i]) << '\n';
  }
  for (; next != end; ++next) FErr << kPrefix << next->Text << '\n';
  return report.AnyError() ? 1 : 0;
}

}  // namespace tessary::cli
