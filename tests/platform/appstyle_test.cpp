// SPDX-License-Identifier: MIT
// The application style: the bars' overflow arrows are made only when first
// drawn, and then are the platform style's own, at every size and scale.

#include "appstyle.h"

#include <QImage>
#include <QMenuBar>
#include <QStyleFactory>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

namespace tessary::platform {
namespace {

QImage Picture(const QIcon& icon, int size, qreal scale, QIcon::Mode mode) {
  return icon.pixmap(QSize(size, size), scale, mode)
      .toImage()
      .convertToFormat(QImage::Format_ARGB32);
}

TEST(AppStyle, TheBarsArrowsAreThoseOfThePlatformStyle) {
  const QString key = QStringLiteral("Fusion");
  const std::unique_ptr<QStyle> plain(QStyleFactory::create(key));
  TAppStyle style(key);
  QToolBar horizontal;
  horizontal.setStyle(&style);
  QToolBar vertical;
  vertical.setStyle(&style);
  vertical.setOrientation(Qt::Vertical);
  QMenuBar menus;
  menus.setStyle(&style);
  const struct {
    const char* Bar;
    QWidget* Owner;
    QStyle::StandardPixmap Arrow;
    int Size;
    qreal Scale;
    QIcon::Mode Mode;
  } cases[] = {
      {"tool bar", &horizontal, QStyle::SP_ToolBarHorizontalExtensionButton, 16, 1, QIcon::Normal},
      {"tool bar, disabled", &horizontal, QStyle::SP_ToolBarHorizontalExtensionButton, 16, 1,
       QIcon::Disabled},
      {"tool bar, twice the scale", &horizontal, QStyle::SP_ToolBarHorizontalExtensionButton, 16, 2,
       QIcon::Normal},
      {"vertical tool bar", &vertical, QStyle::SP_ToolBarVerticalExtensionButton, 16, 1,
       QIcon::Normal},
      {"menu bar", &menus, QStyle::SP_ToolBarHorizontalExtensionButton, 24, 1, QIcon::Normal},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Bar);
    const auto buttons = c.Owner->findChildren<QToolButton*>();
    ASSERT_EQ(buttons.size(), 1);  // the arrow is the bar's only button
    const QImage got = Picture(buttons.front()->icon(), c.Size, c.Scale, c.Mode);
    const QImage want = Picture(plain->standardIcon(c.Arrow), c.Size, c.Scale, c.Mode);
    ASSERT_FALSE(want.isNull());
    EXPECT_EQ(got, want);
  }
}

TEST(AppStyle, AnArrowIsMadeWhenFirstDrawn) {
  const std::unique_ptr<QStyle> plain(QStyleFactory::create(QStringLiteral("Fusion")));
  int made = 0;
  const QIcon icon(new TDeferredIconEngine([&made, &plain] {
    ++made;
    return plain->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton);
  }));
  const QIcon copy = icon;  // what a bar does with it while it is built
  EXPECT_FALSE(copy.isNull());
  EXPECT_EQ(made, 0);
  EXPECT_FALSE(copy.pixmap(16).isNull());
  EXPECT_FALSE(icon.pixmap(16).isNull());
  EXPECT_EQ(made, 1);
}

}  // namespace
}  // namespace tessary::platform
