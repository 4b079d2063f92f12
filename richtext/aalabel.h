// SPDX-License-Identifier: MIT
#pragma once

// The effect label: one line of caption drawn with the anti-aliased renderer
// and its font effect, sized to its text, placed inside an optional border
// over the label colour, a background picture or, when transparent, over
// what the parent paints beneath it.

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>

#include "aafont.h"
#include "aagraphiccontrol.h"

class QPainter;

namespace tessary {

class TAALabel;

// Where a parent places a control. Qt widgets have no such property: the
// label keeps it for its auto-size rules, a layout does the placing.
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// The caption's settings. FontEffect is the label renderer's own effect
// object, so a change of any of its values reaches the label directly.
class TAAFontEffect : public TCustomParam {
 public:
  explicit TAAFontEffect(TAALabel* label);

  TAAEffect& FontEffect();
  const TAAEffect& FontEffect() const;
  void SetFontEffect(const TAAEffect& value);  // copies, then Changed

  void Assign(const TAAFontEffect& source);
};

class TAALabel : public TAAGraphicControl {
  Q_OBJECT

 public:
  explicit TAALabel(QWidget* parent = nullptr);
  ~TAALabel() override;

  const QString& Caption() const { return FCaption; }
  void SetCaption(const QString& value);
  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign value);

  TAAFontEffect& Effect() { return FEffect; }
  const TAAFontEffect& Effect() const { return FEffect; }
  // Copies the values and rebuilds once.
  void SetEffect(const TAAFontEffect& value);

  // The result of the last placement: where the caption's box (text and
  // shadow) starts and how big it is.
  QPoint TextPos() const { return FTextPos; }
  QSize TextSize() const { return FTextSize; }
  // The off-screen image of the opaque path; left alone while transparent.
  const QImage& Image() const { return FImage; }

  // Renders the opaque image (unless transparent) and asks for a repaint.
  void Reset() override;
  // The auto-sized box, so that a layout can keep to it.
  QSize sizeHint() const override;

 protected:
  void PaintCanvas(QPainter& painter) override;

 private:
  // Measures the caption, applies the auto-size rules and sets FTextPos.
  void Place();
  void RenderImage();
  // What the parent paints under the label: its background and its own
  // painting, without its other children; the label colour when there is
  // no parent.
  QImage Beneath() const;

  TAAFontEffect FEffect;
  TAACanvas FCanvas;  // the renderer's canvas, over whichever image is drawn
  QImage FImage;
  QString FCaption;
  TAlign FAlign = alNone;
  QPoint FTextPos;
  QSize FTextSize;
};

}  // namespace tessary
