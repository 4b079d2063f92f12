// SPDX-License-Identifier: MIT
#include "worksheetrunner.h"

#include "convention.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <string_view>

#include "atomicfile.h"
#include "calculation.h"
#include "statementsource.h"
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

// Prints each result line as its statement is calculated and keeps only
// what is shown after all results: the messages and the failed statements,
// in the order they happened, and the two logs when asked for. Standard
// error follows the results, so a terminal or a file that takes both
// streams shows the run as it always did.
class TStreamingReport : public ICalcSink, public ICalcMessages {
 public:
  TStreamingReport(TOutBuffer& out, bool log) : FOut(out), FLog(log) {}

  void Take(const TStatementOutcome& s, std::string_view numberText) override {
    FOut.Append(s.Name);
    FOut.Append(numberText);
    FOut.Append('\n');
    if (s.ErrorCode != 0) {
      FAnyError = true;
      FHeld += ErrorLine(s);
      FHeld += '\n';
    }
    if (!FLog) return;
    const auto log = [&s](std::string& lines, const std::string& text) {
      lines += s.Name;
      lines += text;
      lines += '\n';
    };
    log(FNormalised, s.Normalised);
    log(FEvaluated, s.Expression);
  }
  void ShowMessage(const std::string& text) override { Hold(text); }
  void ShowError(const std::string& text) override {
    FAnyError = true;
    Hold(text);
  }

  // Everything kept back; true when a statement recorded an error or the
  // run ended early.
  bool Finish(int err) {
    if (FLog) {
      FOut.Append("\n== 规范化公式 ==\n");
      FOut.Append(FNormalised);
      FOut.Append("\n== 计算公式 ==\n");
      FOut.Append(FEvaluated);
    }
    FOut.Flush();
    WriteAll(err, FHeld);
    return FAnyError;
  }

 private:
  void Hold(const std::string& text) {
    FHeld += kPrefix;
    FHeld += text;
    FHeld += '\n';
  }

  TOutBuffer& FOut;
  bool FLog;
  bool FAnyError = false;
  std::string FHeld;  // for standard error
  std::string FNormalised, FEvaluated;
};

}  // namespace

bool TWorksheetRunner::Load(const TWorksheetOptions& options, std::string& joined,
                            TKeyValueTable& variables) {
  // Each file in the encoding asked for, else in the one its bytes show.
  const auto formatOf = [&options](std::string_view bytes) -> TTextFormat {
    if (options.Utf8) return TFileEncoding::Utf8;
    if (options.Cp936) return TFileEncoding::Cp936;
    return DetectTextFormat(bytes);
  };
  std::string varsName;  // where a duplicate key came from
  try {
    {
      // One copy of a 16 MiB worksheet at a time: its bytes are gone before
      // the joined statements are made.
      std::string text;
      {
        const std::string sheet = ReadInput(options.Path);
        text = WorksheetText(sheet, formatOf(sheet));
      }
      FDeclared = DeclaredConvention(text);
      joined = JoinFormulaText(text);
    }
    std::optional<std::string> vars;
    if (!options.VarsPath.empty()) {
      varsName = options.VarsPath == "-" ? std::string(kStandardInput) : options.VarsPath;
      vars = ReadInput(options.VarsPath);
    } else if (options.Path != "-") {
      varsName = VariableFilePath(options.Path);
      vars = ReadFileIfPresent(varsName);
    }
    if (vars) ReadVariableRows(*vars, variables, formatOf(*vars));
    for (const std::string& row : options.VarRows) {
      varsName = "--var " + row;
      variables.AppendRow(row);
    }
  } catch (const platform::EFileError& e) {
    WriteAll(FErr, std::string(kPrefix) + e.what() + '\n');
    return false;
  } catch (const EDuplicateKey& e) {
    // Calculating with half a variable table would print plausible but
    // wrong results.
    WriteAll(FErr, std::string(kPrefix) + varsName + ": " + e.what() + '\n');
    return false;
  }
  return true;
}

int TWorksheetRunner::Run(const TWorksheetOptions& options, std::optional<TConvention> convention) {
  std::string joined;
  TKeyValueTable variables;
  if (!Load(options, joined, variables)) return 2;
  FParser.SetConvention(convention.value_or(FDeclared.value_or(TConvention::Classic)));
  if (options.Log) FOut.Append("== 结果 ==\n");
  TStreamingReport report(FOut, options.Log);
  TKeyValueTable namedResults;
  CalculateStatements(joined, variables, namedResults, FParser, report, report);
  return report.Finish(FErr) ? 1 : 0;
}

}  // namespace tessary::cli
