// SPDX-License-Identifier: MIT
#pragma once

// The plot's drawing: curves of x painted from the plot model, with a
// frame, a light grid, the axes through 0, numbered ticks and a legend. The
// wheel zooms around the mouse, a drag pans; every change of the view
// samples the curves anew.

#include <QColor>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <optional>
#include <vector>

#include "plotmodel.h"

class QPainter;

namespace tessary {

class TPlotView : public QWidget {
  Q_OBJECT

 public:
  explicit TPlotView(QWidget* parent = nullptr);

  // Adds the curve of f under its formula; the y range is fitted to all the
  // curves anew, the x range stays.
  void AddCurve(plot::TFunction f, const QString& formula);
  std::size_t CurveCount() const { return FCurves.size(); }
  QStringList Legend() const;
  const plot::TCurve& Curve(std::size_t i) const { return FCurves.at(i).Curve; }
  plot::TRange XRange() const { return FX; }
  plot::TRange YRange() const { return FY; }
  // Paints the plot into a picture of that size: the widget, or an export.
  void Paint(QPainter& painter, QSize size) const;

 signals:
  // "x = …  y = …" of the point under the mouse; "" when it leaves.
  void Pointed(const QString& readout);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  struct TEntry {
    plot::TFunction F;
    QString Formula;
    QColor Colour;
    plot::TCurve Curve;
  };
  // The view's picture coordinates for a size: the plot area and its scale.
  struct TFrame {
    QRectF Area;
    plot::TRange X, Y;
    double Px(double x) const;
    double Py(double y) const;
    plot::TPoint At(QPointF pixel) const;
  };
  TFrame FrameFor(QSize size) const;
  void SetView(plot::TRange x, plot::TRange y);
  void Resample();
  QString Readout(QPointF pixel) const;
  void PaintGrid(QPainter& painter, const TFrame& f) const;
  void PaintCurves(QPainter& painter, const TFrame& f) const;
  void PaintLegend(QPainter& painter, const TFrame& f) const;

  std::vector<TEntry> FCurves;
  plot::TRange FX{-10, 10};
  plot::TRange FY{-1, 1};
  // Where a drag started, and the view then.
  std::optional<QPointF> FDragFrom;
  plot::TRange FDragX{}, FDragY{};
};

}  // namespace tessary
