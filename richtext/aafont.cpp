#include "aafont.h"

#include <algorithm>
#include <cstdlib>

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
  FMask.DrawText(text);
  ApplyMaskEffects();
  const TBrushScope brush(*FCanvas);
  if (shadow.Enabled()) {
    DrawShadow(shadowAt);
    FCanvas->BrushStyle = bsClear;  // the text goes over the shadow
  }
  if (FEffect.Blur() != 0) FMask.Blur(FEffect.Blur());
  BlendText(textAt);
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
    FBlend.MakeTexture(w, h, texture, color);
    if (noise != 0) FBlend.AddNoise(noise);
  } else if (FEffect.Gradual().Enabled()) {
    FBlend.MakeGradient(w, h, FEffect.Gradual());
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
