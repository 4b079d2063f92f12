// SPDX-License-Identifier: MIT
// Glyph coverage laid from kept glyph images against QPainter::drawText in
// white on a transparent 32-bit image: the same byte in every pixel, with
// whatever fonts are installed, and a refusal wherever that cannot hold.

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <thread>
#include <vector>

#include "glyphcoverage.h"

namespace tessary {
namespace {

struct TCase {
  const char* Family;
  int Pixels;
  bool Bold;
  bool Italic;
  QString Text;
  int X;  // where the baseline starts; negative cuts the left part off
};

QFont FontOf(const TCase& c) {
  QFont font(QString::fromUtf8(c.Family));
  font.setPixelSize(c.Pixels);
  font.setBold(c.Bold);
  font.setItalic(c.Italic);
  return font;
}

// Counts the pixels whose coverage differs from drawText's alpha; -1 when the
// coverage was refused.
int Differences(const QFont& font, const QString& text, int x) {
  const QFontMetrics metrics(font);
  const int w = metrics.horizontalAdvance(text) + 6;
  const int h = metrics.height() + 2;
  QImage expected(w, h, QImage::Format_ARGB32_Premultiplied);
  expected.fill(0);
  {
    QPainter painter(&expected);
    painter.setFont(font);
    painter.setPen(QColor(255, 255, 255));
    painter.translate(x, 0);
    painter.drawText(QPointF(0, metrics.ascent()), text);
  }
  QImage coverage(w, h, QImage::Format_Grayscale8);
  coverage.fill(0);
  if (!DrawTextCoverage(font, text, x, metrics.ascent(), coverage)) return -1;
  int differences = 0;
  for (int y = 0; y < h; ++y) {
    const auto* want = reinterpret_cast<const QRgb*>(expected.constScanLine(y));
    const uchar* got = coverage.constScanLine(y);
    for (int i = 0; i < w; ++i) differences += qAlpha(want[i]) != got[i];
  }
  return differences;
}

const std::vector<TCase>& Cases() {
  static const std::vector<TCase> cases = {
      // The panels' faces at three times their sizes, Chinese and Latin.
      {"AR PL UMing CN", 57, false, false, QStringLiteral("Tessary公式计算器"), 0},
      {"AR PL UMing CN", 42, false, false, QStringLiteral("本软件用作计算器，包括各种公式计算"), 0},
      {"WenQuanYi Zen Hei", 51, true, false, QStringLiteral("软件功能"), 0},
      {"AR PL UKai CN", 45, false, false, QStringLiteral("允许使用各种括号:{}、[]、()"), 0},
      // Kerned pairs and slanted glyphs overlap their neighbours: the order
      // in which glyphs are laid shows in the shared pixels.
      {"Liberation Serif", 60, false, true, QStringLiteral("AVAWAToffij"), 0},
      {"Liberation Sans", 38, true, true, QStringLiteral("Wavy Type, f(x)"), 0},
      // A Latin face with Chinese from a fallback face, fractional advances.
      {"Liberation Sans", 29, false, false, QStringLiteral("x=1.5*2 公式 Ag"), 0},
      {"DejaVu Sans", 13, false, false, QStringLiteral("abc 计算 ÀÉç «»"), 0},
      // Cut off at the image's left edge.
      {"AR PL UMing CN", 42, false, false, QStringLiteral("允许保存计算到文件"), -61},
      {"Liberation Serif", 33, false, true, QStringLiteral("Tessary"), -7},
  };
  return cases;
}

TEST(GlyphCoverageTest, LaysTheSameCoverageAsDrawText) {
  for (const TCase& c : Cases()) {
    EXPECT_EQ(Differences(FontOf(c), c.Text, c.X), 0)
        << c.Family << ' ' << c.Pixels << ' ' << c.Text.toStdString();
  }
}

TEST(GlyphCoverageTest, KeptGlyphsGiveTheSameCoverageAgainAndOnAnotherThread) {
  // The second round takes every glyph from the thread's images; a thread
  // of its own starts without any.
  for (int round = 0; round < 2; ++round)
    for (const TCase& c : Cases()) EXPECT_EQ(Differences(FontOf(c), c.Text, c.X), 0) << round;
  std::vector<int> other;
  std::thread([&] {
    for (const TCase& c : Cases()) other.push_back(Differences(FontOf(c), c.Text, c.X));
  }).join();
  EXPECT_EQ(other, std::vector<int>(Cases().size(), 0));
}

TEST(GlyphCoverageTest, RefusesWhatItCannotDrawAlike) {
  QFont plain(QStringLiteral("Liberation Sans"));
  plain.setPixelSize(30);
  struct TRefusal {
    const char* Why;
    QFont Font;
    QString Text;
  };
  QFont underlined = plain;
  underlined.setUnderline(true);
  QFont struck = plain;
  struck.setStrikeOut(true);
  QFont sharp = plain;
  sharp.setStyleStrategy(QFont::NoAntialias);
  QFont outlined = plain;
  outlined.setPixelSize(64);  // drawn as outlines, filled line by line
  const std::vector<TRefusal> refusals = {
      {"underline", underlined, QStringLiteral("abc")},
      {"strike-out", struck, QStringLiteral("abc")},
      {"no smoothing", sharp, QStringLiteral("abc")},
      {"64 pixels", outlined, QStringLiteral("abc")},
      {"right to left", plain, QStringLiteral("abc \u05D0\u05D1")},
      {"combining mark", plain, QStringLiteral("e\u0301")},
      {"tab", plain, QStringLiteral("a\tb")},
  };
  for (const TRefusal& r : refusals) {
    QImage coverage(200, 80, QImage::Format_Grayscale8);
    coverage.fill(0);
    EXPECT_FALSE(DrawTextCoverage(r.Font, r.Text, 0, 60, coverage)) << r.Why;
    int ink = 0;
    for (int y = 0; y < coverage.height(); ++y)
      for (int x = 0; x < coverage.width(); ++x) ink += coverage.constScanLine(y)[x] != 0;
    EXPECT_EQ(ink, 0) << r.Why << ": drew before refusing";
  }
}

}  // namespace
}  // namespace tessary
