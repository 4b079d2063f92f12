// SPDX-License-Identifier: MIT
// tessary-calc's command line as the parser reads it: the rules the golden
// cases do not show, above all that every worksheet option sets its own
// setting and no other.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "calcoptions.h"

namespace tessary::cli {
namespace {

// What main() acts on, as one line: "help", "version", or the inputs and
// the worksheet with the settings that are on.
std::string Describe(const TCalcOptions& options) {
  if (options.Action == TCalcAction::Help) return "help";
  if (options.Action == TCalcAction::Version) return "version";
  std::string text;
  auto add = [&text](std::string_view word) {
    if (!text.empty()) text += ' ';
    text += word;
  };
  for (const TCalcInput& input : options.Inputs) {
    add(input.Kind == TInputKind::Expression ? "-e" : "-f");
    add(input.Text);
  }
  if (!options.HasWorksheet) return text;
  const TWorksheetOptions& ws = options.Worksheet;
  add("worksheet " + ws.Path);
  if (!ws.VarsPath.empty()) add("vars=" + ws.VarsPath);
  for (const std::string& row : ws.VarRows) add("var=" + row);
  if (ws.Log) add("log");
  if (ws.Utf8) add("utf8");
  if (ws.Cp936) add("cp936");
  return text;
}

// The parsed command line, or "error: " and the message of the usage error
// (which main() prints and answers with exit status 2).
std::string Parse(const std::vector<std::string_view>& args) {
  try {
    return Describe(ParseCalcOptions(args));
  } catch (const TUsageError& e) {
    return std::string("error: ") + e.what();
  }
}

struct TParseRow {
  std::vector<std::string_view> Args;
  std::string Parsed;
  const char* Why;
};

TEST(CalcOptions, ReadTheCommandLine) {
  const TParseRow rows[] = {
      // Each worksheet option turns on its own setting only.
      {{"--utf8", "w.txt"}, "worksheet w.txt utf8", "--utf8"},
      {{"--cp936", "w.txt"}, "worksheet w.txt cp936", "--cp936 is not --utf8"},
      {{"--log", "w.txt"}, "worksheet w.txt log", "--log is not --utf8"},
      {{"--vars", "v.vle", "w.txt"}, "worksheet w.txt vars=v.vle", "--vars is not --utf8"},
      {{"--var", "a=1", "--var=b==2", "w.txt"},
       "worksheet w.txt var=a=1 var=b==2",
       "--var is not --utf8; the row is kept whole after the first ="},
      {{"--vars=", "w.txt"},
       "error: option '--vars' requires a file name",
       "an empty --vars names no file"},
      {{"--vars=-", "-"},
       "error: the worksheet and --vars cannot both be standard input",
       "standard input is read once"},
      {{"--vars=-", "w.txt"}, "worksheet w.txt vars=-", "--vars may be standard input"},

      // Values and operands.
      {{"-e", "-1", "--expressions", "--"},
       "-e -1 -f --",
       "a value is the next argument, whatever it looks like"},
      {{"-eh"}, "-e h", "the rest of a cluster after -e is its value"},
      {{"--", "-e"}, "worksheet -e", "after -- an argument is a worksheet"},
      {{"--expression"},
       "error: option '--expression' requires an argument",
       "a long option's value missing at the end"},
      {{}, "", "nothing given: main() chooses the prompt or standard input"},

      // --help and --version end the parsing; errors before them count.
      {{"--log", "--help"}, "help", "--help is not checked for a worksheet"},
      {{"--version", "--vars="}, "version", "what follows --version is not read"},
      {{"--bogus", "--help"},
       "error: unrecognized option '--bogus'",
       "an error before --help is reported"},
      {{"-V"}, "error: invalid option -- 'V'", "--version has no short form"},
  };
  for (const TParseRow& row : rows) {
    SCOPED_TRACE(row.Why);
    EXPECT_EQ(Parse(row.Args), row.Parsed);
  }
}

}  // namespace
}  // namespace tessary::cli
