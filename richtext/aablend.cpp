// SPDX-License-Identifier: MIT
#include "aablend.h"

#include <QPainter>

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "aaeffect.h"
#include "aafont.h"
#include "aamask.h"
#include "random.h"

namespace tessary {

void ColorBytes(TColor color, std::uint8_t bgr[3]) {
  const QColor rgb = ResolveColor(color);
  bgr[0] = static_cast<std::uint8_t>(rgb.blue());
  bgr[1] = static_cast<std::uint8_t>(rgb.green());
  bgr[2] = static_cast<std::uint8_t>(rgb.red());
}

namespace {

bool IsRgb32(const QImage& image) {
  return image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32 ||
         image.format() == QImage::Format_ARGB32_Premultiplied;
}

// Copies n pixels between a row of the target (any of the formats read
// directly) and a BGR888 row.
void RowFromTarget(const QImage& target, int y, int x, int n, uchar* bgr) {
  if (target.format() == QImage::Format_BGR888) {
    std::memcpy(bgr, target.constScanLine(y) + 3 * x, 3 * static_cast<std::size_t>(n));
    return;
  }
  const QRgb* in = reinterpret_cast<const QRgb*>(target.constScanLine(y)) + x;
  for (int i = 0; i < n; ++i, bgr += 3) {
    bgr[0] = static_cast<uchar>(qBlue(in[i]));
    bgr[1] = static_cast<uchar>(qGreen(in[i]));
    bgr[2] = static_cast<uchar>(qRed(in[i]));
  }
}

void RowToTarget(QImage& target, int y, int x, int n, const uchar* bgr) {
  if (target.format() == QImage::Format_BGR888) {
    std::memcpy(target.scanLine(y) + 3 * x, bgr, 3 * static_cast<std::size_t>(n));
    return;
  }
  QRgb* out = reinterpret_cast<QRgb*>(target.scanLine(y)) + x;
  for (int i = 0; i < n; ++i, bgr += 3) out[i] = qRgb(bgr[2], bgr[1], bgr[0]);
}

void Fill(QImage& image, const std::uint8_t bgr[3]) {
  const int w = image.width();
  const int h = image.height();
  for (int r = 0; r < h; ++r) {
    uchar* out = image.scanLine(r);
    for (int c = 0; c < w; ++c, out += 3) std::memcpy(out, bgr, 3);
  }
}

void Fill(QImage& image, TColor color) {
  std::uint8_t bgr[3];
  ColorBytes(color, bgr);
  Fill(image, bgr);
}

// Entry i of a ramp from c0 to c1 in n steps, per channel, truncating.
void RampEntry(const std::uint8_t c0[3], const std::uint8_t c1[3], int i, int n, uchar* out) {
  for (int ch = 0; ch < 3; ++ch) out[ch] = static_cast<uchar>(c0[ch] + i * (c1[ch] - c0[ch]) / n);
}

}  // namespace

// ---- the work image ----

void TAABlend::LoadWork(int x, int y, int w, int h) {
  FWork = QImage(w, h, QImage::Format_BGR888);
  const TAACanvas* canvas = FRenderer ? FRenderer->Canvas() : nullptr;
  if (!canvas || canvas->BrushStyle == bsSolid) {
    Fill(FWork, canvas ? canvas->BrushColor : clWhite);
    return;
  }
  Fill(FWork, clBlack);
  if (!canvas->Target) return;
  QImage& target = *canvas->Target;
  const QRect box = QRect(x, y, w, h).intersected(target.rect());
  if (box.isEmpty()) return;
  if (target.format() != QImage::Format_BGR888 && !IsRgb32(target)) {
    QPainter(&FWork).drawImage(box.topLeft() - QPoint(x, y), target, box);
    return;
  }
  for (int r = box.top(); r <= box.bottom(); ++r)
    RowFromTarget(target, r, box.left(), box.width(), FWork.scanLine(r - y) + 3 * (box.left() - x));
}

void TAABlend::StoreWork(int x, int y) {
  const TAACanvas* canvas = FRenderer ? FRenderer->Canvas() : nullptr;
  if (!canvas || !canvas->Target) return;
  QImage& target = *canvas->Target;
  const QRect box = QRect(QPoint(x, y), FWork.size()).intersected(target.rect());
  if (box.isEmpty()) return;
  if (target.format() != QImage::Format_BGR888 && !IsRgb32(target)) {
    QPainter painter(&target);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(box.topLeft(), FWork, box.translated(-x, -y));
    return;
  }
  for (int r = box.top(); r <= box.bottom(); ++r)
    RowToTarget(target, r, box.left(), box.width(),
                FWork.constScanLine(r - y) + 3 * (box.left() - x));
}

// ---- blends ----

void TAABlend::ColorBlend(int x, int y, const TAAMask& mask, int alpha, TColor color) {
  std::uint8_t bgr[3];
  ColorBytes(color, bgr);
  Blend(x, y, mask, alpha, bgr);
}

void TAABlend::ImageBlend(int x, int y, const TAAMask& mask, int alpha) {
  if (FForeBmp.format() != QImage::Format_BGR888 || FForeBmp.width() != mask.Width() ||
      FForeBmp.height() != mask.Height())
    throw EInvalidForeBmp();
  Blend(x, y, mask, alpha, nullptr);
}

namespace {

// Blends n pixels (n at most kBlendBlock) through their mask bytes: with
// k = coverage * a / 256, each byte becomes d + (s - d) * k / 256 rounded
// down, or s where k is 255. Written as (d * (256 - k) + s * k) / 256,
// every step fits 16 bits and the loop over the bytes runs in vector
// registers once each byte has its k.
constexpr int kBlendBlock = 16;

template <typename Count>
void BlendPixels(uchar* dst, const std::uint8_t* m, Count n, int a, const uchar* src) {
  uchar kk[3 * kBlendBlock + 1];  // each pixel writes 4 bytes, the next its 3 over the last
  for (int c = 0; c < static_cast<int>(n); ++c) {
    const std::uint32_t three = ((m[c] * static_cast<std::uint32_t>(a)) >> 8) * 0x010101u;
    std::memcpy(kk + 3 * c, &three, 4);
  }
  for (int i = 0; i < 3 * static_cast<int>(n); ++i) {
    const std::uint16_t k = kk[i];
    const std::uint16_t mixed = static_cast<std::uint16_t>(dst[i] * (256 - k) + src[i] * k) >> 8;
    dst[i] = static_cast<uchar>(k == 255 ? src[i] : mixed);
  }
}

// One row of n pixels; blocks without ink are skipped.
void BlendRow(uchar* dst, const std::uint8_t* m, int n, int a, const uchar* src) {
  int c = 0;
  for (; c + kBlendBlock <= n; c += kBlendBlock) {
    std::uint64_t ink[2];
    std::memcpy(ink, m + c, sizeof ink);
    if ((ink[0] | ink[1]) == 0) continue;
    BlendPixels(dst + 3 * c, m + c, std::integral_constant<int, kBlendBlock>(), a, src + 3 * c);
  }
  BlendPixels(dst + 3 * c, m + c, n - c, a, src + 3 * c);
}

void FillRow(uchar* dst, int n, const std::uint8_t bgr[3]) {
  for (int c = 0; c < n; ++c, dst += 3) std::memcpy(dst, bgr, 3);
}

}  // namespace

// color null: the source is the foreground image. A target of the formats
// read directly is blended in place, row by row, only where the mask lands
// on it; others go through a work image.
void TAABlend::Blend(int x, int y, const TAAMask& mask, int alpha, const std::uint8_t* color) {
  const int w = mask.Width();
  const int h = mask.Height();
  if (w == 0 || h == 0) return;
  const int a = std::clamp(alpha, 0, 100) * 256 / 100;
  const TAACanvas* canvas = FRenderer ? FRenderer->Canvas() : nullptr;
  QImage* target = canvas ? canvas->Target : nullptr;
  if (!target) return;  // nothing would be stored
  if (color) {
    FColorRow.resize(3 * static_cast<std::size_t>(w));
    FillRow(FColorRow.data(), w, color);
  }
  const auto source = [&](int r, int c0) {
    return color ? FColorRow.data() + 3 * c0 : FForeBmp.constScanLine(r) + 3 * c0;
  };
  if (target->format() != QImage::Format_BGR888 && !IsRgb32(*target)) {
    LoadWork(x, y, w, h);
    for (int r = 0; r < h; ++r) BlendRow(FWork.scanLine(r), mask.Row(r), w, a, source(r, 0));
    StoreWork(x, y);
    return;
  }
  const QRect box = QRect(x, y, w, h).intersected(target->rect());
  if (box.isEmpty()) return;
  const bool solid = canvas->BrushStyle == bsSolid;
  std::uint8_t brush[3];
  if (solid) ColorBytes(canvas->BrushColor, brush);
  const bool direct = target->format() == QImage::Format_BGR888;
  if (!direct) FRow.resize(3 * static_cast<std::size_t>(box.width()));
  const int c0 = box.left() - x;
  for (int ty = box.top(); ty <= box.bottom(); ++ty) {
    const int r = ty - y;
    uchar* row = direct ? target->scanLine(ty) + 3 * box.left() : FRow.data();
    if (solid) {
      FillRow(row, box.width(), brush);
    } else if (!direct) {
      RowFromTarget(*target, ty, box.left(), box.width(), row);
    }
    BlendRow(row, mask.Row(r) + c0, box.width(), a, source(r, c0));
    if (!direct) RowToTarget(*target, ty, box.left(), box.width(), row);
  }
}

// ---- foregrounds ----

void TAABlend::MakeGradient(int w, int h, const TAAGradual& gradual, int left, int boxWidth) {
  FForeBmp = QImage(w, h, QImage::Format_BGR888);
  if (w <= 0 || h <= 0) return;
  if (boxWidth < 0) boxWidth = w;
  const TGradualStyle style = gradual.Style();
  const bool horizontal = style == gsLeftToRight || style == gsRightToLeft || style == gsCenterToLR;
  const bool centre = style == gsCenterToLR || style == gsCenterToTB;
  const bool forward = style == gsLeftToRight || style == gsTopToBottom;
  const int length = horizontal ? boxWidth : h;
  const int n = centre ? (length + 1) / 2 : length;
  std::uint8_t c0[3];
  std::uint8_t c1[3];
  ColorBytes(forward ? gradual.StartColor() : gradual.EndColor(), c0);
  ColorBytes(forward ? gradual.EndColor() : gradual.StartColor(), c1);
  // The centre styles mirror the first half of the ramp into the second.
  const auto entry = [&](int i, uchar* out) {
    RampEntry(c0, c1, centre && i >= n ? length - 1 - i : i, n, out);
  };
  if (horizontal) {
    std::vector<uchar> ramp(3 * static_cast<std::size_t>(w));
    for (int c = 0; c < w; ++c) entry(left + c, &ramp[3 * static_cast<std::size_t>(c)]);
    for (int r = 0; r < h; ++r) std::memcpy(FForeBmp.scanLine(r), ramp.data(), ramp.size());
    return;
  }
  for (int r = 0; r < h; ++r) {
    uchar colour[3];
    entry(r, colour);
    uchar* out = FForeBmp.scanLine(r);
    for (int c = 0; c < w; ++c) std::memcpy(out + 3 * c, colour, 3);
  }
}

void TAABlend::MakeTexture(int w, int h, const TAATexture& texture, TColor fontColor, int left,
                           int boxWidth) {
  FForeBmp = QImage(w, h, QImage::Format_BGR888);
  if (w <= 0 || h <= 0) return;
  if (boxWidth < 0) boxWidth = w;
  Fill(FForeBmp, fontColor);
  const QImage& picture = texture.Picture();
  if (picture.isNull()) return;
  const int pw = picture.width();
  const int ph = picture.height();
  QPainter painter(&FForeBmp);
  painter.translate(-left, 0);
  switch (texture.Mode()) {
    case tmTiled:
      // Only the tiles that reach the columns held.
      for (int ty = 0; ty <= h / ph; ++ty)
        for (int tx = left / pw; tx <= std::min(boxWidth / pw, (left + w) / pw); ++tx)
          painter.drawImage(tx * pw, ty * ph, picture);
      break;
    case tmStretched: painter.drawImage(QRect(0, 0, boxWidth, h), picture); break;
    case tmCenter: painter.drawImage((boxWidth - pw) / 2, (h - ph) / 2, picture); break;
    case tmNormal: painter.drawImage(0, 0, picture); break;
  }
}

void TAABlend::MakeNoise(int w, int h, int amount, TColor fontColor) {
  FForeBmp = QImage(w, h, QImage::Format_BGR888);
  std::uint8_t bgr[3];
  ColorBytes(fontColor, bgr);
  const int half = amount / 2;
  for (int r = 0; r < h; ++r) {
    uchar* out = FForeBmp.scanLine(r);
    for (int c = 0; c < w; ++c, out += 3) {
      out[2] = static_cast<uchar>(std::clamp(bgr[2] + rng::Random(amount) - half, 0, 255));
      out[1] = static_cast<uchar>(std::clamp(bgr[1] + rng::Random(amount) - half, 0, 255));
      out[0] = static_cast<uchar>(std::clamp(bgr[0] + rng::Random(amount) - half, 0, 255));
    }
  }
}

void TAABlend::AddNoise(int amount) {
  const int half = amount / 2;
  const int bytes = 3 * FForeBmp.width();
  const int h = FForeBmp.height();
  for (int r = 0; r < h; ++r) {
    uchar* out = FForeBmp.scanLine(r);
    for (int i = 0; i < bytes; ++i)
      out[i] = static_cast<uchar>(std::clamp(out[i] + rng::Random(amount) - half, 0, 255));
  }
}

}  // namespace tessary
