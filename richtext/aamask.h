// SPDX-License-Identifier: MIT
#pragma once

// The coverage mask of the font effect renderer: one byte per pixel, 0 = no
// ink, 255 = full ink, row 0 at the top of the text. The text is drawn at
// Scale times its size into an 8-bit grey scratch image and shrunk by box
// averaging (the scratch image is 32-bit for Qt's speed, its coverage one
// byte per pixel); the mask effects (outline, spray, mirrors, blur) then work on
// the raw rows in integer arithmetic.

#include <QImage>
#include <QString>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "fontdesc.h"

namespace tessary {

class TAAFont;

// A mask row index outside 0..Height-1.
class EInvalidLine : public std::runtime_error {
 public:
  EInvalidLine() : std::runtime_error("无效的行!") {}
};

// Higher quality draws at a larger multiple of the size before shrinking.
enum TAAQuality { aqHigh, aqNormal, aqLow, aqNone };

// The mask-level box of a string: its size and, for rotated text, where the
// rotated string's origin lies inside that box.
struct TTextBox {
  int Width = 0;
  int Height = 0;
  int OriginX = 0;
  int OriginY = 0;
  bool operator==(const TTextBox&) const = default;
};

// Rounds num / den to the nearest integer, halves to the even one (den > 0).
long long RoundHalfEven(long long num, long long den);

class TAAMask {
 public:
  explicit TAAMask(TAAFont* renderer = nullptr) : FRenderer(renderer) {}
  TAAMask(const TAAMask&) = default;
  TAAMask& operator=(const TAAMask&) = default;  // quality, size and rows

  TAAQuality Quality() const { return FQuality; }
  void SetQuality(TAAQuality value) { FQuality = value; }
  int Scale() const { return ScaleOf(FQuality); }
  static int ScaleOf(TAAQuality quality);

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  int Stride() const { return FStride; }  // row length, a multiple of 4
  // A mask may hold only some columns of the text's box: those from Left()
  // on, of a box BoxWidth() wide. A whole mask starts at 0 and is as wide as
  // its box.
  int Left() const { return FLeft; }
  int BoxWidth() const { return FBoxWidth; }
  // Resizes to w x h, all pixels 0, a whole mask.
  void SetSize(int w, int h);
  // Throws EInvalidLine outside 0..Height-1.
  std::uint8_t* Row(int r);
  const std::uint8_t* Row(int r) const;

  // The box of text with the canvas font as it is now (rotation included).
  TTextBox TextSize(const QString& text) const;
  // Its height alone: unrotated, the font's, without measuring the text.
  int TextHeight(const QString& text) const;
  // The size rules applied to a string measured at Scale times the size:
  // back to 1x rounding up, italic overhang, rotated corners.
  static TTextBox ExtentRules(int cx, int cy, int scale, bool italic, int byteLength,
                              int escapement);
  // Draws text over its own box at (0, 0); or into w x h at (px, py).
  void DrawText(const QString& text);
  void DrawText(const QString& text, int w, int h, int px, int py);
  // Draws only columns from..to-1 of text's box (clamped to the box): a row
  // wider than what shows costs no more than what shows.
  void DrawColumns(const QString& text, int from, int to);
  // Shrinks a scratch image of at least Width*Scale x Height*Scale pixels
  // into the mask with the box filter of the quality. Its coverage is each
  // byte of an 8-bit grey image or the alpha of a premultiplied ARGB32 one.
  void Shrink(const QImage& scratch);

  void Outline();
  void Spray(int amount);
  void HorzMirror();
  void VertMirror();
  void Blur(int amount);

 private:
  // The scaled font of the last call, kept while the canvas font stays:
  // making a QFont anew costs a font look-up each time.
  struct TScaledFont {
    TFontDesc Desc;
    int Scale = 0;
    TAAQuality Quality = aqNormal;
    QFont Font;
    int Ascent = 0;
    int Height = 0;
    // The last string measured with it: a control measures a line and then
    // draws it, and measuring shapes the whole string.
    QString Text;
    int Width = 0;
  };
  const TScaledFont& ScaledFont() const;
  // The text at (px, py) of a box, as the columns from left on show it in an
  // image of w x h mask pixels.
  QImage Rasterize(const QString& text, int w, int h, int px, int py, int left = 0) const;
  std::uint8_t At(int r, int c) const { return FData[static_cast<std::size_t>(r) * FStride + c]; }

  TAAFont* FRenderer;
  TAAQuality FQuality = aqNormal;
  int FWidth = 0;
  int FHeight = 0;
  int FStride = 0;
  int FLeft = 0;
  int FBoxWidth = 0;
  std::vector<std::uint8_t> FData;
  mutable TScaledFont FFont;
};

// The number of bytes of text in code page 936: one for ASCII, two for the
// rest (a character outside the code page is written as a two-byte "？").
int Cp936Length(const QString& text);

}  // namespace tessary
