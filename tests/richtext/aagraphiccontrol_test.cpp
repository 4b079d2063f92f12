// SPDX-License-Identifier: MIT
// The base control's change gate, its settings groups and the background
// picture modes, on synthetic pictures.

#include "aagraphiccontrol.h"

#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace tessary {
namespace {

// Counts the rebuilds the gate lets through.
class TCountingControl : public TAAGraphicControl {
 public:
  using TAAGraphicControl::TAAGraphicControl;
  void Reset() override { ++Resets; }
  int Resets = 0;
};

TEST(AAGraphicControl, ChangedIsGatedByLoadedAutoUpdateAndUpdateCounter) {
  TCountingControl control;
  control.Changed();
  EXPECT_EQ(control.Resets, 0) << "not loaded yet";
  control.Loaded();
  EXPECT_EQ(control.Resets, 1) << "DoLoaded calls Changed";
  control.Loaded();
  EXPECT_EQ(control.Resets, 1) << "loading happens once";

  control.BeginUpdate();
  control.BeginUpdate();
  control.Changed();
  control.EndUpdate();
  control.Changed();
  EXPECT_EQ(control.Resets, 1) << "counter still 1";
  control.EndUpdate();
  EXPECT_EQ(control.Resets, 1) << "EndUpdate does not rebuild by itself";
  control.Changed();
  EXPECT_EQ(control.Resets, 2);

  control.SetAutoUpdate(false);
  control.Changed();
  EXPECT_EQ(control.Resets, 2);
  control.SetAutoUpdate(true);
  control.EndUpdate();  // an unmatched EndUpdate must not unbalance the counter
  EXPECT_EQ(control.UpdateCount(), 0);
}

// Its painting fails.
class TFailingControl : public TAAGraphicControl {
 public:
  using TAAGraphicControl::TAAGraphicControl;

 protected:
  void PaintCanvas(QPainter&) override { throw std::runtime_error("no canvas"); }
};

TEST(AAGraphicControl, FailedPaintingIsReportedAsSuch) {
  // With no hook set the report goes to stderr, and must not blame a timer.
  TFailingControl control;
  control.resize(20, 20);
  control.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&control));
  ::testing::internal::CaptureStderr();
  control.repaint();
  const std::string report = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(report, "Paint handler failed: no canvas\n");
}

TEST(AAGraphicControl, SettersReportOnlyRealChanges) {
  TCountingControl control;
  control.Loaded();
  const int base = control.Resets;
  control.SetColor(control.Color());
  control.SetFont(control.Font());
  control.SetQuality(control.Quality());
  control.SetBorder(-5);  // clamps to the current 0
  EXPECT_EQ(control.Resets, base);
  control.SetColor(0x123456);
  control.SetQuality(aqHigh);
  control.SetBorder(2);
  control.Renderer().Effect().SetAlpha(50);  // the renderer's effect reports too
  EXPECT_EQ(control.Resets, base + 4);
}

TEST(AAGraphicControl, ParentColorAndFontFollowTheParentUntilSet) {
  TCountingControl parent;
  parent.SetColor(0x00AA00);
  TFontDesc big;
  big.Height = -30;
  parent.SetFont(big);
  TCountingControl child(&parent);
  EXPECT_TRUE(child.ParentEffect().ParentColor());
  EXPECT_EQ(child.Color(), 0x00AA00);
  EXPECT_EQ(child.Font().Height, -30);

  child.SetColor(0x0000FF);
  EXPECT_FALSE(child.ParentColor()) << "an own colour stops the inheritance";
  child.ParentEffect().SetParentColor(true);
  EXPECT_EQ(child.Color(), 0x00AA00);
}

TEST(AAGraphicControl, GroupsForwardToTheControl) {
  TCountingControl control;
  EXPECT_EQ(control.Drag().DragKind(), dkDrag);
  EXPECT_EQ(control.Drag().DragCursor(), crDrag);
  EXPECT_EQ(control.Drag().DragMode(), dmManual);
  control.Drag().SetDragMode(dmAutomatic);
  EXPECT_EQ(control.DragMode(), dmAutomatic);

  TCustomParam param(&control);
  param.SetBackColor(0x445566);
  EXPECT_EQ(control.Color(), 0x445566);
  param.SetQuality(aqLow);
  EXPECT_EQ(control.Renderer().Quality(), aqLow);
}

TEST(AAGraphicControl, CustomParamChangesReachTheGate) {
  TCountingControl control;
  control.Loaded();
  TCustomParam param(&control);
  const int base = control.Resets;
  param.SetAlignment(taLeftJustify);  // the default: no change
  param.SetBackGroundMode(bmCenter);
  EXPECT_EQ(control.Resets, base);
  param.SetAlignment(taCenter);
  param.SetWordWrap(true);
  QImage picture(2, 2, QImage::Format_RGB32);
  picture.fill(Qt::red);
  param.SetBackGround(picture);
  param.SetBackGround(picture);  // same pixels: no change
  EXPECT_EQ(control.Resets, base + 3);
}

// A 2 x 3 picture with distinct pixels: the modes are checked by where its
// top-left pixel lands.
QImage Picture() {
  QImage picture(2, 3, QImage::Format_RGB32);
  picture.fill(qRgb(0, 0, 255));
  picture.setPixel(0, 0, qRgb(255, 0, 0));
  return picture;
}

QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

TEST(DrawBackGround, PlacesThePictureByMode) {
  const QRgb red = qRgb(255, 0, 0) & 0xFFFFFF;
  const QRgb blue = qRgb(0, 0, 255) & 0xFFFFFF;
  const QRgb brush = qRgb(0x10, 0x20, 0x30) & 0xFFFFFF;
  const TColor brushColor = RGBToColor(0x10, 0x20, 0x30);
  const QRect rect(1, 1, 7, 7);  // inside a 9 x 9 image: the edge stays untouched

  struct Case {
    TBackGroundMode mode;
    QPoint red;    // where the picture's first pixel lands
    QPoint brush;  // a pixel only the brush colour covers
  };
  const Case cases[] = {
      {bmNormal, {1, 1}, {4, 5}},
      {bmCenter, {3, 3}, {1, 1}},  // ((1 + 8 - 2) div 2, (1 + 8 - 3) div 2)
  };
  for (const Case& c : cases) {
    QImage target(9, 9, QImage::Format_BGR888);
    target.fill(Qt::black);
    DrawBackGround(target, rect, Picture(), c.mode, brushColor);
    EXPECT_EQ(At(target, c.red.x(), c.red.y()), red) << c.mode;
    EXPECT_EQ(At(target, c.brush.x(), c.brush.y()), brush) << c.mode;
    EXPECT_EQ(At(target, 0, 0), 0u) << "outside the rectangle, mode " << c.mode;
  }

  QImage tiled(9, 9, QImage::Format_BGR888);
  tiled.fill(Qt::black);
  DrawBackGround(tiled, rect, Picture(), bmTiled, brushColor);
  for (int y : {1, 4, 7})
    for (int x : {1, 3, 5, 7}) EXPECT_EQ(At(tiled, x, y), red) << x << "," << y;
  EXPECT_EQ(At(tiled, 2, 2), blue);
  EXPECT_EQ(At(tiled, 8, 8), 0u) << "tiles are clipped to the rectangle";

  QImage stretched(9, 9, QImage::Format_BGR888);
  stretched.fill(Qt::black);
  DrawBackGround(stretched, rect, QImage(), bmStretched, brushColor);
  EXPECT_EQ(At(stretched, 4, 4), brush) << "no picture: the brush colour alone";
}

}  // namespace
}  // namespace tessary
