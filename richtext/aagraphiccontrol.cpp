// SPDX-License-Identifier: MIT
#include "aagraphiccontrol.h"

#include <QEnterEvent>
#include <QEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

#include "aatimer.h"
#include "exceptionhook.h"

namespace tessary {

namespace {

TColor ToColor(const QColor& c) { return RGBToColor(c.red(), c.green(), c.blue()); }

TFontDesc ToFontDesc(const QFont& font, TColor color) {
  TFontDesc desc;
  desc.Name = font.family();
  if (font.pixelSize() > 0) {
    desc.Height = -font.pixelSize();
  } else {
    desc.SetSize(std::max(1, qRound(font.pointSizeF())));
  }
  desc.Color = color;
  desc.Bold = font.bold();
  desc.Italic = font.italic();
  desc.Underline = font.underline();
  desc.StrikeOut = font.strikeOut();
  return desc;
}

}  // namespace

// ---- TDrag, TParentEffect ----

TDragKind TDrag::DragKind() const { return FControl->DragKind(); }
void TDrag::SetDragKind(TDragKind value) { FControl->SetDragKind(value); }
int TDrag::DragCursor() const { return FControl->DragCursor(); }
void TDrag::SetDragCursor(int value) { FControl->SetDragCursor(value); }
TDragMode TDrag::DragMode() const { return FControl->DragMode(); }
void TDrag::SetDragMode(TDragMode value) { FControl->SetDragMode(value); }

void TDrag::Assign(const TDrag& source) {
  if (&source == this) return;
  SetDragKind(source.DragKind());
  SetDragCursor(source.DragCursor());
  SetDragMode(source.DragMode());
}

bool TParentEffect::ParentColor() const { return FControl->ParentColor(); }
void TParentEffect::SetParentColor(bool value) { FControl->SetParentColor(value); }
bool TParentEffect::ParentFont() const { return FControl->ParentFont(); }
void TParentEffect::SetParentFont(bool value) { FControl->SetParentFont(value); }
bool TParentEffect::ParentShowHint() const { return FControl->ParentShowHint(); }
void TParentEffect::SetParentShowHint(bool value) { FControl->SetParentShowHint(value); }

void TParentEffect::Assign(const TParentEffect& source) {
  if (&source == this) return;
  SetParentColor(source.ParentColor());
  SetParentFont(source.ParentFont());
  SetParentShowHint(source.ParentShowHint());
}

// ---- TCustomParam ----

TCustomParam::TCustomParam(TAAGraphicControl* control)
    : TNotifyClass([control](TNotifyClass*) { control->Changed(); }, control), FControl(control) {}

void TCustomParam::SetAlignment(TAlignment value) { Store(*this, FAlignment, value); }
void TCustomParam::SetWordWrap(bool value) { Store(*this, FWordWrap, value); }
void TCustomParam::SetTransparent(bool value) { Store(*this, FTransparent, value); }
void TCustomParam::SetLayout(TTextLayout value) { Store(*this, FLayout, value); }
void TCustomParam::SetBackGroundMode(TBackGroundMode value) {
  Store(*this, FBackGroundMode, value);
}

void TCustomParam::SetBackGround(const QImage& value) {
  if (FBackGround == value) return;
  FBackGround = value;
  Changed();
}

TColor TCustomParam::BackColor() const { return FControl->Color(); }
void TCustomParam::SetBackColor(TColor value) { FControl->SetColor(value); }
TAAQuality TCustomParam::Quality() const { return FControl->Quality(); }
void TCustomParam::SetQuality(TAAQuality value) { FControl->SetQuality(value); }
const TFontDesc& TCustomParam::Font() const { return FControl->Font(); }
void TCustomParam::SetFont(const TFontDesc& value) { FControl->SetFont(value); }

void TCustomParam::Assign(const TCustomParam& source) {
  if (&source == this) return;
  SetAlignment(source.Alignment());
  SetWordWrap(source.WordWrap());
  SetTransparent(source.Transparent());
  SetLayout(source.Layout());
  SetBackGround(source.BackGround());
  SetBackGroundMode(source.BackGroundMode());
  SetBackColor(source.BackColor());
  SetQuality(source.Quality());
  SetFont(source.Font());
}

// ---- background picture ----

void DrawBackGround(QImage& target, const QRect& rect, const QImage& picture, TBackGroundMode mode,
                    TColor brushColor) {
  if (target.isNull() || rect.isEmpty()) return;
  QPainter painter(&target);
  painter.fillRect(rect, ResolveColor(brushColor));
  if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0) return;
  painter.setClipRect(rect);
  const int pw = picture.width();
  const int ph = picture.height();
  switch (mode) {
    case bmTiled:
      for (int i = 0; i <= rect.height() / ph; ++i)
        for (int j = 0; j <= rect.width() / pw; ++j)
          painter.drawImage(rect.left() + j * pw, rect.top() + i * ph, picture);
      break;
    case bmStretched:
      // A picture with transparent parts lands on the brush colour filled above.
      painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
      painter.drawImage(rect, picture);
      break;
    case bmCenter: {
      // QRect::right() is the last pixel; the edge one past it is what the
      // centring divides.
      const int right = rect.left() + rect.width();
      const int bottom = rect.top() + rect.height();
      painter.drawImage((rect.left() + right - pw) / 2, (rect.top() + bottom - ph) / 2, picture);
      break;
    }
    case bmNormal: painter.drawImage(rect.topLeft(), picture); break;
  }
}

// ---- TAAGraphicControl ----

TAAGraphicControl::TAAGraphicControl(QWidget* parent)
    : QWidget(parent), FRenderer(nullptr), FDrag(this), FParentEffect(this) {
  FRenderer.Effect().SetOnChange([this](TNotifyClass*) { Changed(); });
  if (parent) {
    TakeParentColor();
    TakeParentFont();
  }
}

TAAGraphicControl::~TAAGraphicControl() { FDestroying = true; }

void TAAGraphicControl::Changed() {
  if (FLoaded && FAutoUpdate && !FDestroying && FUpdateCount == 0) Reset();
}

void TAAGraphicControl::EndUpdate() {
  if (FUpdateCount > 0) --FUpdateCount;
}

void TAAGraphicControl::Reset() { update(); }

void TAAGraphicControl::Loaded() {
  if (FLoaded || FDestroying) return;
  FLoaded = true;
  DoLoaded();
}

void TAAGraphicControl::DoLoaded() { Changed(); }

void TAAGraphicControl::SetAutoUpdate(bool value) { FAutoUpdate = value; }

void TAAGraphicControl::SetAutoSize(bool value) {
  if (FAutoSize == value) return;
  FAutoSize = value;
  Changed();
}

void TAAGraphicControl::SetBorder(int value) {
  value = std::max(0, value);
  if (FBorder == value) return;
  FBorder = value;
  Changed();
}

void TAAGraphicControl::SetColor(TColor value) {
  if (FColor == value) return;
  FColor = value;
  FParentColor = false;
  Changed();
}

void TAAGraphicControl::SetFont(const TFontDesc& value) {
  if (FFont == value) return;
  FFont = value;
  FParentFont = false;
  Changed();
}

void TAAGraphicControl::SetQuality(TAAQuality value) {
  if (FRenderer.Quality() == value) return;
  FRenderer.SetQuality(value);
  Changed();
}

void TAAGraphicControl::SetParentColor(bool value) {
  if (FParentColor == value) return;
  FParentColor = value;
  if (value) TakeParentColor();
}

void TAAGraphicControl::SetParentFont(bool value) {
  if (FParentFont == value) return;
  FParentFont = value;
  if (value) TakeParentFont();
}

void TAAGraphicControl::SetShowHint(bool value) {
  FShowHint = value;
  setToolTip(FShowHint ? FHint : QString());
}

void TAAGraphicControl::SetHint(const QString& value) {
  FHint = value;
  setToolTip(FShowHint ? FHint : QString());
}

void TAAGraphicControl::TakeParentColor() {
  QWidget* parent = parentWidget();
  if (!parent) return;
  TColor color;
  if (const auto* control = qobject_cast<TAAGraphicControl*>(parent)) {
    color = control->Color();
  } else {
    color = ToColor(parent->palette().color(parent->backgroundRole()));
  }
  if (FColor == color) return;
  FColor = color;
  Changed();
}

void TAAGraphicControl::TakeParentFont() {
  QWidget* parent = parentWidget();
  if (!parent) return;
  TFontDesc font;
  if (const auto* control = qobject_cast<TAAGraphicControl*>(parent)) {
    font = control->Font();
  } else {
    font = ToFontDesc(parent->font(), clWindowText);
  }
  if (FFont == font) return;
  FFont = font;
  Changed();
}

void TAAGraphicControl::PaintCanvas(QPainter&) {}

void TAAGraphicControl::paintEvent(QPaintEvent* event) {
  if (FDestroying || FPainting) return;
  FPaintRegion = event->region();
  // The flag covers the first load too: a rebuild it runs must not ask for
  // a nested repaint; this paint shows its result.
  FPainting = true;
  try {
    if (!FLoaded) Loaded();
    if (isVisible()) {
      QPainter painter(this);
      PaintCanvas(painter);
    }
  } catch (const std::exception& error) {
    FPainting = false;
    HandleApplicationException(error, "Paint handler");
    return;
  }
  FPainting = false;
}

void TAAGraphicControl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (size() == FLastSize) return;
  FLastSize = size();
  Changed();
}

void TAAGraphicControl::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ParentChange) {
    if (FParentColor) TakeParentColor();
    if (FParentFont) TakeParentFont();
  }
}

void TAAGraphicControl::enterEvent(QEnterEvent* event) {
  if (OnMouseEnter) OnMouseEnter(this);
  QWidget::enterEvent(event);
}

void TAAGraphicControl::leaveEvent(QEvent* event) {
  if (OnMouseLeave) OnMouseLeave(this);
  QWidget::leaveEvent(event);
}

void TAAGraphicControl::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) FPressed = true;
  if (OnMouseDown) OnMouseDown(this, event);
  QWidget::mousePressEvent(event);
}

void TAAGraphicControl::mouseMoveEvent(QMouseEvent* event) {
  if (OnMouseMove) OnMouseMove(this, event);
  QWidget::mouseMoveEvent(event);
}

void TAAGraphicControl::mouseReleaseEvent(QMouseEvent* event) {
  const bool click =
      FPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  if (event->button() == Qt::LeftButton) FPressed = false;
  if (OnMouseUp) OnMouseUp(this, event);
  if (click && OnClick) OnClick(this);
  QWidget::mouseReleaseEvent(event);
}

void TAAGraphicControl::mouseDoubleClickEvent(QMouseEvent* event) {
  if (OnDblClick) OnDblClick(this);
  QWidget::mouseDoubleClickEvent(event);
}

}  // namespace tessary
