// SPDX-License-Identifier: MIT
// The prompt's line editing through libedit, as a module of its own
// (lineeditor.h): only this file sees libedit. It needs nothing of the C++
// library, which tessary-calc carries inside itself.

#include <stdio.h>
#include <string.h>

#include <editline/readline.h>

#include <cstddef>
#include <cstdlib>
#include <string_view>

#include "lineeditor.h"

namespace {

// libedit calls the completion hook as a plain function.
tessary::cli::TCompleteWord gComplete = nullptr;

// Byte offset of the character index libedit counts positions in.
std::size_t ByteOffset(std::string_view text, int characters) {
  std::size_t at = 0;
  for (int i = 0; i < characters && at < text.size(); ++i) {
    ++at;
    while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) ++at;
  }
  return at;
}

char** Complete(const char* text, int, int) {
  rl_attempted_completion_over = 1;  // never fall back to file names in formulas
  const std::string_view buffer(rl_line_buffer);
  char* line = strndup(rl_line_buffer, ByteOffset(buffer, rl_point));
  if (line == nullptr) return nullptr;
  char** matches = gComplete(text, line);
  std::free(line);
  return matches;
}

char* ReadLine(const char* prompt) { return readline(prompt); }
void AddHistory(const char* line) { add_history(line); }
int ReadHistory(const char* path) { return read_history(path); }
int WriteHistory(const char* path) { return write_history(path); }

}  // namespace

extern "C" __attribute__((visibility("default"))) void TessaryOpenLineEditor(
    const tessary::cli::TLineEditorSetup* setup, tessary::cli::TLineEditor* editor) {
  gComplete = setup->Complete;
  rl_readline_name = setup->ProgramName;
  rl_basic_word_break_characters = setup->WordBreaks;
  rl_attempted_completion_function = Complete;
  rl_completion_append_character = '\0';
  using_history();
  stifle_history(setup->HistoryLines);
  *editor = {ReadLine, AddHistory, ReadHistory, WriteHistory};
}
