// SPDX-License-Identifier: MIT
#include "calcoptions.h"

#include <cstddef>
#include <optional>

#include "clitexts.h"

namespace tessary::cli {

namespace {

class TArgReader {
 public:
  explicit TArgReader(std::span<const std::string_view> args) : FArgs(args) {}

  bool AtEnd() const { return FNext >= FArgs.size(); }
  std::string_view Take() { return FArgs[FNext++]; }
  std::optional<std::string_view> TakeValue() {
    if (AtEnd()) return std::nullopt;
    return Take();
  }

 private:
  std::span<const std::string_view> FArgs;
  std::size_t FNext = 0;
};

// Every option of the tool. Apply() switches over it without a default, so
// that an option added here and not handled there is a compiler warning.
enum class TOption {
  Expression,
  Expressions,
  Help,
  Version,
  Vars,
  Var,
  Log,
  Utf8,
  Cp936,
  Convention,
  Plot,
  From,
  To,
  Output,
  Width,
  Height
};

// A long option's value comes after "=" or as the next argument; a short
// one's as the rest of its cluster or as the next argument.
struct TOptionEntry {
  std::string_view Name;
  char Short;  // '\0': none
  bool HasValue;
  TOption Option;
};

constexpr TOptionEntry kOptions[] = {
    {"expression", 'e', true, TOption::Expression},
    {"expressions", 'f', true, TOption::Expressions},
    {"help", 'h', false, TOption::Help},
    {"version", '\0', false, TOption::Version},
    {"vars", '\0', true, TOption::Vars},
    {"var", '\0', true, TOption::Var},
    {"log", '\0', false, TOption::Log},
    {"utf8", '\0', false, TOption::Utf8},
    {"cp936", '\0', false, TOption::Cp936},
    {"convention", '\0', true, TOption::Convention},
    {"plot", '\0', true, TOption::Plot},
    {"from", '\0', true, TOption::From},
    {"to", '\0', true, TOption::To},
    {"output", 'o', true, TOption::Output},
    {"width", '\0', true, TOption::Width},
    {"height", '\0', true, TOption::Height},
};

const TOptionEntry* FindShort(char letter) {
  if (letter == '\0') return nullptr;
  for (const TOptionEntry& entry : kOptions) {
    if (entry.Short == letter) return &entry;
  }
  return nullptr;
}

// Applies one option; true when it ends the parsing (--help, --version).
bool Apply(TOption option, std::string_view value, TCalcOptions& options) {
  switch (option) {
    case TOption::Expression:
      options.Inputs.push_back({TInputKind::Expression, std::string(value)});
      break;
    case TOption::Expressions:
      options.Inputs.push_back({TInputKind::File, std::string(value)});
      break;
    case TOption::Help: options.Action = TCalcAction::Help; return true;
    case TOption::Version: options.Action = TCalcAction::Version; return true;
    case TOption::Vars:
      if (value.empty()) throw TUsageError(CliText(TCliText::VarsNeedsFile));
      options.Worksheet.VarsPath = value;
      break;
    case TOption::Var:
      if (value.find('=') == std::string_view::npos) {
        throw TUsageError(CliText(TCliText::VarNeedsNameValue, value));
      }
      options.Worksheet.VarRows.emplace_back(value);
      break;
    case TOption::Log: options.Worksheet.Log = true; break;
    case TOption::Utf8: options.Worksheet.Utf8 = true; break;
    case TOption::Cp936: options.Worksheet.Cp936 = true; break;
    case TOption::Convention:
      if (value == "classic") {
        options.Convention = TConvention::Classic;
      } else if (value == "standard") {
        options.Convention = TConvention::Standard;
      } else {
        throw TUsageError(CliText(TCliText::ConventionValue, value));
      }
      break;
    case TOption::Plot:
      options.Plot.Requested = true;
      options.Plot.Expression = value;
      break;
    case TOption::From: options.Plot.From = value; break;
    case TOption::To: options.Plot.To = value; break;
    case TOption::Output: options.Plot.Output = value; break;
    case TOption::Width: options.Plot.Width = value; break;
    case TOption::Height: options.Plot.Height = value; break;
  }
  return false;
}

void TakeWorksheet(std::string_view arg, TCalcOptions& options) {
  // Expressions come only through -e so that a file name is never
  // mistaken for a formula or the other way round.
  if (options.HasWorksheet) {
    throw TUsageError(CliText(TCliText::UnexpectedArgument, arg));
  }
  options.HasWorksheet = true;
  options.Worksheet.Path = arg;
}

// Rules that concern the command line as a whole.
void Check(const TCalcOptions& options) {
  const TWorksheetOptions& ws = options.Worksheet;
  if (options.Plot.Requested) {
    // The worksheet, --vars and --var only lend the plot their names.
    if (!options.Inputs.empty()) throw TUsageError(CliText(TCliText::PlotWithInputs));
    if (options.Plot.Output.empty()) throw TUsageError(CliText(TCliText::PlotNeedsOutput));
    return;
  }
  if (options.Plot.Output != "" || options.Plot.From != "-10" || options.Plot.To != "10" ||
      options.Plot.Width != "640" || options.Plot.Height != "400")
    throw TUsageError(CliText(TCliText::PlotOptionAlone));
  if (!options.HasWorksheet) {
    if (ws.Log || ws.Utf8 || ws.Cp936 || !ws.VarsPath.empty() || !ws.VarRows.empty())
      throw TUsageError(CliText(TCliText::NeedsWorksheet));
    return;
  }
  if (ws.Utf8 && ws.Cp936) throw TUsageError(CliText(TCliText::Utf8AndCp936));
  if (!options.Inputs.empty()) throw TUsageError(CliText(TCliText::WorksheetWithInputs));
  if (ws.Path == "-" && ws.VarsPath == "-") throw TUsageError(CliText(TCliText::BothStandardInput));
}

bool ParseLong(std::string_view arg, TArgReader& reader, TCalcOptions& options) {
  std::string_view body = arg.substr(2);
  std::size_t eq = body.find('=');
  std::string_view name = body.substr(0, eq);
  for (const TOptionEntry& entry : kOptions) {
    if (entry.Name != name) continue;
    if (!entry.HasValue) {
      if (eq != std::string_view::npos) {
        throw TUsageError(CliText(TCliText::NoArgumentAllowed, name));
      }
      return Apply(entry.Option, {}, options);
    }
    if (eq != std::string_view::npos) return Apply(entry.Option, body.substr(eq + 1), options);
    std::optional<std::string_view> value = reader.TakeValue();
    if (!value) throw TUsageError(CliText(TCliText::RequiresArgument, name));
    return Apply(entry.Option, *value, options);
  }
  throw TUsageError(CliText(TCliText::UnrecognizedOption, arg));
}

// A cluster such as "-h" or "-e1+2" or "-f" FILE.
bool ParseShort(std::string_view arg, TArgReader& reader, TCalcOptions& options) {
  for (std::size_t i = 1; i < arg.size(); ++i) {
    char c = arg[i];
    const TOptionEntry* entry = FindShort(c);
    if (!entry) throw TUsageError(CliText(TCliText::InvalidShortOption, std::string(1, c)));
    if (!entry->HasValue) {
      if (Apply(entry->Option, {}, options)) return true;
      continue;
    }
    if (i + 1 < arg.size()) return Apply(entry->Option, arg.substr(i + 1), options);
    std::optional<std::string_view> value = reader.TakeValue();
    if (!value) throw TUsageError(CliText(TCliText::ShortRequiresArgument, std::string(1, c)));
    return Apply(entry->Option, *value, options);
  }
  return false;
}

}  // namespace

TCalcOptions ParseCalcOptions(std::span<const std::string_view> args) {
  TCalcOptions options;
  TArgReader reader(args);
  bool optionsEnded = false;
  while (!reader.AtEnd()) {
    std::string_view arg = reader.Take();
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
      continue;
    }
    bool done = false;
    if (!optionsEnded && arg.starts_with("--")) {
      done = ParseLong(arg, reader, options);
    } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      done = ParseShort(arg, reader, options);
    } else {
      TakeWorksheet(arg, options);
    }
    if (done) return options;
  }
  Check(options);
  return options;
}

std::string CalcUsage() { return CliText(TCliText::Usage); }

}  // namespace tessary::cli
