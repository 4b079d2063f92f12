// SPDX-License-Identifier: MIT
#include "statementprompt.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "atomicfile.h"
#include "calculation.h"
#include "cp936.h"
#include "keyvaluetable.h"
#include "statementsource.h"
#include "textutil.h"
#include "worksheetfile.h"

namespace tessary::cli {

namespace {

constexpr std::string_view kLineFailed = "这一行有错误，其中的名字都没有保留";
constexpr std::string_view kNoNames = "（还没有名字）";
constexpr std::string_view kBadName = "：名字以字母或汉字开头，只含字母、汉字、数字和下划线";
constexpr std::string_view kBuiltinName = "：它是内置的函数或常量";
// A variable file is a few kilobytes; anything near this is no variable file
// and would only make the prompt wait.
constexpr std::int64_t kMaxVariableFile = 16 * 1024 * 1024;

constexpr std::string_view kHelp =
    "每行是一个语句，与工作表的一行相同：\n"
    "  表达式        例如 2×[3+4]，只显示结果\n"
    "  名字=表达式   例如 r=2.5，结果留给后面的行使用\n"
    "  f(x)=表达式   定义函数，例如 f(x)=x^2+1，之后 f(3) 得 10\n"
    "  :vars         列出留下的名字、数值和函数\n"
    "  :load 文件    从 .vle 变量文件（GBK 或 UTF-8）读入名字\n"
    "  :clear        忘记所有名字\n"
    "  :约定 标准    按课本的规则计算（:约定 经典 回到默认的规则）\n"
    "  quit、exit    退出（或按 Ctrl+D）\n"
    "编辑：←→ Home End 移动，↑↓ 翻历史，Ctrl+R 搜索历史，Tab 补全函数名和名字";

// The report tells the prompt the same (unbalanced brackets, the message
// that ended the line), next to the statement it concerns.
class TIgnoredMessages : public ICalcMessages {
 public:
  void ShowMessage(const std::string&) override {}
  void ShowError(const std::string&) override {}
};

bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
         (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
         (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

// The terminal column of the character its error came from, in the line as
// typed: the statement's own place when the error's is not known.
std::size_t ErrorColumn(std::string_view line, std::size_t index, const TStatementOutcome& s) {
  const TStatementPlace place = PlaceOfStatement({std::string(line)}, index, s);
  const TPanePlace at = place.ErrorKnown ? place.Error : place.Expression;
  const std::vector<std::string_view> typed = Utf8Characters(line);
  std::size_t bytes = 0;
  for (std::size_t k = 0; k < at.Column && k < typed.size(); ++k) bytes += typed[k].size();
  return DisplayColumns(line.substr(0, bytes));
}

std::string Quoted(std::string_view name) { return "“" + std::string(name) + "”"; }

// A name's continuation in the case the user started it: all lower case
// typed gives lower case, a mixed start is kept and continued in lower case.
std::string InTypedCase(std::string_view typed, std::string_view name) {
  const bool anyLower =
      std::any_of(typed.begin(), typed.end(), [](char c) { return c >= 'a' && c <= 'z'; });
  const bool anyUpper =
      std::any_of(typed.begin(), typed.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
  if (!anyLower) return std::string(name);
  if (!anyUpper) return AsciiLower(name);
  return std::string(typed) + AsciiLower(name.substr(typed.size()));
}

bool StartsIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         EqualIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

std::string ExpandHome(std::string_view path) {
  const char* home = std::getenv("HOME");
  if (path.starts_with("~/") && home != nullptr && home[0] == '/')
    return std::string(home) + std::string(path.substr(1));
  return std::string(path);
}

}  // namespace

TPromptReply TStatementPrompt::Answer(std::string_view line) {
  TPromptReply reply;
  reply.Typed = line;
  const std::string_view trimmed = Trim(line);
  const std::string word = AsciiLower(trimmed);
  if (word == "quit" || word == "exit" || word == ":quit" || word == ":q") {
    reply.Quit = true;
  } else if (trimmed.starts_with(':')) {
    RunCommand(trimmed, reply);
  } else if (!trimmed.empty()) {
    CalculateLine(line, reply);
  }
  return reply;
}

void TStatementPrompt::CalculateLine(std::string_view line, TPromptReply& reply) {
  TWorksheet ws;
  ws.Convention = FConvention;
  ws.KeepFunctions = true;  // those of earlier lines
  const std::vector<TUserFunction> before = FEngine.Functions();
  ws.Formula.emplace_back(line);
  for (const TKept& kept : FKept) ws.Variables.Append(kept.Name, kept.Value);
  TIgnoredMessages messages;
  const TCalcReport report = Calculate(ws, FEngine, messages);

  std::vector<TKept> assigned;
  bool defined = false;
  bool failed = !report.Failure.empty();
  auto& items = reply.Items;
  for (std::size_t i = 0; i < report.Statements.size(); ++i) {
    const TStatementOutcome& s = report.Statements[i];
    if (s.ErrorCode != 0) {
      failed = true;
      items.push_back({TPromptItem::TKind::Error,
                       "ERROR " + std::to_string(s.ErrorCode) + " " + s.ErrorMessage,
                       ErrorColumn(line, i, s)});
      continue;
    }
    // Unbalanced brackets that still evaluate: the worksheet's warning.
    if (s.BracketsUnbalanced)
      items.push_back({TPromptItem::TKind::Note, std::string(kBracketMessage)});
    items.push_back({TPromptItem::TKind::Result, ws.Results[i]});
    defined = defined || s.Definition;
    if (s.Name.empty() || s.Definition) continue;  // the engine keeps a function
    const std::string_view name = Trim(std::string_view(s.Name).substr(0, s.Name.size() - 1));
    if (const std::string why = Unkeepable(name); !why.empty()) {
      items.push_back({TPromptItem::TKind::Note, why});
      continue;
    }
    assigned.push_back({std::string(name), ws.Results[i].substr(s.Name.size())});
  }
  if (!report.Failure.empty()) items.push_back({TPromptItem::TKind::Note, report.Failure});
  if (failed) {
    // A later statement may have used the failed one's 0: keep nothing,
    // functions the line defined included.
    FAnyError = true;
    FEngine.ClearFunctions();
    for (const TUserFunction& f : before) FEngine.DefineFunction(f);
    if (!assigned.empty() || defined)
      items.push_back({TPromptItem::TKind::Note, std::string(kLineFailed)});
    return;
  }
  for (const TKept& kept : assigned) Keep(kept.Name, kept.Value);
}

void TStatementPrompt::RunCommand(std::string_view command, TPromptReply& reply) {
  const std::size_t blank = command.find_first_of(" \t");
  const std::string name = AsciiLower(command.substr(0, blank));
  const std::string_view argument =
      blank == std::string_view::npos ? std::string_view() : Trim(command.substr(blank));
  auto note = [&reply](std::string text) {
    reply.Items.push_back({TPromptItem::TKind::Note, std::move(text)});
  };
  if (name == ":vars") {
    if (FKept.empty() && FEngine.Functions().empty()) note(std::string(kNoNames));
    for (const TKept& kept : FKept) note(kept.Name + "=" + kept.Value);
    for (const TUserFunction& f : FEngine.Functions()) note(f.Shown);
  } else if (name == ":clear") {
    note("已忘记 " + std::to_string(FKept.size() + FEngine.Functions().size()) + " 个名字");
    FKept.clear();
    FEngine.ClearFunctions();
  } else if (name == ":load") {
    if (argument.empty())
      note("用法：:load 文件.vle");
    else
      Load(argument, reply);
  } else if (name == ":约定" || name == ":convention") {
    SetConventionCommand(argument, reply);
  } else if (name == ":help") {
    note(std::string(kHelp));
  } else {
    note("未知的命令" + Quoted(command.substr(0, blank)) + "；:help 列出命令");
  }
}

// ":约定 标准" or ":convention standard" (经典, classic); alone it tells.
void TStatementPrompt::SetConventionCommand(std::string_view argument, TPromptReply& reply) {
  const std::string word = AsciiLower(argument);
  if (word == "标准" || word == "standard") {
    FConvention = TConvention::Standard;
  } else if (word == "经典" || word == "classic") {
    FConvention = TConvention::Classic;
  } else if (!word.empty()) {
    reply.Items.push_back({TPromptItem::TKind::Note,
                           "用法：:约定 标准 或 :约定 经典（:convention standard|classic）"});
    return;
  }
  reply.Items.push_back({TPromptItem::TKind::Note,
                         FConvention == TConvention::Standard ? "约定：标准" : "约定：经典"});
}

void TStatementPrompt::Load(std::string_view shownPath, TPromptReply& reply) {
  auto note = [&reply](std::string text) {
    reply.Items.push_back({TPromptItem::TKind::Note, std::move(text)});
  };
  const std::string path = ExpandHome(shownPath);
  // A pipe or a device would make the prompt wait for ever.
  struct stat st;
  if (stat(path.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return note(std::string(shownPath) + " 不是普通文件");
    if (st.st_size > kMaxVariableFile) return note(std::string(shownPath) + " 太大，不是变量文件");
  }
  TKeyValueTable table;
  try {
    const std::string bytes = platform::ReadWholeFile(path, kMaxWorksheetFileBytes);
    ReadVariableRows(bytes, table, DetectTextFormat(bytes));
  } catch (const platform::EFileError& e) {
    return note(e.what());
  } catch (const EDuplicateKey& e) {
    // Half a file would give plausible but wrong results.
    return note(std::string(shownPath) + ": " + e.what());
  }
  std::size_t count = 0;
  for (const std::string& row : table.Rows()) {
    const std::string_view name = Trim(TKeyValueTable::KeyOf(row));
    if (name.empty()) continue;  // a blank line or a row without a name
    if (const std::string why = Unkeepable(name); !why.empty()) {
      note(why);
      continue;
    }
    Keep(name, Trim(TKeyValueTable::ValueOf(row)));
    ++count;
  }
  note("已读入 " + std::to_string(count) + " 个名字：" + std::string(shownPath));
}

void TStatementPrompt::Keep(std::string_view name, std::string_view value) {
  for (TKept& kept : FKept) {
    if (!EqualIgnoringAsciiCase(kept.Name, name)) continue;
    kept.Name = name;
    kept.Value = value;
    return;
  }
  FKept.push_back({std::string(name), std::string(value)});
}

std::string TStatementPrompt::Unkeepable(std::string_view name) const {
  // A kept name is put into every later line: a relation's left side or a
  // built-in's name would quietly change the formulas that use them.
  if (!IsName(name)) return "没有保留" + Quoted(name) + std::string(kBadName);
  if (IsBuiltinName(name)) return "没有保留" + Quoted(name) + std::string(kBuiltinName);
  return {};
}

bool TStatementPrompt::IsBuiltinName(std::string_view name) const {
  const auto& table = FEngine.NameTable();
  return std::any_of(table.begin(), table.end(),
                     [name](const TNameEntry& e) { return EqualIgnoringAsciiCase(e.Name, name); });
}

std::vector<std::string> TStatementPrompt::KeptRows() const {
  std::vector<std::string> rows;
  for (const TKept& kept : FKept) rows.push_back(kept.Name + "=" + kept.Value);
  return rows;
}

std::vector<std::string> TStatementPrompt::Completions(std::string_view word) const {
  // A name starts with a letter: digits before it belong to a number.
  const std::size_t stemAt = std::min(word.size(), word.find_first_not_of("0123456789._"));
  const std::string lead(word.substr(0, stemAt));
  const std::string_view stem = word.substr(stemAt);
  std::vector<std::string> found;
  for (const TNameEntry& e : FEngine.NameTable())
    if (StartsIgnoringCase(e.Name, stem)) found.push_back(lead + InTypedCase(stem, e.Name));
  for (const TKept& kept : FKept)
    if (StartsIgnoringCase(kept.Name, stem)) found.push_back(lead + kept.Name);
  for (const TUserFunction& f : FEngine.Functions()) {
    const std::string name = platform::Cp936ToUtf8(f.Name);
    if (StartsIgnoringCase(name, stem)) found.push_back(lead + name);
  }
  std::sort(found.begin(), found.end(), [](const std::string& a, const std::string& b) {
    const std::string la = AsciiLower(a), lb = AsciiLower(b);
    return la != lb ? la < lb : a < b;
  });
  found.erase(std::unique(found.begin(), found.end()), found.end());
  return found;
}

std::string RenderReply(const TPromptReply& reply, std::size_t promptColumns) {
  std::string text;
  for (std::size_t i = 0; i < reply.Items.size(); ++i) {
    const TPromptItem& item = reply.Items[i];
    if (item.Kind == TPromptItem::TKind::Error) {
      // Only the first line of output sits right under the typed line.
      if (i > 0) text += std::string(promptColumns, ' ') + reply.Typed + "\n";
      text += std::string(promptColumns + item.Column, ' ') + "^\n";
    }
    text += item.Text + "\n";
  }
  return text;
}

std::size_t DisplayColumns(std::string_view utf8) {
  std::size_t columns = 0;
  for (std::string_view ch : Utf8Characters(utf8)) {
    const char32_t c = CodePoint(ch);
    columns += (c < 0x20 || c == 0x7F || IsWide(c)) ? 2 : 1;
  }
  return columns;
}

}  // namespace tessary::cli
