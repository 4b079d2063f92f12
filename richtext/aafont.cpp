// SPDX-License-Identifier: MIT
#include "aafont.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace tessary {

namespace {

// Gives the canvas font a rotation for the length of a call.
class TEscapementScope {
 public:
  TEscapementScope(TAACanvas& canvas, int angle) : FCanvas(canvas), FSaved(canvas.Escapement) {
    if (angle != 0) canvas.Escapement = angle * 10;
  }
  ~TEscapementScope() { FCanvas.Escapement = FSaved; }
  TEscapementScope(const TEscapementScope&) = delete;
  TEscapementScope& operator=(const TEscapementScope&) = delete;

 private:
  TAACanvas& FCanvas;
  int FSaved;
};

// Keeps the canvas brush style for the length of a call.
class TBrushScope {
 public:
  explicit TBrushScope(TAACanvas& canvas) : FCanvas(canvas), FSaved(canvas.BrushStyle) {}
  ~TBrushScope() { FCanvas.BrushStyle = FSaved; }
  TBrushScope(const TBrushScope&) = delete;
  TBrushScope& operator=(const TBrushScope&) = delete;

 private:
  TAACanvas& FCanvas;
  TBrushStyle FSaved;
};

}  // namespace

// ---- TAAFont ----

TAAFont::TAAFont(TAACanvas* canvas) : FCanvas(canvas), FMask(this), FBlend(this) {}

QSize TAAFont::TextExtent(const QString& text) {
  if (!FCanvas) return {0, 0};
  const TTextBox box = FMask.TextSize(text);
  return {box.Width, box.Height};
}

// The height needs no measuring of the text unless it is rotated.
int TAAFont::TextHeight(const QString& text) { return FCanvas ? FMask.TextHeight(text) : 0; }

// ---- TAAFontEx ----

TAAFontEx::TAAFontEx(TAACanvas* canvas) : TAAFont(canvas) {}

QSize TAAFontEx::TextExtent(const QString& text) {
  if (!FCanvas) return {0, 0};
  QSize size;
  {
    const TEscapementScope rotated(*FCanvas, FEffect.Angle());
    size = TAAFont::TextExtent(text);
  }
  const TAAShadow& shadow = FEffect.Shadow();
  if (shadow.Enabled()) size += QSize(std::abs(shadow.OffsetX()), std::abs(shadow.OffsetY()));
  return size;
}

int TAAFontEx::TextHeight(const QString& text) {
  if (!FCanvas) return 0;
  const TEscapementScope rotated(*FCanvas, FEffect.Angle());
  const TAAShadow& shadow = FEffect.Shadow();
  return TAAFont::TextHeight(text) + (shadow.Enabled() ? std::abs(shadow.OffsetY()) : 0);
}

void TAAFontEx::TextOut(int x, int y, const QString& text) {
  if (!FCanvas || text.isEmpty()) return;
  const TEscapementScope rotated(*FCanvas, FEffect.Angle());
  const TAAShadow& shadow = FEffect.Shadow();
  QPoint textAt(x, y);
  QPoint shadowAt(x, y);
  if (shadow.Enabled()) {
    textAt += QPoint(std::max(0, -shadow.OffsetX()), std::max(0, -shadow.OffsetY()));
    shadowAt += QPoint(std::max(0, shadow.OffsetX()), std::max(0, shadow.OffsetY()));
  }
  const auto [from, to] = ColumnsToDraw(text, textAt.x(), shadowAt.x());
  FMask.DrawColumns(text, from, to);
  ApplyMaskEffects();
  // Where the columns held stand: after a mirror, on the other side.
  const QPoint held(FMask.Left(), 0);
  const TBrushScope brush(*FCanvas);
  if (shadow.Enabled()) {
    DrawShadow(shadowAt + held);
    FCanvas->BrushStyle = bsClear;  // the text goes over the shadow
  }
  if (FEffect.Blur() != 0) FMask.Blur(FEffect.Blur());
  BlendText(textAt + held);
}

// The columns of the text's box that reach the target, text or shadow, and
// as far beyond them as the effects carry a pixel: a blur reads 2 columns
// on either side, an outline 1, a spray its amount. What lies further out
// cannot show, and is not drawn.
std::pair<int, int> TAAFontEx::ColumnsToDraw(const QString& text, int textX, int shadowX) {
  const int boxWidth = FMask.TextSize(text).Width;
  if (FCanvas->Target == nullptr) return {0, boxWidth};
  const int targetWidth = FCanvas->Target->width();
  const bool blurred =
      FEffect.Blur() != 0 || (FEffect.Shadow().Enabled() && FEffect.Shadow().Blur() != 0);
  const int blurReach = blurred ? 2 : 0;
  int from = -std::max(textX, shadowX) - blurReach;
  int to = targetWidth - std::min(textX, shadowX) + blurReach;
  if (FEffect.HorzMirror()) {
    const int mirroredFrom = boxWidth - to;
    to = boxWidth - from;
    from = mirroredFrom;
  }
  const int maskReach = (FEffect.Outline() ? 1 : 0) + FEffect.Spray();
  return {from - maskReach, to + maskReach};
}

void TAAFontEx::ApplyMaskEffects() {
  if (FEffect.Outline()) FMask.Outline();
  if (FEffect.Spray() != 0) FMask.Spray(FEffect.Spray());
  if (FEffect.HorzMirror()) FMask.HorzMirror();
  if (FEffect.VertMirror()) FMask.VertMirror();
}

void TAAFontEx::DrawShadow(QPoint at) {
  const TAAShadow& shadow = FEffect.Shadow();
  TAAMask soft(FMask);
  if (shadow.Blur() != 0) soft.Blur(shadow.Blur());
  FBlend.ColorBlend(at.x(), at.y(), soft, FEffect.Alpha() * shadow.Alpha() / 100, shadow.Color());
}

void TAAFontEx::BlendText(QPoint at) {
  const int w = FMask.Width();
  const int h = FMask.Height();
  const TColor color = FCanvas->Font.Color;
  const int noise = FEffect.Noise();
  const TAATexture& texture = FEffect.Texture();
  if (texture.Enabled() && !texture.Picture().isNull()) {
    FBlend.MakeTexture(w, h, texture, color, FMask.Left(), FMask.BoxWidth());
    if (noise != 0) FBlend.AddNoise(noise);
  } else if (FEffect.Gradual().Enabled()) {
    FBlend.MakeGradient(w, h, FEffect.Gradual(), FMask.Left(), FMask.BoxWidth());
    if (noise != 0) FBlend.AddNoise(noise);
  } else if (noise != 0) {
    FBlend.MakeNoise(w, h, noise, color);
  } else {
    FBlend.ColorBlend(at.x(), at.y(), FMask, FEffect.Alpha(), color);
    return;
  }
  FBlend.ImageBlend(at.x(), at.y(), FMask, FEffect.Alpha());
}

}  // namespace tessary
