// SPDX-License-Identifier: MIT
#include "plotview.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <cmath>

namespace tessary {

namespace {

constexpr double kLeft = 56, kRight = 12, kTop = 12, kBottom = 28;
// One notch of the wheel zooms by this much.
constexpr double kZoomStep = 1.25;
// Beyond these spans the doubles of the sampling run out of digits (or of
// meaning); the view stops zooming there.
constexpr double kLeastSpan = 1e-9, kMostSpan = 1e12;
// Far points (at a pole) are pulled this far outside the area: Qt's
// clipping misbehaves with coordinates of 1e300.
constexpr double kFarPixels = 1e5;

const std::array<QColor, 8> kColours = {QColor(0x1F, 0x5F, 0xBF), QColor(0xC0, 0x39, 0x2B),
                                        QColor(0x2E, 0x8B, 0x57), QColor(0x8E, 0x44, 0xAD),
                                        QColor(0xD3, 0x54, 0x00), QColor(0x16, 0xA0, 0x85),
                                        QColor(0x7F, 0x60, 0x00), QColor(0x44, 0x44, 0x44)};

// A coordinate with the digits one pixel can tell apart.
QString Coordinate(double value, double perPixel) {
  const int decimals = std::clamp(static_cast<int>(std::ceil(-std::log10(perPixel))), 0, 12);
  QString text = QString::number(value, 'f', decimals);
  if (text.startsWith(QLatin1Char('-')) && text.mid(1) == QString::number(0.0, 'f', decimals))
    text.remove(0, 1);  // "-0.00" is 0
  return text;
}

bool Sane(plot::TRange r) {
  const double span = r.High - r.Low;
  const double scale = std::max({1.0, std::abs(r.Low), std::abs(r.High)});
  return std::isfinite(span) && span > kLeastSpan * scale && span < kMostSpan;
}

QString Label(double value, const std::vector<double>& ticks) {
  return QString::fromStdString(plot::TickLabel(value, ticks));
}

}  // namespace

double TPlotView::TFrame::Px(double x) const {
  return Area.left() + (x - X.Low) / (X.High - X.Low) * Area.width();
}

double TPlotView::TFrame::Py(double y) const {
  return Area.bottom() - (y - Y.Low) / (Y.High - Y.Low) * Area.height();
}

plot::TPoint TPlotView::TFrame::At(QPointF pixel) const {
  return {X.Low + (pixel.x() - Area.left()) / Area.width() * (X.High - X.Low),
          Y.Low + (Area.bottom() - pixel.y()) / Area.height() * (Y.High - Y.Low)};
}

TPlotView::TPlotView(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);  // the read-out follows the mouse
  setMinimumSize(320, 200);
  setCursor(Qt::CrossCursor);
}

void TPlotView::AddCurve(plot::TFunction f, const QString& formula) {
  const QColor colour = kColours.at(FCurves.size() % kColours.size());
  FCurves.push_back({std::move(f), formula, colour, {}});
  FCurves.back().Curve = plot::SampleCurve(FCurves.back().F, FX);
  plot::TRange y{0, 0};
  bool first = true;
  for (const TEntry& e : FCurves) {
    if (e.Curve.PointCount() == 0) continue;
    const plot::TRange r = plot::YRangeOf(e.Curve);
    y = first ? r : plot::TRange{std::min(y.Low, r.Low), std::max(y.High, r.High)};
    first = false;
  }
  if (first) y = {-1, 1};
  const double pad = (y.High - y.Low) * 0.05;
  FY = {y.Low - pad, y.High + pad};
  update();
}

QStringList TPlotView::Legend() const {
  QStringList names;
  for (const TEntry& e : FCurves) names << e.Formula;
  return names;
}

TPlotView::TFrame TPlotView::FrameFor(QSize size) const {
  const QRectF area(kLeft, kTop, std::max(1.0, size.width() - kLeft - kRight),
                    std::max(1.0, size.height() - kTop - kBottom));
  return {area, FX, FY};
}

void TPlotView::SetView(plot::TRange x, plot::TRange y) {
  if (!Sane(x) || !Sane(y)) return;
  FY = y;
  if (x.Low != FX.Low || x.High != FX.High) {
    FX = x;
    Resample();
  }
  update();
}

void TPlotView::Resample() {
  for (TEntry& e : FCurves) e.Curve = plot::SampleCurve(e.F, FX);
}

QString TPlotView::Readout(QPointF pixel) const {
  const TFrame f = FrameFor(size());
  if (!f.Area.contains(pixel)) return {};
  const plot::TPoint p = f.At(pixel);
  return QStringLiteral("x = %1  y = %2")
      .arg(Coordinate(p.X, (FX.High - FX.Low) / f.Area.width()),
           Coordinate(p.Y, (FY.High - FY.Low) / f.Area.height()));
}

// ---------------------------------------------------------------- painting

void TPlotView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  Paint(painter, size());
}

void TPlotView::Paint(QPainter& painter, QSize size) const {
  const TFrame f = FrameFor(size);
  painter.fillRect(QRect(QPoint(), size), Qt::white);
  painter.setFont(font());
  PaintGrid(painter, f);
  PaintCurves(painter, f);
  PaintLegend(painter, f);
  painter.setPen(QColor(0x70, 0x70, 0x70));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(f.Area);
}

void TPlotView::PaintGrid(QPainter& painter, const TFrame& f) const {
  // Room for a label of about 70 pixels across, 40 down.
  const std::vector<double> xs = plot::NiceTicks(f.X, std::max(2, int(f.Area.width() / 70)));
  const std::vector<double> ys = plot::NiceTicks(f.Y, std::max(2, int(f.Area.height() / 40)));
  painter.setPen(QColor(0xE4, 0xE4, 0xE4));
  for (double x : xs)
    painter.drawLine(QPointF(f.Px(x), f.Area.top()), QPointF(f.Px(x), f.Area.bottom()));
  for (double y : ys)
    painter.drawLine(QPointF(f.Area.left(), f.Py(y)), QPointF(f.Area.right(), f.Py(y)));
  painter.setPen(QColor(0x90, 0x90, 0x90));
  if (f.X.Low < 0 && f.X.High > 0)
    painter.drawLine(QPointF(f.Px(0), f.Area.top()), QPointF(f.Px(0), f.Area.bottom()));
  if (f.Y.Low < 0 && f.Y.High > 0)
    painter.drawLine(QPointF(f.Area.left(), f.Py(0)), QPointF(f.Area.right(), f.Py(0)));
  painter.setPen(QColor(0x33, 0x33, 0x33));
  const QFontMetricsF metrics(painter.font());
  for (double x : xs) {
    const QRectF box(f.Px(x) - 40, f.Area.bottom() + 4, 80, metrics.height());
    painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, Label(x, xs));
  }
  for (double y : ys) {
    const QRectF box(0, f.Py(y) - metrics.height() / 2, f.Area.left() - 6, metrics.height());
    painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, Label(y, ys));
  }
}

void TPlotView::PaintCurves(QPainter& painter, const TFrame& f) const {
  painter.save();
  painter.setClipRect(f.Area);
  painter.setRenderHint(QPainter::Antialiasing);
  const double top = f.Area.top() - kFarPixels, bottom = f.Area.bottom() + kFarPixels;
  for (const TEntry& e : FCurves) {
    painter.setPen(QPen(e.Colour, 1.6));
    for (const auto& piece : e.Curve.Pieces) {  // never joined: a gap or a pole lies between
      QPolygonF line;
      line.reserve(static_cast<qsizetype>(piece.size()));
      for (const plot::TPoint& p : piece)
        line << QPointF(f.Px(p.X), std::clamp(f.Py(p.Y), top, bottom));
      if (line.size() == 1)
        painter.drawPoint(line.front());
      else
        painter.drawPolyline(line);
    }
  }
  painter.restore();
}

void TPlotView::PaintLegend(QPainter& painter, const TFrame& f) const {
  if (FCurves.empty()) return;
  const QFontMetricsF metrics(painter.font());
  double textWidth = 0;
  for (const TEntry& e : FCurves)
    textWidth = std::max(textWidth, metrics.horizontalAdvance(e.Formula));
  const double row = metrics.height() + 2, swatch = 20;
  const QRectF box(f.Area.left() + 8, f.Area.top() + 8, swatch + 18 + textWidth,
                   row * static_cast<double>(FCurves.size()) + 8);
  painter.setPen(QColor(0xB0, 0xB0, 0xB0));
  painter.setBrush(QColor(255, 255, 255, 230));
  painter.drawRect(box);
  for (std::size_t i = 0; i < FCurves.size(); ++i) {
    const double y = box.top() + 4 + row * static_cast<double>(i);
    painter.setPen(QPen(FCurves[i].Colour, 2));
    painter.drawLine(QPointF(box.left() + 6, y + row / 2),
                     QPointF(box.left() + 6 + swatch, y + row / 2));
    painter.setPen(QColor(0x22, 0x22, 0x22));
    painter.drawText(QRectF(box.left() + 12 + swatch, y, textWidth + 4, row),
                     Qt::AlignLeft | Qt::AlignVCenter, FCurves[i].Formula);
  }
}

// ---------------------------------------------------------------- the mouse

void TPlotView::wheelEvent(QWheelEvent* event) {
  const double notches = event->angleDelta().y() / 120.0;
  if (notches == 0) return;
  const double factor = std::pow(kZoomStep, -notches);
  const plot::TPoint m = FrameFor(size()).At(event->position());
  SetView({m.X - (m.X - FX.Low) * factor, m.X + (FX.High - m.X) * factor},
          {m.Y - (m.Y - FY.Low) * factor, m.Y + (FY.High - m.Y) * factor});
  emit Pointed(Readout(event->position()));
  event->accept();
}

void TPlotView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  FDragFrom = event->position();
  FDragX = FX;
  FDragY = FY;
  setCursor(Qt::ClosedHandCursor);
}

void TPlotView::mouseMoveEvent(QMouseEvent* event) {
  if (FDragFrom) {
    const QRectF area = FrameFor(size()).Area;
    const QPointF moved = event->position() - *FDragFrom;
    const double dx = moved.x() / area.width() * (FDragX.High - FDragX.Low);
    const double dy = moved.y() / area.height() * (FDragY.High - FDragY.Low);
    SetView({FDragX.Low - dx, FDragX.High - dx}, {FDragY.Low + dy, FDragY.High + dy});
  }
  emit Pointed(Readout(event->position()));
}

void TPlotView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  FDragFrom.reset();
  setCursor(Qt::CrossCursor);
}

void TPlotView::leaveEvent(QEvent*) { emit Pointed(QString()); }

}  // namespace tessary
