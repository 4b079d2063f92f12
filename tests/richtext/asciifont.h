// SPDX-License-Identifier: MIT
#pragma once

// The font the panel tests draw with: one installed everywhere, ASCII only,
// so their pixels do not depend on the CJK fonts of the machine.

#include "aacolor.h"
#include "fontdesc.h"

namespace tessary {

inline TFontDesc AsciiFont(int height) {
  TFontDesc font;
  font.Name = QStringLiteral("DejaVu Sans");
  font.Height = height;
  font.Color = clBlack;
  return font;
}

}  // namespace tessary
