// SPDX-License-Identifier: MIT
// The scrolling text panel: the text image, the frame with its wrap-around
// and fade bands (on a synthetic image, exactly), the tick rules driven by
// hand, and the change gate.

#include "aascrolltext.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include "richtext/asciifont.h"

#include <cstdlib>

namespace tessary {
namespace {

// A panel with an ASCII base font and one big font label, "Big".
void Prepare(TAAScrollText& panel, int w, int h, const QStringList& lines) {
  panel.resize(w, h);
  panel.Text().SetFont(AsciiFont(-12));
  TFontLabel& big = panel.Fonts().Add();
  big.SetName("Big");
  big.SetFont(AsciiFont(-40));
  CreateDefaultLabels(panel.Labels());
  panel.SetScrollDelay(60000);  // the tests drive the ticks themselves
  panel.Text().SetLines(lines);
}

bool AllPixels(const QImage& image, QRgb color) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) != (color & 0xFFFFFF)) return false;
  return true;
}

TEST(AAScrollText, ShortTextGivesAnImageAsTallAsTheClientArea) {
  TAAScrollText panel;
  Prepare(panel, 258, 200, {QStringLiteral("<Center>short")});
  int ready = 0;
  panel.OnTextReady = [&](QObject* sender) {
    EXPECT_EQ(sender, &panel);
    ++ready;
  };
  panel.Changed();
  EXPECT_TRUE(panel.TextImage().isNull()) << "nothing is laid out before loading";
  panel.Loaded();
  EXPECT_EQ(ready, 1);
  EXPECT_EQ(panel.TextImage().size(), QSize(258, 200));
  EXPECT_EQ(panel.TextImage().format(), QImage::Format_BGR888);
  EXPECT_FALSE(AllPixels(panel.TextImage(), qRgb(255, 255, 255))) << "the text is drawn";
  EXPECT_EQ(panel.FrameImage().size(), QSize(258, 200));
}

TEST(AAScrollText, TagsOnlyLinesGiveBlankRowsOfTheSelectedFont) {
  // The height of a blank row in the big font, measured as the layout does.
  QImage scratch(10, 10, QImage::Format_BGR888);
  TAACanvas canvas{&scratch, AsciiFont(-40)};
  TAAFontEx renderer(&canvas);
  const int row = static_cast<int>(std::lround(renderer.TextHeight(QStringLiteral(" ")) * 1.2));
  ASSERT_GT(row, 20);

  struct Case {
    QStringList lines;
    int rows;
  };
  const Case cases[] = {
      {{QStringLiteral("<Big>")}, 1},
      {{QStringLiteral("<Big><Center>")}, 1},
      {{QStringLiteral("<Big>"), QString()}, 2},  // the empty line goes on in Big
  };
  for (const Case& c : cases) {
    TAAScrollText panel;
    Prepare(panel, 100, 20, c.lines);
    panel.Text().SetFade(false);
    panel.Text().SetTailSpace(0);
    panel.Loaded();
    EXPECT_EQ(panel.TextImage().height(), c.rows * row) << c.lines.join('|').toStdString();
    EXPECT_TRUE(AllPixels(panel.TextImage(), qRgb(255, 255, 255))) << "blank rows draw nothing";
  }
}

TEST(AAScrollText, WordWrapBreaksLinesWiderThanTheControl) {
  const QString line = QStringLiteral("one two three four five six seven eight nine ten");
  int heights[2] = {};
  for (bool wrap : {false, true}) {
    TAAScrollText panel;
    Prepare(panel, 80, 20, {line});
    panel.Text().SetFade(false);
    panel.Text().SetTailSpace(0);
    panel.Text().SetWordWrap(wrap);
    panel.Loaded();
    heights[wrap] = panel.TextImage().height();
  }
  EXPECT_GE(heights[1], 3 * heights[0]) << "a 50-character line needs several 80-pixel rows";
}

// Rows in the big font far wider than a panel: slow enough to lay out that
// a background layout is seen under way.
QStringList LongRows(int count) {
  QStringList lines;
  for (int i = 0; i < count; ++i)
    lines << QStringLiteral("<Big><Center>row %1 ").arg(i) + QString(1000, QLatin1Char('w'));
  return lines;
}

// Laid out in the background, a text of long rows lets Reset return at
// once: the panel keeps its image and stands still until the new one is
// swapped in, which is the image a layout at once makes.
TEST(AAScrollText, BackgroundLayoutSwapsTheSameImageInLater) {
  const QStringList lines = LongRows(40);
  TAAScrollText now;
  Prepare(now, 258, 73, lines);
  now.Loaded();

  TAAScrollText later;
  Prepare(later, 258, 73, {QStringLiteral("first")});
  later.Loaded();
  later.SetActive(true);
  const QImage first = later.TextImage();
  int ready = 0;
  later.OnTextReady = [&](QObject*) { ++ready; };
  later.SetLayoutInBackground(true);
  later.Text().SetLines(lines);
  EXPECT_TRUE(later.LayoutPending());
  EXPECT_EQ(later.TextImage(), first) << "the old text shows meanwhile";
  EXPECT_TRUE(later.Active());
  EXPECT_FALSE(later.ScrollTimerEnabled()) << "it stands still meanwhile";
  ASSERT_TRUE(QTest::qWaitFor([&] { return !later.LayoutPending(); }, 20000));
  EXPECT_EQ(ready, 1);
  EXPECT_EQ(later.TextImage(), now.TextImage());
  EXPECT_EQ(later.CurrPos(), 0);
  EXPECT_TRUE(later.ScrollTimerEnabled());

  // A newer text overtakes one still being laid out; going away waits for it.
  later.Text().SetLines(lines.mid(20));
  later.Text().SetLines(lines.mid(0, 1));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !later.LayoutPending(); }, 20000));
  now.Text().SetLines(lines.mid(0, 1));
  EXPECT_EQ(later.TextImage(), now.TextImage()) << "the last text wins";
  later.Text().SetLines(lines);
}

// A long text laid out in the background shows its first rows while the
// rest is laid out: those rows are already the final ones, and the panel
// stands still at the last row laid out rather than run past it or wrap
// round to the top.
TEST(AAScrollText, ALongTextShowsItsFirstRowsAndScrollsOnlyThroughRowsLaidOut) {
  const QStringList lines = LongRows(80);
  TAAScrollText now;
  Prepare(now, 258, 73, lines);
  now.Loaded();

  TAAScrollText later;
  Prepare(later, 258, 73, {QStringLiteral("first")});
  later.SetRepeatDelay(0);
  later.Loaded();
  later.SetActive(true);
  later.SetLayoutInBackground(true);
  later.Text().SetLines(lines);
  ASSERT_TRUE(QTest::qWaitFor([&] { return later.NewTextShown(); }, 20000));
  if (!later.LayoutPending()) GTEST_SKIP() << "laid out whole before its first rows were seen";
  const QImage shown = later.TextImage();
  ASSERT_LT(shown.height(), now.TextImage().height());
  ASSERT_GE(shown.height(), 73) << "the first frame";
  EXPECT_EQ(shown, now.TextImage().copy(0, 0, 258, shown.height()));
  EXPECT_TRUE(later.ScrollTimerEnabled());
  EXPECT_EQ(later.CurrPos(), 0);
  for (int i = 0; i < shown.height() + 10; ++i) later.Tick();
  EXPECT_EQ(later.CurrPos(), shown.height() - 73);

  ASSERT_TRUE(QTest::qWaitFor([&] { return !later.LayoutPending(); }, 20000));
  EXPECT_EQ(later.TextImage(), now.TextImage());
  EXPECT_EQ(later.CurrPos(), shown.height() - 73) << "the whole image does not move the panel";
  later.Tick();
  EXPECT_EQ(later.CurrPos(), shown.height() - 72) << "and it scrolls on";
}

// A panel whose text image is a synthetic gradient: row r has red r,
// green 255 - r and blue 0x80, so every frame row tells where it came from.
class TSyntheticText : public TAAScrollText {
 public:
  explicit TSyntheticText(int rows) : FRows(rows) {
    resize(60, 73);
    SetScrollDelay(60000);
  }

 protected:
  void CreateText() override {
    FTextImage = QImage(width(), FRows, QImage::Format_BGR888);
    for (int r = 0; r < FRows; ++r) {
      for (int x = 0; x < width(); ++x)
        FTextImage.setPixel(x, r, qRgb(r % 256, 255 - r % 256, 0x80));
    }
  }

 private:
  int FRows;
};

// Whether an image of the panel is its frame, pixel for pixel.
::testing::AssertionResult ShowsTheFrame(const TAAScrollText& panel, const QImage& image) {
  const QImage shown = image.convertToFormat(QImage::Format_RGB32);
  const QImage frame = panel.FrameImage().convertToFormat(QImage::Format_RGB32);
  if (shown.size() != frame.size()) return ::testing::AssertionFailure() << "another size";
  for (int y = 0; y < frame.height(); ++y)
    for (int x = 0; x < frame.width(); ++x)
      if (shown.pixel(x, y) != frame.pixel(x, y))
        return ::testing::AssertionFailure() << "pixel " << x << "," << y << " differs";
  return ::testing::AssertionSuccess();
}

TEST(AAScrollText, FrameWrapsRoundTheEndOfTheTextImage) {
  TSyntheticText panel(100);
  panel.Text().SetFade(false);
  panel.Loaded();
  ASSERT_EQ(panel.TextImage().height(), 100);

  struct Case {
    int position;  // asked for
    int shown;     // FCurrPos after the move
    int frameRow;
    int textRow;
  };
  const Case cases[] = {
      {60, 60, 0, 60}, {60, 60, 39, 99}, {60, 60, 40, 0},   {60, 60, 72, 32},
      {0, 0, 72, 72},  {-1, 99, 1, 0},   {250, 50, 49, 99}, {250, 50, 50, 0},
  };
  for (const Case& c : cases) {
    panel.SetCurrentPos(c.position);
    EXPECT_EQ(panel.CurrPos(), c.shown) << c.position;
    EXPECT_EQ(panel.FrameImage().pixel(30, c.frameRow), panel.TextImage().pixel(30, c.textRow))
        << "position " << c.position << ", frame row " << c.frameRow;
  }
}

TEST(AAScrollText, WhatIsPaintedIsTheFrameWhereverItScrolls) {
  // A tick widens only the rows that scrolled in and paints the rows
  // between the fade bands from those kept rows: step by step, across the
  // end of the text, backwards and by jumps, the panel must show its frame.
  TSyntheticText panel(100);
  panel.Loaded();
  panel.show();  // only a visible panel paints
  std::vector<int> positions;
  for (int p = 0; p < 110; ++p) positions.push_back(p % 100);
  for (int p : {40, 39, 38, 90, 91, 5, 77, 78}) positions.push_back(p);
  for (int p : positions) {
    panel.SetCurrentPos(p);
    ASSERT_TRUE(ShowsTheFrame(panel, panel.grab().toImage())) << "position " << p;
  }
}

TEST(AAScrollText, WhatTheWindowHoldsIsTheFrameWhereverItScrolls) {
  // A step of a few rows moves the rows the window already holds and draws
  // only the bands and the rows that came in: read back from the window
  // (not repainted, as grab() would), by hand and inside a timer pass,
  // forwards, across the end of the text, backwards and by jumps.
  TSyntheticText panel(100);
  panel.Loaded();
  panel.show();
  QCoreApplication::processEvents();
  TAATimer pass;  // runs the moves as the scroll timer would
  pass.SetInterval(1);
  pass.SetRepeatCount(1);
  int next = 0;
  pass.SetOnTimer([&](TAATimerObject*) { panel.SetCurrentPos(next); });
  std::vector<int> positions;
  for (int p = 0; p < 110; ++p) positions.push_back(p % 100);
  for (int p : {40, 39, 38, 37, 90, 91, 5, 3, 77, 78, 80}) positions.push_back(p);
  for (std::size_t i = 0; i < positions.size(); ++i) {
    const int p = positions[i];
    if (i % 2 == 0) {
      panel.SetCurrentPos(p);
    } else {
      next = p;
      pass.SetEnabled(true);
      QTest::qWait(2);
      TimerMgr().FireTimers(true);
    }
    QCoreApplication::processEvents();
    ASSERT_EQ(panel.CurrPos(), p);
    const QImage held = QGuiApplication::primaryScreen()->grabWindow(panel.winId()).toImage();
    ASSERT_TRUE(ShowsTheFrame(panel, held)) << "position " << p;
  }
}

TEST(AAScrollText, FadeBandsBlendTheEdgesIntoTheBackground) {
  TSyntheticText panel(100);
  panel.SetColor(RGBToColor(0x20, 0x40, 0x60));
  panel.Loaded();  // FadeHeight 10 by default
  const QImage& frame = panel.FrameImage();
  const QImage& text = panel.TextImage();
  const int bg[3] = {0x20, 0x40, 0x60};

  // Row c from either edge gets k = c * 255 / 9.
  for (int c : {0, 1, 5, 9, 10}) {
    const int k = c < 10 ? c * 255 / 9 : 256;
    for (int frameRow : {c, 72 - c}) {
      const QRgb source = text.pixel(30, frameRow);
      const int v[3] = {qRed(source), qGreen(source), qBlue(source)};
      const QRgb shown = frame.pixel(30, frameRow);
      const int got[3] = {qRed(shown), qGreen(shown), qBlue(shown)};
      for (int ch = 0; ch < 3; ++ch) {
        const int want = k == 256 ? v[ch] : bg[ch] + (((v[ch] - bg[ch]) * k) >> 8);
        EXPECT_EQ(got[ch], want) << "row " << frameRow << " channel " << ch;
        if (c == 9) {
          EXPECT_LE(std::abs(got[ch] - v[ch]), 1) << "row 9 is almost unchanged";
        }
      }
    }
  }
  EXPECT_EQ(frame.pixel(5, 0) & 0xFFFFFF, qRgb(0x20, 0x40, 0x60) & 0xFFFFFF);
  EXPECT_EQ(frame.pixel(5, 72) & 0xFFFFFF, qRgb(0x20, 0x40, 0x60) & 0xFFFFFF);
}

TEST(AAScrollText, FadeBandsOfOddHeightsStayInsideTheFrame) {
  for (int band : {1, 50, 200}) {
    TSyntheticText panel(100);
    panel.Text().SetFadeHeight(band);
    panel.Loaded();
    EXPECT_EQ(panel.FrameImage().pixel(3, 0) & 0xFFFFFF, 0xFFFFFFu) << band;
    EXPECT_EQ(panel.FrameImage().pixel(3, 72) & 0xFFFFFF, 0xFFFFFFu) << band;
  }
}

TEST(AAScrollText, RepeatCountOnePausesPassesOnceAndCompletes) {
  TSyntheticText panel(100);
  panel.SetRepeatCount(1);
  int completed = 0;
  panel.OnComplete = [&](QObject*) { ++completed; };
  panel.Loaded();
  ASSERT_TRUE(panel.Active());
  EXPECT_TRUE(panel.ScrollTimerEnabled());

  panel.Tick();  // the top of the first pass: pause
  EXPECT_EQ(panel.CurrPos(), 0);
  EXPECT_EQ(panel.RepeatedCount(), 0);
  EXPECT_FALSE(panel.ScrollTimerEnabled());
  EXPECT_TRUE(panel.DelayTimerEnabled());

  panel.DelayTick();  // after RepeatDelay: the first step, ticks again
  EXPECT_EQ(panel.CurrPos(), 1);
  EXPECT_TRUE(panel.ScrollTimerEnabled());
  EXPECT_FALSE(panel.DelayTimerEnabled());

  for (int i = 0; i < 98; ++i) panel.Tick();
  EXPECT_EQ(panel.CurrPos(), 99);
  panel.Tick();  // the next step would reach the end: back to the top
  EXPECT_EQ(panel.CurrPos(), 0);
  EXPECT_EQ(completed, 0);
  EXPECT_TRUE(panel.Active());

  panel.Tick();
  EXPECT_EQ(completed, 1);
  EXPECT_FALSE(panel.Active());
  EXPECT_FALSE(panel.ScrollTimerEnabled());
  EXPECT_EQ(panel.RepeatedCount(), -1);
}

TEST(AAScrollText, TickRulesForEachKindOfStep) {
  struct Case {
    const char* what;
    int step;
    int repeatDelay;
    std::vector<int> positions;  // after each Tick (the pause's end is DelayTick)
  };
  const Case cases[] = {
      {"forward, pause", 40, 2000, {0, -1, 80, 0, 0}},  // -1: DelayTick here; 40 + 40 then the end
      {"backward, pause", -30, 2000, {0, -1, 40, 10, 0}},
      {"standing still counts passes", 0, 0, {0, 0, 0}},
      {"forward, no pause", 30, 0, {30, 60, 90, 0, 30}},
      {"backward, no pause", -45, 0, {55, 10, 0, 55}},
  };
  for (const Case& c : cases) {
    TSyntheticText panel(100);
    panel.SetScrollStep(c.step);
    panel.SetRepeatDelay(c.repeatDelay);
    panel.Loaded();
    int ticks = 0;
    for (int want : c.positions) {
      if (want == -1) {
        panel.DelayTick();
        EXPECT_EQ(panel.CurrPos(), (100 + c.step) % 100) << c.what;
        continue;
      }
      panel.Tick();
      ++ticks;
      EXPECT_EQ(panel.CurrPos(), want) << c.what << ", tick " << ticks;
    }
  }

  TSyntheticText still(100);
  still.SetScrollStep(0);
  still.SetRepeatDelay(0);
  still.Loaded();
  for (int i = 0; i < 3; ++i) still.Tick();
  EXPECT_EQ(still.RepeatedCount(), 2) << "a pass at every tick while standing at the top";
}

TEST(AAScrollText, TicksMoveTheFrameWithoutLayingTheTextOutAgain) {
  TAAScrollText panel;
  Prepare(panel, 258, 73,
          {QStringLiteral("<Big>one"), QStringLiteral("two"), QStringLiteral("three")});
  int layouts = 0;
  panel.OnTextReady = [&](QObject*) { ++layouts; };
  panel.SetRepeatDelay(0);
  panel.Loaded();
  ASSERT_EQ(layouts, 1);
  const QImage first = panel.FrameImage();
  for (int i = 0; i < 200; ++i) panel.Tick();
  EXPECT_EQ(layouts, 1) << "a tick only copies rows of the text image";
  EXPECT_NE(panel.FrameImage(), first) << "but the frame moves";
}

TEST(AAScrollText, TheScrollTimerDrivesTheTicksUnlessTheDelayIsZero) {
  for (int delay : {0, 5}) {
    TSyntheticText panel(100);
    panel.SetRepeatDelay(0);
    panel.SetScrollDelay(delay);
    panel.Loaded();
    QElapsedTimer clock;
    clock.start();
    // Without ticks the panel must stay put; with them it moves well inside this bound.
    while (panel.CurrPos() == 0 && clock.elapsed() < (delay == 0 ? 200 : 5000))
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    if (delay == 0)
      EXPECT_EQ(panel.CurrPos(), 0);
    else
      EXPECT_GT(panel.CurrPos(), 0);
  }
}

TEST(AAScrollText, NewLinesRestartAtTheTopButANewStepDoesNot) {
  TAAScrollText panel;
  Prepare(panel, 120, 40,
          {QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third")});
  panel.SetRepeatDelay(2000);
  panel.Loaded();
  panel.Tick();
  panel.DelayTick();
  panel.Tick();
  ASSERT_EQ(panel.CurrPos(), 2);
  ASSERT_EQ(panel.RepeatedCount(), 0);

  panel.SetScrollStep(3);
  EXPECT_EQ(panel.CurrPos(), 2);
  EXPECT_EQ(panel.RepeatedCount(), 0);
  panel.Tick();
  EXPECT_EQ(panel.CurrPos(), 5);

  const QImage before = panel.TextImage();
  panel.Text().SetLines({QStringLiteral("other"), QStringLiteral("text")});
  EXPECT_EQ(panel.CurrPos(), 0);
  EXPECT_EQ(panel.RepeatedCount(), -1);
  EXPECT_TRUE(panel.Active());
  EXPECT_TRUE(panel.ScrollTimerEnabled());
  EXPECT_NE(panel.TextImage(), before);
}

TEST(AAScrollText, AutoUpdateOffDefersChangesUntilReset) {
  TAAScrollText panel;
  Prepare(panel, 120, 40, {QStringLiteral("first")});
  panel.Loaded();
  const QImage before = panel.TextImage();
  panel.SetAutoUpdate(false);
  panel.Text().SetLines({QStringLiteral("changed"), QStringLiteral("lines")});
  panel.SetColor(RGBToColor(0, 0, 0x80));
  panel.Text().SetRowPitch(100);
  EXPECT_EQ(panel.TextImage(), before);
  panel.Reset();
  EXPECT_NE(panel.TextImage(), before);
  EXPECT_EQ(panel.TextImage().pixel(0, 0) & 0xFFFFFF, qRgb(0, 0, 0x80) & 0xFFFFFF)
      << "red is the low byte";
}

TEST(AAScrollText, SettingsAreClampedAndDefaulted) {
  TAAScrollText panel;
  EXPECT_EQ(panel.size(), QSize(280, 240));
  EXPECT_EQ(panel.Color(), clWhite);
  EXPECT_EQ(panel.Text().Alignment(), taCenter);
  EXPECT_EQ(panel.Text().BackGroundMode(), bmTiled);
  EXPECT_FALSE(panel.Text().LinesStored()) << "the demo text";
  EXPECT_TRUE(panel.UseDefaultLabels());
  panel.resize(5, 5);
  EXPECT_EQ(panel.size(), QSize(20, 20));

  struct Case {
    int given;
    int kept;
  };
  for (const Case c : {Case{-5, 0}, Case{70, 70}, Case{150, 150}, Case{200, 150}}) {
    panel.Text().SetHeadSpace(c.given);
    panel.Text().SetTailSpace(c.given);
    EXPECT_EQ(panel.Text().HeadSpace(), c.kept);
    EXPECT_EQ(panel.Text().TailSpace(), c.kept);
  }
  panel.Text().SetRowPitch(-300);
  EXPECT_EQ(panel.Text().RowPitch(), -100);
  panel.SetRepeatDelay(100000);
  EXPECT_EQ(panel.RepeatDelay(), 65535);
}

TEST(AAScrollText, DesignerDefaultsFillEmptyCollectionsOnlyInADesigner) {
  for (bool designing : {false, true}) {
    TAAScrollText panel;
    panel.resize(100, 40);
    panel.SetDesigning(designing);
    panel.Loaded();
    EXPECT_EQ(panel.Fonts().Count(), designing ? 7 : 0);
    EXPECT_EQ(panel.Labels().Count(), designing ? 8 : 0);
    if (designing) {
      EXPECT_EQ(panel.Fonts().IndexOf("Title4"), 5);
      EXPECT_TRUE(panel.Fonts()[5].Effect().Outline());
      EXPECT_EQ(panel.Fonts().IndexOf("Text3"), 6);
    }
  }
}

TEST(AAScrollText, FirstPaintLoadsAndPaintsTheFrame) {
  TAAScrollText panel;
  Prepare(panel, 120, 40, {QStringLiteral("shown")});
  int painted = 0;
  panel.OnPainted = [&](QObject*) { ++painted; };
  panel.show();
  QElapsedTimer clock;
  clock.start();
  while (painted == 0 && clock.elapsed() < 5000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  EXPECT_TRUE(panel.IsLoaded());
  EXPECT_GE(painted, 1);
  const int before = painted;
  panel.SetCurrentPos(7);  // a move paints at once
  EXPECT_EQ(painted, before + 1);
}

}  // namespace
}  // namespace tessary
