// SPDX-License-Identifier: MIT
// The window's pictures, drawn ahead on a worker or when first asked for,
// are pixel for pixel what Qt's own SVG icons make of the same files.

#include "pictures.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

static void InitIcons() { Q_INIT_RESOURCE(icons); }

namespace tessary {
namespace {

QImage Argb(const QPixmap& pixmap) {
  return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage Painted(const QIcon& icon, QIcon::Mode mode) {
  QImage image(30, 26, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  icon.paint(&painter, QRect(3, 2, 22, 20), Qt::AlignCenter, mode);
  return image;
}

TEST(Pictures, AreWhatQtsSvgIconsMakeOfTheFiles) {
  InitIcons();
  QStringList files;
  for (int i : {0, 5, 12}) files << QStringLiteral(":/icons/%1.svg").arg(i);
  const TPictures pictures(files, {16, 20}, 1);
  const struct {
    const char* Name;
    QSize Size;
    qreal Scale;
    QIcon::Mode Mode;
  } cases[] = {
      {"drawn ahead", {20, 20}, 1, QIcon::Normal},
      {"drawn ahead, the smaller", {16, 16}, 1, QIcon::Normal},
      {"in less height than width", {20, 18}, 1, QIcon::Normal},
      {"disabled", {20, 20}, 1, QIcon::Disabled},
      {"under the mouse", {20, 20}, 1, QIcon::Active},
      {"selected", {16, 16}, 1, QIcon::Selected},
      {"a size not drawn ahead", {24, 24}, 1, QIcon::Normal},
      {"twice the scale", {16, 16}, 2, QIcon::Normal},
      {"one and a half times the scale", {20, 20}, 1.5, QIcon::Disabled},
  };
  for (qsizetype f = 0; f < files.size(); ++f) {
    const QIcon ours = pictures.Icon(static_cast<int>(f));
    const QIcon qts(files[f]);
    for (const auto& c : cases) {
      SCOPED_TRACE(files[f].toStdString() + ", " + c.Name);
      const QImage want = Argb(qts.pixmap(c.Size, c.Scale, c.Mode));
      ASSERT_FALSE(want.isNull());
      EXPECT_EQ(Argb(ours.pixmap(c.Size, c.Scale, c.Mode)), want);
    }
    SCOPED_TRACE(files[f].toStdString() + ", painted");
    EXPECT_EQ(Painted(ours, QIcon::Normal), Painted(qts, QIcon::Normal));
    EXPECT_EQ(Painted(ours, QIcon::Disabled), Painted(qts, QIcon::Disabled));
  }
}

TEST(Pictures, ABrokenFileDrawsNothing) {
  const TPictures pictures({QStringLiteral(":/no/such.svg")}, {16}, 1);
  EXPECT_TRUE(pictures.Icon(0).pixmap(16).isNull());
  EXPECT_TRUE(pictures.Icon(0).pixmap(24).isNull());
}

}  // namespace
}  // namespace tessary
