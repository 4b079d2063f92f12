// SPDX-License-Identifier: MIT
#pragma once

// tessary-calc --plot: a formula of x drawn into an SVG file, with the names
// of a worksheet and of variable files.

#include "calcoptions.h"

namespace tessary::cli {

// 0 when the picture was written; 2 (after saying why on err) for a
// formula without x, a range that is empty or reversed, a size out of
// bounds, a file that cannot be read or written.
int RunPlot(const TCalcOptions& options, int err);

}  // namespace tessary::cli
