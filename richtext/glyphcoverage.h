// SPDX-License-Identifier: MIT
#pragma once

// Text coverage without QPainter's per-pixel glyph blit. Drawn in white onto
// a transparent 32-bit image, text leaves in each pixel's alpha what its
// glyphs' coverage images give when laid over each other in reading order
// (a' = c + a * (255 - c) / 255, rounded as Qt rounds). The renderer draws
// at three and four times the size, where that blit is most of its time;
// here each glyph's image, taken once from Qt at its sub-pixel offset and
// kept per thread, is laid into an 8-bit coverage image directly, with
// exactly the same result.

#include <QFont>
#include <QImage>
#include <QString>

namespace tessary {

// Draws text in font with its baseline's left end at (x, baseline) into
// coverage (Format_Grayscale8), over what is there. Returns false, drawing
// nothing, where it cannot promise QPainter::drawText's pixels: lines under,
// over or through the text, unsmoothed glyphs, glyphs Qt draws as outlines
// (64 pixels and more), right-to-left or combining text, control characters.
bool DrawTextCoverage(const QFont& font, const QString& text, int x, int baseline,
                      QImage& coverage);

}  // namespace tessary
