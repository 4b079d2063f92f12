// SPDX-License-Identifier: MIT
#include "aascrolltext.h"

#include <QPainter>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "exceptionhook.h"

namespace tessary {

namespace {

int Clamp16(int value) { return std::clamp(value, 0, 65535); }

// Each byte v of a row of 32-bit pixels moves toward the background row's
// byte bg by k / 256: bg + floor((v - bg) x k / 256), written as
// (bg x (256 - k) + v x k) / 256 so that every step fits 16 bits and the
// loop runs in vector registers. A pixel already in the background stays,
// and so does the alpha byte, 255 in both.
void FadeRow(std::uint8_t* row, const std::uint8_t* from, const std::uint8_t* bg, std::size_t bytes,
             int k) {
  for (std::size_t i = 0; i < bytes; ++i)
    row[i] =
        static_cast<std::uint8_t>(static_cast<std::uint16_t>(bg[i] * (256 - k) + from[i] * k) >> 8);
}

// A row of 32-bit pixels of the background colour, kept between calls.
const std::uint8_t* BackgroundRow(const QColor& background, int width) {
  thread_local std::vector<QRgb> row;
  const QRgb pixel = background.rgb();
  if (row.size() != static_cast<std::size_t>(width) || (width > 0 && row[0] != pixel))
    row.assign(width, pixel);
  return reinterpret_cast<const std::uint8_t*>(row.data());
}

// k of fade band row c of n.
int FadeWeight(int c, int n) { return n > 1 ? c * 255 / (n - 1) : 0; }

// The two fade bands: row c and row H - 1 - c get k = c x 255 div (n - 1).
// A band of one row is pure background; bands taller than the frame stop at
// its edge (overlapping rows are faded twice).
void FadeBands(QImage& frame, int bandHeight, const QColor& background) {
  const int h = frame.height();
  const std::size_t bytes = static_cast<std::size_t>(frame.width()) * 4;
  const std::uint8_t* bg = BackgroundRow(background, frame.width());
  const int rows = std::min(bandHeight, h);
  for (int c = 0; c < rows; ++c) {
    const int k = FadeWeight(c, bandHeight);
    FadeRow(frame.scanLine(c), frame.scanLine(c), bg, bytes, k);
    FadeRow(frame.scanLine(h - 1 - c), frame.scanLine(h - 1 - c), bg, bytes, k);
  }
}

// A row of 24-bit pixels (blue, green, red in memory) as 32-bit ones, the
// window's own format: drawing the frame is then a plain copy.
void WidenRow(const std::uint8_t* in, QRgb* out, int n) {
  for (int x = 0; x < n; ++x, in += 3) out[x] = 0xFF000000u | in[0] | (in[1] << 8) | (in[2] << 16);
}

// Keeps a control's update counter raised for the length of a scope.
class TUpdateScope {
 public:
  explicit TUpdateScope(TAAGraphicControl& control) : FControl(control) { FControl.BeginUpdate(); }
  ~TUpdateScope() { FControl.EndUpdate(); }
  TUpdateScope(const TUpdateScope&) = delete;
  TUpdateScope& operator=(const TUpdateScope&) = delete;

 private:
  TAAGraphicControl& FControl;
};

}  // namespace

// ---- TCustomTextParam ----

TCustomTextParam::TCustomTextParam(TAAGraphicControl* control)
    : TCustomParam(control), FFontEffect([this](TNotifyClass*) { Changed(); }, control) {}

void TCustomTextParam::SetLines(const QStringList& value) {
  if (FLines == value) return;
  FLines = value;
  Changed();
}

void TCustomTextParam::SetLabelEffect(TLabelEffect value) { Store(*this, FLabelEffect, value); }
void TCustomTextParam::SetRowPitch(int value) {
  Store(*this, FRowPitch, std::clamp(value, -100, 150));
}

void TCustomTextParam::SetFontEffect(const TAAEffect& value) {
  FFontEffect.Assign(value);
  Changed();
}

void TCustomTextParam::Assign(const TCustomTextParam& source) {
  if (&source == this) return;
  TCustomParam::Assign(source);
  SetLines(source.Lines());
  SetLabelEffect(source.LabelEffect());
  SetRowPitch(source.RowPitch());
  SetFontEffect(source.FontEffect());
}

// ---- TScrollTextParam ----

TScrollTextParam::TScrollTextParam(TAAGraphicControl* control) : TCustomTextParam(control) {
  FAlignment = taCenter;
  FBackGroundMode = bmTiled;
  FLines = DefaultLines();
}

const QStringList& TScrollTextParam::DefaultLines() {
  static const QStringList lines = {
      QStringLiteral("<Title1><Center>Tessary公式计算器"),
      QString(),
      QStringLiteral("<Title2><Center>滚动文字"),
      QStringLiteral("<Text1><Left>每一行可用标签选择字体、效果和对齐方式，"),
      QStringLiteral("<Left>文字平滑地向上滚动，在顶部稍作停留。"),
      QString(),
      QStringLiteral("<Title2><Center>本机用户"),
      QStringLiteral("<Text1><Center><Owner>"),
      QStringLiteral("<Center><Organization>"),
      QString(),
      QStringLiteral("<Title3><Center>谢谢使用！"),
  };
  return lines;
}

void TScrollTextParam::SetFade(bool value) { Store(*this, FFade, value); }
void TScrollTextParam::SetFadeHeight(int value) { Store(*this, FFadeHeight, std::max(0, value)); }
void TScrollTextParam::SetHeadSpace(int value) {
  Store(*this, FHeadSpace, std::clamp(value, 0, 150));
}
void TScrollTextParam::SetTailSpace(int value) {
  Store(*this, FTailSpace, std::clamp(value, 0, 150));
}

void TScrollTextParam::Assign(const TScrollTextParam& source) {
  if (&source == this) return;
  TCustomTextParam::Assign(source);
  SetFade(source.Fade());
  SetFadeHeight(source.FadeHeight());
  SetHeadSpace(source.HeadSpace());
  SetTailSpace(source.TailSpace());
}

// ---- TAACustomText ----

TAACustomText::TAACustomText(QWidget* parent)
    : TAAGraphicControl(parent),
      FFonts(this, [this] { Changed(); }),
      FLabels(this, [this] { Changed(); }) {}

void TAACustomText::CreateDefaultLabels() { ::tessary::CreateDefaultLabels(FLabels); }
void TAACustomText::CreateDefaultFonts() { ::tessary::CreateDefaultFonts(FFonts); }

void TAACustomText::CreateDesignDefaults() {
  if (!FDesigning || !UseDefaultLabels()) return;
  if (!FDefaultFontsMade && FFonts.Count() == 0) {
    FDefaultFontsMade = true;
    CreateDefaultFonts();
  }
  if (!FDefaultLabelsMade && FLabels.Count() == 0) {
    FDefaultLabelsMade = true;
    CreateDefaultLabels();
  }
}

void TAACustomText::DoLoaded() {
  CreateDesignDefaults();
  TAAGraphicControl::DoLoaded();
}

// ---- TAAScrollText ----

TAAScrollText::TAAScrollText(QWidget* parent)
    : TAACustomText(parent), FText(this), FScrollTimer(std::make_unique<TAATimer>()) {
  // Every pixel comes from the frame: nothing needs erasing first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(20, 20);
  resize(280, 240);
  SetColor(clWhite);
  FTextCanvas.Target = &FTextImage;
  FRenderer.SetCanvas(&FTextCanvas);

  // Created disabled; the first Reset starts it (Active is already true).
  FScrollTimer->SetEnabled(false);
  FScrollTimer->SetSyncEvent(true);
  FScrollTimer->SetInterval(static_cast<std::uint32_t>(FScrollDelay));
  FScrollTimer->SetOnTimer([this](TAATimerObject*) { Tick(); });

  FDelayTimer.setSingleShot(true);
  // To the millisecond, as the scroll timer: a coarse timer may move the
  // end of the pause by up to a twentieth, and the panels' ticks then fall
  // at scattered moments, each waking the window on its own.
  FDelayTimer.setTimerType(Qt::PreciseTimer);
  FDelayTimer.setInterval(FRepeatDelay);
  QObject::connect(&FDelayTimer, &QTimer::timeout, this, [this] {
    // A Qt slot must not let an exception out: report it as a timer would.
    try {
      DelayTick();
    } catch (const std::exception& error) {
      HandleApplicationException(error, "Timer handler");
    }
  });
}

TAAScrollText::~TAAScrollText() {
  BeginDestroy();
  StopBackgroundLayout();
  SetActive(false);
  FScrollTimer.reset();
  FRenderer.SetCanvas(nullptr);
}

void TAAScrollText::SetAutoUpdate(bool value) {
  TAACustomText::SetAutoUpdate(value);
  if (value && Designing()) Changed();
}

void TAAScrollText::SetActive(bool value) {
  if (FActive == value) return;
  FActive = value;
  FScrollTimer->SetEnabled(value && NewTextShown());
  if (!value) FDelayTimer.stop();
}

void TAAScrollText::SetScrollDelay(int value) {
  value = Clamp16(value);
  if (FScrollDelay == value) return;
  FScrollDelay = value;
  FScrollTimer->SetInterval(static_cast<std::uint32_t>(value));
}

void TAAScrollText::SetRepeatCount(int value) {
  value = std::max(0, value);
  if (FRepeatCount == value) return;
  FRepeatCount = value;
  Changed();
}

void TAAScrollText::SetRepeatDelay(int value) {
  value = Clamp16(value);
  if (FRepeatDelay == value) return;
  FRepeatDelay = value;
  FDelayTimer.setInterval(value);
}

void TAAScrollText::SetText(const TScrollTextParam& value) {
  if (&value == &FText) return;
  {
    const TUpdateScope scope(*this);  // one rebuild for the whole copy
    FText.Assign(value);
  }
  Changed();
}

void TAAScrollText::CreateDefaultFonts() {
  TAACustomText::CreateDefaultFonts();
  if (TFontLabel* title = FFonts.AddFont("Title4", "隶书", 22, clBlack, fsBold, true, 2, 2)) {
    TAAEffect& effect = title->Effect();
    effect.Gradual().SetEnabled(true);
    effect.Gradual().SetStyle(gsLeftToRight);
    effect.Gradual().SetStartColor(0xFF2200);
    effect.Gradual().SetEndColor(0x2210FF);
    effect.SetOutline(true);
    effect.SetBlur(50);
  }
  if (TFontLabel* text = FFonts.AddFont("Text3", "隶书", 11, 0xFF0000, 0, true, 1, 1)) {
    TAAEffect& effect = text->Effect();
    effect.Gradual().SetEnabled(true);
    effect.Gradual().SetStyle(gsTopToBottom);
    effect.Gradual().SetStartColor(0xCC3311);
    effect.Gradual().SetEndColor(0xFF22AA);
  }
}

void TAAScrollText::DoLoaded() {
  CreateDesignDefaults();
  Reset();  // whatever AutoUpdate says: a loaded panel always has its image
}

void TAAScrollText::Reset() {
  const bool active = FActive;
  FRepeatedCount = -1;
  SetActive(false);
  RememberSize();
  if (FLayoutInBackground && StartBackgroundLayout()) {
    FActive = active;  // the scroll timer waits for the new image
    return;
  }
  StopBackgroundLayout();
  CreateText();
  ShowNewText();
  SetActive(active);
}

void TAAScrollText::ShowNewText() {
  FCurrPos = 0;
  BuildFrame();
  PaintNow();
}

TTextLayoutJob TAAScrollText::MakeLayoutJob() {
  TTextLayoutJob job;
  job.Width = width();
  job.Height = height();
  job.Top = (FText.Fade() ? FText.FadeHeight() : 0) + job.Height * FText.HeadSpace() / 100;
  job.Tail = job.Height * FText.TailSpace() / 100;
  job.RowPitch = FText.RowPitch();
  job.WordWrap = FText.WordWrap();
  job.Quality = Quality();
  job.BackColor = ResolvedColor(Color());
  job.BackGround = FText.BackGround();
  job.BackGroundMode = FText.BackGroundMode();

  TMarkupState base;
  base.Font = FText.Font();
  base.Effect = FText.FontEffect();
  base.Alignment = FText.Alignment();
  TMarkupState state = base;
  job.Lines.reserve(static_cast<std::size_t>(FText.Lines().size()));
  for (const QString& source : FText.Lines()) {
    std::string line = source.toStdString();
    ApplyMarkup(line, state, base, FText.LabelEffect(), FFonts, FLabels);
    TTextLayoutJob::TLine& laid = job.Lines.emplace_back();
    laid.Text = QString::fromStdString(line);
    laid.Font = state.Font;
    laid.Effect = state.Effect;
    laid.Alignment = state.Alignment;
    ResolveColors(laid.Font, laid.Effect);
  }
  return job;
}

void TAAScrollText::CreateText() {
  const TUpdateScope scope(*this);  // the copies below must not rebuild
  FTextImage = LayOutText(MakeLayoutJob(), FRenderer, FTextCanvas);
  FTextCanvas.Target = &FTextImage;
  if (OnTextReady) OnTextReady(this);
}

// The job goes to the layout threads; the rows come back through the event
// queue. A newer round cancels an older one, whose images are dropped.
bool TAAScrollText::StartBackgroundLayout() {
  TTextLayoutJob job;
  {
    const TUpdateScope scope(*this);
    job = MakeLayoutJob();
  }
  if (job.UsesRandom()) return false;
  StopBackgroundLayout();
  const unsigned round = ++FLayoutRound;
  FLayoutPending = true;
  // Told on a layout thread, never after the task is cancelled: the
  // control cancels it before it goes, so it is there to post to.
  FLayoutTask = QueueLayout(std::move(job), [this, round](QImage image, bool done) {
    QMetaObject::invokeMethod(
        this, [this, round, image = std::move(image), done] { TakeLaidOut(round, image, done); },
        Qt::QueuedConnection);
  });
  return true;
}

void TAAScrollText::TakeLaidOut(unsigned round, const QImage& image, bool done) {
  if (round != FLayoutRound || !FLayoutPending) return;
  const bool first = !FPartial;
  FTextImage = image;
  FPartial = !done;
  if (done) {
    FLayoutPending = false;
    if (OnTextReady) OnTextReady(this);
  }
  // Later images only add rows below those the frame may show.
  if (!first) return;
  ShowNewText();
  if (FActive) FScrollTimer->SetEnabled(true);
}

// An image of part of the text holds only rows laid out; the frame must not
// wrap round its end, which is not the end of the text.
bool TAAScrollText::CanShow(long long p) const {
  return !FPartial || (p >= 0 && p + height() <= FTextImage.height());
}

void TAAScrollText::StopBackgroundLayout() {
  CancelLayout(FLayoutTask);
  FLayoutTask.reset();
  FLayoutPending = false;
  FPartial = false;
}

void TAAScrollText::BuildFrame() {
  const int w = width();
  const int h = height();
  if (FFrame.size() != QSize(w, h)) FFrame = QImage(w, h, QImage::Format_RGB32);
  const QColor background = ResolveColor(Color());
  const int t = FTextImage.height();
  const int band = FText.Fade() ? std::min(FText.FadeHeight(), h) : 0;
  FBandRows = 0;
  FFrameWhole = true;
  // After a resize that was not rebuilt the image may be narrower or
  // shorter than the frame: the rest shows the background.
  if (t == 0 || FTextImage.width() != w || t < h) {
    FFrame.fill(background);
    FWindowTop = -1;
    if (t > 0) {
      const int pixels = std::min(w, FTextImage.width());
      int source = std::clamp(FCurrPos, 0, t - 1);
      for (int row = 0; row < h; ++row) {
        WidenRow(FTextImage.constScanLine(source), reinterpret_cast<QRgb*>(FFrame.scanLine(row)),
                 pixels);
        if (++source == t) source = 0;  // the text wraps round
      }
    }
    if (band > 0) FadeBands(FFrame, FText.FadeHeight(), background);
    return;
  }
  UpdateWindowRows(std::clamp(FCurrPos, 0, t - 1));
  if (2 * band < h) {
    // Only the fade bands are made here, faded straight from the ring; the
    // rows between them are painted from the ring as they are (FrameImage
    // fills them in when asked).
    const std::size_t bytes = static_cast<std::size_t>(w) * 4;
    const std::uint8_t* bg = BackgroundRow(background, w);
    const auto ring = [&](int row) { return FWindowRows.constScanLine((FWindowStart + row) % h); };
    for (int c = 0; c < band; ++c) {
      const int k = FadeWeight(c, FText.FadeHeight());
      FadeRow(FFrame.scanLine(c), ring(c), bg, bytes, k);
      FadeRow(FFrame.scanLine(h - 1 - c), ring(h - 1 - c), bg, bytes, k);
    }
    FBandRows = band;
    FFrameWhole = false;
    return;
  }
  for (int row = 0; row < h; ++row) CopyWindowRow(row);
  if (band > 0) FadeBands(FFrame, FText.FadeHeight(), background);
}

void TAAScrollText::CopyWindowRow(int row) const {
  std::memcpy(FFrame.scanLine(row),
              FWindowRows.constScanLine((FWindowStart + row) % FWindowRows.height()),
              static_cast<std::size_t>(FFrame.bytesPerLine()));
}

const QImage& TAAScrollText::FrameImage() const {
  if (!FFrameWhole) {
    for (int row = FBandRows; row < FFrame.height() - FBandRows; ++row) CopyWindowRow(row);
    FFrameWhole = true;
  }
  return FFrame;
}

void TAAScrollText::UpdateWindowRows(int top) {
  const int w = width();
  const int h = height();
  const int t = FTextImage.height();
  const auto widen = [&](int slot, int textRow) {
    WidenRow(FTextImage.constScanLine(textRow), reinterpret_cast<QRgb*>(FWindowRows.scanLine(slot)),
             w);
  };
  if (FWindowRows.size() != QSize(w, h)) {
    FWindowRows = QImage(w, h, QImage::Format_RGB32);
    FWindowTop = -1;
  }
  // Forward by fewer rows than the frame holds: the slots of the rows that
  // left take the rows that came in.
  const int ahead = FWindowTop < 0 ? -1 : ((top - FWindowTop) % t + t) % t;
  if (FWindowText != FTextImage.cacheKey() || ahead < 0 || ahead >= h) {
    for (int slot = 0; slot < h; ++slot) widen(slot, (top + slot) % t);
    FWindowStart = 0;
  } else {
    for (int i = 0; i < ahead; ++i) widen((FWindowStart + i) % h, (FWindowTop + h + i) % t);
    FWindowStart = (FWindowStart + ahead) % h;
  }
  FWindowTop = top;
  FWindowText = FTextImage.cacheKey();
}

void TAAScrollText::PaintCanvas(QPainter& painter) {
  if (FFrame.size() != size()) BuildFrame();
  if (!Destroying()) {
    if (FFrameWhole) {
      painter.drawImage(0, 0, FFrame);
    } else {
      // A scroll leaves most of the frame where it is: only what the paint
      // asks for is copied.
      for (const QRect& r : PaintRegion()) DrawFramePart(painter, r & rect());
    }
  }
  if (OnPainted) OnPainted(this);
}

void TAAScrollText::DrawFramePart(QPainter& painter, const QRect& r) {
  // The bands from the frame, the rows between them straight from the ring:
  // in at most two runs of its slots.
  const int h = FFrame.height();
  const QRect top = r & QRect(0, 0, FFrame.width(), FBandRows);
  const QRect bottom = r & QRect(0, h - FBandRows, FFrame.width(), FBandRows);
  if (!top.isEmpty()) painter.drawImage(top.topLeft(), FFrame, top);
  if (!bottom.isEmpty()) painter.drawImage(bottom.topLeft(), FFrame, bottom);
  int row = std::max(r.top(), FBandRows);
  const int end = std::min(r.bottom() + 1, h - FBandRows);
  while (row < end) {
    const int slot = (FWindowStart + row) % h;
    const int run = std::min(end - row, h - slot);
    painter.drawImage(QPoint(r.left(), row), FWindowRows, QRect(r.left(), slot, r.width(), run));
    row += run;
  }
}

void TAAScrollText::PaintNow(int scrolledRows) {
  // Inside a paint the frame is shown by that paint; hidden, by the first one.
  if (Painting() || Destroying() || !isVisible()) return;
  if (!InSyncTimerPass()) {
    repaint();
    return;
  }
  // The panels one timer pass moves are shown together right after it. A
  // short step moves the rows the window already shows (or, when it cannot,
  // asks for all of them); only the bands and the rows that came in are
  // drawn.
  const int h = height();
  const int middle = h - 2 * FBandRows;
  if (FFrameWhole || scrolledRows == 0 || std::abs(scrolledRows) >= middle) {
    update();
    return;
  }
  scroll(0, -scrolledRows, QRect(0, FBandRows, width(), middle));
  if (FBandRows > 0) {
    update(QRect(0, 0, width(), FBandRows));
    update(QRect(0, h - FBandRows, width(), FBandRows));
  }
}

void TAAScrollText::SetCurrentPos(int p) {
  if (p == FCurrPos) return;
  const int t = FTextImage.height();
  if (t == 0) {
    FCurrPos = 0;  // nothing laid out yet: there is no row to show
    return;
  }
  const int previous = FCurrPos;
  FCurrPos = p % t;
  if (FCurrPos < 0) FCurrPos += t;
  BuildFrame();
  // The shortest way round the text from the last frame to this one.
  int rows = FCurrPos - previous;
  if (2 * rows > t) rows -= t;
  if (2 * rows < -t) rows += t;
  PaintNow(rows);
}

void TAAScrollText::Tick() {
  // The rows below are not laid out yet: stand still.
  if (!CanShow(static_cast<long long>(FCurrPos) + FScrollStep)) return;
  if (FCurrPos == 0) {
    ++FRepeatedCount;
    if (FRepeatCount > 0 && FRepeatedCount >= FRepeatCount) {
      SetActive(false);
      FRepeatedCount = -1;
      if (OnComplete) OnComplete(this);
      return;
    }
    if (FRepeatDelay != 0) {
      FScrollTimer->SetEnabled(false);
      FDelayTimer.start();
      return;
    }
    // Without a pause the step off the top is this tick's: a backward run
    // must wrap to the bottom here, or it would stand at the top for ever.
    if (FScrollStep < 0) {
      SetCurrentPos(FScrollStep);
      return;
    }
  }
  const long long next = static_cast<long long>(FCurrPos) + FScrollStep;
  if ((FScrollStep > 0 && next >= FTextImage.height()) || (FScrollStep < 0 && next < 0)) {
    SetCurrentPos(0);  // the pass ends: back to the top
    return;
  }
  SetCurrentPos(static_cast<int>(next));
}

void TAAScrollText::DelayTick() {
  FDelayTimer.stop();
  const long long next =
      (static_cast<long long>(FCurrPos) + FScrollStep) % std::max(1, FTextImage.height());
  if (!CanShow(next)) {
    FDelayTimer.start();  // the pause lasts until the rows below are laid out
    return;
  }
  SetCurrentPos(static_cast<int>(next));
  if (FActive) FScrollTimer->SetEnabled(true);
}

}  // namespace tessary
