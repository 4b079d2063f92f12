// SPDX-License-Identifier: MIT
#include "appstyle.h"

#include <QPainter>
#include <QPointer>
#include <QStyleFactory>

namespace tessary::platform {

TDeferredIconEngine::TDeferredIconEngine(std::function<QIcon()> make) : FMake(std::move(make)) {}

QIcon& TDeferredIconEngine::Icon() {
  if (!FMade) {
    FIcon = FMake();
    FMade = true;
  }
  return FIcon;
}

void TDeferredIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
                                QIcon::State state) {
  Icon().paint(painter, rect, Qt::AlignCenter, mode, state);
}

QPixmap TDeferredIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
  return Icon().pixmap(size, mode, state);
}

QSize TDeferredIconEngine::actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) {
  return Icon().actualSize(size, mode, state);
}

QList<QSize> TDeferredIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state) {
  return Icon().availableSizes(mode, state);
}

QIconEngine* TDeferredIconEngine::clone() const {
  auto* copy = new TDeferredIconEngine(FMake);
  copy->FIcon = FIcon;
  copy->FMade = FMade;
  return copy;
}

void TDeferredIconEngine::virtual_hook(int id, void* data) {
  // A high-resolution screen asks for the picture at its own scale.
  if (id == QIconEngine::ScaledPixmapHook) {
    auto* arg = static_cast<QIconEngine::ScaledPixmapArgument*>(data);
    arg->pixmap = Icon().pixmap(arg->size / arg->scale, arg->scale, arg->mode, arg->state);
    return;
  }
  QIconEngine::virtual_hook(id, data);
}

TAppStyle::TAppStyle(const QString& key) : QProxyStyle(QStyleFactory::create(key)) {}

QIcon TAppStyle::standardIcon(StandardPixmap icon, const QStyleOption* option,
                              const QWidget* widget) const {
  if (icon != SP_ToolBarHorizontalExtensionButton && icon != SP_ToolBarVerticalExtensionButton)
    return QProxyStyle::standardIcon(icon, option, widget);
  // The bar may outlive this style, if another is set before it draws.
  const QPointer<QStyle> base = baseStyle();
  return QIcon(new TDeferredIconEngine(
      [base, icon] { return base != nullptr ? base->standardIcon(icon) : QIcon(); }));
}

}  // namespace tessary::platform
