// SPDX-License-Identifier: MIT
#include "inifile.h"

#include <cerrno>
#include <stdexcept>
#include <utility>

#include "apppaths.h"
#include "atomicfile.h"
#include "pathname.h"
#include "textutil.h"

namespace tessary::platform {

namespace {

constexpr std::size_t kNone = std::string::npos;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Ini names and values lose only the spaces and tabs around them.
std::string_view Trim(std::string_view text) { return TrimBlanks(text); }

bool IsQuote(char c) { return c == '"' || c == '\''; }

bool IsQuoted(std::string_view text) {
  return text.size() >= 2 && IsQuote(text.front()) && text.back() == text.front();
}

std::string_view Unquote(std::string_view value) {
  return IsQuoted(value) ? value.substr(1, value.size() - 2) : value;
}

// Quotes protect what reading would strip: outer blanks, outer quotes.
std::string Quoted(std::string_view value) {
  const bool needed =
      !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) || IsQuoted(value));
  if (!needed) return std::string(value);
  std::string text = "\"";
  text += value;
  text += '"';
  return text;
}

enum class TKind { Blank, Comment, Section, Key, Other };

struct TParsed {
  explicit TParsed(TKind kind, std::string_view name = {}, std::string_view value = {})
      : Kind(kind), Name(name), Value(value) {}

  TKind Kind;
  std::string_view Name;   // section name or key, trimmed
  std::string_view Value;  // trimmed, quotes still on
};

TParsed ParseLine(std::string_view line) {
  const std::string_view text = Trim(line);
  if (text.empty()) return TParsed(TKind::Blank);
  if (text.front() == ';') return TParsed(TKind::Comment);
  if (text.front() == '[') {
    // The last "]" closes the name, so that a name holding "]" reads back.
    const auto close = text.rfind(']');
    if (close != std::string_view::npos && close > 0)
      return TParsed(TKind::Section, Trim(text.substr(1, close - 1)));
  }
  const auto equals = text.find('=');
  if (equals == std::string_view::npos) return TParsed(TKind::Other);
  const std::string_view key = Trim(text.substr(0, equals));
  if (key.empty()) return TParsed(TKind::Other);
  return TParsed(TKind::Key, key, Trim(text.substr(equals + 1)));
}

// A byte order mark some editors put at the start is not part of the name.
std::string_view WithoutBom(std::string_view text, std::size_t index) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  if (index == 0 && text.starts_with(kBom)) text.remove_prefix(kBom.size());
  return text;
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

void CheckWritable(std::string_view section, std::string_view key, std::string_view value) {
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value))
    throw std::invalid_argument("ini text cannot hold a line break");
  if (key.empty() || key.find('=') != std::string_view::npos || key.front() == ';' ||
      key.front() == '[')
    throw std::invalid_argument("not a valid ini key: \"" + std::string(key) + "\"");
}

}  // namespace

TIniFile::TIniFile(std::string path) : FPath(std::move(path)) {
  std::string bytes;
  try {
    bytes = ReadWholeFile(FPath, kMaxIniFileBytes);
    FExisted = true;
  } catch (const EFileError& error) {
    FExisted = error.Error() != ENOENT && error.Error() != ENOTDIR;
    if (FExisted) FReadError = error.Error();
    return;
  }
  bool lineEndSeen = false;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const auto newline = bytes.find('\n', start);
    if (newline == std::string::npos) {
      FLines.push_back({bytes.substr(start), ""});
      break;
    }
    const bool crlf = newline > start && bytes[newline - 1] == '\r';
    const std::size_t textEnd = crlf ? newline - 1 : newline;
    FLines.push_back({bytes.substr(start, textEnd - start), crlf ? "\r\n" : "\n"});
    if (!lineEndSeen) FLineEnd = FLines.back().End;
    lineEndSeen = true;
    start = newline + 1;
  }
}

std::size_t TIniFile::FindSection(std::string_view section) const {
  for (std::size_t i = 0; i < FLines.size(); ++i) {
    const TParsed line = ParseLine(WithoutBom(FLines[i].Text, i));
    if (line.Kind == TKind::Section && EqualIgnoringAsciiCase(line.Name, section)) return i;
  }
  return kNone;
}

std::size_t TIniFile::FindKey(std::size_t header, std::string_view key) const {
  for (std::size_t i = header + 1; i < FLines.size(); ++i) {
    const TParsed line = ParseLine(FLines[i].Text);
    if (line.Kind == TKind::Section) break;
    if (line.Kind == TKind::Key && EqualIgnoringAsciiCase(line.Name, key)) return i;
  }
  return kNone;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
  key = Trim(key);
  const std::size_t header = key.empty() ? kNone : FindSection(Trim(section));
  const std::size_t line = header == kNone ? kNone : FindKey(header, key);
  if (line == kNone) return std::string(defaultValue);
  return std::string(Unquote(ParseLine(FLines[line].Text).Value));
}

void TIniFile::InsertLine(std::size_t index, std::string text) {
  TLine line{std::move(text), FLineEnd};
  // A last line without line end stays last without one.
  if (index == FLines.size() && !FLines.empty() && FLines.back().End.empty())
    std::swap(FLines.back().End, line.End);
  FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(index), std::move(line));
  FDirty = true;
}

std::size_t TIniFile::AppendSection(std::string_view section) {
  if (!FLines.empty() && !Trim(FLines.back().Text).empty()) InsertLine(FLines.size(), "");
  InsertLine(FLines.size(), "[" + std::string(section) + "]");
  return FLines.size() - 1;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  CheckWritable(section, key, value);

  std::size_t header = FindSection(section);
  if (header == kNone) header = AppendSection(section);
  if (const std::size_t found = FindKey(header, key); found != kNone) {
    const TParsed line = ParseLine(FLines[found].Text);
    if (Unquote(line.Value) == value) return;  // keeps the line's own spacing
    // The key keeps the spelling it has in the file.
    FLines[found].Text = std::string(line.Name) + "=" + Quoted(value);
    FDirty = true;
    return;
  }
  // After the section's last key, before the blank lines and comments that
  // lead to the next section.
  std::size_t after = header;
  for (std::size_t i = header + 1; i < FLines.size(); ++i) {
    const TKind kind = ParseLine(FLines[i].Text).Kind;
    if (kind == TKind::Section) break;
    if (kind == TKind::Key) after = i;
  }
  InsertLine(after + 1, std::string(key) + "=" + Quoted(value));
}

void TIniFile::UpdateFile() {
  if (!FDirty) return;
  // Writing over a file we could not read would throw its content away.
  if (FReadError != 0) throw EFileError(EFileError::TAction::Save, FPath, FReadError);
  if (!MakeFolders(FolderOf(FPath))) throw EFileError(EFileError::TAction::Save, FPath, errno);
  std::string bytes;
  for (const TLine& line : FLines) {
    bytes += line.Text;
    bytes += line.End;
  }
  WriteOwnFileAtomically(FPath, bytes);
  FDirty = false;
  FExisted = true;
}

}  // namespace tessary::platform
