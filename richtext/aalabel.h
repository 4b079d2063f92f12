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

#include <memory>

#include "aafont.h"
#include "aagraphiccontrol.h"

class QPainter;

namespace tessary {

struct TLayoutTask;

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

  // Whether the opaque caption is measured and drawn on the layout threads;
  // the label takes its size and image when they come back.
  void SetLayoutInBackground(bool value) { FLayoutInBackground = value; }

 protected:
  void PaintCanvas(QPainter& painter) override;

 private:
  // What the auto-size rules go by, taken on the user-interface thread.
  struct TFitSettings {
    QSize Current;
    int Border = 0;
    bool AutoSize = true;
    TAlign Align = alNone;
    TAlignment Alignment = taLeftJustify;
    TTextLayout Layout = tlTop;
  };
  // The label's box and where in it the caption's box starts.
  struct TBox {
    QSize Size;
    QPoint TextPos;
  };
  TFitSettings FitSettings() const;
  static TBox Fit(const TFitSettings& fit, QSize text);

  // Measures the caption, applies the auto-size rules and sets FTextPos.
  void Place();
  void ApplySize(QSize target);
  void RenderImage();
  // The background, then the caption at at, into image: here or on a
  // layout thread, with that thread's renderer and canvas.
  static void DrawCaption(TAAFontEx& renderer, TAACanvas& canvas, QImage& image, QPoint at,
                          const QString& caption, const QImage& background, TBackGroundMode mode,
                          TColor color);
  bool StartBackgroundRender();
  void StopBackgroundRender();
  // from: the size the caption was drawn for.
  void TakeRendered(unsigned round, QSize from, QSize text, const TBox& box, const QImage& image);
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
  bool FLayoutInBackground = false;
  std::shared_ptr<TLayoutTask> FLayoutTask;
  unsigned FLayoutRound = 0;  // a newer rendering drops an older one's result
};

}  // namespace tessary
