// SPDX-License-Identifier: MIT
// The renderer: blends, foreground images and size rules exactly on
// synthetic pixels; then the whole TextOut with a real font, checked by rules
// that hold for any face.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPalette>

#include <array>
#include <functional>
#include <set>
#include <vector>

#include "aafont.h"
#include "random.h"

namespace tessary {
namespace {

using TRgb = std::array<int, 3>;  // red, green, blue

TRgb RgbAt(const QImage& image, int x, int y) {
  const QRgb p = image.pixel(x, y);
  return {qRed(p), qGreen(p), qBlue(p)};
}

TColor ColorOf(const TRgb& rgb) { return RGBToColor(rgb[0], rgb[1], rgb[2]); }

QImage Filled(int w, int h, const TRgb& rgb, QImage::Format format = QImage::Format_BGR888) {
  QImage image(w, h, format);
  image.fill(QColor(rgb[0], rgb[1], rgb[2]));
  return image;
}

TAAMask MaskOf(int w, int h, int value) {
  TAAMask mask;
  mask.SetSize(w, h);
  for (int r = 0; r < h; ++r) std::fill_n(mask.Row(r), w, static_cast<std::uint8_t>(value));
  return mask;
}

// A renderer over its own target image.
struct TStage {
  explicit TStage(QImage image) : Target(std::move(image)), Font(&Canvas) {
    Canvas.Target = &Target;
    Canvas.BrushStyle = bsClear;
  }
  QImage Target;
  TAACanvas Canvas;
  TAAFontEx Font;
};

TEST(AABlendTest, ColourBlendFollowsTheAlphaRule) {
  struct TCase {
    int Alpha, Mask;
    TRgb Dst, Src, Expected;
    const char* Why;
  };
  const std::vector<TCase> cases = {
      {100, 255, {0, 0, 0}, {255, 0, 0}, {255, 0, 0}, "k = 255: the colour exactly"},
      {100, 255, {9, 9, 9}, {1, 2, 3}, {1, 2, 3}, "k = 255 also towards darker"},
      {50, 255, {0, 0, 0}, {255, 0, 0}, {126, 0, 0}, "A = 128, k = 127: 255 * 127 / 256"},
      {50, 255, {255, 255, 255}, {0, 0, 0}, {128, 128, 128}, "negative steps are floored"},
      {100, 128, {0, 0, 0}, {255, 255, 255}, {127, 127, 127}, "k = 128"},
      {100, 0, {5, 6, 7}, {255, 255, 255}, {5, 6, 7}, "no ink: unchanged"},
      {1, 255, {5, 6, 7}, {255, 255, 255}, {5, 6, 7}, "A = 2, k = 1: less than a step"},
      {0, 255, {5, 6, 7}, {255, 255, 255}, {5, 6, 7}, "invisible"},
  };
  for (const QImage::Format format : {QImage::Format_BGR888, QImage::Format_RGB32}) {
    for (const TCase& c : cases) {
      TStage stage(Filled(3, 3, c.Dst, format));
      stage.Font.Blend().ColorBlend(1, 1, MaskOf(1, 1, c.Mask), c.Alpha, ColorOf(c.Src));
      EXPECT_EQ(RgbAt(stage.Target, 1, 1), c.Expected) << c.Why << " format " << format;
      EXPECT_EQ(RgbAt(stage.Target, 0, 0), c.Dst);
      EXPECT_EQ(RgbAt(stage.Target, 2, 2), c.Dst);
    }
  }
}

TEST(AABlendTest, ASolidBrushFillsTheMaskBoxFirst) {
  TStage stage(Filled(4, 1, {0, 0, 0}));
  stage.Canvas.BrushStyle = bsSolid;
  stage.Canvas.BrushColor = RGBToColor(10, 20, 30);
  TAAMask mask = MaskOf(2, 1, 0);
  mask.Row(0)[1] = 255;
  stage.Font.Blend().ColorBlend(1, 0, mask, 100, RGBToColor(200, 100, 0));
  EXPECT_EQ(RgbAt(stage.Target, 0, 0), (TRgb{0, 0, 0}));
  EXPECT_EQ(RgbAt(stage.Target, 1, 0), (TRgb{10, 20, 30}));
  EXPECT_EQ(RgbAt(stage.Target, 2, 0), (TRgb{200, 100, 0}));
  EXPECT_EQ(RgbAt(stage.Target, 3, 0), (TRgb{0, 0, 0}));
}

TEST(AABlendTest, SystemColoursComeFromThePalette) {
  const QColor face = QGuiApplication::palette().color(QPalette::Button);
  TStage stage(Filled(1, 1, {0, 0, 0}));
  stage.Font.Blend().ColorBlend(0, 0, MaskOf(1, 1, 255), 100, clBtnFace);
  EXPECT_EQ(RgbAt(stage.Target, 0, 0), (TRgb{face.red(), face.green(), face.blue()}));
  EXPECT_EQ(ResolveColor(static_cast<TColor>(0xFF000063)), QColor(0, 0, 0));  // unknown index
  EXPECT_EQ(ResolveColor(0x336699), QColor(0x99, 0x66, 0x33));
}

TEST(AABlendTest, BlendsAreClippedToTheTarget) {
  for (const QImage::Format format :
       {QImage::Format_BGR888, QImage::Format_RGB32, QImage::Format_RGB16}) {
    TStage stage(Filled(2, 2, {0, 0, 0}, format));
    stage.Font.Blend().ColorBlend(-1, -1, MaskOf(3, 3, 255), 100, clWhite);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 2; ++x)
        EXPECT_EQ(RgbAt(stage.Target, x, y), (TRgb{255, 255, 255})) << format;
    stage.Font.Blend().ColorBlend(5, 5, MaskOf(3, 3, 255), 100, clBlack);  // wholly outside
    EXPECT_EQ(RgbAt(stage.Target, 1, 1), (TRgb{255, 255, 255}));
  }
}

TEST(AABlendTest, ImageBlendTakesEachPixelFromTheForeground) {
  TStage stage(Filled(2, 1, {0, 0, 0}));
  QImage& fore = stage.Font.Blend().ForeBmp();
  fore = Filled(2, 1, {0, 0, 0});
  fore.setPixel(0, 0, qRgb(1, 2, 3));
  fore.setPixel(1, 0, qRgb(200, 100, 50));
  stage.Font.Blend().ImageBlend(0, 0, MaskOf(2, 1, 255), 50);
  EXPECT_EQ(RgbAt(stage.Target, 0, 0), (TRgb{0, 0, 1}));
  EXPECT_EQ(RgbAt(stage.Target, 1, 0), (TRgb{99, 49, 24}));
}

TEST(AABlendTest, AForegroundOfTheWrongSizeOrFormatIsRefused) {
  const std::vector<QImage> wrong = {Filled(3, 1, {1, 1, 1}), Filled(2, 2, {1, 1, 1}),
                                     Filled(2, 1, {1, 1, 1}, QImage::Format_RGB32), QImage()};
  for (const QImage& fore : wrong) {
    TStage stage(Filled(2, 1, {0, 0, 0}));
    stage.Font.Blend().ForeBmp() = fore;
    try {
      stage.Font.Blend().ImageBlend(0, 0, MaskOf(2, 1, 255), 100);
      ADD_FAILURE() << fore.size().width() << "x" << fore.size().height();
    } catch (const EInvalidForeBmp& e) {
      EXPECT_STREQ(e.what(), "无效的前景位图!");
    }
    EXPECT_EQ(RgbAt(stage.Target, 0, 0), (TRgb{0, 0, 0}));
  }
}

// ---- foregrounds ----

std::vector<std::vector<TRgb>> PixelsOf(const QImage& image) {
  std::vector<std::vector<TRgb>> rows(image.height());
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) rows[y].push_back(RgbAt(image, x, y));
  return rows;
}

TEST(AAForegroundTest, GradientRampsOfAllSixStyles) {
  const TRgb s0{10, 0, 200}, s1{9, 63, 150}, s2{8, 127, 100}, s3{7, 191, 50};  // start to end in 4
  const TRgb r0{5, 255, 0}, r1{6, 192, 50}, r2{7, 128, 100}, r3{8, 64, 150};   // end to start in 4
  const TRgb e0{5, 255, 0}, e1{6, 170, 66}, e2{8, 85, 133};                    // end to start in 3
  const TRgb h1{7, 128, 100};                 // end to start in 2, entry 1
  const TRgb t1{9, 85, 134}, t2{7, 170, 67};  // start to end in 3
  struct TCase {
    TGradualStyle Style;
    int W, H;
    std::vector<std::vector<TRgb>> Expected;
    const char* Why;
  };
  const std::vector<TCase> cases = {
      {gsLeftToRight,
       4,
       2,
       {{s0, s1, s2, s3}, {s0, s1, s2, s3}},
       "divisions truncate toward zero (10 - 5i/4)"},
      {gsRightToLeft, 4, 1, {{r0, r1, r2, r3}}, "from the end colour"},
      {gsCenterToLR, 5, 1, {{e0, e1, e2, e1, e0}}, "odd width: one middle column"},
      {gsCenterToLR, 4, 1, {{e0, h1, h1, e0}}, "even width: two middle columns"},
      {gsTopToBottom, 2, 3, {{s0, s0}, {t1, t1}, {t2, t2}}, "rows take the entries"},
      {gsBottomToTop, 1, 3, {{e0}, {e1}, {e2}}, "from the end colour, downwards"},
      {gsCenterToTB, 1, 3, {{e0}, {h1}, {e0}}, "edges at the end colour"},
  };
  for (const TCase& c : cases) {
    TAAGradual gradual;
    gradual.SetStyle(c.Style);
    gradual.SetStartColor(RGBToColor(10, 0, 200));
    gradual.SetEndColor(RGBToColor(5, 255, 0));
    TAABlend blend;
    blend.MakeGradient(c.W, c.H, gradual);
    EXPECT_EQ(blend.ForeBmp().format(), QImage::Format_BGR888);
    EXPECT_EQ(PixelsOf(blend.ForeBmp()), c.Expected) << c.Why;
  }
}

TEST(AAForegroundTest, TextureModesPlaceThePicture) {
  const TRgb a{1, 2, 3}, b{4, 5, 6}, c{7, 8, 9}, d{10, 11, 12}, f{200, 200, 200};
  QImage picture(2, 2, QImage::Format_RGB32);
  picture.setPixel(0, 0, qRgb(1, 2, 3));
  picture.setPixel(1, 0, qRgb(4, 5, 6));
  picture.setPixel(0, 1, qRgb(7, 8, 9));
  picture.setPixel(1, 1, qRgb(10, 11, 12));
  struct TCase {
    TTextureMode Mode;
    int W, H;
    std::vector<std::vector<TRgb>> Expected;
  };
  const std::vector<TCase> cases = {
      {tmTiled, 5, 3, {{a, b, a, b, a}, {c, d, c, d, c}, {a, b, a, b, a}}},
      {tmNormal, 3, 3, {{a, b, f}, {c, d, f}, {f, f, f}}},
      {tmCenter, 5, 3, {{f, a, b, f, f}, {f, c, d, f, f}, {f, f, f, f, f}}},
      {tmStretched, 4, 2, {{a, a, b, b}, {c, c, d, d}}},
  };
  for (const TCase& tc : cases) {
    TAATexture texture;
    texture.SetMode(tc.Mode);
    texture.SetPicture(picture);
    TAABlend blend;
    blend.MakeTexture(tc.W, tc.H, texture, ColorOf(f));
    EXPECT_EQ(PixelsOf(blend.ForeBmp()), tc.Expected) << tc.Mode;
  }
  // A picture wider than the box: (2 - 5) div 2 is -1, not -2.
  QImage wide(5, 1, QImage::Format_RGB32);
  for (int x = 0; x < 5; ++x) wide.setPixel(x, 0, qRgb(10 * x, 0, 0));
  TAATexture texture;
  texture.SetMode(tmCenter);
  texture.SetPicture(wide);
  TAABlend blend;
  blend.MakeTexture(2, 1, texture, clBlack);
  EXPECT_EQ(PixelsOf(blend.ForeBmp()), (std::vector<std::vector<TRgb>>{{{10, 0, 0}, {20, 0, 0}}}));
}

TEST(AAForegroundTest, NoiseDrawsRedGreenBlueOrEveryByte) {
  const std::uint32_t saved = rng::Seed();
  TAABlend blend;
  rng::SetSeed(7);
  blend.MakeNoise(1, 1, 10, RGBToColor(100, 0, 250));
  EXPECT_EQ(RgbAt(blend.ForeBmp(), 0, 0), (TRgb{97, 3, 247}));  // clamped at 0 and 255 around
  EXPECT_EQ(rng::Seed(), 1081369482u);
  // Added noise runs over the bytes in memory order: blue, green, red.
  blend.ForeBmp() = Filled(2, 1, {0, 0, 0});
  blend.ForeBmp().setPixel(0, 0, qRgb(255, 128, 0));
  blend.ForeBmp().setPixel(1, 0, qRgb(100, 250, 3));
  rng::SetSeed(99);
  blend.AddNoise(20);
  EXPECT_EQ(RgbAt(blend.ForeBmp(), 0, 0), (TRgb{255, 121, 0}));
  EXPECT_EQ(RgbAt(blend.ForeBmp(), 1, 0), (TRgb{104, 254, 0}));
  rng::SetSeed(saved);
}

// ---- sizes ----

TEST(AAExtentTest, SizeRules) {
  struct TCase {
    int Cx, Cy, Scale;
    bool Italic;
    int Length, Escapement;
    TTextBox Expected;
    const char* Why;
  };
  const std::vector<TCase> cases = {
      {300, 60, 3, false, 10, 0, {100, 20, 0, 0}, "back to 1x"},
      {301, 61, 3, false, 10, 0, {101, 21, 0, 0}, "rounding up"},
      {300, 60, 3, true, 10, 0, {103, 20, 0, 0}, "italic: 100 + Round(100 / 10 * 0.3)"},
      {50, 20, 1, true, 10, 0, {52, 20, 0, 0}, "italic: Round(1.5) is 2"},
      {25, 20, 1, true, 10, 0, {26, 20, 0, 0}, "italic: Round(0.75) is 1"},
      {0, 20, 1, true, 0, 0, {0, 20, 0, 0}, "empty string: no overhang"},
      {100, 20, 1, false, 10, 900, {20, 100, 0, 100}, "90 degrees: starts at the bottom left"},
      {100, 20, 1, false, 10, -900, {20, 100, 20, 0}, "-90 degrees: starts at the top right"},
      {100, 20, 1, false, 10, 1800, {100, 20, 100, 20}, "upside down: starts at the bottom right"},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(TAAMask::ExtentRules(c.Cx, c.Cy, c.Scale, c.Italic, c.Length, c.Escapement),
              c.Expected)
        << c.Why;
}

TEST(AAExtentTest, WithoutACanvasNothingIsMeasuredOrDrawn) {
  TAAFontEx font(nullptr);
  font.Effect().Shadow().SetEnabled(true);
  EXPECT_EQ(font.TextExtent(QStringLiteral("abc")), QSize(0, 0));
  EXPECT_EQ(font.TextWidth(QStringLiteral("abc")), 0);
  EXPECT_NO_THROW(font.TextOut(0, 0, QStringLiteral("abc")));
}

// ---- the whole pipeline with a real font ----

class AATextOutTest : public ::testing::Test {
 protected:
  AATextOutTest() : Stage(Filled(120, 60, {255, 255, 255})) {
    Stage.Canvas.Font.Name = QStringLiteral("DejaVu Sans");
    Stage.Canvas.Font.Height = -20;
    Stage.Canvas.Font.Color = clBlack;
    // aqNormal's half weights make full ink 254; aqHigh reaches 255.
    Stage.Font.SetQuality(aqHigh);
  }
  TStage Stage;
};

TEST_F(AATextOutTest, FullInkTakesTheFontColourExactly) {
  Stage.Canvas.Font.Color = RGBToColor(12, 34, 56);
  Stage.Font.TextOut(5, 5, QStringLiteral("HIT"));
  const TAAMask& mask = Stage.Font.Mask();
  int full = 0;
  for (int r = 0; r < mask.Height(); ++r)
    for (int c = 0; c < mask.Width(); ++c) {
      if (mask.Row(r)[c] == 255) {
        ++full;
        EXPECT_EQ(RgbAt(Stage.Target, 5 + c, 5 + r), (TRgb{12, 34, 56}));
      } else if (mask.Row(r)[c] == 0) {
        EXPECT_EQ(RgbAt(Stage.Target, 5 + c, 5 + r), (TRgb{255, 255, 255}));
      }
    }
  EXPECT_GT(full, 10);
}

TEST_F(AATextOutTest, WithoutSmoothingTheMaskIsInkOrNot) {
  for (const TAAQuality quality : {aqNone, aqLow}) {
    Stage.Font.SetQuality(quality);
    Stage.Font.TextOut(0, 0, QStringLiteral("Wave 8"));
    std::set<int> values;
    const TAAMask& mask = Stage.Font.Mask();
    for (int r = 0; r < mask.Height(); ++r) values.insert(mask.Row(r), mask.Row(r) + mask.Width());
    if (quality == aqNone)
      EXPECT_EQ(values, (std::set<int>{0, 255}));
    else
      EXPECT_GT(values.size(), 2u) << "aqLow is smoothed";
  }
}

TEST_F(AATextOutTest, AShadowMovesTextAndShadowApartAndGrowsTheExtent) {
  const QString text = QStringLiteral("HE");
  const QSize plain = Stage.Font.TextExtent(text);
  TAAShadow& shadow = Stage.Font.Effect().Shadow();
  shadow.SetEnabled(true);
  shadow.SetOffsetX(-2);
  shadow.SetOffsetY(3);
  shadow.SetBlur(0);
  shadow.SetAlpha(100);
  shadow.SetColor(clRed);
  EXPECT_EQ(Stage.Font.TextExtent(text), plain + QSize(2, 3));
  Stage.Font.TextOut(10, 5, text);
  // Text 2 right of x; shadow 3 below y; the text lies over the shadow.
  const TAAMask& mask = Stage.Font.Mask();
  const auto ink = [&mask](int r, int c) {
    return r >= 0 && c >= 0 && r < mask.Height() && c < mask.Width() ? mask.Row(r)[c] : 0;
  };
  int shadowPixels = 0;
  for (int r = 0; r < mask.Height(); ++r)
    for (int c = 0; c < mask.Width(); ++c) {
      if (ink(r, c) == 255) {
        EXPECT_EQ(RgbAt(Stage.Target, 12 + c, 5 + r), (TRgb{0, 0, 0}));
      }
      if (ink(r, c) == 255 && ink(r + 3, c - 2) == 0) {
        ++shadowPixels;
        EXPECT_EQ(RgbAt(Stage.Target, 10 + c, 8 + r), (TRgb{255, 0, 0}));
      }
    }
  EXPECT_GT(shadowPixels, 0);
  EXPECT_EQ(Stage.Canvas.BrushStyle, bsClear) << "the brush comes back as it was";
}

TEST_F(AATextOutTest, RotationIsLentToTheFontOnlyForTheCall) {
  const QString text = QStringLiteral("Long line");
  const QSize flat = Stage.Font.TextExtent(text);
  Stage.Font.Effect().SetAngle(90);
  const QSize upright = Stage.Font.TextExtent(text);
  // Corners at odd half-sizes round away from the centre on both sides.
  EXPECT_EQ(upright.width(), flat.height() + flat.height() % 2);
  EXPECT_EQ(upright.height(), flat.width() + flat.width() % 2);
  Stage.Font.TextOut(0, 0, text);
  EXPECT_EQ(Stage.Canvas.Escapement, 0);
  EXPECT_EQ(Stage.Font.Mask().Width(), upright.width());
  EXPECT_EQ(Stage.Font.Mask().Height(), upright.height());
}

// A row far wider than its target is drawn only where it shows, plus the
// reach of its effects; and what shows is exactly what the whole row shows.
TEST_F(AATextOutTest, ARowWiderThanTheTargetIsDrawnOnlyWhereItShows) {
  Stage.Font.SetQuality(aqNormal);
  TAAEffect& effect = Stage.Font.Effect();
  effect.Shadow().SetEnabled(true);  // offsets 2, 2, blurred
  effect.SetBlur(50);
  effect.SetOutline(true);
  effect.Gradual().SetEnabled(true);
  const QString huge = QStringLiteral("Wide row ").repeated(1112);  // 10,008 characters
  Stage.Font.TextOut((120 - Stage.Font.TextWidth(huge)) / 2, 0, huge);
  // 120 shown, 2 of shadow offset, 2 + 2 of blur, 1 + 1 of outline.
  EXPECT_LE(Stage.Font.Mask().Width(), 128);
  EXPECT_GT(Stage.Font.Mask().Width(), 0);

  const QString line = QStringLiteral("The quick brown fox jumps over the lazy dog");
  struct TCase {
    const char* Why;
    std::function<void(TAAEffect&)> Set;
  };
  const TCase cases[] = {
      {"shadow left and down, blur, outline, centre gradient",
       [](TAAEffect& e) {
         e.Shadow().SetOffsetX(-3);
         e.Gradual().SetStyle(gsCenterToLR);
       }},
      {"mirrored, sprayless, stretched texture",
       [](TAAEffect& e) {
         e.SetHorzMirror(true);
         QImage picture = Filled(7, 5, {0, 128, 255});
         picture.setPixel(3, 2, qRgb(255, 0, 0));
         e.Texture().SetPicture(picture);
         e.Texture().SetMode(tmStretched);
         e.Texture().SetEnabled(true);
       }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Why);
    c.Set(effect);
    const int width = Stage.Font.TextWidth(line);
    ASSERT_GT(width, 300);
    TStage whole(Filled(width + 10, 60, {255, 255, 255}));
    whole.Canvas.Font = Stage.Canvas.Font;
    whole.Font.SetQuality(aqNormal);
    whole.Font.Effect().Assign(effect);
    whole.Font.TextOut(0, 0, line);
    Stage.Target.fill(Qt::white);
    Stage.Font.TextOut(-150, 0, line);
    EXPECT_LE(Stage.Font.Mask().Width(), 140);
    EXPECT_EQ(Stage.Target, whole.Target.copy(150, 0, 120, 60));
  }
}

TEST_F(AATextOutTest, EveryEffectDrawsWithoutLeavingItsBox) {
  TAAEffect& effect = Stage.Font.Effect();
  effect.SetBlur(30);
  effect.SetSpray(2);
  effect.SetOutline(true);
  effect.SetHorzMirror(true);
  effect.SetVertMirror(true);
  effect.SetNoise(40);
  effect.Gradual().SetEnabled(true);
  effect.Shadow().SetEnabled(true);
  Stage.Canvas.BrushStyle = bsSolid;
  Stage.Canvas.BrushColor = RGBToColor(0, 0, 255);
  const QSize size = Stage.Font.TextExtent(QStringLiteral("Ab"));
  Stage.Font.TextOut(30, 20, QStringLiteral("Ab"));
  for (int y = 0; y < Stage.Target.height(); ++y)
    for (int x = 0; x < Stage.Target.width(); ++x)
      if (!QRect(QPoint(30, 20), size).contains(x, y)) {
        ASSERT_EQ(RgbAt(Stage.Target, x, y), (TRgb{255, 255, 255})) << x << "," << y;
      }
  EXPECT_EQ(Stage.Canvas.BrushStyle, bsSolid);
}

}  // namespace
}  // namespace tessary
