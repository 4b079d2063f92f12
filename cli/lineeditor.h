// SPDX-License-Identifier: MIT
#pragma once

// The prompt's line editing lives in a module of its own, loaded when the
// prompt starts on a terminal: libedit and the libraries it pulls in
// (libtinfo, libbsd, libmd) then cost nothing to a run with -e, -f or a
// worksheet. These are the module's one entry and what it hands back.

namespace tessary::cli {

// The module's file, in "lib/tessary" beside the program's "bin" (in the
// build tree, beside the folder of tessary-calc).
inline constexpr const char* kLineEditorModule = "lib/tessary/libtessary_lineedit.so";

// Tab's candidates for word, the word before the cursor as the editor cuts
// it; line is the line up to the cursor. Returns what libedit takes: a
// malloc'd, null-ended list of malloc'd texts, the part all candidates
// share first; or null for none.
using TCompleteWord = char** (*)(const char* word, const char* line);

struct TLineEditorSetup {
  const char* ProgramName;  // for the user's ~/.editrc
  const char* WordBreaks;   // the characters that end the word Tab completes
  int HistoryLines;         // the history keeps at most this many lines
  TCompleteWord Complete;
};

// What the module does, once set up.
struct TLineEditor {
  // The next line, malloc'd and without its line end; null at the end of
  // the input.
  char* (*ReadLine)(const char* prompt);
  void (*AddHistory)(const char* line);
  // 0, or an errno value.
  int (*ReadHistory)(const char* path);
  int (*WriteHistory)(const char* path);
};

// Sets the editor up and fills editor.
using TOpenLineEditor = void (*)(const TLineEditorSetup* setup, TLineEditor* editor);
inline constexpr const char* kOpenLineEditor = "TessaryOpenLineEditor";

}  // namespace tessary::cli
