// SPDX-License-Identifier: MIT
// Laying a text out a step at a time, as the layout threads do: a panel
// shows the rows above the final height while the rest is still being
// drawn, so those rows must already be what the whole image holds there.

#include "textlayout.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstring>

namespace tessary {
namespace {

TFontDesc AsciiFont(int height) {
  TFontDesc font;
  font.Name = QStringLiteral("DejaVu Sans");
  font.Height = height;
  font.Color = clBlack;
  return font;
}

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

}  // namespace
}  // namespace tessary
