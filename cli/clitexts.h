// SPDX-License-Identifier: MIT
#pragma once

// tessary-calc's own texts, in English and in Chinese: the help, the usage
// errors and the last-resort complaints. One table holds both languages, so
// a text added in one is added in the other. Which one is shown follows the
// locale, as every command-line tool's does.

#include <string>
#include <string_view>

namespace tessary::cli {

enum class TCliText {
  Usage,
  TryHelp,
  VarsNeedsFile,
  VarNeedsNameValue,
  UnexpectedArgument,
  NeedsWorksheet,
  Utf8AndCp936,
  WorksheetWithInputs,
  BothStandardInput,
  NoArgumentAllowed,
  RequiresArgument,
  UnrecognizedOption,
  InvalidShortOption,
  ShortRequiresArgument,
  OutOfMemory,
  WriteError,
  ConventionValue,
  PlotWithInputs,
  PlotNeedsOutput,
  PlotOptionAlone,
};

enum class TCliLanguage { English, Chinese };

// Chinese when the locale's messages are (LC_ALL, else LC_MESSAGES, else
// LANG starts with "zh"), English otherwise.
TCliLanguage LanguageFromEnvironment();
// The language CliText uses; English until main() sets it.
void SetCliLanguage(TCliLanguage language);

// The text in the language set, with "%s" replaced by arg.
std::string CliText(TCliText id, std::string_view arg = {});

}  // namespace tessary::cli
