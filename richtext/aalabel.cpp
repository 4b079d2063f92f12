// SPDX-License-Identifier: MIT
#include "aalabel.h"

#include <QMetaObject>
#include <QPainter>
#include <QRegion>

#include "textlayout.h"

namespace tessary {

// ---- TAAFontEffect ----

TAAFontEffect::TAAFontEffect(TAALabel* label) : TCustomParam(label) {}

TAAEffect& TAAFontEffect::FontEffect() { return FControl->Renderer().Effect(); }

const TAAEffect& TAAFontEffect::FontEffect() const { return FControl->Renderer().Effect(); }

void TAAFontEffect::SetFontEffect(const TAAEffect& value) {
  if (&value != &FontEffect()) FontEffect().Assign(value);
  Changed();
}

void TAAFontEffect::Assign(const TAAFontEffect& source) {
  if (&source == this) return;
  TCustomParam::Assign(source);
  SetFontEffect(source.FontEffect());
}

// ---- TAALabel ----

TAALabel::TAALabel(QWidget* parent) : TAAGraphicControl(parent), FEffect(this) {
  FRenderer.SetCanvas(&FCanvas);
  FCanvas.Target = &FImage;
  resize(46, 12);
}

TAALabel::~TAALabel() {
  BeginDestroy();
  StopBackgroundRender();
}

QSize TAALabel::sizeHint() const {
  // Placement has already fitted the sides that Align leaves to AutoSize.
  if (!AutoSize() || !IsLoaded()) return QWidget::sizeHint();
  return size();
}

void TAALabel::SetCaption(const QString& value) {
  if (FCaption == value) return;
  FCaption = value;
  Changed();
}

void TAALabel::SetAlign(TAlign value) {
  if (FAlign == value) return;
  FAlign = value;
  Changed();
}

void TAALabel::SetEffect(const TAAFontEffect& value) {
  BeginUpdate();
  FEffect.Assign(value);
  EndUpdate();
  Changed();
}

void TAALabel::Reset() {
  if (Destroying()) return;
  if (FLayoutInBackground && !FEffect.Transparent() && StartBackgroundRender()) return;
  StopBackgroundRender();
  Place();
  if (FEffect.Transparent()) {
    FImage = QImage();  // unused until the label is opaque again
  } else {
    RenderImage();
  }
  update();
}

TAALabel::TFitSettings TAALabel::FitSettings() const {
  TFitSettings fit;
  fit.Current = size();
  fit.Border = Border();
  fit.AutoSize = AutoSize();
  fit.Align = FAlign;
  fit.Alignment = FEffect.Alignment();
  fit.Layout = FEffect.Layout();
  return fit;
}

TAALabel::TBox TAALabel::Fit(const TFitSettings& fit, QSize text) {
  const int w = text.width();
  const int h = text.height();
  const int border = fit.Border;
  TBox box{fit.Current, QPoint()};
  if (fit.AutoSize) {
    if (fit.Align == alNone || fit.Align == alLeft || fit.Align == alRight)
      box.Size.setWidth(w + 2 * border);
    if (fit.Align == alNone || fit.Align == alTop || fit.Align == alBottom)
      box.Size.setHeight(h + 2 * border);
  }
  int x = border;
  if (fit.Alignment == taRightJustify) {
    x = box.Size.width() - border - w;
  } else if (fit.Alignment == taCenter) {
    x = (box.Size.width() - w) / 2;
  }
  int y = border;
  if (fit.Layout == tlCenter) {
    y = (box.Size.height() - h) / 2;
  } else if (fit.Layout == tlBottom) {
    y = box.Size.height() - border - h;
  }
  box.TextPos = QPoint(x, y);
  return box;
}

void TAALabel::Place() {
  FCanvas.Font = Font();
  FTextSize = FRenderer.TextExtent(FCaption);
  const TBox box = Fit(FitSettings(), FTextSize);
  ApplySize(box.Size);
  FTextPos = box.TextPos;
}

void TAALabel::ApplySize(QSize target) {
  if (target == size()) return;
  // The size is settled here, so the resize notice must not rebuild a
  // second time; the rest of this rebuild already uses the new size.
  BeginUpdate();
  resize(target);
  EndUpdate();
  RememberSize();
  updateGeometry();  // a layout asks sizeHint again
}

void TAALabel::DrawCaption(TAAFontEx& renderer, TAACanvas& canvas, QImage& image, QPoint at,
                           const QString& caption, const QImage& background, TBackGroundMode mode,
                           TColor color) {
  canvas.Target = &image;
  canvas.BrushColor = color;
  canvas.BrushStyle = bsSolid;
  if (image.isNull()) return;
  DrawBackGround(image, image.rect(), background, mode, color);
  canvas.BrushStyle = bsClear;  // the caption is blended over the background
  renderer.TextOut(at.x(), at.y(), caption);
}

void TAALabel::RenderImage() {
  FImage = QImage(size(), QImage::Format_BGR888);
  DrawCaption(FRenderer, FCanvas, FImage, FTextPos, FCaption, FEffect.BackGround(),
              FEffect.BackGroundMode(), Color());
}

// Everything the rendering needs is copied: the layout thread touches
// nothing of the label. Spray and noise draw from the random generator,
// which stays on this thread: such a caption is drawn here.
bool TAALabel::StartBackgroundRender() {
  TFontDesc font = Font();
  TAAEffect effect = FEffect.FontEffect();
  if (effect.Spray() != 0 || effect.Noise() != 0) return false;
  ResolveColors(font, effect);
  const TFitSettings fit = FitSettings();
  const TColor color = ResolvedColor(Color());
  const QImage background = FEffect.BackGround();
  const TBackGroundMode mode = FEffect.BackGroundMode();
  const TAAQuality quality = Quality();
  const int escapement = FCanvas.Escapement;
  const QString caption = FCaption;
  StopBackgroundRender();
  const unsigned round = ++FLayoutRound;
  FLayoutTask = QueueLayoutWork([=, this](TAAFontEx& renderer,
                                          TAACanvas& canvas) -> std::function<void()> {
    canvas.Font = font;
    canvas.Escapement = escapement;
    renderer.SetCanvas(&canvas);
    renderer.Effect() = effect;
    renderer.SetQuality(quality);
    const QSize text = renderer.TextExtent(caption);
    const TBox box = Fit(fit, text);
    QImage image(box.Size, QImage::Format_BGR888);
    DrawCaption(renderer, canvas, image, box.TextPos, caption, background, mode, color);
    canvas.Target = nullptr;
    canvas.Escapement = 0;  // as the texts laid out after it expect
    // Told under the layout service's lock, never after the label has
    // cancelled the task: the label is there to post to.
    return [this, round, from = fit.Current, text, box, image] {
      QMetaObject::invokeMethod(
          this,
          [this, round, from, text, box, image] { TakeRendered(round, from, text, box, image); },
          Qt::QueuedConnection);
    };
  });
  return true;
}

void TAALabel::StopBackgroundRender() {
  CancelLayout(FLayoutTask);
  FLayoutTask.reset();
}

void TAALabel::TakeRendered(unsigned round, QSize from, QSize text, const TBox& box,
                            const QImage& image) {
  if (round != FLayoutRound || Destroying()) return;
  FLayoutTask.reset();
  // Resized meanwhile (a hidden widget hears of it only when shown): the
  // caption is drawn again for the size it has now.
  if (size() != from) {
    Reset();
    return;
  }
  FTextSize = text;
  ApplySize(box.Size);
  FTextPos = box.TextPos;
  FImage = image;
  FCanvas.Target = &FImage;
  update();
}

QImage TAALabel::Beneath() const {
  QImage image(size(), QImage::Format_RGB32);
  if (image.isNull()) return image;
  image.fill(ResolveColor(Color()));
  // Only the parent's background and its own painting: drawing its children
  // would draw this label again, and siblings are not what a label of this
  // kind is meant to overlap.
  if (QWidget* parent = parentWidget())
    parent->render(&image, QPoint(0, 0), QRegion(geometry()), QWidget::DrawWindowBackground);
  return image;
}

void TAALabel::PaintCanvas(QPainter& painter) {
  if (!FEffect.Transparent()) {
    painter.drawImage(0, 0, FImage);
    return;
  }
  QImage surface = Beneath();
  if (surface.isNull()) return;
  // The canvas must not keep pointing at the local image, whatever TextOut does.
  struct TRestore {
    TAACanvas& Canvas;
    QImage* Target;
    ~TRestore() { Canvas.Target = Target; }
  } restore{FCanvas, &FImage};
  FCanvas.Target = &surface;
  FCanvas.BrushColor = Color();
  FCanvas.BrushStyle = bsClear;  // blend into the pixels beneath
  FRenderer.TextOut(FTextPos.x(), FTextPos.y(), FCaption);
  painter.drawImage(0, 0, surface);
}

}  // namespace tessary
