// SPDX-License-Identifier: MIT
#include "glyphcoverage.h"

#include <QGlyphRun>
#include <QGuiApplication>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace tessary {

namespace {

// Qt draws glyphs of this many pixels and more as outlines, filled as one
// path per line; their overlaps then differ from laying images over each
// other. The limit can be moved by the environment, which the fast way then
// leaves to Qt altogether.
constexpr qreal kMaxCachedGlyphPixels = 64;
// What one thread keeps at most; past it the cache starts afresh.
constexpr std::size_t kCacheBytes = std::size_t{16} << 20;

// A glyph's coverage as Qt draws it at one sub-pixel offset: Width x Height
// bytes whose top-left lies (Left, Top) from the glyph's position rounded
// down.
struct TGlyphImage {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> Coverage;
};

// Glyph images of one font, by glyph and offset in 64ths of a pixel.
using TFontImages = std::unordered_map<std::uint64_t, TGlyphImage>;

struct TCache {
  std::unordered_map<QString, TFontImages> Fonts;  // by font key
  std::size_t Bytes = 0;
};

TCache& ThreadCache() {
  // Font engines belong to the thread that made them; so do these images.
  thread_local TCache cache;
  return cache;
}

bool Eligible(const QFont& font, const QString& text) {
  static const bool sizeMoved = qEnvironmentVariableIsSet("QT_MAX_CACHED_GLYPH_SIZE");
  if (sizeMoved || font.underline() || font.overline() || font.strikeOut()) return false;
  if (font.styleStrategy() & QFont::NoAntialias) return false;
  if (QGuiApplication::layoutDirection() != Qt::LeftToRight) return false;
  for (const QChar ch : text) {
    switch (ch.direction()) {
      case QChar::DirR:
      case QChar::DirAL:
      case QChar::DirRLE:
      case QChar::DirRLO:
      case QChar::DirLRE:
      case QChar::DirLRO:
      case QChar::DirPDF:
      case QChar::DirRLI:
      case QChar::DirLRI:
      case QChar::DirFSI:
      case QChar::DirPDI:
      case QChar::DirNSM: return false;
      default: break;
    }
    switch (ch.category()) {
      case QChar::Mark_NonSpacing:
      case QChar::Mark_SpacingCombining:
      case QChar::Mark_Enclosing:
      case QChar::Other_Control:
      case QChar::Other_Format:
      case QChar::Separator_Line:
      case QChar::Separator_Paragraph: return false;
      default: break;
    }
  }
  return true;
}

// The image glyphs are drawn into one at a time, kept clear between them:
// a new image would cost a paint engine each time.
QImage& CaptureImage(int w, int h) {
  thread_local QImage image;
  if (image.width() < w || image.height() < h) {
    image = QImage(std::max(w, image.width()), std::max(h, image.height()),
                   QImage::Format_ARGB32_Premultiplied);
    image.fill(0);
  }
  return image;
}

// Draws the glyph alone, as QPainter draws it in a line, and keeps its ink.
TGlyphImage TakeGlyph(const QRawFont& raw, quint32 glyph, int fx, int fy) {
  const QRectF box = raw.boundingRect(glyph);
  for (int margin = 4 + static_cast<int>(raw.pixelSize()) / 4;; margin *= 2) {
    const int originX = margin - static_cast<int>(std::floor(box.left()));
    const int originY = margin - static_cast<int>(std::floor(box.top()));
    const int w = static_cast<int>(std::ceil(box.width())) + 2 * margin;
    const int h = static_cast<int>(std::ceil(box.height())) + 2 * margin;
    QImage& image = CaptureImage(w, h);
    {
      QPainter painter(&image);
      painter.setClipRect(0, 0, w, h);
      painter.setPen(QColor(255, 255, 255));
      QGlyphRun run;
      run.setRawFont(raw);
      run.setGlyphIndexes({glyph});
      run.setPositions({QPointF(originX + fx / 64.0, originY + fy / 64.0)});
      painter.drawGlyphRun(QPointF(0, 0), run);
    }
    // White ink leaves every byte of a pixel alike: a pixel is blank when
    // its word is 0.
    int left = w, right = -1, top = h, bottom = -1;
    for (int y = 0; y < h; ++y) {
      const auto* row = reinterpret_cast<const quint32*>(image.constScanLine(y));
      int first = 0;
      while (first < w && row[first] == 0) ++first;
      if (first == w) continue;
      int last = w - 1;
      while (row[last] == 0) --last;
      left = std::min(left, first);
      right = std::max(right, last);
      top = std::min(top, y);
      bottom = y;
    }
    TGlyphImage result;
    const bool cut = right >= 0 && (left == 0 || top == 0 || right == w - 1 || bottom == h - 1);
    if (right >= 0 && !cut) {
      result.Left = left - originX;
      result.Top = top - originY;
      result.Width = right - left + 1;
      result.Height = bottom - top + 1;
      result.Coverage.resize(static_cast<std::size_t>(result.Width) * result.Height);
      for (int y = 0; y < result.Height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(top + y)) + left;
        for (int x = 0; x < result.Width; ++x)
          result.Coverage[static_cast<std::size_t>(y) * result.Width + x] =
              static_cast<std::uint8_t>(qAlpha(row[x]));
      }
    }
    for (int y = std::max(top, 0); y <= bottom; ++y)
      std::memset(image.scanLine(y), 0, static_cast<std::size_t>(w) * 4);
    // Ink on the edge may have been cut off: look again with more room.
    if (!cut) return result;  // a blank has no ink at all
  }
}

// Lays one glyph's coverage over the image: a' = c + a * (255 - c) / 255,
// rounded as Qt's byte multiply rounds; every step fits 16 bits.
void Lay(const TGlyphImage& glyph, int x, int y, QImage& coverage) {
  const int left = std::max(0, -x);
  const int right = std::min(glyph.Width, coverage.width() - x);
  const int top = std::max(0, -y);
  const int bottom = std::min(glyph.Height, coverage.height() - y);
  std::uint8_t* bits = coverage.bits();
  const qsizetype stride = coverage.bytesPerLine();
  for (int r = top; r < bottom; ++r) {
    const std::uint8_t* in = glyph.Coverage.data() + static_cast<std::size_t>(r) * glyph.Width;
    std::uint8_t* out = bits + (y + r) * stride + x;
    for (int c = left; c < right; ++c) {
      const auto t = static_cast<std::uint16_t>(out[c] * (255 - in[c]));
      out[c] =
          static_cast<std::uint8_t>(in[c] + (static_cast<std::uint16_t>(t + (t >> 8) + 0x80) >> 8));
    }
  }
}

struct TPlacedGlyph {
  const TGlyphImage* Image;
  double X;
  double Y;
};

}  // namespace

bool DrawTextCoverage(const QFont& font, const QString& text, int x, int baseline,
                      QImage& coverage) {
  if (coverage.format() != QImage::Format_Grayscale8 || !Eligible(font, text)) return false;
  QTextLayout layout(text, font);
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  option.setTextDirection(Qt::LeftToRight);
  layout.setTextOption(option);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  if (!line.isValid()) return true;  // no text
  line.setLineWidth(1e9);
  layout.endLayout();
  const QList<QGlyphRun> runs = line.glyphRuns();
  for (const QGlyphRun& run : runs)
    if (run.rawFont().pixelSize() >= kMaxCachedGlyphPixels) return false;

  TCache& cache = ThreadCache();
  if (cache.Bytes > kCacheBytes) cache = TCache();
  std::vector<TPlacedGlyph> placed;
  const double lineBaseline = line.ascent();
  for (const QGlyphRun& run : runs) {
    const QRawFont raw = run.rawFont();
    // The request and the face that answered it decide how glyphs look.
    TFontImages& images = cache.Fonts[font.key() + QLatin1Char('|') + raw.familyName() +
                                      QLatin1Char('|') + raw.styleName()];
    const QList<quint32> indexes = run.glyphIndexes();
    const QList<QPointF> positions = run.positions();
    for (qsizetype i = 0; i < indexes.size(); ++i) {
      // Positions are whole 64ths of a pixel; the fraction picks Qt's image.
      const double gx = x + positions[i].x();
      const double gy = baseline + positions[i].y() - lineBaseline;
      const int fx = static_cast<int>(std::lround((gx - std::floor(gx)) * 64));
      const int fy = static_cast<int>(std::lround((gy - std::floor(gy)) * 64));
      const std::uint64_t key = (std::uint64_t{indexes[i]} << 16) |
                                static_cast<std::uint64_t>(fx << 8) |
                                static_cast<std::uint64_t>(fy);
      auto it = images.find(key);
      if (it == images.end()) {
        it = images.emplace(key, TakeGlyph(raw, indexes[i], fx, fy)).first;
        cache.Bytes += it->second.Coverage.size() + sizeof(TGlyphImage);
      }
      placed.push_back({&it->second, gx, gy});
    }
  }
  // Qt lays the glyphs in reading order, which left to right is the order of
  // their positions; overlaps depend on it.
  std::stable_sort(placed.begin(), placed.end(),
                   [](const TPlacedGlyph& a, const TPlacedGlyph& b) { return a.X < b.X; });
  for (const TPlacedGlyph& glyph : placed) {
    const TGlyphImage& image = *glyph.Image;
    if (image.Width == 0) continue;
    // The image was taken at the same fraction, so it lies whole pixels away.
    const int px = static_cast<int>(std::floor(glyph.X)) + image.Left;
    const int py = static_cast<int>(std::floor(glyph.Y)) + image.Top;
    Lay(image, px, py, coverage);
  }
  return true;
}

}  // namespace tessary
