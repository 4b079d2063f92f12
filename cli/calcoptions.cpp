// SPDX-License-Identifier: MIT
#include "calcoptions.h"

#include <cstddef>
#include <optional>

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

// Long options; a value comes after "=" or as the next argument.
struct TLongOption {
  std::string_view Name;
  bool HasValue;
  char Short;  // the short option it stands for
};

constexpr TLongOption kLongOptions[] = {
    {"expression", true, 'e'},
    {"expressions", true, 'f'},
    {"help", false, 'h'},
    {"version", false, 'V'},
    // Worksheet options have no short form; these letters are internal.
    {"vars", true, 'v'},
    {"var", true, 'a'},
    {"log", false, 'l'},
    {"utf8", false, 'u'},
    {"cp936", false, 'c'},
};

// Applies one option; true when it ends the parsing (--help, --version).
bool Apply(char option, std::string_view value, TCalcOptions& options) {
  switch (option) {
    case 'e': options.Inputs.push_back({TInputKind::Expression, std::string(value)}); return false;
    case 'f': options.Inputs.push_back({TInputKind::File, std::string(value)}); return false;
    case 'h': options.Action = TCalcAction::Help; return true;
    case 'V': options.Action = TCalcAction::Version; return true;
    case 'v':
      if (value.empty()) throw TUsageError("option '--vars' requires a file name");
      options.Worksheet.VarsPath = value;
      return false;
    case 'a':
      if (value.find('=') == std::string_view::npos) {
        throw TUsageError("option '--var' needs NAME=VALUE, not '" + std::string(value) + "'");
      }
      options.Worksheet.VarRows.emplace_back(value);
      return false;
    case 'l': options.Worksheet.Log = true; return false;
    case 'c': options.Worksheet.Cp936 = true; return false;
    default: options.Worksheet.Utf8 = true; return false;
  }
}

void TakeWorksheet(std::string_view arg, TCalcOptions& options) {
  // Expressions come only through -e so that a file name is never
  // mistaken for a formula or the other way round.
  if (options.HasWorksheet) {
    throw TUsageError("unexpected argument '" + std::string(arg) +
                      "' (one worksheet at a time; use -e EXPR for an expression)");
  }
  options.HasWorksheet = true;
  options.Worksheet.Path = arg;
}

// Rules that concern the command line as a whole.
void Check(const TCalcOptions& options) {
  const TWorksheetOptions& ws = options.Worksheet;
  if (!options.HasWorksheet) {
    if (ws.Log || ws.Utf8 || ws.Cp936 || !ws.VarsPath.empty() || !ws.VarRows.empty())
      throw TUsageError("--vars, --var, --log, --utf8 and --cp936 need a worksheet");
    return;
  }
  if (ws.Utf8 && ws.Cp936) throw TUsageError("--utf8 and --cp936 exclude each other");
  if (!options.Inputs.empty()) throw TUsageError("a worksheet cannot be combined with -e or -f");
  if (ws.Path == "-" && ws.VarsPath == "-")
    throw TUsageError("the worksheet and --vars cannot both be standard input");
}

bool ParseLong(std::string_view arg, TArgReader& reader, TCalcOptions& options) {
  std::string_view body = arg.substr(2);
  std::size_t eq = body.find('=');
  std::string_view name = body.substr(0, eq);
  for (const TLongOption& opt : kLongOptions) {
    if (opt.Name != name) continue;
    if (!opt.HasValue) {
      if (eq != std::string_view::npos) {
        throw TUsageError("option '--" + std::string(name) + "' doesn't allow an argument");
      }
      return Apply(opt.Short, {}, options);
    }
    if (eq != std::string_view::npos) return Apply(opt.Short, body.substr(eq + 1), options);
    std::optional<std::string_view> value = reader.TakeValue();
    if (!value) throw TUsageError("option '--" + std::string(name) + "' requires an argument");
    return Apply(opt.Short, *value, options);
  }
  throw TUsageError("unrecognized option '" + std::string(arg) + "'");
}

// A cluster such as "-h" or "-e1+2" or "-f" FILE.
bool ParseShort(std::string_view arg, TArgReader& reader, TCalcOptions& options) {
  for (std::size_t i = 1; i < arg.size(); ++i) {
    char c = arg[i];
    if (c == 'h') {
      if (Apply(c, {}, options)) return true;
      continue;
    }
    if (c != 'e' && c != 'f') {
      throw TUsageError(std::string("invalid option -- '") + c + "'");
    }
    if (i + 1 < arg.size()) return Apply(c, arg.substr(i + 1), options);
    std::optional<std::string_view> value = reader.TakeValue();
    if (!value) throw TUsageError(std::string("option requires an argument -- '") + c + "'");
    return Apply(c, *value, options);
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

std::string CalcUsage() {
  return R"(Usage: tessary-calc [OPTION]...
  or:  tessary-calc [--vars=FILE] [--var=NAME=VALUE]... [--log] [--utf8|--cp936]
                    WORKSHEET
Evaluate formulas with the Tessary formula engine, or calculate a worksheet.

  -e, --expression=EXPR    evaluate the expression EXPR
  -f, --expressions=FILE   evaluate each line of FILE as one expression;
                           FILE '-' is standard input
  -h, --help               display this help and exit
      --version            output version information and exit

-e and -f may be repeated and mixed; they are processed in the order given,
by one engine. Each expression prints one line: its value (15 significant
digits), or "ERROR <code> <message>". Every line of a file counts, blank
ones included, so output line N answers input line N. Input and output are
UTF-8.

Without options, a terminal on standard input gets an interactive prompt
(leave it with quit, exit or Ctrl+D); otherwise standard input is read as
with -f -.

Worksheets:
  WORKSHEET                a worksheet file as the window saves it, calculated
                           as its Calculate does ('-': standard input); its
                           variables come from the file beside it with the
                           extension .vle, when there is one
      --vars=FILE          take the variables from FILE instead ('-': standard
                           input)
      --var=NAME=VALUE     add the variable row NAME=VALUE after those of the
                           file; may be repeated
      --log                also print the normalised and the evaluated
                           formula of every statement
      --utf8               read the worksheet and variable files as UTF-8
      --cp936              read them as code page 936 (GBK)
                           Without either, each file is read as UTF-8 when it
                           starts with a byte order mark or is valid UTF-8
                           with characters beyond ASCII, else as code page 936

In a worksheet, full-width brackets, signs, digits and spaces typed by a
Chinese input method count as their ASCII forms, outside comments and
string literals.

A worksheet prints its result lines. Messages, and every statement whose
evaluation failed, go to standard error. A worksheet cannot be combined with
-e or -f.

Exit status: 0 if every expression or statement evaluated without error, 1
if any of them recorded an error or a name was assigned twice, 2 for a usage
error or a file that cannot be read (a variable file with a key twice
included).
)";
}

}  // namespace tessary::cli
