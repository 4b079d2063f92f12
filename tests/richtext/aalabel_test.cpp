// SPDX-License-Identifier: MIT
// The effect label: placement and auto-size rules measured against the
// renderer's own extent (so they hold for any installed face), the opaque
// image, and the transparent path over what the parent paints.

#include "aalabel.h"

#include <QCoreApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace tessary {
namespace {

// The box of pixels that differ from background; empty when none do.
QRect InkBox(const QImage& image, QRgb background) {
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF)) box |= QRect(x, y, 1, 1);
  return box;
}

// Whether some pixel is within a few steps of (r, g, b): the coverage of
// a glyph's core may stop just short of full.
bool HasNearly(const QImage& image, int r, int g, int b) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      if (std::abs(qRed(p) - r) <= 4 && std::abs(qGreen(p) - g) <= 4 && std::abs(qBlue(p) - b) <= 4)
        return true;
    }
  return false;
}

TFontDesc TestFont() {
  TFontDesc font;
  font.Height = -19;
  font.Color = clBlack;
  return font;
}

// A loaded, white label with a caption and an optional shadow.
void Prepare(TAALabel& label, const QString& caption = QStringLiteral("Label 42")) {
  label.SetColor(clWhite);
  label.SetFont(TestFont());
  label.SetCaption(caption);
  label.Loaded();
}

TEST(AALabel, PlacementWithBorderTwoAndAShadow) {
  TAALabel label;
  label.SetBorder(2);
  label.Effect().FontEffect().Shadow().SetEnabled(true);
  Prepare(label);

  const QSize text = label.TextSize();
  ASSERT_GT(text.width(), 0);
  EXPECT_EQ(label.size(), text + QSize(4, 4));
  EXPECT_EQ(label.TextPos(), QPoint(2, 2));
  EXPECT_EQ(label.sizeHint(), label.size()) << "a layout keeps the auto-size";

  const QImage& image = label.Image();
  ASSERT_EQ(image.size(), label.size());
  const QRect ink = InkBox(image, qRgb(255, 255, 255));
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_TRUE(QRect(QPoint(2, 2), text).contains(ink)) << "text and shadow stay inside the border";
  // The shadow lies 2 px right of and below the text, so it reaches past
  // where the text alone would end.
  EXPECT_GT(ink.right(), 2 + text.width() - 2 - 1);
}

TEST(AALabel, AShadowGrowsTheAutoSizeByItsOffsets) {
  struct TCase {
    bool Enabled;
    int OffsetX, OffsetY;
    QSize Growth;
  };
  const std::vector<TCase> cases = {
      {false, 2, 2, {0, 0}},
      {true, 2, 2, {2, 2}},
      {true, -2, 3, {2, 3}},
      {false, -5, 7, {0, 0}},
  };
  TAALabel plain;
  Prepare(plain);
  for (const TCase& c : cases) {
    TAALabel label;
    TAAShadow& shadow = label.Effect().FontEffect().Shadow();
    shadow.SetEnabled(c.Enabled);
    shadow.SetOffsetX(c.OffsetX);
    shadow.SetOffsetY(c.OffsetY);
    Prepare(label);
    EXPECT_EQ(label.size(), plain.size() + c.Growth) << c.OffsetX << "," << c.OffsetY;
  }
}

TEST(AALabel, AlignDecidesWhichSidesAutoSizeSets) {
  struct TCase {
    TAlign Align;
    bool Width, Height;
  };
  const std::vector<TCase> cases = {
      {alNone, true, true},  {alTop, false, true},   {alBottom, false, true},
      {alLeft, true, false}, {alRight, true, false}, {alClient, false, false},
  };
  for (const TCase& c : cases) {
    TAALabel label;
    label.SetAlign(c.Align);
    label.SetBorder(1);
    label.resize(300, 80);
    Prepare(label);
    const QSize fitted = label.TextSize() + QSize(2, 2);
    EXPECT_EQ(label.width(), c.Width ? fitted.width() : 300) << "align " << c.Align;
    EXPECT_EQ(label.height(), c.Height ? fitted.height() : 80) << "align " << c.Align;
  }

  TAALabel fixed;
  fixed.SetAutoSize(false);
  fixed.resize(300, 80);
  Prepare(fixed);
  EXPECT_EQ(fixed.size(), QSize(300, 80)) << "no auto-size, no change";
}

TEST(AALabel, AlignmentAndLayoutPlaceTheTextInsideTheBorder) {
  constexpr int kW = 201;
  constexpr int kH = 61;
  constexpr int kBorder = 3;
  TAALabel label;
  label.SetAutoSize(false);
  label.SetBorder(kBorder);
  label.resize(kW, kH);
  Prepare(label);
  const int w = label.TextSize().width();
  const int h = label.TextSize().height();
  struct TCase {
    TAlignment Alignment;
    TTextLayout Layout;
    QPoint Expected;
  };
  const std::vector<TCase> cases = {
      {taLeftJustify, tlTop, {kBorder, kBorder}},
      {taRightJustify, tlTop, {kW - kBorder - w, kBorder}},
      {taCenter, tlCenter, {(kW - w) / 2, (kH - h) / 2}},
      {taLeftJustify, tlBottom, {kBorder, kH - kBorder - h}},
      {taCenter, tlBottom, {(kW - w) / 2, kH - kBorder - h}},
  };
  for (const TCase& c : cases) {
    label.Effect().SetAlignment(c.Alignment);
    label.Effect().SetLayout(c.Layout);
    EXPECT_EQ(label.TextPos(), c.Expected) << c.Alignment << "/" << c.Layout;
    const QRect ink = InkBox(label.Image(), qRgb(255, 255, 255));
    EXPECT_TRUE(QRect(c.Expected, label.TextSize()).contains(ink))
        << c.Alignment << "/" << c.Layout;
  }
}

TEST(AALabel, ChangesRebuildOnlyThroughTheGate) {
  TAALabel label;
  label.SetCaption(QStringLiteral("x"));
  EXPECT_EQ(label.size(), QSize(46, 12)) << "nothing is measured before loading";
  EXPECT_TRUE(label.Image().isNull());
  Prepare(label, QStringLiteral("x"));
  const int narrow = label.width();

  label.BeginUpdate();
  label.SetCaption(QStringLiteral("xxxxxxxx"));
  EXPECT_EQ(label.width(), narrow);
  label.EndUpdate();
  label.Changed();
  EXPECT_GT(label.width(), narrow);
  EXPECT_EQ(label.Image().size(), label.size());
}

TEST(AALabel, SetEffectCopiesTheValues) {
  TAALabel source;
  source.Effect().SetAlignment(taCenter);
  source.Effect().SetLayout(tlBottom);
  source.Effect().FontEffect().SetAlpha(40);
  source.Effect().FontEffect().Shadow().SetEnabled(true);
  TAALabel target;
  target.SetEffect(source.Effect());
  EXPECT_EQ(target.Effect().Alignment(), taCenter);
  EXPECT_EQ(target.Effect().Layout(), tlBottom);
  EXPECT_EQ(target.Effect().FontEffect().Alpha(), 40);
  EXPECT_TRUE(target.Effect().FontEffect().Shadow().Enabled());
  source.Effect().FontEffect().SetAlpha(90);
  EXPECT_EQ(target.Effect().FontEffect().Alpha(), 40) << "a copy, not a shared object";
  EXPECT_EQ(&target.Effect().FontEffect(), &target.Renderer().Effect())
      << "the renderer's own effect";
}

// A parent whose left part is yellow and the rest green, so that a label
// over the seam shows whether it took the right piece of the parent.
class TSplitParent : public QWidget {
 public:
  static constexpr int kSeam = 100;
  TSplitParent() { resize(240, 80); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(0, 0, kSeam, height(), Qt::yellow);
    painter.fillRect(kSeam, 0, width() - kSeam, height(), Qt::green);
  }
};

TEST(AALabel, TransparentDrawsOverWhatTheParentPaints) {
  TSplitParent parent;
  TAALabel label(&parent);
  label.move(TSplitParent::kSeam - 10, 20);
  label.SetBorder(2);
  label.SetColor(clWhite);  // must not show while transparent
  TFontDesc font = TestFont();
  font.Color = clRed;
  label.SetFont(font);
  label.SetCaption(QStringLiteral("Label 42"));
  label.Effect().SetTransparent(true);
  label.Loaded();
  parent.show();

  const QImage shown = label.grab().toImage();
  ASSERT_EQ(shown.size(), label.size());
  EXPECT_EQ(shown.pixel(0, 0) & 0xFFFFFF, qRgb(255, 255, 0) & 0xFFFFFF) << "left of the seam";
  EXPECT_EQ(shown.pixel(10, 0) & 0xFFFFFF, qRgb(0, 255, 0) & 0xFFFFFF) << "right of the seam";
  EXPECT_EQ(shown.pixel(shown.width() - 1, shown.height() - 1) & 0xFFFFFF,
            qRgb(0, 255, 0) & 0xFFFFFF);
  EXPECT_TRUE(HasNearly(shown, 255, 0, 0)) << "the text's core shows the font colour";
  EXPECT_TRUE(label.Image().isNull()) << "the off-screen image is not used";

  QImage picture(60, 60, QImage::Format_RGB32);
  picture.fill(Qt::magenta);
  label.Effect().SetBackGroundMode(bmNormal);
  label.Effect().SetBackGround(picture);
  EXPECT_EQ(label.grab().toImage(), shown) << "a background picture has no visible effect";

  // The whole window, label included, grabs without the label recursing.
  const QImage window = parent.grab().toImage();
  EXPECT_EQ(window.copy(label.geometry()).convertToFormat(QImage::Format_RGB32),
            shown.convertToFormat(QImage::Format_RGB32));

  label.Effect().SetTransparent(false);
  const QImage opaque = label.grab().toImage();
  EXPECT_EQ(opaque.pixel(0, 0) & 0xFFFFFF, qRgb(255, 0, 255) & 0xFFFFFF) << "the picture now shows";
  EXPECT_EQ(opaque.pixel(opaque.width() - 1, opaque.height() - 1) & 0xFFFFFF, 0xFFFFFFu)
      << "the label colour beyond the picture";
  EXPECT_FALSE(label.Image().isNull());
}

TEST(AALabel, TransparentWithoutAParentShowsTheLabelColour) {
  TAALabel label;
  label.Effect().SetTransparent(true);
  Prepare(label);
  label.SetColor(0x00FFFF);  // yellow
  label.show();
  const QImage shown = label.grab().toImage();
  EXPECT_EQ(shown.pixel(0, 0) & 0xFFFFFF, qRgb(255, 255, 0) & 0xFFFFFF);
  EXPECT_FALSE(InkBox(shown, qRgb(255, 255, 0)).isEmpty()) << "the caption is drawn";
}

TEST(AALabel, TheSidePanelCaptionInRedKaiti) {
  QWidget panel;
  TAALabel label(&panel);
  EXPECT_TRUE(label.ParentEffect().ParentFont());
  TFontDesc font;
  font.Name = QStringLiteral("楷体_GB2312");
  font.Height = -19;
  font.Bold = true;
  font.Color = 0x0000FF;
  font.Charset = 134;
  label.SetFont(font);
  label.ParentEffect().SetParentFont(false);
  label.SetCaption(QStringLiteral("右侧广告招租"));
  label.Loaded();

  EXPECT_FALSE(label.ParentEffect().ParentFont());
  EXPECT_EQ(label.size(), label.TextSize());
  EXPECT_EQ(label.TextPos(), QPoint(0, 0));
  EXPECT_GT(label.width(), 6 * 10) << "six characters of about 19 px";
  const QImage& image = label.Image();
  EXPECT_TRUE(HasNearly(image, 255, 0, 0));
}

// Drawn on a layout thread, a label takes the size, the caption's place
// and the pixels the drawing here gives, system colours included.
TEST(AALabel, InTheBackgroundTheSameBoxAndImageAsHere) {
  struct TCase {
    const char* Name;
    int Border;
    TAlign Align;
    TAlignment Alignment;
    TTextLayout Layout;
    TColor Color;
    TColor TextColor;
    bool Shadow;
  };
  const TCase cases[] = {
      {"border and shadow", 2, alNone, taLeftJustify, tlTop, clWhite, clBlack, true},
      {"width kept, centred", 1, alTop, taCenter, tlCenter, clWhite, 0x0000FF, false},
      {"height kept, bottom right", 3, alLeft, taRightJustify, tlBottom, 0x00FFFF, clBlack, true},
      {"system colours", 0, alNone, taLeftJustify, tlTop, clBtnFace, clWindowText, true},
  };
  for (const TCase& c : cases) {
    const auto setUp = [&c](TAALabel& label) {
      label.resize(200, 60);
      label.SetBorder(c.Border);
      label.SetAlign(c.Align);
      label.Effect().SetAlignment(c.Alignment);
      label.Effect().SetLayout(c.Layout);
      label.Effect().FontEffect().Shadow().SetEnabled(c.Shadow);
      TFontDesc font = TestFont();
      font.Color = c.TextColor;
      label.SetColor(c.Color);
      label.SetFont(font);
      label.SetCaption(QStringLiteral("Label 42"));
    };
    TAALabel here;
    setUp(here);
    here.Loaded();
    TAALabel later;
    setUp(later);
    later.SetLayoutInBackground(true);
    later.Loaded();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !later.Image().isNull(); }, 20000)) << c.Name;
    EXPECT_EQ(later.size(), here.size()) << c.Name;
    EXPECT_EQ(later.TextPos(), here.TextPos()) << c.Name;
    EXPECT_EQ(later.TextSize(), here.TextSize()) << c.Name;
    EXPECT_EQ(later.Image(), here.Image()) << c.Name;
  }
}

// Resized while its caption was drawn elsewhere for the old size, the
// label keeps its new size and draws the caption again for it.
TEST(AALabel, ResizedBeforeItsImageComesBack) {
  const auto setUp = [](TAALabel& label) {
    label.SetAutoSize(false);
    label.resize(200, 40);
    label.Effect().SetAlignment(taCenter);
    Prepare(label);
  };
  TAALabel later;
  later.SetLayoutInBackground(true);
  setUp(later);
  later.resize(300, 50);
  ASSERT_TRUE(QTest::qWaitFor([&] { return later.Image().size() == QSize(300, 50); }, 20000));
  QTest::qWait(50);
  TAALabel here;
  setUp(here);
  here.resize(300, 50);
  QCoreApplication::sendPostedEvents();
  here.Reset();
  EXPECT_EQ(later.size(), QSize(300, 50));
  EXPECT_EQ(later.TextPos(), here.TextPos());
  EXPECT_EQ(later.Image(), here.Image());
}

// A label that goes before its image comes back is told nothing (the
// sanitizer build sees a use after free otherwise).
TEST(AALabel, GoneBeforeItsImageComesBack) {
  for (int i = 0; i < 20; ++i) {
    auto label = std::make_unique<TAALabel>();
    label->SetLayoutInBackground(true);
    Prepare(*label);
    label.reset();
  }
  TAALabel last;
  last.SetLayoutInBackground(true);
  Prepare(last);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !last.Image().isNull(); }, 20000));
}

}  // namespace
}  // namespace tessary
