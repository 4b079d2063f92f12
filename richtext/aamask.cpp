// SPDX-License-Identifier: MIT
#include "aamask.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "aafont.h"
#include "glyphcoverage.h"
#include "random.h"

namespace tessary {

namespace {

int RoundToInt(double value) { return static_cast<int>(std::nearbyint(value)); }  // halves to even

}  // namespace

long long RoundHalfEven(long long num, long long den) {
  if (num < 0) return -RoundHalfEven(-num, den);
  const long long q = num / den;
  const long long twice = 2 * (num % den);
  if (twice > den || (twice == den && (q & 1))) return q + 1;
  return q;
}

int Cp936Length(const QString& text) {
  int bytes = 0;
  for (const QChar ch : text) {
    if (ch.isLowSurrogate()) continue;  // the pair was counted at its high half
    bytes += ch.unicode() < 0x80 ? 1 : 2;
  }
  return bytes;
}

int TAAMask::ScaleOf(TAAQuality quality) {
  switch (quality) {
    case aqHigh: return 4;
    case aqNormal: return 3;
    case aqLow: return 2;
    default: return 1;
  }
}

void TAAMask::SetSize(int w, int h) {
  FWidth = std::max(0, w);
  FHeight = std::max(0, h);
  FLeft = 0;
  FBoxWidth = FWidth;
  FStride = (FWidth + 3) & ~3;
  FData.assign(static_cast<std::size_t>(FStride) * FHeight, 0);
}

std::uint8_t* TAAMask::Row(int r) {
  if (r < 0 || r >= FHeight) throw EInvalidLine();
  return FData.data() + static_cast<std::size_t>(r) * FStride;
}

const std::uint8_t* TAAMask::Row(int r) const {
  if (r < 0 || r >= FHeight) throw EInvalidLine();
  return FData.data() + static_cast<std::size_t>(r) * FStride;
}

// ---- extent and drawing ----

TTextBox TAAMask::ExtentRules(int cx, int cy, int scale, bool italic, int byteLength,
                              int escapement) {
  TTextBox box;
  box.Width = (cx + scale - 1) / scale;
  box.Height = (cy + scale - 1) / scale;
  // Italic glyphs lean past their advance; the measured width leaves that out.
  if (italic && byteLength > 0)
    box.Width += static_cast<int>(RoundHalfEven(box.Width * 3LL, byteLength * 10LL));
  if (escapement == 0) return box;
  const double phi = -(escapement * std::numbers::pi / 1800.0);
  const double s = std::sin(phi);
  const double c = std::cos(phi);
  const double hw = box.Width / 2.0;
  const double hh = box.Height / 2.0;
  const double us[4] = {-hw, hw, -hw, hw};
  const double vs[4] = {-hh, -hh, hh, hh};
  int xs[4];
  int ys[4];
  for (int i = 0; i < 4; ++i) {
    xs[i] = RoundToInt(us[i] * c - vs[i] * s);
    ys[i] = RoundToInt(us[i] * s + vs[i] * c);
  }
  box.Width = *std::max_element(xs, xs + 4) - *std::min_element(xs, xs + 4);
  box.Height = *std::max_element(ys, ys + 4) - *std::min_element(ys, ys + 4);
  box.OriginX = box.Width / 2 + xs[0];
  box.OriginY = box.Height / 2 + ys[0];
  return box;
}

// The canvas font at Scale times its size; without smoothing the mask is the
// platform's own coverage, so aqNone asks for no anti-aliasing.
const TAAMask::TScaledFont& TAAMask::ScaledFont() const {
  const TFontDesc& desc = FRenderer->Canvas()->Font;
  if (FFont.Scale == Scale() && FFont.Quality == FQuality && FFont.Desc == desc) return FFont;
  FFont.Desc = desc;
  FFont.Scale = Scale();
  FFont.Quality = FQuality;
  FFont.Font = desc.ToQFont(FFont.Scale);
  if (FQuality == aqNone) FFont.Font.setStyleStrategy(QFont::NoAntialias);
  const QFontMetrics metrics(FFont.Font);
  FFont.Ascent = metrics.ascent();
  FFont.Height = metrics.height();
  FFont.Text = QString();
  FFont.Width = 0;
  return FFont;
}

TTextBox TAAMask::TextSize(const QString& text) const {
  if (!FRenderer || !FRenderer->Canvas()) return {};
  const TAACanvas& canvas = *FRenderer->Canvas();
  const TScaledFont& font = ScaledFont();
  if (font.Text.isNull() || font.Text != text) {
    FFont.Width = QFontMetrics(font.Font).horizontalAdvance(text);
    FFont.Text = text;
  }
  return ExtentRules(font.Width, font.Height, font.Scale, canvas.Font.Italic, Cp936Length(text),
                     canvas.Escapement);
}

int TAAMask::TextHeight(const QString& text) const {
  if (!FRenderer || !FRenderer->Canvas()) return 0;
  if (FRenderer->Canvas()->Escapement != 0) return TextSize(text).Height;
  const TScaledFont& font = ScaledFont();
  return ExtentRules(0, font.Height, font.Scale, false, 0, 0).Height;
}

void TAAMask::DrawText(const QString& text) {
  const TTextBox box = TextSize(text);
  DrawText(text, box.Width, box.Height, 0, 0);
}

void TAAMask::DrawText(const QString& text, int w, int h, int px, int py) {
  SetSize(w, h);
  if (FWidth == 0 || FHeight == 0 || !FRenderer || !FRenderer->Canvas()) return;
  Shrink(Rasterize(text, w, h, px, py));  // the scratch image goes with the call
}

void TAAMask::DrawColumns(const QString& text, int from, int to) {
  const TTextBox box = TextSize(text);
  from = std::clamp(from, 0, box.Width);
  to = std::clamp(to, from, box.Width);
  if (from == 0 && to == box.Width) {
    DrawText(text, box.Width, box.Height, 0, 0);
    return;
  }
  SetSize(to - from, box.Height);
  FLeft = from;
  FBoxWidth = box.Width;
  if (FWidth == 0 || FHeight == 0) return;
  // Whole multiples of the scale apart, the glyphs land on the same pixels
  // as in the whole row; those outside the scratch image are never drawn.
  Shrink(Rasterize(text, FWidth, FHeight, 0, 0, from));
}

QImage TAAMask::Rasterize(const QString& text, int w, int h, int px, int py, int left) const {
  const TAACanvas& canvas = *FRenderer->Canvas();
  const int scale = Scale();
  const TScaledFont& font = ScaledFont();
  if (canvas.Escapement == 0) {
    QImage coverage(w * scale, h * scale, QImage::Format_Grayscale8);
    coverage.fill(0);
    if (DrawTextCoverage(font.Font, text, (px - left) * scale, py * scale + font.Ascent, coverage))
      return coverage;
  }
  // Qt blits glyphs into 32-bit images about three times as fast as into
  // 8-bit ones; the coverage is the alpha byte, read as the grey value.
  QImage scratch(w * scale, h * scale, QImage::Format_ARGB32_Premultiplied);
  scratch.fill(0);
  QPointF origin((px - left) * scale, py * scale);
  if (canvas.Escapement != 0) {
    // The rotated string starts where its top-left corner went when the box
    // turned about its centre.
    const TTextBox box = TextSize(text);
    origin += QPointF(box.OriginX * scale, box.OriginY * scale);
  }
  QPainter painter(&scratch);
  painter.setFont(font.Font);
  painter.setPen(QColor(255, 255, 255));
  painter.translate(origin);
  if (canvas.Escapement != 0) painter.rotate(-canvas.Escapement / 10.0);
  painter.drawText(QPointF(0, font.Ascent), text);
  return scratch;
}

// ---- box filters ----

namespace {

// The coverage bytes of a scratch image: every byte of an 8-bit grey image,
// or the alpha byte of each 32-bit premultiplied pixel.
template <int Step>
struct TCoverage {
  const QImage& Image;
  int Offset;
  const uchar* Line(int y) const { return Image.constScanLine(y) + Offset; }
};

constexpr int kAlphaByte = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 3 : 0;

template <int Step>
void ShrinkHigh(const TCoverage<Step>& in, TAAMask& mask) {
  for (int r = 0; r < mask.Height(); ++r) {
    const uchar* rows[4];
    for (int i = 0; i < 4; ++i) rows[i] = in.Line(r * 4 + i);
    std::uint8_t* out = mask.Row(r);
    for (int c = 0, i = 0; c < mask.Width(); ++c, i += 4 * Step) {
      int sum = 0;
      for (const uchar* row : rows)
        sum += row[i] + row[i + Step] + row[i + 2 * Step] + row[i + 3 * Step];
      out[c] = static_cast<std::uint8_t>(sum >> 4);
    }
  }
}

// Weights 1 1 ½ / 1 1 1 / ½ 1 1: eight in all, so the sum shifts by 3.
template <int Step>
void ShrinkNormal(const TCoverage<Step>& in, TAAMask& mask) {
  for (int r = 0; r < mask.Height(); ++r) {
    const uchar* a = in.Line(r * 3);
    const uchar* b = in.Line(r * 3 + 1);
    const uchar* d = in.Line(r * 3 + 2);
    std::uint8_t* out = mask.Row(r);
    for (int c = 0, i = 0; c < mask.Width(); ++c, i += 3 * Step) {
      const int sum = a[i] + a[i + Step] + (a[i + 2 * Step] >> 1) + b[i] + b[i + Step] +
                      b[i + 2 * Step] + (d[i] >> 1) + d[i + Step] + d[i + 2 * Step];
      out[c] = static_cast<std::uint8_t>(sum >> 3);
    }
  }
}

template <int Step>
void ShrinkLow(const TCoverage<Step>& in, TAAMask& mask) {
  for (int r = 0; r < mask.Height(); ++r) {
    const uchar* a = in.Line(r * 2);
    const uchar* b = in.Line(r * 2 + 1);
    std::uint8_t* out = mask.Row(r);
    for (int c = 0, i = 0; c < mask.Width(); ++c, i += 2 * Step)
      out[c] = static_cast<std::uint8_t>((a[i] + a[i + Step] + b[i] + b[i + Step]) >> 2);
  }
}

template <int Step>
void ShrinkNone(const TCoverage<Step>& in, TAAMask& mask) {
  for (int r = 0; r < mask.Height(); ++r) {
    const uchar* a = in.Line(r);
    std::uint8_t* out = mask.Row(r);
    for (int c = 0; c < mask.Width(); ++c) out[c] = a[c * Step];
  }
}

template <int Step>
void ShrinkWith(TAAQuality quality, const TCoverage<Step>& in, TAAMask& mask) {
  switch (quality) {
    case aqHigh: ShrinkHigh(in, mask); break;
    case aqNormal: ShrinkNormal(in, mask); break;
    case aqLow: ShrinkLow(in, mask); break;
    default: ShrinkNone(in, mask); break;
  }
}

}  // namespace

void TAAMask::Shrink(const QImage& scratch) {
  const int scale = Scale();
  if (scratch.width() < FWidth * scale || scratch.height() < FHeight * scale)
    throw std::invalid_argument("scratch image too small for the mask");
  if (scratch.format() == QImage::Format_Grayscale8)
    ShrinkWith(FQuality, TCoverage<1>{scratch, 0}, *this);
  else if (scratch.format() == QImage::Format_ARGB32_Premultiplied)
    ShrinkWith(FQuality, TCoverage<4>{scratch, kAlphaByte}, *this);
  else
    throw std::invalid_argument("scratch image of an unknown format");
}

// ---- mask effects ----

void TAAMask::Outline() {
  if (FWidth < 3 || FHeight < 3) return;
  const TAAMask source(*this);
  const auto s = [&source](int r, int c) { return static_cast<int>(source.At(r, c)); };
  for (int r = 1; r <= FHeight - 2; ++r) {
    std::uint8_t* out = Row(r);
    for (int c = 1; c <= FWidth - 2; ++c) {
      const int d = std::abs(s(r + 1, c + 1) - s(r - 1, c - 1)) +
                    std::abs(s(r + 1, c) - s(r - 1, c)) + std::abs(s(r, c + 1) - s(r, c - 1)) +
                    std::abs(s(r + 1, c - 1) - s(r - 1, c + 1));
      out[c] = static_cast<std::uint8_t>(d < 1024 ? d / 4 : 255);
    }
  }
}

// In place on purpose: a pixel may copy one that was already sprayed.
void TAAMask::Spray(int amount) {
  for (int r = 0; r < FHeight; ++r) {
    std::uint8_t* out = Row(r);
    for (int c = 0; c < FWidth; ++c) {
      const int b = rng::Random(amount + 1);
      const int sx = std::clamp(c + b - rng::Random(2 * b), 0, FWidth - 1);
      const int sy = std::clamp(r + b - rng::Random(2 * b), 0, FHeight - 1);
      out[c] = At(sy, sx);
    }
  }
}

void TAAMask::HorzMirror() {
  for (int r = 0; r < FHeight; ++r) std::reverse(Row(r), Row(r) + FWidth);
  FLeft = FBoxWidth - FLeft - FWidth;  // the columns held move to the other side
}

void TAAMask::VertMirror() {
  for (int i = 0; i < FHeight / 2; ++i)
    std::swap_ranges(Row(i), Row(i) + FStride, Row(FHeight - 1 - i));
}

// The 5 x 5 box with clamped offsets is separable: rows first, then columns,
// with exactly the same sums. Row sums (at most 5 * 255) and column sums (at
// most 25 * 255) fit 16 bits; the clamps are needed only at the edges.
void TAAMask::Blur(int amount) {
  if (amount <= 0 || FWidth == 0 || FHeight == 0) return;
  const int k = static_cast<int>(RoundHalfEven(std::min(amount, 100) * 255LL, 100));
  const int w = FWidth;
  thread_local std::vector<std::uint16_t> sums;
  sums.resize(static_cast<std::size_t>(w) * FHeight);
  const int edge = std::min(2, w);
  for (int r = 0; r < FHeight; ++r) {
    const std::uint8_t* in = Row(r);
    std::uint16_t* out = &sums[static_cast<std::size_t>(r) * w];
    const auto clamped = [&](int c) {
      int sum = 0;
      for (int dc = -2; dc <= 2; ++dc) sum += in[std::clamp(c + dc, 0, w - 1)];
      return static_cast<std::uint16_t>(sum);
    };
    for (int c = 0; c < edge; ++c) out[c] = clamped(c);
    for (int c = 2; c < w - 2; ++c)
      out[c] = static_cast<std::uint16_t>(in[c - 2] + in[c - 1] + in[c] + in[c + 1] + in[c + 2]);
    for (int c = std::max(edge, w - 2); c < w; ++c) out[c] = clamped(c);
  }
  for (int r = 0; r < FHeight; ++r) {
    const std::uint16_t* window[5];
    for (int dr = -2; dr <= 2; ++dr)
      window[dr + 2] = &sums[static_cast<std::size_t>(std::clamp(r + dr, 0, FHeight - 1)) * w];
    std::uint8_t* out = Row(r);
    for (int c = 0; c < w; ++c) {
      const auto sum = static_cast<std::uint16_t>(window[0][c] + window[1][c] + window[2][c] +
                                                  window[3][c] + window[4][c] + 12);
      const auto v = static_cast<std::uint16_t>(sum / 25);  // a 25th is never exactly half
      // old + (v - old) * k / 256 rounded down, in 16 bits.
      const auto mixed = static_cast<std::uint16_t>(out[c] * (256 - k) + v * k) >> 8;
      out[c] = static_cast<std::uint8_t>(k == 255 ? v : mixed);
    }
  }
}

}  // namespace tessary
