// SPDX-License-Identifier: MIT
#pragma once

// The application's style: the platform's own, as it would be without this,
// except that the overflow arrows of the tool bars and the menu bar are made
// when they are first drawn. Every bar asks for its arrow when it is built;
// the arrow is a PNG, and reading the first one loads all of Qt's image
// plugins. The arrows show only when a window is too narrow for its bars, so
// that need not happen while the window is first shown.

#include <QIcon>
#include <QIconEngine>
#include <QProxyStyle>

#include <functional>

namespace tessary::platform {

// An icon that is made by make() when it is first drawn or measured, and is
// that icon from then on.
class TDeferredIconEngine : public QIconEngine {
 public:
  explicit TDeferredIconEngine(std::function<QIcon()> make);

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
  QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
  QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
  QIconEngine* clone() const override;
  void virtual_hook(int id, void* data) override;

 private:
  QIcon& Icon();

  std::function<QIcon()> FMake;
  QIcon FIcon;
  bool FMade = false;
};

class TAppStyle : public QProxyStyle {
 public:
  // key: the style to look like, as QStyleFactory names it.
  explicit TAppStyle(const QString& key);

  QIcon standardIcon(StandardPixmap icon, const QStyleOption* option,
                     const QWidget* widget) const override;
};

}  // namespace tessary::platform
