// SPDX-License-Identifier: MIT
#pragma once

// The scrolling text panel: a marked-up text laid out once into a text image
// as tall as the text, of which each scroll tick copies a window (wrapping
// round at the end) into a frame, fades its top and bottom edges into the
// background colour, and shows it. A tick never lays text out again.

#include <QImage>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

#include "aagraphiccontrol.h"
#include "aalabels.h"
#include "aatimer.h"
#include "textlayout.h"

namespace tessary {

// The settings of a multi-line marked-up text.
class TCustomTextParam : public TCustomParam {
 public:
  explicit TCustomTextParam(TAAGraphicControl* control);

  const QStringList& Lines() const { return FLines; }
  void SetLines(const QStringList& value);
  TLabelEffect LabelEffect() const { return FLabelEffect; }
  void SetLabelEffect(TLabelEffect value);
  // Extra line spacing in percent of the row height, -100..150.
  int RowPitch() const { return FRowPitch; }
  void SetRowPitch(int value);
  // The base font effect; changes made through it are reported.
  TAAEffect& FontEffect() { return FFontEffect; }
  const TAAEffect& FontEffect() const { return FFontEffect; }
  void SetFontEffect(const TAAEffect& value);

  void Assign(const TCustomTextParam& source);

 protected:
  QStringList FLines;
  TLabelEffect FLabelEffect = leUntilNextLabel;
  int FRowPitch = 20;
  TAAEffect FFontEffect;
};

class TScrollTextParam : public TCustomTextParam {
 public:
  explicit TScrollTextParam(TAAGraphicControl* control);

  // The text a new panel shows.
  static const QStringList& DefaultLines();
  // Worth storing only when it is not the demo text.
  bool LinesStored() const { return FLines != DefaultLines(); }

  bool Fade() const { return FFade; }
  void SetFade(bool value);
  // Rows in each fade band; below 0 counts as 0.
  int FadeHeight() const { return FFadeHeight; }
  void SetFadeHeight(int value);
  // Blank space above and below the text in percent of the control height,
  // clamped to 0..150.
  int HeadSpace() const { return FHeadSpace; }
  void SetHeadSpace(int value);
  int TailSpace() const { return FTailSpace; }
  void SetTailSpace(int value);

  void Assign(const TScrollTextParam& source);

 private:
  bool FFade = true;
  int FFadeHeight = 10;
  int FHeadSpace = 0;
  int FTailSpace = 60;
};

// A control that shows marked-up text: it owns the font and user labels.
class TAACustomText : public TAAGraphicControl {
  Q_OBJECT

 public:
  explicit TAACustomText(QWidget* parent = nullptr);

  TFontLabels& Fonts() { return FFonts; }
  const TFontLabels& Fonts() const { return FFonts; }
  void SetFonts(const TFontLabels& value) { FFonts.Assign(value); }
  TUserLabels& Labels() { return FLabels; }
  const TUserLabels& Labels() const { return FLabels; }
  void SetLabels(const TUserLabels& value) { FLabels.Assign(value); }

  // Shown in a form designer: only then does loading fill empty label
  // collections with the default sets.
  bool Designing() const { return FDesigning; }
  void SetDesigning(bool value) { FDesigning = value; }

  virtual void CreateDefaultLabels();
  virtual void CreateDefaultFonts();
  virtual bool UseDefaultLabels() const { return true; }

 protected:
  void DoLoaded() override;
  // The design-time defaults, each collection at most once.
  void CreateDesignDefaults();

  TFontLabels FFonts;
  TUserLabels FLabels;

 private:
  bool FDesigning = false;
  bool FDefaultFontsMade = false;
  bool FDefaultLabelsMade = false;
};

class TAAScrollText : public TAACustomText {
  Q_OBJECT

 public:
  explicit TAAScrollText(QWidget* parent = nullptr);
  ~TAAScrollText() override;

  void SetAutoUpdate(bool value) override;
  bool Active() const { return FActive; }
  void SetActive(bool value);
  // Milliseconds between ticks, 0..65535; 0 stops the ticks.
  int ScrollDelay() const { return FScrollDelay; }
  void SetScrollDelay(int value);
  // Pixels per tick; 0 stands still, negative runs backward. No rebuild.
  int ScrollStep() const { return FScrollStep; }
  void SetScrollStep(int value) { FScrollStep = value; }
  // Passes to show before OnComplete; 0 is endless; below 0 counts as 0.
  int RepeatCount() const { return FRepeatCount; }
  void SetRepeatCount(int value);
  // The pause at the top of each pass, 0..65535 ms.
  int RepeatDelay() const { return FRepeatDelay; }
  void SetRepeatDelay(int value);
  TScrollTextParam& Text() { return FText; }
  const TScrollTextParam& Text() const { return FText; }
  void SetText(const TScrollTextParam& value);

  bool UseDefaultLabels() const override {
    return FText.Lines() == TScrollTextParam::DefaultLines();
  }
  void CreateDefaultFonts() override;

  // Lays the text out again, shows the top of it and starts the passes anew.
  void Reset() override;
  // Lays the text out on the layout threads: Reset returns at once, the
  // panel shows what it showed and stands still until the rows of its first
  // frame are laid out. Then the new text shows and scrolls while the rows
  // below are laid out; it stands still rather than show a row not yet laid
  // out. For text from outside, whose size nobody controls. Lines with spray
  // or noise are still laid out at once.
  void SetLayoutInBackground(bool value) { FLayoutInBackground = value; }
  // A layout is under way in the background: the new text is not laid out
  // whole yet.
  bool LayoutPending() const { return FLayoutPending; }
  // The text last set shows: false only while a background layout has not
  // yet laid out the rows of the first frame.
  bool NewTextShown() const { return !FLayoutPending || FPartial; }

  // The scroll timer's handler and the pause timer's.
  void Tick();
  void DelayTick();
  // Shows the text image from row p on (taken modulo its height).
  void SetCurrentPos(int p);

  int CurrPos() const { return FCurrPos; }
  int RepeatedCount() const { return FRepeatedCount; }
  const QImage& TextImage() const { return FTextImage; }
  // The frame as shown: the fade bands and the rows between them.
  const QImage& FrameImage() const;
  bool ScrollTimerEnabled() const { return FScrollTimer->Enabled(); }
  bool DelayTimerEnabled() const { return FDelayTimer.isActive(); }

  TControlEvent OnComplete;
  TControlEvent OnTextReady;
  TControlEvent OnPainted;

 protected:
  // Lays the whole text out into the text image.
  virtual void CreateText();
  // The frame for FCurrPos: the window of the text image and the fade bands.
  void BuildFrame();
  void PaintCanvas(QPainter& painter) override;
  void DoLoaded() override;

  QImage FTextImage;

 private:
  // The text and settings as they are now, markup applied.
  TTextLayoutJob MakeLayoutJob();
  bool StartBackgroundLayout();
  void StopBackgroundLayout();
  // Shows a new text image from its top.
  void ShowNewText();
  // Shows the frame; scrolledRows (forward > 0) is how far it moved since
  // the last one, 0 for a new frame.
  void PaintNow(int scrolledRows = 0);
  // Draws the part r of the frame.
  void DrawFramePart(QPainter& painter, const QRect& r);
  // Takes an image a background layout posts: the rows laid out so far, or
  // the whole text when done.
  void TakeLaidOut(unsigned round, const QImage& image, bool done);
  // Whether the frame from row p on holds only rows laid out.
  bool CanShow(long long p) const;

  // The frame's rows in the window's 32-bit format, before fading, as a
  // ring: a tick widens only the rows that scrolled in.
  void UpdateWindowRows(int top);
  void CopyWindowRow(int row) const;  // from the ring into the frame

  TScrollTextParam FText;
  TAACanvas FTextCanvas;
  // Only the fade bands when not whole: paints take the rows between them
  // from the ring.
  mutable QImage FFrame;
  mutable bool FFrameWhole = true;
  int FBandRows = 0;
  QImage FWindowRows;
  int FWindowStart = 0;    // the ring slot of the frame's first row
  int FWindowTop = -1;     // the text row in that slot; -1: the ring is stale
  qint64 FWindowText = 0;  // the text image (cacheKey) the ring was widened from
  std::unique_ptr<TAATimer> FScrollTimer;
  QTimer FDelayTimer;
  bool FActive = true;
  int FScrollDelay = 60;
  int FScrollStep = 1;
  int FRepeatCount = 0;
  int FRepeatDelay = 2000;
  int FCurrPos = 0;
  int FRepeatedCount = -1;
  bool FLayoutInBackground = false;
  bool FLayoutPending = false;
  // The text image holds the first rows of the new text only.
  bool FPartial = false;
  unsigned FLayoutRound = 0;  // a finished layout of an earlier round is dropped
  std::shared_ptr<TLayoutTask> FLayoutTask;
};

}  // namespace tessary
