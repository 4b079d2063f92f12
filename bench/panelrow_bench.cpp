// SPDX-License-Identifier: MIT
// Time to lay out one side-panel row of 100, 1,000 and 10,000 characters in
// each font of the panels (the labels Title1 to Title4, Text1 to Text3, and
// the panel's own text font): markup, measuring, drawing into the text
// image, as a panel does when its text changes. A row wider than the panel
// is drawn only as far as it shows, so the time may grow with the length
// (the text is still measured and shaped whole) but at most linearly.
//
//   panelrow_bench           the fastest of at least 3 runs and 0.2 s per row
//   panelrow_bench --quick   one run each (smoke test)
//
// Then the row of the hostile board page (1,000 Chinese characters in
// <Title4>), laid out at once and, as the board's text is, on the layout
// threads (from Reset until the image is back, thread start included).
//
// Goals: growth per tenfold length at most 10x (linear); a 1,000-character
// <Title4> row within 50 ms. Exit status 0 (a missed goal is printed, not
// failed), 2 when a row draws nothing.

#include <QApplication>
#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "aascrolltext.h"
#include "fontsubstitutes.h"
#include "formfcalculator.h"
#include "quickarg.h"

namespace {

using namespace tessary;
using Clock = std::chrono::steady_clock;

// Chinese and Latin mixed, as a board line is.
QString RowText(int length) {
  static const QString pattern =
      QStringLiteral("公式计算器 board 公告栏，欢迎使用！Tessary 1.5+2×3 ");
  QString text;
  while (text.size() < length) text += pattern;
  return text.left(length);
}

// The fastest of at least 3 runs and 0.2 s, in milliseconds (one run when
// quick).
template <class TRun>
double Fastest(bool quick, TRun run) {
  double best = 1e300;
  double total = 0;
  for (int i = 0; i < (quick ? 1 : 3) || (!quick && total < 0.2); ++i) {
    const auto start = Clock::now();
    run();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    best = std::min(best, seconds);
    total += seconds;
  }
  return best * 1e3;
}

bool Inked(const QImage& image) {
  const QRgb background = image.pixel(0, 0);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != background) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const bool quick = QuickRunFromArguments(argc, argv);
  QApplication app(argc, argv);
  platform::InstallFontSubstitutes();

  TAAScrollText panel;
  panel.resize(258, 73);
  TFormFCalculator::SetUpSidePanel(panel, 0);
  panel.Loaded();

  const char* const fonts[] = {"Title1", "Title2", "Title3", "Title4",
                               "Text1",  "Text2",  "Text3",  ""};
  const int lengths[] = {100, 1000, 10000};
  int failures = 0;
  double worstGrowth = 0;
  double title4At1000 = 0;
  std::printf("one centred row in a 258 x 73 panel, ms (growth per tenfold length)\n");
  std::printf("%-8s %10s %10s %10s\n", "font", "100", "1,000", "10,000");
  for (const char* font : fonts) {
    double times[3] = {};
    for (int i = 0; i < 3; ++i) {
      const QString tag = *font ? QStringLiteral("<%1>").arg(QLatin1String(font)) : QString();
      panel.Text().SetLines({tag + QStringLiteral("<Center>") + RowText(lengths[i])});
      failures += !Inked(panel.TextImage());
      times[i] = Fastest(quick, [&] { panel.Reset(); });
    }
    const double g1 = times[1] / times[0];
    const double g2 = times[2] / times[1];
    worstGrowth = std::max({worstGrowth, g1, g2});
    if (std::strcmp(font, "Title4") == 0) title4At1000 = times[1];
    std::printf("%-8s %10.2f %10.2f %10.2f   (%.1fx, %.1fx)\n", *font ? font : "text", times[0],
                times[1], times[2], g1, g2);
  }

  QString boardRow = QStringLiteral("<Title4><Center>");
  for (int i = 0; i < 125; ++i) boardRow += QStringLiteral("公告栏很长的一行");
  panel.Text().SetLines({boardRow});
  failures += !Inked(panel.TextImage());
  const double atOnce = Fastest(quick, [&] { panel.Reset(); });
  panel.SetLayoutInBackground(true);
  const double inBackground = Fastest(quick, [&] {
    panel.Reset();
    while (panel.LayoutPending()) QCoreApplication::processEvents();
  });
  failures += !Inked(panel.TextImage());
  std::printf(
      "the board's row (1,000 Chinese characters, Title4): %.2f ms at once, %.2f ms on a layout "
      "thread\n",
      atOnce, inBackground);

  std::printf("goal: growth at most 10x per tenfold length: %s (worst %.1fx)\n",
              worstGrowth <= 10 ? "met" : "MISSED", worstGrowth);
  std::printf("goal: 1,000-character <Title4> row within 50 ms: %s (%.2f ms)\n",
              title4At1000 <= 50 ? "met" : "MISSED", title4At1000);
  if (failures != 0) {
    std::fprintf(stderr, "panelrow_bench: %d rows drew nothing\n", failures);
    return 2;
  }
  return 0;
}
