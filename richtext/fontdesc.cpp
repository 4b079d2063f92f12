// SPDX-License-Identifier: MIT
#include "fontdesc.h"

#include <QFontMetrics>

#include <algorithm>

#include "fontsubstitutes.h"

namespace tessary {

namespace {

// Points become pixels at the classic 96 dots per inch, rounded, so a font
// measures the same on every screen and scales by whole multiples.
int PointsToPixels(int points) { return (points * 96 + 36) / 72; }

// A positive height is the whole cell (ascent plus descent); Qt sizes by the
// em, so the pixel size is corrected once by the ratio the font reports.
int CellToPixelSize(const QFont& probe, int cell) {
  QFont font(probe);
  font.setPixelSize(cell);
  const int measured = QFontMetrics(font).height();
  if (measured <= 0) return cell;
  return std::max(1, (cell * cell + measured / 2) / measured);
}

}  // namespace

QFont TFontDesc::ToQFont(int scale) const {
  QFont font;
  font.setFamilies(platform::FamiliesFor(Name));
  font.setBold(Bold);
  font.setItalic(Italic);
  font.setUnderline(Underline);
  font.setStrikeOut(StrikeOut);
  if (Height < 0) {
    font.setPixelSize(-Height * scale);
  } else if (Height > 0) {
    font.setPixelSize(CellToPixelSize(font, Height) * scale);
  } else {
    font.setPixelSize(PointsToPixels(Size > 0 ? Size : 9) * scale);
  }
  return font;
}

}  // namespace tessary
