// SPDX-License-Identifier: MIT
#pragma once

// Blending through a coverage mask into the renderer's target: either one
// colour or a foreground image of the mask's size (gradient, texture,
// noise). Pixels are 24-bit, blue, green, red in memory (QImage's BGR888).

#include <QImage>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "aacolor.h"

namespace tessary {

class TAAFont;
class TAAMask;
class TAAGradual;
class TAATexture;

// A foreground image that is not 24-bit or not the mask's size.
class EInvalidForeBmp : public std::runtime_error {
 public:
  EInvalidForeBmp() : std::runtime_error("无效的前景位图!") {}
};

class TAABlend {
 public:
  explicit TAABlend(TAAFont* renderer = nullptr) : FRenderer(renderer) {}

  QImage& ForeBmp() { return FForeBmp; }
  const QImage& ForeBmp() const { return FForeBmp; }

  // Blends color, or the foreground, through mask at (x, y) of the target;
  // alpha 0..100. A solid canvas brush fills the mask's box first.
  void ColorBlend(int x, int y, const TAAMask& mask, int alpha, TColor color);
  void ImageBlend(int x, int y, const TAAMask& mask, int alpha);

  // Foregrounds of w x h: of a whole box, or of the w columns from left of
  // a box boxWidth wide, exactly as those columns of the whole would be.
  void MakeGradient(int w, int h, const TAAGradual& gradual, int left = 0, int boxWidth = -1);
  void MakeTexture(int w, int h, const TAATexture& texture, TColor fontColor, int left = 0,
                   int boxWidth = -1);
  void MakeNoise(int w, int h, int amount, TColor fontColor);
  // Adds noise of amount to every byte of the foreground.
  void AddNoise(int amount);

 private:
  void Blend(int x, int y, const TAAMask& mask, int alpha, const std::uint8_t* color);
  void LoadWork(int x, int y, int w, int h);
  void StoreWork(int x, int y);

  TAAFont* FRenderer;
  QImage FForeBmp;
  QImage FWork;
  // Rows reused by the blends: a 32-bit target row as BGR, one colour's
  // bytes.
  std::vector<uchar> FRow;
  std::vector<uchar> FColorRow;
};

// Three bytes blue, green, red of a colour, system colours resolved.
void ColorBytes(TColor color, std::uint8_t bgr[3]);

}  // namespace tessary
