// SPDX-License-Identifier: MIT
#pragma once

// What the interactive prompt of tessary-calc does with a typed line, apart
// from the terminal: each line is calculated as one line of a worksheet, a
// name assigned keeps its result for the later lines, ":" commands list,
// load and forget the names, an error knows the column of its character in
// the line as typed, and Tab's candidates come from here.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "formulaparser.h"

namespace tessary::cli {

struct TPromptItem {
  enum class TKind {
    Result,  // a result line as the worksheet lists it: "a=2", or "6" without a name
    Error,   // Text is "ERROR <code> <message>"; a caret goes under Column first
    Note,    // any other message: a command's answer, why a name was not kept
  };
  TKind Kind = TKind::Note;
  std::string Text;        // UTF-8
  std::size_t Column = 0;  // Error: terminal columns from the start of the typed line
};

struct TPromptReply {
  std::string Typed;  // the line as typed
  std::vector<TPromptItem> Items;
  bool Quit = false;  // quit or exit
};

class TStatementPrompt {
 public:
  // The engine serves every line; its name table gives Tab's function names.
  explicit TStatementPrompt(TFormulaParser& engine) : FEngine(engine) {}

  TPromptReply Answer(std::string_view line);
  // The rules every line is calculated by (":约定" changes them too).
  void SetConvention(TConvention convention) { FConvention = convention; }

  // The names kept so far, "name=value", in the order first assigned.
  std::vector<std::string> KeptRows() const;
  // Whether any line recorded an error (the exit status tells).
  bool AnyError() const { return FAnyError; }

  // Everything Tab may put in place of word (the name being typed, as the
  // line editor cuts it): the function names starting with it, written in
  // the case the user started, and the kept names, ignoring letter case.
  // Digits in front of the name stay. Sorted ignoring letter case.
  std::vector<std::string> Completions(std::string_view word) const;

 private:
  struct TKept {
    std::string Name;
    std::string Value;
  };

  void CalculateLine(std::string_view line, TPromptReply& reply);
  void RunCommand(std::string_view command, TPromptReply& reply);
  void Load(std::string_view path, TPromptReply& reply);
  void SetConventionCommand(std::string_view argument, TPromptReply& reply);
  void Keep(std::string_view name, std::string_view value);
  // Why name cannot be kept, or "" when it can.
  std::string Unkeepable(std::string_view name) const;
  bool IsBuiltinName(std::string_view name) const;

  TFormulaParser& FEngine;
  TConvention FConvention = TConvention::Classic;
  std::vector<TKept> FKept;
  bool FAnyError = false;
};

// The text shown for a reply when the typed line began promptColumns
// columns from the left: result and note lines, and for an error a caret
// under its character, then its code and message. An error that does not
// come first shows the typed line again above its caret.
std::string RenderReply(const TPromptReply& reply, std::size_t promptColumns);

// Columns that UTF-8 text takes on a terminal: Chinese and other wide
// characters two, control characters two (shown as ^X), others one.
std::size_t DisplayColumns(std::string_view utf8);

}  // namespace tessary::cli
