// SPDX-License-Identifier: MIT
#pragma once

// Where the statements of a Calculate come from: the formula pane's lines
// joined into one text of statements, and the way back from a statement (and
// the character its error is at) to its place in those lines.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "calculation.h"

namespace tessary {

// A piece of the joined text: one line's part, from byte Offset of the joined
// text on, that begins at character Column of formula line Line.
struct TJoinedPiece {
  std::size_t Offset = 0;
  std::size_t Line = 0;
  std::size_t Column = 0;
};

// The lines joined as Calculate joins them: full-width forms made ASCII,
// comments and blank lines dropped, each line trimmed, and a line with "="
// starting a new statement (";" put before it) while a line without one
// continues the statement before it. pieces, if given, receives where each
// line's part went.
std::string JoinFormulaLines(const std::vector<std::string>& lines,
                             std::vector<TJoinedPiece>* pieces = nullptr);
// The same for the lines of a text, without a copy of each line.
std::string JoinFormulaText(std::string_view text);

// A place in the formula lines: 0-based line, 0-based character (not byte).
struct TPanePlace {
  std::size_t Line = 0;
  std::size_t Column = 0;
  bool operator==(const TPanePlace&) const = default;
};

struct TStatementPlace {
  TPanePlace Start;       // the statement's first character
  TPanePlace End;         // just after its last character
  TPanePlace Expression;  // the first character after its name
  TPanePlace Error;       // the character its error is at; Start when not known
  bool ErrorKnown = false;
};

// Where statement index (0-based, in run order) of a Calculate over formula
// stands, and the character of what was typed that its error came from. The
// engine's position in the evaluated text is carried back through the
// substitutions and normalisations: exactly where a step left the text
// alone or changed it character for character (× to *, （ to (), else to the
// first character of the changed piece (a name whose value failed, π).
TStatementPlace PlaceOfStatement(const std::vector<std::string>& formula, std::size_t index,
                                 const TStatementOutcome& outcome);

// The character of `from` that became character e of `to`, one step of the
// pipeline apart (the rule above). Texts are lists of UTF-8 characters.
std::size_t MapBack(const std::vector<std::string_view>& from,
                    const std::vector<std::string_view>& to, std::size_t e);

// The bytes of each UTF-8 character; a malformed byte is a character of its own.
std::vector<std::string_view> Utf8Characters(std::string_view text);
// The code point of one UTF-8 character (as Utf8Characters cuts them).
char32_t CodePoint(std::string_view ch);
// Characters a name may hold besides ASCII letters, digits and "_": letters
// of other scripts such as Chinese, not signs the pipeline rewrites (× ÷ π)
// nor punctuation.
bool IsNameLetter(char32_t c);
// A name as a worksheet's names are written: a letter (or Chinese
// character) first, then letters, digits and "_".
bool IsName(std::string_view name);

}  // namespace tessary
