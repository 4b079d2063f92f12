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
};

// Applies one option; true when it ends the parsing (--help, --version).
bool Apply(char option, std::string_view value, TCalcOptions& options) {
  switch (option) {
    case 'e':
      options.Inputs.push_back({TInputKind::Expression, std::string(value)});
      return false;
    case 'f':
      options.Inputs.push_back({TInputKind::File, std::string(value)});
      return false;
    case 'h':
      options.Action = TCalcAction::Help;
      return true;
    default:
      options.Action = TCalcAction::Version;
      return true;
  }
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
      // Expressions come only through -e so that a file name is never
      // mistaken for a formula or the other way round.
      throw TUsageError("unexpected argument '" + std::string(arg) +
                        "' (use -e EXPR or -f FILE)");
    }
    if (done) break;
  }
  return options;
}

std::string CalcUsage() {
  return R"(Usage: tessary-calc [OPTION]...
Evaluate formulas with the Tessary formula engine.

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

Exit status: 0 if every expression evaluated without error, 1 if any of
them recorded an error, 2 for a usage error or a file that cannot be read.
)";
}

}  // namespace tessary::cli
