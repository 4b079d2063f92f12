// SPDX-License-Identifier: MIT
#include "worksheetfile.h"

#include <algorithm>
#include <cerrno>
#include <optional>

#include "cp936.h"
#include "pathname.h"

namespace tessary {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kCr = "\r";
constexpr std::string_view kLf = "\n";

std::string Decode(std::string_view bytes, const TTextFormat& format) {
  if (format.Encoding == TFileEncoding::Cp936) return platform::Cp936ToUtf8(bytes);
  if (bytes.starts_with(kUtf8Bom)) bytes.remove_prefix(kUtf8Bom.size());
  return platform::RepairUtf8(bytes);
}

std::string Encode(std::string_view text, const TTextFormat& format, std::size_t* replaced) {
  std::size_t count = 0;
  std::string bytes;
  if (format.Encoding == TFileEncoding::Cp936) {
    bytes = platform::Utf8ToCp936(text, count);
  } else {
    if (format.ByteOrderMark) bytes = kUtf8Bom;
    bytes += text;
  }
  if (replaced) *replaced = count;
  return bytes;
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // "�"

std::size_t Occurrences(std::string_view text, std::string_view piece) {
  std::size_t n = 0;
  for (auto at = text.find(piece); at != std::string_view::npos; at = text.find(piece, at + 1)) ++n;
  return n;
}

// Pieces of bytes that are not valid in their encoding: each was decoded as
// "�", and a UTF-8 file may hold real ones.
std::size_t InvalidPieces(std::string_view bytes, std::string_view decoded,
                          const TTextFormat& format) {
  const std::size_t shown = Occurrences(decoded, kReplacement);
  const std::size_t real =
      format.Encoding == TFileEncoding::Utf8 ? Occurrences(bytes, kReplacement) : 0;
  return shown - std::min(real, shown);
}

// Opening refuses a file over the limit, so saving one would lose the work.
void CheckOpenable(const std::string& path, std::string_view bytes) {
  if (bytes.size() > kMaxWorksheetFileBytes)
    throw platform::EFileError(platform::EFileError::TAction::Save, path, EFBIG,
                               "文件太大（上限 16 MiB），保存后将无法再打开");
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

std::optional<std::string> ReadFileIfPresent(const std::string& path) {
  try {
    return platform::ReadWholeFile(path, kMaxWorksheetFileBytes);
  } catch (const platform::EFileError& e) {
    if (e.Error() == ENOENT) return std::nullopt;
    throw;
  }
}

TTextFormat DetectTextFormat(std::string_view bytes) {
  TTextFormat format;
  format.ByteOrderMark = bytes.starts_with(kUtf8Bom);
  const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  format.Evident = !ascii;
  if (format.ByteOrderMark || platform::LooksLikeUtf8(bytes)) format.Encoding = TFileEncoding::Utf8;
  if (format.Encoding == TFileEncoding::Cp936 && !ascii) return format;
  if (const std::size_t end = bytes.find_first_of("\r\n"); end != std::string_view::npos) {
    const bool crlf = bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n';
    format.LineEnd = crlf ? kCrLf : bytes[end] == '\r' ? kCr : kLf;
  }
  return format;
}

TWorksheetFormats PairFormats(const TTextFormat& sheetFound, const TTextFormat* varsFound) {
  TFileEncoding encoding = sheetFound.Encoding;
  if (!sheetFound.Evident && varsFound != nullptr && varsFound->Evident)
    encoding = varsFound->Encoding;
  // A file keeps how it was written if that was this encoding or plain ASCII.
  const auto keeps = [encoding](const TTextFormat& f) {
    return f.Encoding == encoding || !f.Evident;
  };
  TWorksheetFormats formats{sheetFound, varsFound != nullptr ? *varsFound : sheetFound};
  if (varsFound == nullptr || !keeps(*varsFound)) {
    formats.Vars.ByteOrderMark = sheetFound.ByteOrderMark;
    formats.Vars.LineEnd = sheetFound.LineEnd;
  }
  for (TTextFormat* f : {&formats.Sheet, &formats.Vars}) {
    f->Encoding = encoding;
    if (encoding == TFileEncoding::Utf8) continue;
    f->ByteOrderMark = false;
    f->LineEnd = kCrLf;
  }
  return formats;
}

std::string VariableFilePath(std::string_view worksheetPath) {
  return platform::WithExtension(worksheetPath, ".vle");
}

std::vector<std::string> WorksheetLines(std::string_view bytes, const TTextFormat& format) {
  return SplitLines(Decode(bytes, format));
}

std::string WorksheetText(std::string_view bytes, const TTextFormat& format) {
  return Decode(bytes, format);
}

std::string WorksheetBytes(const std::vector<std::string>& lines, const TTextFormat& format,
                           std::size_t* replaced) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += format.LineEnd;
    text += lines[i];
  }
  return Encode(text, format, replaced);
}

std::vector<std::string> ReadWorksheetFile(const std::string& path, const TTextFormat& format) {
  return WorksheetLines(platform::ReadWholeFile(path, kMaxWorksheetFileBytes), format);
}

std::size_t WriteWorksheetFile(const std::string& path, const std::vector<std::string>& lines,
                               const TTextFormat& format, const platform::TFileOps& ops) {
  std::size_t replaced = 0;
  platform::WriteFileAtomically(path, WorksheetBytes(lines, format, &replaced), ops);
  return replaced;
}

void ReadVariableRows(std::string_view bytes, TKeyValueTable& table, const TTextFormat& format) {
  std::vector<std::string> rows = SplitLines(Decode(bytes, format));
  // Every row ends with a line end, so the piece after the last one is no
  // row unless the file's last line lacks its line end.
  if (rows.back().empty()) rows.pop_back();
  table.Clear();
  for (const std::string& row : rows) table.AppendRow(row);
}

std::string VariableBytes(const TKeyValueTable& table, const TTextFormat& format,
                          std::size_t* replaced) {
  std::string text;
  for (const std::string& row : table.Rows()) {
    text += row;
    text += format.LineEnd;
  }
  return Encode(text, format, replaced);
}

void ReadVariableFile(const std::string& path, TKeyValueTable& table, const TTextFormat& format) {
  ReadVariableRows(platform::ReadWholeFile(path, kMaxWorksheetFileBytes), table, format);
}

bool ReadVariableFileIfPresent(const std::string& path, TKeyValueTable& table,
                               const TTextFormat& format) {
  const std::optional<std::string> bytes = ReadFileIfPresent(path);
  if (bytes) ReadVariableRows(*bytes, table, format);
  return bytes.has_value();
}

std::vector<std::string> ReadWorksheetFileAsFound(const std::string& path, TTextFormat& found,
                                                  std::size_t* invalid) {
  const std::string bytes = platform::ReadWholeFile(path, kMaxWorksheetFileBytes);
  found = DetectTextFormat(bytes);
  if (invalid != nullptr) *invalid = InvalidPieces(bytes, Decode(bytes, found), found);
  return WorksheetLines(bytes, found);
}

bool ReadVariableFileAsFound(const std::string& path, TKeyValueTable& table, TTextFormat& found,
                             std::size_t* invalid) {
  const std::optional<std::string> bytes = ReadFileIfPresent(path);
  if (!bytes) return false;
  const TTextFormat format = DetectTextFormat(*bytes);
  if (invalid != nullptr) *invalid = InvalidPieces(*bytes, Decode(*bytes, format), format);
  ReadVariableRows(*bytes, table, format);
  found = format;
  return true;
}

std::size_t WriteVariableFile(const std::string& path, const TKeyValueTable& table,
                              const TTextFormat& format, const platform::TFileOps& ops) {
  std::size_t replaced = 0;
  platform::WriteFileAtomically(path, VariableBytes(table, format, &replaced), ops);
  return replaced;
}

std::size_t WriteWorksheetPair(const std::string& path, const std::vector<std::string>& lines,
                               const TKeyValueTable& table, const TWorksheetFormats& formats,
                               const platform::TFileOps& ops) {
  std::size_t inSheet = 0, inVars = 0;
  const std::string sheet = WorksheetBytes(lines, formats.Sheet, &inSheet);
  const std::string vars = VariableBytes(table, formats.Vars, &inVars);
  CheckOpenable(path, sheet);
  CheckOpenable(VariableFilePath(path), vars);
  platform::WriteFilesAtomically({{path, sheet}, {VariableFilePath(path), vars}}, ops);
  return inSheet + inVars;
}

std::size_t CharactersWithoutForm(const std::vector<std::string>& lines,
                                  const TKeyValueTable& table, const TWorksheetFormats& formats) {
  std::size_t inSheet = 0, inVars = 0;
  WorksheetBytes(lines, formats.Sheet, &inSheet);
  VariableBytes(table, formats.Vars, &inVars);
  return inSheet + inVars;
}

}  // namespace tessary
