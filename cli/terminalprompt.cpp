// SPDX-License-Identifier: MIT
#include "terminalprompt.h"

#include <dirent.h>
#include <dlfcn.h>
#include <langinfo.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "apppaths.h"
#include "formulaparser.h"
#include "lineeditor.h"
#include "pathname.h"
#include "statementprompt.h"
#include "textutil.h"
#include "trustedfile.h"

namespace tessary::cli {

namespace {

constexpr char kPrompt[] = "> ";
constexpr std::size_t kPromptColumns = 2;
constexpr int kHistoryLines = 1000;

constexpr std::string_view kBanner =
    "Tessary公式计算器 tessary-calc：每行一个语句，如 r=2.5 或 π×r^2\n"
    ":help 列出命令和按键；quit、exit 或 Ctrl+D 退出\n";

// Everything but the characters of a name ends the word Tab completes.
constexpr char kWordBreaks[] = " \t\n\"'`@$><=;|&{([+-*/^,)]}%!#?:\\~×÷π";

// The line editor calls the completion hook as a plain function.
const TStatementPrompt* gPrompt = nullptr;

char* Duplicate(std::string_view text) {
  char* copy = static_cast<char*>(std::malloc(text.size() + 1));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

// The part all candidates share, whole UTF-8 characters only; never less
// than the word typed, which the editor replaces by it.
std::string SharedStart(const std::vector<std::string>& candidates, std::string_view word) {
  const std::string& first = candidates.front();
  std::size_t n = first.size();
  for (const std::string& c : candidates) {
    std::size_t k = 0;
    while (k < n && k < c.size() && first[k] == c[k]) ++k;
    n = k;
  }
  // Back to the start of a character cut in the middle.
  while (n > 0 && n < first.size() && (static_cast<unsigned char>(first[n]) & 0xC0) == 0x80) --n;
  return n < word.size() ? std::string(word) : first.substr(0, n);
}

// In libedit's form: the shared start, then the candidates, then null.
char** MatchList(const std::vector<std::string>& candidates, std::string_view word) {
  if (candidates.empty()) return nullptr;
  auto** list = static_cast<char**>(std::calloc(candidates.size() + 2, sizeof(char*)));
  if (list == nullptr) return nullptr;
  list[0] = Duplicate(SharedStart(candidates, word));
  for (std::size_t i = 0; i < candidates.size(); ++i) list[i + 1] = Duplicate(candidates[i]);
  return list;
}

// After ":load " Tab completes file names, folders with a "/". The
// editor's word ends at "/" (and at signs such as "-"), so the names found
// for the argument's last part are cut to the word's part.
char** FileMatches(std::string_view argument, std::string_view word) {
  const std::size_t slash = argument.rfind('/');
  const std::string_view typedFolder =
      slash == std::string_view::npos ? std::string_view() : argument.substr(0, slash + 1);
  const std::string_view part = argument.substr(typedFolder.size());
  if (word.size() > part.size()) return nullptr;
  std::string folder = typedFolder.empty() ? std::string(".") : std::string(typedFolder);
  const char* home = std::getenv("HOME");
  if (folder.starts_with("~/") && home != nullptr) folder = home + folder.substr(1);

  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      const std::string_view name(entry->d_name);
      if (name == "." || name == ".." || !name.starts_with(part)) continue;
      if (name.starts_with('.') && !part.starts_with('.')) continue;
      struct stat st;
      const bool isFolder =
          stat(platform::JoinPath(folder, name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
      names.push_back(std::string(name.substr(part.size() - word.size())) + (isFolder ? "/" : ""));
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return MatchList(names, word);
}

char** Complete(const char* word, const char* typed) {
  const std::string_view line(typed);
  const std::size_t command = line.find_first_not_of(" \t");
  constexpr std::string_view kLoad = ":load";
  if (command != std::string_view::npos && line.substr(command).starts_with(kLoad) &&
      line.size() > command + kLoad.size() &&
      (line[command + kLoad.size()] == ' ' || line[command + kLoad.size()] == '\t')) {
    std::string_view argument = line.substr(command + kLoad.size());
    argument.remove_prefix(std::min(argument.size(), argument.find_first_not_of(" \t")));
    return FileMatches(argument, word);
  }
  return MatchList(gPrompt->Completions(word), word);
}

// The line editor module, from where no other user can have put or
// replaced it ("lib/tessary" beside the program's folder) and through the
// very file that was checked; nothing, and why, when it cannot be loaded.
std::optional<TLineEditor> LoadLineEditor(const TLineEditorSetup& setup, std::string& why) {
  char program[4096];
  const ssize_t length = readlink("/proc/self/exe", program, sizeof program);
  if (length <= 0 || static_cast<std::size_t>(length) == sizeof program) {
    why = "找不到程序文件";
    return std::nullopt;
  }
  const std::string prefix =
      platform::FolderOf(platform::FolderOf(std::string_view(program, length)));
  const std::string path = platform::JoinPath(prefix, kLineEditorModule);
  const int fd = platform::OpenTrustedFile(prefix, path, why);
  if (fd < 0) return std::nullopt;
  void* handle = dlopen(("/proc/self/fd/" + std::to_string(fd)).c_str(), RTLD_NOW | RTLD_LOCAL);
  close(fd);
  if (handle == nullptr) {
    const char* error = dlerror();
    why = error != nullptr ? error : path;
    return std::nullopt;
  }
  const auto open = reinterpret_cast<TOpenLineEditor>(dlsym(handle, kOpenLineEditor));
  if (open == nullptr) {
    why = path + "：缺少入口";
    return std::nullopt;
  }
  TLineEditor editor{};
  open(&setup, &editor);
  return editor;
}

// Without the module: the terminal's own line editing (erase, kill), no
// more.
char* PlainReadLine(TOutBuffer& out, TLineReader& input, const char* prompt) {
  out.Append(prompt);
  out.Flush();
  std::string_view line;
  return input.Next(line) ? Duplicate(line) : nullptr;
}

// libedit edits multibyte text only under a UTF-8 character type; the
// program's input and output are UTF-8 whatever the locale says.
void UseUtf8Characters() {
  if (std::setlocale(LC_CTYPE, "") != nullptr && std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0)
    return;
  std::setlocale(LC_CTYPE, "C.UTF-8");
}

// The history file: read at the start, written after every line entered so
// that a closed terminal or a kill loses nothing. Written beside the old
// file and renamed over it, so that a full disk keeps the old one. Without
// a line editor there is no history to keep.
class THistoryFile {
 public:
  explicit THistoryFile(const TLineEditor* editor) : FEditor(editor) {
    const std::string state = platform::UserStateDir();
    if (!state.empty()) FPath = platform::JoinPath(platform::JoinPath(state, "tessary"), "history");
  }

  void Load() const {
    if (FEditor != nullptr && !FPath.empty())
      FEditor->ReadHistory(FPath.c_str());  // none yet is fine
  }

  // Reports the first failure only: the calculator goes on without it.
  void Save() {
    if (FEditor == nullptr || FWarned) return;
    if (FPath.empty()) {
      Warn("没有主文件夹，历史记录不会保存");
    } else if (const int error = Write(); error != 0) {
      Warn("无法保存历史记录“" + FPath + "”：" + std::strerror(error) + "（计算照常）");
    }
  }

 private:
  int Write() const {
    if (!platform::MakeFolders(platform::FolderOf(FPath))) return errno != 0 ? errno : EIO;
    std::string temporary = FPath + ".XXXXXX";
    const int fd = mkstemp(temporary.data());  // 0600: a history is private
    if (fd < 0) return errno;
    close(fd);
    int error = FEditor->WriteHistory(temporary.c_str());
    if (error == 0 && std::rename(temporary.c_str(), FPath.c_str()) != 0) error = errno;
    if (error != 0) unlink(temporary.c_str());
    return error;
  }

  void Warn(const std::string& text) {
    FWarned = true;
    WriteAll(STDERR_FILENO, "tessary-calc: " + text + '\n');
  }

  const TLineEditor* FEditor;
  std::string FPath;
  bool FWarned = false;
};

}  // namespace

namespace {

// Ctrl+C drops the line being typed, as in every shell, instead of ending
// the prompt and losing every name kept so far. The read it interrupts
// gives up; the loop sees why.
volatile sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) { gInterrupted = 1; }

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: the read must give up
  sigaction(SIGINT, &action, nullptr);
}

}  // namespace

int RunTerminalPrompt(TOutBuffer& out, TConvention convention) {
  UseUtf8Characters();
  CatchInterrupts();
  TFormulaParser engine;
  TStatementPrompt prompt(engine);
  prompt.SetConvention(convention);
  gPrompt = &prompt;
  const TLineEditorSetup setup{"tessary-calc", kWordBreaks, kHistoryLines, Complete};
  std::string why;
  const std::optional<TLineEditor> editor = LoadLineEditor(setup, why);
  if (!editor)
    WriteAll(STDERR_FILENO,
             "tessary-calc: 无法载入行编辑模块（" + why + "），只能逐行输入，没有历史记录和补全\n");
  TLineReader input(STDIN_FILENO);
  THistoryFile history(editor ? &*editor : nullptr);
  history.Load();

  out.Append(kBanner);
  out.Flush();
  std::string previous;
  for (;;) {
    char* raw = editor ? editor->ReadLine(kPrompt) : PlainReadLine(out, input, kPrompt);
    // Without the editor the terminal itself drops the line and the read
    // goes on to the next one, which counts.
    const bool interrupted = gInterrupted != 0;
    gInterrupted = 0;
    if (interrupted && editor) {
      std::free(raw);
      out.Append('\n');
      out.Flush();
      continue;
    }
    if (raw == nullptr) {
      out.Append('\n');
      break;
    }
    const std::string line(raw);
    std::free(raw);
    const TPromptReply reply = prompt.Answer(line);
    if (!reply.Quit) {
      out.Append(RenderReply(reply, kPromptColumns));
      out.Flush();
    }
    // After the answer: a caret belongs right under its line.
    if (!Trim(line).empty() && line != previous) {
      if (editor) editor->AddHistory(line.c_str());
      previous = line;
      history.Save();
    }
    if (reply.Quit) break;
  }
  gPrompt = nullptr;
  return prompt.AnyError() ? 1 : 0;
}

}  // namespace tessary::cli
