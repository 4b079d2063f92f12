// SPDX-License-Identifier: MIT
#pragma once

// Breaking an over-long line of text into rows of about MaxCol columns,
// counted in code page 936 bytes: a double-byte character takes two columns
// and is never split.

#include <string>
#include <string_view>
#include <vector>

namespace tessary {

// line is code page 936 text; the rows come back joined by breakStr.
// A row ends after a break character (TAB, space, ! , - . : ; ?) or an
// existing breakStr; text inside double or single quotes is broken only
// before a double-byte character that would start at column maxCol - 1 or
// later. maxCol below 2 counts as 2.
std::string WrapLine(std::string_view line, std::string_view breakStr, int maxCol);

// The same for UTF-8 text as the controls hold it, with the columns still
// counted as code page 936 bytes; the rows replace the contents of rows.
// Characters code page 936 cannot hold are wrapped as double-byte ones and
// kept as they are.
void SplitLine(std::string_view utf8Line, std::vector<std::string>& rows, int maxCol);
std::vector<std::string> SplitLine(std::string_view utf8Line, int maxCol);

// The number of code page 936 bytes (columns) of UTF-8 text, counted as
// SplitLine counts them.
int Cp936Length(std::string_view utf8);

}  // namespace tessary
