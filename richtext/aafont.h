// SPDX-License-Identifier: MIT
#pragma once

// The font effect renderer: draws a line of text onto an RGB image with
// anti-aliasing and the effects of a TAAEffect, never drawing glyphs
// straight onto the target but through a coverage mask.

#include <QImage>
#include <QSize>
#include <QString>

#include <utility>

#include "aablend.h"
#include "aacolor.h"
#include "aaeffect.h"
#include "aamask.h"
#include "fontdesc.h"

namespace tessary {

enum TBrushStyle { bsSolid, bsClear };

// The drawing surface: a target image (BGR888 preferred; RGB32 and others
// work through conversions), the current font with its rotation, and the
// current brush, which decides whether text boxes are filled first.
struct TAACanvas {
  QImage* Target = nullptr;
  TFontDesc Font;
  int Escapement = 0;  // tenths of a degree, counter-clockwise
  TColor BrushColor = clWhite;
  TBrushStyle BrushStyle = bsSolid;
};

class TAAFont {
 public:
  explicit TAAFont(TAACanvas* canvas);
  virtual ~TAAFont() = default;
  TAAFont(const TAAFont&) = delete;
  TAAFont& operator=(const TAAFont&) = delete;

  TAACanvas* Canvas() const { return FCanvas; }
  void SetCanvas(TAACanvas* canvas) { FCanvas = canvas; }
  TAAQuality Quality() const { return FMask.Quality(); }
  void SetQuality(TAAQuality value) { FMask.SetQuality(value); }
  TAAMask& Mask() { return FMask; }
  TAABlend& Blend() { return FBlend; }

  // Size of text on the canvas; (0, 0) without a canvas.
  virtual QSize TextExtent(const QString& text);
  virtual int TextHeight(const QString& text);
  virtual int TextWidth(const QString& text) { return TextExtent(text).width(); }

 protected:
  TAACanvas* FCanvas;
  TAAMask FMask;
  TAABlend FBlend;
};

class TAAFontEx : public TAAFont {
 public:
  explicit TAAFontEx(TAACanvas* canvas);

  TAAEffect& Effect() { return FEffect; }
  const TAAEffect& Effect() const { return FEffect; }

  // Text and shadow together, rotated by the effect's angle.
  QSize TextExtent(const QString& text) override;
  int TextHeight(const QString& text) override;
  // Draws text so that the box of text and shadow starts at (x, y). Only
  // the columns that reach the target are drawn (with what the effects need
  // beside them), so a row far wider than the target costs what shows.
  void TextOut(int x, int y, const QString& text);

 private:
  std::pair<int, int> ColumnsToDraw(const QString& text, int textX, int shadowX);
  void ApplyMaskEffects();
  void DrawShadow(QPoint at);
  void BlendText(QPoint at);

  TAAEffect FEffect;
};

}  // namespace tessary
