// SPDX-License-Identifier: MIT
#pragma once

// Ini files: "[section]" headers and "key=value" lines, matched leniently:
// blanks around names and values are ignored, letter case (ASCII) is
// ignored, the first matching section and within it the first matching key
// win. Lines starting with ";" are comments, lines without "=" are ignored,
// and keys before the first header belong to no section. A value between a
// matching pair of double or single quotes is read without them.
//
// Writing rewrites only the line of the key, or adds the key (after the last
// key of its section) or the section (at the end); every other byte of the
// file stays as it was: comments, other sections, unknown keys, their order,
// each line's own line end and a last line without one. The text is UTF-8,
// but nothing is decoded: any bytes, binary ones included, read and survive.

#include <string>
#include <string_view>
#include <vector>

namespace tessary::platform {

class TIniFile {
 public:
  // Far above any real settings file; a bigger one reads as unreadable.
  static constexpr std::size_t kMaxIniFileBytes = std::size_t{1} << 20;

  // Reads the file if it exists; a missing file is an empty one. A file that
  // exists but cannot be read reads as empty too, and is never written over.
  explicit TIniFile(std::string path);

  const std::string& Path() const { return FPath; }
  bool Exists() const { return FExisted; }

  // The value, or defaultValue when the section or the key is missing.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
  // Changes the text in memory; UpdateFile writes it. Writing the value a
  // key already has changes nothing. A value that would lose its outer
  // blanks or quotes when read is written between double quotes, so every
  // value reads back as written. Throws std::invalid_argument for what the
  // format cannot hold: a line break anywhere, an empty key, or a key with
  // "=" or starting with ";" or "[".
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  // Writes the file (crash-safe, creating it and its missing folders) if
  // anything changed since it was read; throws EFileError on failure, when
  // the file existed but could not be read, and when it is a symbolic link
  // or another user's file: settings are never written through a link or for
  // someone else to read. A new file is private to the user (0600).
  void UpdateFile();

 private:
  struct TLine {
    std::string Text;
    std::string End;  // "\n", "\r\n", or "" for a last line without one
  };

  std::size_t FindSection(std::string_view section) const;
  std::size_t FindKey(std::size_t header, std::string_view key) const;
  std::size_t AppendSection(std::string_view section);
  void InsertLine(std::size_t index, std::string text);

  std::string FPath;
  bool FExisted = false;
  int FReadError = 0;  // errno of a file that exists but could not be read
  bool FDirty = false;
  std::vector<TLine> FLines;
  std::string FLineEnd = "\n";  // for new lines: the file's own
};

}  // namespace tessary::platform
