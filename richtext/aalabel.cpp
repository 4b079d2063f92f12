// SPDX-License-Identifier: MIT
#include "aalabel.h"

#include <QPainter>
#include <QRegion>

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

TAALabel::~TAALabel() { BeginDestroy(); }

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
  Place();
  if (FEffect.Transparent()) {
    FImage = QImage();  // unused until the label is opaque again
  } else {
    RenderImage();
  }
  update();
}

void TAALabel::Place() {
  FCanvas.Font = Font();
  FTextSize = FRenderer.TextExtent(FCaption);
  const int w = FTextSize.width();
  const int h = FTextSize.height();
  const int border = Border();
  if (AutoSize()) {
    QSize target = size();
    if (FAlign == alNone || FAlign == alLeft || FAlign == alRight) target.setWidth(w + 2 * border);
    if (FAlign == alNone || FAlign == alTop || FAlign == alBottom) target.setHeight(h + 2 * border);
    if (target != size()) {
      // The size is settled here, so the resize notice must not rebuild a
      // second time; the rest of this rebuild already uses the new size.
      BeginUpdate();
      resize(target);
      EndUpdate();
      RememberSize();
      updateGeometry();  // a layout asks sizeHint again
    }
  }
  int x = border;
  if (FEffect.Alignment() == taRightJustify) {
    x = width() - border - w;
  } else if (FEffect.Alignment() == taCenter) {
    x = (width() - w) / 2;
  }
  int y = border;
  if (FEffect.Layout() == tlCenter) {
    y = (height() - h) / 2;
  } else if (FEffect.Layout() == tlBottom) {
    y = height() - border - h;
  }
  FTextPos = QPoint(x, y);
}

void TAALabel::RenderImage() {
  FImage = QImage(size(), QImage::Format_BGR888);
  FCanvas.Target = &FImage;
  FCanvas.BrushColor = Color();
  FCanvas.BrushStyle = bsSolid;
  if (FImage.isNull()) return;
  DrawBackGround(FImage, FImage.rect(), FEffect.BackGround(), FEffect.BackGroundMode(), Color());
  FCanvas.BrushStyle = bsClear;  // the caption is blended over the background
  FRenderer.TextOut(FTextPos.x(), FTextPos.y(), FCaption);
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
