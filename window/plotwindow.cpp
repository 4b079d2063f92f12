// SPDX-License-Identifier: MIT
#include "plotwindow.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QVBoxLayout>

#include "plotsource.h"
#include "plotview.h"
#include "userdialogs.h"

namespace tessary {

TPlotWindow::TPlotWindow(platform::IUserDialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), FDialogs(dialogs) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QString::fromUtf8(kTitle));
  FView = new TPlotView(this);
  FView->setObjectName(QStringLiteral("PlotView"));
  FReadout = new QLabel(this);
  FReadout->setObjectName(QStringLiteral("PlotReadout"));
  FReadout->setToolTip(QStringLiteral("鼠标所指的点；滚轮缩放，拖动平移"));
  connect(FView, &TPlotView::Pointed, FReadout, &QLabel::setText);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(FReadout, 1);
  const struct {
    const char* Name;
    const char* Caption;
    void (TPlotWindow::*Command)();
  } commands[] = {{"PlotPng", "导出 PNG", &TPlotWindow::ExportPng},
                  {"PlotSvg", "导出 SVG", &TPlotWindow::ExportSvg},
                  {"PlotCopy", "复制图像", &TPlotWindow::CopyImage}};
  for (const auto& c : commands) {
    auto* button = new QPushButton(QString::fromUtf8(c.Caption), this);
    button->setObjectName(QString::fromLatin1(c.Name));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, c.Command);
    buttons->addWidget(button);
  }
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FView, 1);
  layout->addLayout(buttons);
  resize(720, 480);
}

bool TPlotWindow::AddCurve(std::shared_ptr<plot::TPlotSource> source, const QString& formula) {
  if (FView->CurveCount() >= kMostCurves) return false;
  FView->AddCurve([source = std::move(source)](double x) { return (*source)(x); }, formula);
  return true;
}

QWidget* TPlotWindow::View() const { return FView; }
QStringList TPlotWindow::Legend() const { return FView->Legend(); }
const plot::TCurve& TPlotWindow::Curve(std::size_t i) const { return FView->Curve(i); }
plot::TRange TPlotWindow::XRange() const { return FView->XRange(); }

// The plot as the window shows it, at the view's size.
QImage TPlotWindow::Picture() const {
  QImage image(FView->size(), QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&image);
  FView->Paint(painter, image.size());
  return image;
}

QString TPlotWindow::AskFileName(const QString& title, const QString& filter,
                                 const QString& suffix) {
  const QString name = FDialogs.GetSaveFileName(this, title, filter, suffix, FFolder,
                                                QStringLiteral("绘图.") + suffix);
  if (!name.isEmpty()) FFolder = QFileInfo(name).absolutePath();
  return name;
}

void TPlotWindow::ExportPng() {
  const QString name = AskFileName(QStringLiteral("导出 PNG"),
                                   QStringLiteral("PNG 图像(*.png)|*.png"), QStringLiteral("png"));
  if (name.isEmpty()) return;
  QSaveFile file(name);
  const bool ok = file.open(QIODevice::WriteOnly) && Picture().save(&file, "PNG") && file.commit();
  Written(ok, name);
}

void TPlotWindow::ExportSvg() {
  const QString name = AskFileName(QStringLiteral("导出 SVG"),
                                   QStringLiteral("SVG 图像(*.svg)|*.svg"), QStringLiteral("svg"));
  if (name.isEmpty()) return;
  QSaveFile file(name);
  if (!file.open(QIODevice::WriteOnly)) return Written(false, name);
  {
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(FView->size());
    svg.setViewBox(QRect(QPoint(), FView->size()));
    svg.setTitle(QString::fromUtf8(kTitle));
    svg.setDescription(Legend().join(QStringLiteral("；")));
    QPainter painter(&svg);
    FView->Paint(painter, FView->size());
  }  // the painter ends first, writing the file's tail
  Written(file.commit(), name);
}

void TPlotWindow::CopyImage() { QGuiApplication::clipboard()->setImage(Picture()); }

void TPlotWindow::Written(bool ok, const QString& fileName) {
  if (ok) return;
  FDialogs.ShowMessageBox(this, QString::fromUtf8(kTitle),
                          QStringLiteral("无法写入文件“%1”。").arg(fileName),
                          platform::TMessageIcon::Error, platform::TMessageButtons::Ok);
}

}  // namespace tessary
