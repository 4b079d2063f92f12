// SPDX-License-Identifier: MIT
#pragma once

// Laying a marked-up text out into a text image, a row at a time: at once on
// the calling thread, or on the layout threads all controls share, where the
// texts take turns and the rows of a first frame go before the rest of any
// text.

#include <QImage>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

#include "aafont.h"
#include "aagraphiccontrol.h"
#include "aalabels.h"

namespace tessary {

// What laying a text out into its image needs, taken from a control on the
// user-interface thread: the lines with their markup applied (each with its
// font, effect and alignment, colours resolved) and the settings. It holds
// no reference to the control, so another thread may lay it out.
struct TTextLayoutJob {
  struct TLine {
    QString Text;
    TFontDesc Font;
    TAAEffect Effect;
    TAlignment Alignment = taLeftJustify;
  };
  std::vector<TLine> Lines;
  int Width = 0;
  int Height = 0;  // of the control: the first frame
  int Top = 0;     // where the first row starts
  int Tail = 0;    // blank space after the last row
  int RowPitch = 20;
  bool WordWrap = false;
  TAAQuality Quality = aqNormal;
  TColor BackColor = clWhite;
  QImage BackGround;
  TBackGroundMode BackGroundMode = bmTiled;

  // Whether a line draws from the process-wide random generator (spray,
  // noise), which only the user-interface thread may touch.
  bool UsesRandom() const;
};

// A font and an effect as a layout thread may use them: system colours,
// which only the user-interface thread may read, become plain RGB.
void ResolveColors(TFontDesc& font, TAAEffect& effect);
TColor ResolvedColor(TColor color);

// One text being laid out, a step at a time: first the measuring of each
// line, then the drawing of each row over the background.
class TTextLayoutRun {
 public:
  explicit TTextLayoutRun(const TTextLayoutJob& job) : FJob(job) {}

  bool Done() const { return FMeasured && FLine >= FRows.size(); }
  // Measures the next line or, all measured, draws the next row; renderer
  // and canvas are set up for the job each time, so texts may share them.
  void Step(TAAFontEx& renderer, TAACanvas& canvas);
  // How far down the image is final: rows are drawn downwards and never
  // above their own top. 0 while measuring.
  int FinalHeight() const;
  const QImage& Image() const { return FImage; }
  QImage TakeImage() { return std::move(FImage); }

 private:
  void Measure(TAAFontEx& renderer, TAACanvas& canvas);
  void Draw(TAAFontEx& renderer, TAACanvas& canvas);

  const TTextLayoutJob& FJob;
  std::vector<std::vector<QString>> FRows;  // each line's rows, as measured
  std::size_t FLine = 0;
  std::size_t FRow = 0;
  int FY = 0;
  bool FMeasured = false;
  QImage FImage;
};

// Lays the job's text out into a text image with renderer, whose canvas it
// points at the image, on the calling thread.
QImage LayOutText(const TTextLayoutJob& job, TAAFontEx& renderer, TAACanvas& canvas);

// Told on a layout thread: the rows laid out so far (a copy, as tall as
// those rows), or the whole image when done.
using TLayoutDelivery = std::function<void(QImage image, bool done)>;
struct TLayoutTask;

// Lays job out on the layout threads. Once the rows of its first frame
// (job.Height) are laid out they are delivered, then every quarter of a
// second the rows laid out so far, and the whole image at the end. The
// threads leave one core to the user interface and end when there is
// nothing left to lay out.
std::shared_ptr<TLayoutTask> QueueLayout(TTextLayoutJob job, TLayoutDelivery deliver);
// A piece of drawing for the layout threads, run once, among the first
// frames, with a thread's own renderer and canvas. It holds no reference to
// a control; what it returns tells the result, under the same rule as a
// delivery: never once the task is cancelled.
using TLayoutWork = std::function<std::function<void()>(TAAFontEx& renderer, TAACanvas& canvas)>;
std::shared_ptr<TLayoutTask> QueueLayoutWork(TLayoutWork work);
// Once it returns, the task delivers nothing more. It waits only when no
// other task is left, for the row under way and the threads' end.
void CancelLayout(const std::shared_ptr<TLayoutTask>& task);
// While held, the layout threads lay out first frames only; the rest of
// every text waits for the release. A window holds it until it has painted
// itself, so that the rows no one sees yet do not compete with it.
void HoldLayoutRest(bool hold);

}  // namespace tessary
