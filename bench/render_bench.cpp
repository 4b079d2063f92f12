// SPDX-License-Identifier: MIT
// Speed of the font effect renderer against Qt's own text drawing.
//
// The six side panels' built-in text (eight non-empty lines each, in the
// panels' fonts: "Title1" with shadow and the panel's gradient, "Title2"
// with shadow, "Text1" plain) is drawn with TAAFontEx::TextOut at each
// quality, and, side by side in the same run, with QPainter::drawText
// (anti-aliased, same faces and sizes) into a QImage of Qt's own RGB32
// format. A last row draws every line with shadow and gradient at aqNormal:
// the goal is that this costs at most four times Qt's plain drawing.
//
// Times are the thread's CPU time, the least of the runs: on a shared
// machine wall time mostly measures the other programs.
//
//   render_bench           at least 0.3 s and 3 runs per row
//   render_bench --quick   one run each (smoke test)
//
// Exit status: 0 on success (a missed goal is printed, not failed), 2 when a
// line draws nothing: the fonts or the renderer are broken and the figures
// would mean nothing.

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "aafont.h"
#include "fontsubstitutes.h"
#include "quickarg.h"
#include "random.h"

namespace {

using namespace tessary;

constexpr int kPanelWidth = 258;
constexpr double kGoalRatio = 4.0;

enum TStyle { sTitle1, sTitle2, sText1 };

struct TLine {
  TStyle Style;
  QString Text;
};

// The built-in panel text without its markup; the empty second line is skipped.
std::vector<TLine> PanelLines() {
  return {
      {sTitle1, QStringLiteral("Tessary公式计算器")},
      {sTitle2, QStringLiteral("软件功能")},
      {sText1, QStringLiteral("本软件用作计算器，包括各种公式计算")},
      {sText1, QStringLiteral("允许使用各种括号:{}、[]、()")},
      {sText1, QStringLiteral("允许使用习惯运算符:x等")},
      {sText1, QStringLiteral("允许自定义、使用变量")},
      {sText1, QStringLiteral("允许多公式计算")},
      {sText1, QStringLiteral("允许保存计算到文件")},
  };
}

struct TPanelGradient {
  TGradualStyle Style;
  TColor Start, End;
};

// Title1's gradient in panels 0 to 5.
const TPanelGradient kGradients[6] = {
    {gsLeftToRight, clRed, clBlack},   {gsLeftToRight, clBlack, clRed},
    {gsCenterToLR, 0x8000FF, clBlack}, {gsBottomToTop, 0xFF00FF, 0xFF0000},
    {gsRightToLeft, 0xFF0000, clRed},  {gsTopToBottom, clRed, 0x800000},
};

TFontDesc FontOf(TStyle style) {
  TFontDesc font;
  font.Name = QStringLiteral("宋体");
  switch (style) {
    case sTitle1:
      font.Height = -19;
      font.Color = clRed;
      break;
    case sTitle2:
      font.Height = -17;
      font.Color = 0xFF0000;
      break;
    case sText1:
      font.Height = -14;
      font.Color = clWindowText;
      break;
  }
  return font;
}

void SetUpEffect(TAAEffect& effect, TStyle style, int panel, bool everything) {
  effect = TAAEffect();
  const bool shadow = everything || style != sText1;
  effect.Shadow().SetEnabled(shadow);
  if (style != sTitle1) {
    effect.Shadow().SetOffsetX(1);
    effect.Shadow().SetOffsetY(1);
  }
  if (everything || style == sTitle1) {
    const TPanelGradient& g = kGradients[panel];
    effect.Gradual().SetEnabled(true);
    effect.Gradual().SetStyle(g.Style);
    effect.Gradual().SetStartColor(g.Start);
    effect.Gradual().SetEndColor(g.End);
  }
}

// Counts the pixels a drawing changed, so a broken font cannot pass quietly.
int Changed(const QImage& image, QRgb background) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) != background;
  return count;
}

QImage Blank(QImage::Format format) {
  QImage image(kPanelWidth, 8 * 26, format);
  image.fill(QColor(0xF0, 0xF0, 0xF0));
  return image;
}

// All six panels with the renderer; the image keeps the last one.
void DrawRenderer(TAAQuality quality, bool everything, QImage& image) {
  const std::vector<TLine> lines = PanelLines();
  for (int panel = 0; panel < 6; ++panel) {
    image.fill(QColor(0xF0, 0xF0, 0xF0));
    TAACanvas canvas;
    canvas.Target = &image;
    canvas.BrushStyle = bsClear;
    TAAFontEx font(&canvas);
    font.SetQuality(quality);
    int y = 0;
    for (const TLine& line : lines) {
      canvas.Font = FontOf(line.Style);
      SetUpEffect(font.Effect(), line.Style, panel, everything);
      const QSize size = font.TextExtent(line.Text);
      font.TextOut((kPanelWidth - size.width()) / 2, y, line.Text);
      y += size.height() + size.height() / 5;
    }
  }
}

// Qt's best case: its fonts made once, as a control would keep them.
void DrawQt(QImage& image) {
  const std::vector<TLine> lines = PanelLines();
  static const QFont fonts[3] = {FontOf(sTitle1).ToQFont(), FontOf(sTitle2).ToQFont(),
                                 FontOf(sText1).ToQFont()};
  for (int panel = 0; panel < 6; ++panel) {
    image.fill(QColor(0xF0, 0xF0, 0xF0));
    QPainter painter(&image);
    int y = 0;
    for (const TLine& line : lines) {
      const TFontDesc desc = FontOf(line.Style);
      const QFont& font = fonts[line.Style];
      const QFontMetrics metrics(font);
      painter.setFont(font);
      painter.setPen(ResolveColor(desc.Color));
      const int width = metrics.horizontalAdvance(line.Text);
      painter.drawText((kPanelWidth - width) / 2, y + metrics.ascent(), line.Text);
      y += metrics.height() + metrics.height() / 5;
    }
  }
}

double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

// CPU seconds per run (the fastest), over at least minRuns runs and minSeconds.
double Time(const std::function<void()>& run, int minRuns, double minSeconds) {
  double best = 1e300;
  double total = 0;
  for (int i = 0; i < minRuns || total < minSeconds; ++i) {
    const double start = ThreadSeconds();
    run();
    const double seconds = ThreadSeconds() - start;
    best = std::min(best, seconds);
    total += seconds;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const bool quick = QuickRunFromArguments(argc, argv);
  QApplication app(argc, argv);
  platform::InstallFontSubstitutes();
  rng::SetSeed(1);
  const int minRuns = quick ? 1 : 3;
  const double minSeconds = quick ? 0 : 0.3;

  QImage qtImage = Blank(QImage::Format_RGB32);
  QImage image = Blank(QImage::Format_BGR888);
  const QRgb background = qRgb(0xF0, 0xF0, 0xF0);
  int failures = 0;
  DrawQt(qtImage);  // warms the glyph caches of both sides
  failures += Changed(qtImage, background) == 0;
  const double qt = Time([&] { DrawQt(qtImage); }, minRuns, minSeconds);
  std::printf("six panels, 8 lines each: Qt drawText %.3f ms%s\n", qt * 1e3,
              quick ? " (quick run: figures are rough)" : "");
  struct TRow {
    const char* Name;
    TAAQuality Quality;
    bool Everything;
  };
  const TRow rows[] = {{"aqHigh", aqHigh, false},
                       {"aqNormal", aqNormal, false},
                       {"aqLow", aqLow, false},
                       {"aqNone", aqNone, false},
                       {"aqNormal, every line shadow + gradient", aqNormal, true}};
  double goalRatio = 0;
  for (const TRow& row : rows) {
    DrawRenderer(row.Quality, row.Everything, image);
    failures += Changed(image, background) == 0;
    const double seconds =
        Time([&] { DrawRenderer(row.Quality, row.Everything, image); }, minRuns, minSeconds);
    goalRatio = seconds / qt;
    std::printf("  TextOut %-40s %8.3f ms  %5.1fx Qt\n", row.Name, seconds * 1e3, goalRatio);
  }
  std::printf("goal: shadow + gradient at aqNormal at most %.0fx Qt: %s (%.1fx)\n", kGoalRatio,
              goalRatio <= kGoalRatio ? "met" : "MISSED", goalRatio);
  if (failures != 0) {
    std::fprintf(stderr, "render_bench: %d drawings left the panel blank\n", failures);
    return 2;
  }
  return 0;
}
