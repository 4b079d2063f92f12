// SPDX-License-Identifier: MIT
#pragma once

// The base of the effect controls: a child widget without a window of its
// own that owns a font effect renderer and rebuilds its image only when its
// change gate lets a change through (loaded, AutoUpdate on, not being
// destroyed, no BeginUpdate pending). It also holds the settings groups that
// every effect control publishes and the background picture drawing they
// share.

#include <QImage>
#include <QRegion>
#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>

#include "aacolor.h"
#include "aaeffect.h"
#include "aafont.h"
#include "aalabels.h"
#include "aamask.h"
#include "fontdesc.h"

class QEnterEvent;
class QEvent;
class QMouseEvent;
class QPaintEvent;
class QResizeEvent;

namespace tessary {

class TAAGraphicControl;

// An event bound to an object; the sender is the control.
using TControlEvent = std::function<void(QObject* sender)>;
using TMouseEvent = std::function<void(QObject* sender, QMouseEvent* event)>;

enum TDragKind { dkDrag, dkDock };
enum TDragMode { dmManual, dmAutomatic };
enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TBackGroundMode { bmTiled, bmStretched, bmCenter, bmNormal };

inline constexpr int crDrag = -12;

// A group of properties that read and write its control's own.
class TPackParam {
 public:
  explicit TPackParam(TAAGraphicControl* control) : FControl(control) {}
  virtual ~TPackParam() = default;
  TPackParam(const TPackParam&) = delete;
  TPackParam& operator=(const TPackParam&) = delete;
  TAAGraphicControl* Control() const { return FControl; }

 protected:
  TAAGraphicControl* FControl;
};

class TDrag : public TPackParam {
 public:
  using TPackParam::TPackParam;
  TDragKind DragKind() const;
  void SetDragKind(TDragKind value);
  int DragCursor() const;
  void SetDragCursor(int value);
  TDragMode DragMode() const;
  void SetDragMode(TDragMode value);
  // Copies the values onto this group's own control.
  void Assign(const TDrag& source);
};

class TParentEffect : public TPackParam {
 public:
  using TPackParam::TPackParam;
  bool ParentColor() const;
  void SetParentColor(bool value);
  bool ParentFont() const;
  void SetParentFont(bool value);
  bool ParentShowHint() const;
  void SetParentShowHint(bool value);
  void Assign(const TParentEffect& source);
};

// The settings every effect control's text or caption shares. Its change
// callback is the control's Changed.
class TCustomParam : public TNotifyClass {
 public:
  explicit TCustomParam(TAAGraphicControl* control);
  TAAGraphicControl* Control() const { return FControl; }

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout value);
  const QImage& BackGround() const { return FBackGround; }
  void SetBackGround(const QImage& value);  // copies
  TBackGroundMode BackGroundMode() const { return FBackGroundMode; }
  void SetBackGroundMode(TBackGroundMode value);
  // These three act on the control.
  TColor BackColor() const;
  void SetBackColor(TColor value);
  TAAQuality Quality() const;
  void SetQuality(TAAQuality value);
  const TFontDesc& Font() const;
  void SetFont(const TFontDesc& value);

  // Copies the values; the group keeps its own control, so the forwarded
  // ones land on that control.
  void Assign(const TCustomParam& source);

 protected:
  TAAGraphicControl* FControl;
  TAlignment FAlignment = taLeftJustify;
  bool FWordWrap = false;
  bool FTransparent = false;
  TTextLayout FLayout = tlTop;
  QImage FBackGround;
  TBackGroundMode FBackGroundMode = bmCenter;
};

// Fills rect of target with brushColor and draws picture over it in mode;
// tiles and a picture larger than rect are clipped to rect.
void DrawBackGround(QImage& target, const QRect& rect, const QImage& picture, TBackGroundMode mode,
                    TColor brushColor);

class TAAGraphicControl : public QWidget {
  Q_OBJECT

 public:
  explicit TAAGraphicControl(QWidget* parent = nullptr);
  ~TAAGraphicControl() override;

  // The change gate: rebuilds through Reset only when it may.
  void Changed();
  void BeginUpdate() { ++FUpdateCount; }
  // Does not call Changed: the caller decides whether to rebuild.
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }
  // Rebuilds the control's image; the base only asks for a repaint.
  virtual void Reset();
  // The window's "finished building" notice: sets the loaded flag and runs
  // DoLoaded once. The first paint does the same.
  void Loaded();
  bool IsLoaded() const { return FLoaded; }
  bool Destroying() const { return FDestroying; }

  bool AutoUpdate() const { return FAutoUpdate; }
  virtual void SetAutoUpdate(bool value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  int Border() const { return FBorder; }
  void SetBorder(int value);  // below 0 counts as 0

  // The control colour and font. Setting one stops taking it from the parent.
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  const TFontDesc& Font() const { return FFont; }
  void SetFont(const TFontDesc& value);
  TAAQuality Quality() const { return FRenderer.Quality(); }
  void SetQuality(TAAQuality value);

  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool value);
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool value);
  bool ParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool value) { FParentShowHint = value; }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool value);
  const QString& Hint() const { return FHint; }
  void SetHint(const QString& value);

  TDragKind DragKind() const { return FDragKind; }
  void SetDragKind(TDragKind value) { FDragKind = value; }
  int DragCursor() const { return FDragCursor; }
  void SetDragCursor(int value) { FDragCursor = value; }
  TDragMode DragMode() const { return FDragMode; }
  void SetDragMode(TDragMode value) { FDragMode = value; }

  TDrag& Drag() { return FDrag; }
  void SetDrag(const TDrag& value) { FDrag.Assign(value); }
  TParentEffect& ParentEffect() { return FParentEffect; }
  void SetParentEffect(const TParentEffect& value) { FParentEffect.Assign(value); }

  TAAFontEx& Renderer() { return FRenderer; }

  TControlEvent OnClick;
  TControlEvent OnDblClick;
  TControlEvent OnMouseEnter;
  TControlEvent OnMouseLeave;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseMove;
  TMouseEvent OnMouseUp;

 protected:
  // Draws the control; runs inside the painting guard.
  virtual void PaintCanvas(QPainter& painter);
  // Runs once, when the control is first loaded or painted.
  virtual void DoLoaded();
  // Derived destructors call this first, so that nothing rebuilds or paints
  // while the control comes apart.
  void BeginDestroy() { FDestroying = true; }
  // The size a resize compares with; a rebuild that used the current size
  // records it so that a late resize notice of the same size does nothing.
  void RememberSize() { FLastSize = size(); }
  // Whether a paint is under way (an immediate repaint must not nest in it).
  bool Painting() const { return FPainting; }
  // The part of the control the paint under way must draw.
  const QRegion& PaintRegion() const { return FPaintRegion; }

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

  TAAFontEx FRenderer;

 private:
  void TakeParentColor();
  void TakeParentFont();

  TDrag FDrag;
  TParentEffect FParentEffect;
  TColor FColor = clBtnFace;
  TFontDesc FFont;
  bool FAutoUpdate = true;
  bool FAutoSize = true;
  int FUpdateCount = 0;
  int FBorder = 0;
  bool FLoaded = false;
  bool FPainting = false;
  QRegion FPaintRegion;
  bool FDestroying = false;
  bool FPressed = false;
  QSize FLastSize{0, 0};
  bool FParentColor = true;
  bool FParentFont = true;
  bool FParentShowHint = true;
  bool FShowHint = false;
  QString FHint;
  TDragKind FDragKind = dkDrag;
  int FDragCursor = crDrag;
  TDragMode FDragMode = dmManual;
};

}  // namespace tessary
