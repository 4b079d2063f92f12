// SPDX-License-Identifier: MIT
#pragma once

// Command line of tessary-calc, GNU style: -e/--expression and
// -f/--expressions, repeatable and kept in command-line order; or one
// worksheet file with its variable options.

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "formulaparser.h"

namespace tessary::cli {

enum class TInputKind { Expression, File };

// One -e or -f, in the order given.
struct TCalcInput {
  TInputKind Kind;
  std::string Text;  // the expression (UTF-8) or the file name ("-": stdin)
};

enum class TCalcAction { Evaluate, Help, Version };

// A worksheet calculated as the window's Calculate does.
struct TWorksheetOptions {
  std::string Path;                  // "-": standard input
  std::string VarsPath;              // --vars; "" for the companion .vle file
  std::vector<std::string> VarRows;  // --var NAME=VALUE, in order
  bool Log = false;                  // --log: also print the two logs
  bool Utf8 = false;                 // --utf8: files are UTF-8
  bool Cp936 = false;                // --cp936: files are code page 936
                                     // (neither: each file as its bytes show)
};

// --plot: a formula of x drawn as an SVG picture.
struct TPlotOptions {
  bool Requested = false;
  std::string Expression;    // UTF-8
  std::string From = "-10";  // formulas, evaluated
  std::string To = "10";
  std::string Output;         // the SVG file
  std::string Width = "640";  // picture size in pixels, read when plotting
  std::string Height = "400";
};

struct TCalcOptions {
  TCalcAction Action = TCalcAction::Evaluate;
  std::vector<TCalcInput> Inputs;
  bool HasWorksheet = false;
  TWorksheetOptions Worksheet;
  // --convention: the rules for everything calculated, a worksheet's own
  // declaration overridden; nullopt: the worksheet's, else classic.
  std::optional<TConvention> Convention;
  TPlotOptions Plot;
};

// A command line the tool cannot run; the message names the culprit.
class TUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the arguments after the program name. --help and --version win over
// whatever follows them; anything wrong before them throws TUsageError.
TCalcOptions ParseCalcOptions(std::span<const std::string_view> args);

// The --help text.
std::string CalcUsage();

}  // namespace tessary::cli
