// SPDX-License-Identifier: MIT
#pragma once

// Which rules a worksheet is calculated by. A worksheet that wants the
// textbook rules says so in a comment line before its first statement,
// "// 约定：标准", so that the file still reads the same under the classic
// rules (as every older program version reads it).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formulaparser.h"

namespace tessary {

// The comment line that chooses the textbook rules.
inline constexpr std::string_view kStandardDeclaration = "// 约定：标准";

enum class TLineRole { Blank, Comment, Statement };

struct TLeadingLine {
  TLineRole Role = TLineRole::Blank;
  std::optional<TConvention> Declares;  // a comment "// 约定：标准" or "…：经典"
};

// What a formula line (UTF-8) is, for the lines before the first statement:
// full-width forms count as ASCII, blanks around the words do not matter.
TLeadingLine ReadLeadingLine(std::string_view line);

// The convention the lines declare before their first statement (the last
// declaration there counts); nullopt for none.
std::optional<TConvention> DeclaredConvention(const std::vector<std::string>& lines);
// The same for the lines of a text (LF or CR LF ends).
std::optional<TConvention> DeclaredConvention(std::string_view text);

}  // namespace tessary
