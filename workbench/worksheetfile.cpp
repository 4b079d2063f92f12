#include "worksheetfile.h"

#include <cerrno>

#include "cp936.h"
#include "pathname.h"

namespace tessary {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string Decode(std::string_view bytes, TFileEncoding encoding) {
  if (encoding == TFileEncoding::Cp936) return platform::Cp936ToUtf8(bytes);
  if (bytes.starts_with(kUtf8Bom)) bytes.remove_prefix(kUtf8Bom.size());
  return platform::RepairUtf8(bytes);
}

std::string Encode(std::string_view text, TFileEncoding encoding, std::size_t* replaced) {
  std::size_t count = 0;
  std::string bytes =
      encoding == TFileEncoding::Cp936 ? platform::Utf8ToCp936(text, count) : std::string(text);
  if (replaced) *replaced = count;
  return bytes;
}

// The pieces between line ends (CR LF, CR or LF), the piece after the last
// line end included even when it is empty. In both encodings CR and LF are
// never part of another character.
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  lines.emplace_back(text.substr(start));
  return lines;
}

}  // namespace

std::string VariableFilePath(std::string_view worksheetPath) {
  return platform::WithExtension(worksheetPath, ".vle");
}

std::vector<std::string> WorksheetLines(std::string_view bytes, TFileEncoding encoding) {
  return SplitLines(Decode(bytes, encoding));
}

std::string WorksheetBytes(const std::vector<std::string>& lines, TFileEncoding encoding,
                           std::size_t* replaced) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += kLineEnd;
    text += lines[i];
  }
  return Encode(text, encoding, replaced);
}

std::vector<std::string> ReadWorksheetFile(const std::string& path, TFileEncoding encoding) {
  return WorksheetLines(platform::ReadWholeFile(path, kMaxWorksheetFileBytes), encoding);
}

std::size_t WriteWorksheetFile(const std::string& path, const std::vector<std::string>& lines,
                               TFileEncoding encoding, const platform::TFileOps& ops) {
  std::size_t replaced = 0;
  platform::WriteFileAtomically(path, WorksheetBytes(lines, encoding, &replaced), ops);
  return replaced;
}

void ReadVariableRows(std::string_view bytes, TKeyValueTable& table, TFileEncoding encoding) {
  std::vector<std::string> rows = SplitLines(Decode(bytes, encoding));
  // Every row ends with a line end, so the piece after the last one is no
  // row unless the file's last line lacks its line end.
  if (rows.back().empty()) rows.pop_back();
  table.Clear();
  for (const std::string& row : rows) table.AppendRow(row);
}

std::string VariableBytes(const TKeyValueTable& table, TFileEncoding encoding,
                          std::size_t* replaced) {
  std::string text;
  for (const std::string& row : table.Rows()) {
    text += row;
    text += kLineEnd;
  }
  return Encode(text, encoding, replaced);
}

void ReadVariableFile(const std::string& path, TKeyValueTable& table, TFileEncoding encoding) {
  ReadVariableRows(platform::ReadWholeFile(path, kMaxWorksheetFileBytes), table, encoding);
}

bool ReadVariableFileIfPresent(const std::string& path, TKeyValueTable& table,
                               TFileEncoding encoding) {
  std::string bytes;
  try {
    bytes = platform::ReadWholeFile(path, kMaxWorksheetFileBytes);
  } catch (const platform::EFileError& e) {
    if (e.Error() == ENOENT) return false;
    throw;
  }
  ReadVariableRows(bytes, table, encoding);
  return true;
}

std::size_t WriteVariableFile(const std::string& path, const TKeyValueTable& table,
                              TFileEncoding encoding, const platform::TFileOps& ops) {
  std::size_t replaced = 0;
  platform::WriteFileAtomically(path, VariableBytes(table, encoding, &replaced), ops);
  return replaced;
}

std::size_t WriteWorksheetPair(const std::string& path, const std::vector<std::string>& lines,
                               const TKeyValueTable& table, TFileEncoding encoding,
                               const platform::TFileOps& ops) {
  std::size_t inSheet = 0, inVars = 0;
  const std::string sheet = WorksheetBytes(lines, encoding, &inSheet);
  const std::string vars = VariableBytes(table, encoding, &inVars);
  platform::WriteFilesAtomically({{path, sheet}, {VariableFilePath(path), vars}}, ops);
  return inSheet + inVars;
}

}  // namespace tessary
