// SPDX-License-Identifier: MIT
#pragma once

// The two files of a saved worksheet: the worksheet file holds the formula
// pane, lines separated by CR LF with none after the last; the variable file
// beside it (".vle") holds the variable table, one row per line, each ended
// by CR LF. Both are code page 936 text unless they came from a UTF-8
// editor; the panes in memory are UTF-8.
// Reading accepts CR LF, CR and LF line ends. Saving replaces a file only
// once its new content is on the disk. Errors throw platform::EFileError,
// whose message names the file.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "atomicfile.h"
#include "keyvaluetable.h"

namespace tessary {

// Far above any real worksheet or variable file; a bigger one is refused
// before it is read, so that a wrong pick never fills the memory.
constexpr std::size_t kMaxWorksheetFileBytes = std::size_t{16} << 20;

enum class TFileEncoding {
  Cp936,  // what the window writes a new worksheet in
  Utf8,   // for files made with other tools; a leading byte order mark is skipped
};

// How a file's text is stored. Reading finds it (DetectTextFormat) and saving
// keeps it, so that a file written by another editor comes back as it was.
struct TTextFormat {
  TTextFormat(TFileEncoding encoding = TFileEncoding::Cp936) : Encoding(encoding) {}
  TFileEncoding Encoding;
  bool ByteOrderMark = false;         // written before UTF-8 text
  std::string_view LineEnd = "\r\n";  // between lines; a static text
  // The bytes showed their encoding (a byte order mark or a byte above 127);
  // plain ASCII reads the same either way.
  bool Evident = false;
  bool operator==(const TTextFormat&) const = default;
};

// A UTF-8 byte order mark, or well-formed UTF-8 holding at least one
// character beyond ASCII, is UTF-8; anything else is code page 936. UTF-8 and
// plain ASCII keep the file's own line end (its first one; CR LF without
// any); other code page 936 text is CR LF.
TTextFormat DetectTextFormat(std::string_view bytes);

// What a worksheet and its variable file are saved in.
struct TWorksheetFormats {
  TWorksheetFormats(TFileEncoding encoding = TFileEncoding::Cp936)
      : Sheet(encoding), Vars(encoding) {}
  TWorksheetFormats(const TTextFormat& sheet, const TTextFormat& vars) : Sheet(sheet), Vars(vars) {}
  TTextFormat Sheet;
  TTextFormat Vars;
};
// From what reading found (varsFound: nullptr without a variable file): the
// variable file follows the worksheet's encoding, unless the worksheet is
// plain ASCII and the variable file shows one. Code page 936 is written with
// CR LF; UTF-8 keeps each file's byte order mark and line end, and a file
// that was not UTF-8 nor plain ASCII (or is missing) takes the worksheet's.
TWorksheetFormats PairFormats(const TTextFormat& sheetFound, const TTextFormat* varsFound);

// The worksheet's path with the extension of its file name replaced by
// ".vle": a.b.txt gives a.b.vle, calc gives calc.vle, dir.x/calc gives
// dir.x/calc.vle, .calc gives .calc.vle.
std::string VariableFilePath(std::string_view worksheetPath);

// The pane's lines in a file's bytes and back. An empty text is one empty
// line and a final line end starts a last, empty line, so that the bytes
// written back are the bytes read.
std::vector<std::string> WorksheetLines(std::string_view bytes,
                                        const TTextFormat& format = TFileEncoding::Cp936);
// The same text in one piece, line ends as they are (UTF-8).
std::string WorksheetText(std::string_view bytes, const TTextFormat& format = TFileEncoding::Cp936);
// replaced (if given) receives the number of characters that had no code page
// 936 form and were written as "？".
std::string WorksheetBytes(const std::vector<std::string>& lines,
                           const TTextFormat& format = TFileEncoding::Cp936,
                           std::size_t* replaced = nullptr);

// The lines of the worksheet file at path, to replace the whole pane.
std::vector<std::string> ReadWorksheetFile(const std::string& path,
                                           const TTextFormat& format = TFileEncoding::Cp936);
// Returns the number of characters written as "？".
std::size_t WriteWorksheetFile(const std::string& path, const std::vector<std::string>& lines,
                               const TTextFormat& format = TFileEncoding::Cp936,
                               const platform::TFileOps& ops = platform::SystemFileOps());

// Replaces the rows of table by the lines of bytes, each as it stands. A
// duplicate key throws EDuplicateKey and keeps the rows before it.
void ReadVariableRows(std::string_view bytes, TKeyValueTable& table,
                      const TTextFormat& format = TFileEncoding::Cp936);
std::string VariableBytes(const TKeyValueTable& table,
                          const TTextFormat& format = TFileEncoding::Cp936,
                          std::size_t* replaced = nullptr);

// Replaces the rows of table by those of the variable file at path; the
// table is untouched if the file cannot be read.
void ReadVariableFile(const std::string& path, TKeyValueTable& table,
                      const TTextFormat& format = TFileEncoding::Cp936);
// The same, but a missing file is no error: false, and the table keeps its rows.
bool ReadVariableFileIfPresent(const std::string& path, TKeyValueTable& table,
                               const TTextFormat& format = TFileEncoding::Cp936);
// The bytes of the file at path; nothing when it does not exist.
std::optional<std::string> ReadFileIfPresent(const std::string& path);

// Reading in the format the bytes show (DetectTextFormat), which found
// receives. A missing variable file is no error: false, and the table and
// found keep what they held. invalid (if given) receives the number of
// pieces of bytes not valid in that encoding, each shown as "�".
std::vector<std::string> ReadWorksheetFileAsFound(const std::string& path, TTextFormat& found,
                                                  std::size_t* invalid = nullptr);
bool ReadVariableFileAsFound(const std::string& path, TKeyValueTable& table, TTextFormat& found,
                             std::size_t* invalid = nullptr);

// Returns the number of characters written as "？".
std::size_t WriteVariableFile(const std::string& path, const TKeyValueTable& table,
                              const TTextFormat& format = TFileEncoding::Cp936,
                              const platform::TFileOps& ops = platform::SystemFileOps());

// Saves the worksheet file and its variable file together: both new contents
// are on the disk before either file is replaced, so a failure until then
// leaves both old files as they were. A file over kMaxWorksheetFileBytes,
// which opening would refuse, is refused (EFBIG) before anything is written.
// Returns the number of characters written as "？".
std::size_t WriteWorksheetPair(const std::string& path, const std::vector<std::string>& lines,
                               const TKeyValueTable& table,
                               const TWorksheetFormats& formats = TFileEncoding::Cp936,
                               const platform::TFileOps& ops = platform::SystemFileOps());

// The number of characters of the pair that have no form in its encoding and
// would be saved as "？"; asked before a save, so the user can choose.
std::size_t CharactersWithoutForm(const std::vector<std::string>& lines,
                                  const TKeyValueTable& table, const TWorksheetFormats& formats);

}  // namespace tessary
