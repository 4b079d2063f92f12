// SPDX-License-Identifier: MIT
#pragma once

// The prompt on a terminal: TStatementPrompt behind libedit's line editing,
// with the history kept between runs and Tab completion. libedit comes in
// a module loaded when the prompt starts (lineeditor.h); without it the
// prompt reads plain lines, after a note on standard error.

#include "fdstream.h"
#include "formulaparser.h"

namespace tessary::cli {

// Runs until quit, exit or end of input. Returns 0, or 1 when a line
// recorded an error. The history (the last 1000 lines) is read from
// $XDG_STATE_HOME/tessary/history (~/.local/state/tessary/history) and
// written back after every line, so that it survives a closed terminal; a
// history that cannot be written is reported once and changes nothing else.
// What the prompt shows goes through out, flushed after every answer.
int RunTerminalPrompt(TOutBuffer& out, TConvention convention);

}  // namespace tessary::cli
