// SPDX-License-Identifier: MIT
// Laying a text out a step at a time, as the layout threads do: a panel
// shows the rows above the final height while the rest is still being
// drawn, so those rows must already be what the whole image holds there.

#include "textlayout.h"

#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include "richtext/asciifont.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace tessary {
namespace {

TTextLayoutJob::TLine Line(const char* text, int height, TAlignment alignment, bool shadow) {
  TTextLayoutJob::TLine line;
  line.Text = QString::fromUtf8(text);
  line.Font = AsciiFont(height);
  line.Alignment = alignment;
  line.Effect.Shadow().SetEnabled(shadow);
  line.Effect.Shadow().SetOffsetX(2);
  line.Effect.Shadow().SetOffsetY(3);
  return line;
}

bool SameRows(const QImage& a, const QImage& b, int rows) {
  for (int y = 0; y < rows; ++y)
    if (std::memcmp(a.constScanLine(y), b.constScanLine(y),
                    static_cast<std::size_t>(a.width()) * 3) != 0)
      return false;
  return true;
}

TEST(TextLayoutRun, RowsAboveTheFinalHeightAreFinal) {
  TTextLayoutJob job;
  job.Width = 120;
  job.Height = 30;
  job.Top = 5;
  job.Tail = 10;
  job.WordWrap = true;
  job.Lines = {Line("Wide row", 30, taCenter, true), Line("", 12, taLeftJustify, false),
               Line("one two three four five six", 16, taLeftJustify, true),
               Line("Right", 24, taRightJustify, false)};
  // Rows that overlap (a negative pitch) draw over the one above them.
  for (const int pitch : {20, -40}) {
    job.RowPitch = pitch;
    TAACanvas wholeCanvas;
    TAAFontEx wholeRenderer(&wholeCanvas);
    const QImage whole = LayOutText(job, wholeRenderer, wholeCanvas);

    TAACanvas canvas;
    TAAFontEx renderer(&canvas);
    TTextLayoutRun run(job);
    int final = 0;
    int steps = 0;
    while (!run.Done()) {
      run.Step(renderer, canvas);
      ++steps;
      ASSERT_GE(run.FinalHeight(), final) << "pitch " << pitch << ", step " << steps;
      final = run.FinalHeight();
      ASSERT_TRUE(SameRows(run.Image(), whole, final)) << "pitch " << pitch << ", step " << steps;
    }
    EXPECT_EQ(final, whole.height()) << pitch;
    EXPECT_EQ(run.TakeImage(), whole) << pitch;
    EXPECT_GT(steps, 8) << "four lines measured, then each row drawn: " << pitch;
  }
}

// While held, a text delivers its first frame and no more; the release
// lets the rest come.
TEST(LayoutService, HeldRowsWaitForTheRelease) {
  TTextLayoutJob job;
  job.Width = 120;
  job.Height = 30;
  for (int i = 0; i < 40; ++i) job.Lines.push_back(Line("a row of text", 16, taLeftJustify, false));
  std::mutex mutex;
  std::vector<std::pair<int, bool>> deliveries;  // rows, done
  HoldLayoutRest(true);
  struct TRelease {
    ~TRelease() { HoldLayoutRest(false); }  // whatever fails: the others must not wait
  } release;
  const std::shared_ptr<TLayoutTask> task = QueueLayout(job, [&](QImage image, bool done) {
    const std::lock_guard lock(mutex);
    deliveries.emplace_back(image.height(), done);
  });
  const auto count = [&] {
    const std::lock_guard lock(mutex);
    return deliveries.size();
  };
  ASSERT_TRUE(QTest::qWaitFor([&] { return count() >= 1; }, 20000));
  QTest::qWait(300);  // time enough for the rest, were it not held
  {
    const std::lock_guard lock(mutex);
    ASSERT_EQ(deliveries.size(), 1u);
    EXPECT_FALSE(deliveries[0].second);
    EXPECT_GE(deliveries[0].first, 30) << "the first frame";
  }
  HoldLayoutRest(false);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        const std::lock_guard lock(mutex);
        return !deliveries.empty() && deliveries.back().second;
      },
      20000));
  EXPECT_GT(deliveries.back().first, 40 * 16) << "every row";
  CancelLayout(task);
}

}  // namespace
}  // namespace tessary
