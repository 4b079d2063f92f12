// SPDX-License-Identifier: MIT
#pragma once

// A font description: face name, height in pixels (negative: character
// height) or size in points, colour, style set, character set.

#include <QFont>
#include <QString>

#include "aacolor.h"

namespace tessary {

struct TFontDesc {
  QString Name = QStringLiteral("宋体");
  int Height = -12;  // pixels; negative is the character height; 0: use Size
  int Size = 0;      // points, when Height is 0
  TColor Color = clWindowText;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  int Charset = 134;  // GB2312

  // Sets the size in points (Height becomes 0), as a designer's Size does.
  void SetSize(int points) {
    Size = points;
    Height = 0;
  }
  // The Qt font at scale times the described size.
  QFont ToQFont(int scale = 1) const;
  bool operator==(const TFontDesc&) const = default;
};

}  // namespace tessary
