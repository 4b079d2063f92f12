// SPDX-License-Identifier: MIT
#pragma once

// The plot window of 绘图: the curves of the statements plotted so far,
// the x and y under the mouse, and the picture exported as PNG or SVG or
// copied.

#include <QImage>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>

#include "plotmodel.h"

class QLabel;

namespace tessary {

namespace platform {
class IUserDialogs;
}
namespace plot {
class TPlotSource;
}
class TPlotView;

class TPlotWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr const char* kTitle = "绘图 — Tessary公式计算器";
  // More curves than colours could not be told apart.
  static constexpr std::size_t kMostCurves = 8;

  TPlotWindow(platform::IUserDialogs& dialogs, QWidget* parent = nullptr);

  // Adds the curve of a formula that can be plotted; false when the window
  // holds kMostCurves already.
  bool AddCurve(std::shared_ptr<plot::TPlotSource> source, const QString& formula);
  // Where the export dialogs start.
  void SetFolder(const QString& folder) { FFolder = folder; }

  QWidget* View() const;
  QStringList Legend() const;
  const plot::TCurve& Curve(std::size_t i) const;
  plot::TRange XRange() const;

 private:
  QImage Picture() const;
  QString AskFileName(const QString& title, const QString& filter, const QString& suffix);
  void ExportPng();
  void ExportSvg();
  void CopyImage();
  void Written(bool ok, const QString& fileName);

  platform::IUserDialogs& FDialogs;
  TPlotView* FView = nullptr;
  QLabel* FReadout = nullptr;
  QString FFolder;
};

}  // namespace tessary
