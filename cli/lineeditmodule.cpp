// SPDX-License-Identifier: MIT
// The prompt's line editing through libedit, as a module of its own
// (lineeditor.h): only this file sees libedit. It needs nothing of the C++
// library, which tessary-calc carries inside itself.

#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>
#include <wchar.h>

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

// Ctrl+R: a search back through the history of our own. libedit's own
// search takes a multibyte character apart, so that typing 结 and then 果
// made "果结果=5" of the line "结果=5".
const char* gPrompt = "";
char* gAccepted = nullptr;  // the line Enter took in a search, malloc'd

class THistorySearch {
 public:
  THistorySearch() : FOriginal(strdup(rl_line_buffer != nullptr ? rl_line_buffer : "")) {
    char* before = strndup(FOriginal, ByteOffset(FOriginal, rl_point));
    FShownWidth = Width(gPrompt) + Width(before != nullptr ? before : "");
    std::free(before);
  }
  ~THistorySearch() { std::free(FOriginal); }
  THistorySearch(const THistorySearch&) = delete;
  THistorySearch& operator=(const THistorySearch&) = delete;

  void Run() {
    Show();
    for (;;) {
      unsigned char c = 0;
      if (read(fileno(rl_instream != nullptr ? rl_instream : stdin), &c, 1) != 1) {
        // Ctrl+C (or the end of the input): the prompt sees why and drops the line.
        End(FOriginal);
        rl_done = 1;
        return;
      }
      if (!Take(c)) return;
    }
  }

 private:
  // One key; false when it ends the search.
  bool Take(unsigned char c) {
    switch (c) {
      case 0x12: Find(FIndex - 1); return true;  // Ctrl+R again: an older line
      case 0x7F:
      case 0x08: DropLastCharacter(); return true;
      case 0x07: End(FOriginal); return false;  // Ctrl+G: the line typed before
      case '\r':
      case '\n':
        End(Line());
        gAccepted = strdup(Line());
        rl_done = 1;
        return false;
      case 0x1B:
        SkipEscapeSequence();
        End(Line());
        return false;
      default: break;
    }
    if (c < 0x20) {
      End(Line());  // any other key ends the search on the line found
      return false;
    }
    if (FLength + 1 < sizeof FQuery) {
      FQuery[FLength++] = static_cast<char>(c);
      FQuery[FLength] = '\0';
    }
    // A character's first bytes alone find nothing: wait for the rest.
    if (!PartialCharacter()) Find(FFound ? FIndex : history_length - 1);
    return true;
  }

  bool PartialCharacter() const {
    std::size_t start = FLength;
    while (start > 0 && (static_cast<unsigned char>(FQuery[start - 1]) & 0xC0) == 0x80) --start;
    if (start == 0) return false;
    const auto lead = static_cast<unsigned char>(FQuery[start - 1]);
    const std::size_t have = FLength - start + 1;
    const std::size_t want = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return have < want;
  }

  void DropLastCharacter() {
    while (FLength > 0 && (static_cast<unsigned char>(FQuery[FLength - 1]) & 0xC0) == 0x80)
      --FLength;
    if (FLength > 0) --FLength;
    FQuery[FLength] = '\0';
    Find(history_length - 1);
  }

  // The newest line at or before offset from holding the query.
  void Find(int from) {
    FFound = false;
    for (int i = from; FLength > 0 && i >= 0; --i) {
      const HIST_ENTRY* entry = history_get(history_base + i);
      if (entry != nullptr && entry->line != nullptr && strstr(entry->line, FQuery) != nullptr) {
        FFound = true;
        FIndex = i;
        break;
      }
    }
    if (!FFound && FLength == 0) FIndex = history_length;
    Show();
  }

  const char* Line() const {
    if (!FFound) return FOriginal;
    const HIST_ENTRY* entry = history_get(history_base + FIndex);
    return entry != nullptr && entry->line != nullptr ? entry->line : FOriginal;
  }

  // The search line is ours to draw; libedit draws the line it ends on.
  void Show() {
    char prompt[sizeof FQuery + 32];
    snprintf(prompt, sizeof prompt,
             "(%sreverse-i-search)'%s': ", FFound || FLength == 0 ? "" : "failed ", FQuery);
    Clear();
    FILE* out = Out();
    fputs(prompt, out);
    fputs(Line(), out);
    fflush(out);
    FShownWidth = Width(prompt) + Width(Line());
  }

  void End(const char* line) {
    Clear();
    rl_set_prompt(gPrompt);
    if (*line == '\0') {
      rl_delete_text(0, rl_end);  // replacing with "" does nothing
    } else {
      rl_replace_line(line, 0);
    }
    // Redraws on a screen libedit takes for blank, from the cursor on.
    rl_forced_update_display();
  }

  // Clears from the first row of what is shown, wrapped rows included, and
  // leaves the cursor there.
  void Clear() const {
    int rows = 0;
    int columns = 0;
    rl_get_screen_size(&rows, &columns);
    const int up = columns > 0 ? FShownWidth / columns : 0;
    FILE* out = Out();
    if (up > 0) fprintf(out, "\033[%dA", up);
    fputs("\r\033[J", out);
    fflush(out);
  }

  static FILE* Out() { return rl_outstream != nullptr ? rl_outstream : stdout; }

  // An arrow or other key that sends ESC and more: its remaining bytes are
  // here at once and must not reach the line as text.
  static void SkipEscapeSequence() {
    const int fd = fileno(rl_instream != nullptr ? rl_instream : stdin);
    pollfd waiting{fd, POLLIN, 0};
    unsigned char c = 0;
    if (poll(&waiting, 1, 20) != 1 || read(fd, &c, 1) != 1) return;
    if (c != '[' && c != 'O') return;
    while (poll(&waiting, 1, 20) == 1 && read(fd, &c, 1) == 1)
      if (c >= 0x40 && c <= 0x7E) return;
  }

  // Terminal columns of a UTF-8 text (a Chinese character takes two).
  static int Width(const char* text) {
    int width = 0;
    mbstate_t state{};
    for (std::size_t n = 0; *text != '\0'; text += n) {
      wchar_t c = 0;
      n = mbrtowc(&c, text, strlen(text), &state);
      if (n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2)) return width;
      const int w = wcwidth(c);
      width += w > 0 ? w : 0;
    }
    return width;
  }

  char* FOriginal;
  // Columns from the start of the prompt to the cursor as shown now.
  int FShownWidth;
  char FQuery[256] = "";
  std::size_t FLength = 0;
  int FIndex = 0;
  bool FFound = false;
};

int SearchHistory(int, int) {
  THistorySearch search;
  search.Run();
  return 0;
}

char* ReadLine(const char* prompt) {
  gPrompt = prompt;
  char* line = readline(prompt);
  if (gAccepted != nullptr) {
    // Enter in a search ends the edit through rl_done, which libedit does
    // not answer with the line.
    std::free(line);
    line = gAccepted;
    gAccepted = nullptr;
    fputc('\n', rl_outstream != nullptr ? rl_outstream : stdout);
  }
  return line;
}
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
  rl_initialize();  // the binding below needs the editor made
  rl_add_defun("tessary-search-history", SearchHistory, 0x12);
  using_history();
  stifle_history(setup->HistoryLines);
  *editor = {ReadLine, AddHistory, ReadHistory, WriteHistory};
}
