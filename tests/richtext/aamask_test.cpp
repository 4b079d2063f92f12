// SPDX-License-Identifier: MIT
// The coverage mask on synthetic pixels: rows, box filters and the mask
// effects, exactly and without fonts.

#include <gtest/gtest.h>

#include <QImage>

#include <vector>

#include "aamask.h"
#include "random.h"

namespace tessary {
namespace {

using TPixels = std::vector<std::vector<int>>;

TAAMask MaskOf(const TPixels& rows) {
  TAAMask mask;
  mask.SetSize(rows.empty() ? 0 : static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
  for (int r = 0; r < mask.Height(); ++r)
    for (int c = 0; c < mask.Width(); ++c) mask.Row(r)[c] = static_cast<std::uint8_t>(rows[r][c]);
  return mask;
}

TPixels PixelsOf(const TAAMask& mask) {
  TPixels rows(mask.Height(), std::vector<int>(mask.Width()));
  for (int r = 0; r < mask.Height(); ++r)
    for (int c = 0; c < mask.Width(); ++c) rows[r][c] = mask.Row(r)[c];
  return rows;
}

TEST(AAMaskTest, RowsArePaddedAndGuarded) {
  TAAMask mask;
  for (const auto& [w, stride] :
       std::vector<std::pair<int, int>>{{1, 4}, {4, 4}, {5, 8}, {13, 16}}) {
    mask.SetSize(w, 2);
    EXPECT_EQ(mask.Stride(), stride) << w;
  }
  EXPECT_NO_THROW(mask.Row(1));
  for (int bad : {-1, 2}) {
    try {
      mask.Row(bad);
      ADD_FAILURE() << bad;
    } catch (const EInvalidLine& e) {
      EXPECT_STREQ(e.what(), "无效的行!");
    }
  }
  TAAMask copy;
  copy = MaskOf({{1, 2}, {3, 4}});
  copy.SetQuality(aqHigh);
  const TAAMask again(copy);
  EXPECT_EQ(again.Quality(), aqHigh);
  EXPECT_EQ(PixelsOf(again), (TPixels{{1, 2}, {3, 4}}));
}

TEST(AAMaskTest, ScalesFollowTheQuality) {
  EXPECT_EQ(TAAMask::ScaleOf(aqHigh), 4);
  EXPECT_EQ(TAAMask::ScaleOf(aqNormal), 3);
  EXPECT_EQ(TAAMask::ScaleOf(aqLow), 2);
  EXPECT_EQ(TAAMask::ScaleOf(aqNone), 1);
  EXPECT_EQ(TAAMask().Quality(), aqNormal);
}

// A scratch image whose pixel (x, y) is value(x, y).
template <typename F>
QImage Scratch(int w, int h, F value) {
  QImage image(w, h, QImage::Format_Grayscale8);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.scanLine(y)[x] = static_cast<uchar>(value(x, y));
  return image;
}

TEST(AAMaskTest, BoxFiltersOfEachQuality) {
  struct TCase {
    TAAQuality Quality;
    QImage Scratch;
    int Expected;
    const char* Why;
  };
  const auto full = [](int, int) { return 255; };
  const auto ramp = [](int x, int y) { return 1 + x + 3 * y; };  // 1..9 in a 3 x 3 block
  const std::vector<TCase> cases = {
      {aqHigh, Scratch(4, 4, full), 255, "16 values shifted by 4"},
      {aqHigh, Scratch(4, 4, [](int x, int) { return x < 2 ? 255 : 0; }), 127, "half the block"},
      {aqNormal, Scratch(3, 3, full), 254, "two half weights lose a bit each"},
      {aqNormal, Scratch(3, 3, ramp), 4, "1+2+(3>>1) + 4+5+6 + (7>>1)+8+9 = 39, >>3"},
      {aqLow, Scratch(2, 2, full), 255, "4 values shifted by 2"},
      {aqLow, Scratch(2, 2, [](int x, int y) { return x + y == 1 ? 3 : 0; }), 1, "6 >> 2"},
      {aqNone, Scratch(1, 1, [](int, int) { return 77; }), 77, "the value itself"},
  };
  for (const TCase& c : cases) {
    TAAMask mask;
    mask.SetQuality(c.Quality);
    mask.SetSize(1, 1);
    mask.Shrink(c.Scratch);
    EXPECT_EQ(mask.Row(0)[0], c.Expected) << c.Why;
  }
}

TEST(AAMaskTest, ShrinkTakesEachBlockInPlace) {
  // A 6 x 3 scratch at aqLow: blocks of 2 x 2 from the top-left; the third
  // scratch row lies outside the 3 x 1 mask.
  TAAMask mask;
  mask.SetQuality(aqLow);
  mask.SetSize(3, 1);
  mask.Shrink(Scratch(6, 3, [](int x, int y) { return y == 2 ? 255 : 40 * (x / 2); }));
  EXPECT_EQ(PixelsOf(mask), (TPixels{{0, 40, 80}}));
  mask.SetSize(4, 1);
  EXPECT_THROW(mask.Shrink(Scratch(6, 2, [](int, int) { return 0; })), std::invalid_argument);
}

TEST(AAMaskTest, AThirtyTwoBitScratchGivesItsAlphaAsCoverage) {
  // Glyphs drawn premultiplied in white: the alpha byte is the coverage, the
  // colour bytes are ignored.
  QImage scratch(4, 2, QImage::Format_ARGB32_Premultiplied);
  for (int x = 0; x < 4; ++x) {
    scratch.setPixel(x, 0, qRgba(1, 2, 3, 40 * x));
    scratch.setPixel(x, 1, qRgba(9, 9, 9, 200));
  }
  TAAMask mask;
  mask.SetQuality(aqLow);
  mask.SetSize(2, 1);
  mask.Shrink(scratch);
  EXPECT_EQ(PixelsOf(mask), (TPixels{{(0 + 40 + 200 + 200) >> 2, (80 + 120 + 200 + 200) >> 2}}));
  mask.SetQuality(aqNone);
  mask.SetSize(4, 1);
  mask.Shrink(scratch);
  EXPECT_EQ(PixelsOf(mask), (TPixels{{0, 40, 80, 120}}));
  EXPECT_THROW(mask.Shrink(scratch.convertToFormat(QImage::Format_RGB32)), std::invalid_argument);
}

TEST(AAMaskTest, OutlineLeavesOnlyTheEdgesOfABlock) {
  TPixels block(7, std::vector<int>(7, 0));
  for (int r = 1; r <= 5; ++r)
    for (int c = 1; c <= 5; ++c) block[r][c] = 255;
  TAAMask mask = MaskOf(block);
  mask.Outline();
  const TPixels out = PixelsOf(mask);
  for (int r = 2; r <= 4; ++r)
    for (int c = 2; c <= 4; ++c) EXPECT_EQ(out[r][c], 0) << "interior " << r << "," << c;
  EXPECT_EQ(out[1][1], 191);  // corner: 255 + 255 + 255 + 0 (the cross diagonal), div 4
  EXPECT_EQ(out[1][3], 191);  // top edge: 255 + 255 + 0 (the row) + 255, div 4
  EXPECT_EQ(out[1][5], 191);
  EXPECT_EQ(out[3][1], 191);    // left edge
  EXPECT_EQ(out[0], block[0]);  // border rows and columns keep their values
  EXPECT_EQ(out[6], block[6]);
  for (int r = 0; r < 7; ++r) {
    EXPECT_EQ(out[r][0], block[r][0]);
    EXPECT_EQ(out[r][6], block[r][6]);
  }
  TAAMask thin = MaskOf({{255, 0, 255, 0}, {0, 255, 0, 255}});
  thin.Outline();
  EXPECT_EQ(PixelsOf(thin), (TPixels{{255, 0, 255, 0}, {0, 255, 0, 255}}));
}

TEST(AAMaskTest, MirrorsReverseRowsAndSwapThem) {
  TAAMask mask = MaskOf({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
  mask.HorzMirror();
  EXPECT_EQ(PixelsOf(mask), (TPixels{{3, 2, 1}, {6, 5, 4}, {9, 8, 7}}));
  mask.VertMirror();
  EXPECT_EQ(PixelsOf(mask), (TPixels{{9, 8, 7}, {6, 5, 4}, {3, 2, 1}}));
  TAAMask even = MaskOf({{1}, {2}, {3}, {4}});
  even.VertMirror();
  EXPECT_EQ(PixelsOf(even), (TPixels{{4}, {3}, {2}, {1}}));
}

TEST(AAMaskTest, SprayDrawsThreeTimesPerPixelInPlace) {
  const std::uint32_t saved = rng::Seed();
  rng::SetSeed(31337);
  TAAMask mask = MaskOf({{10, 20, 30}, {40, 50, 60}, {70, 80, 90}});
  mask.Spray(2);
  // Pixel (0, 2) takes (0, 1), which had already taken the 30 of (0, 2).
  EXPECT_EQ(PixelsOf(mask), (TPixels{{50, 30, 30}, {40, 50, 60}, {70, 80, 90}}));
  EXPECT_EQ(rng::Seed(), 722565964u);  // 27 draws
  rng::SetSeed(saved);
}

TEST(AAMaskTest, BlurClampsEveryWindowIntoATinyMask) {
  // In a 2 x 2 mask, pixel (0, 0) sees row 0 and column 0 three times each
  // and the others twice: 0*9 + 255*6 + 255*6 + 255*4 = 4080, / 25 = 163.
  struct TCase {
    int Amount;
    TPixels Expected;
  };
  const std::vector<TCase> cases = {
      {100, {{163, 194}, {194, 214}}},  // k = 255: the average itself
      {50, {{81, 224}, {224, 234}}},    // k = Round(127.5) = 128: halfway, floored
      {30, {{48, 236}, {236, 242}}},    // k = Round(76.5) = 76 (77 would give 49 at (0, 0))
  };
  for (const TCase& c : cases) {
    TAAMask mask = MaskOf({{0, 255}, {255, 255}});
    mask.Blur(c.Amount);
    EXPECT_EQ(PixelsOf(mask), c.Expected) << c.Amount;
  }
  TAAMask single = MaskOf({{200}});
  single.Blur(100);
  EXPECT_EQ(single.Row(0)[0], 200);
}

TEST(AAMaskTest, BlurOfAWideMaskSpreadsFiveByFive) {
  TPixels dot(7, std::vector<int>(7, 0));
  dot[3][3] = 250;
  TAAMask mask = MaskOf(dot);
  mask.Blur(100);
  const TPixels out = PixelsOf(mask);
  for (int r = 0; r < 7; ++r)
    for (int c = 0; c < 7; ++c)
      EXPECT_EQ(out[r][c], (std::abs(r - 3) <= 2 && std::abs(c - 3) <= 2) ? 10 : 0)
          << r << "," << c;
}

TEST(AAMaskTest, RoundingAndByteLength) {
  EXPECT_EQ(RoundHalfEven(5, 2), 2);
  EXPECT_EQ(RoundHalfEven(7, 2), 4);
  EXPECT_EQ(RoundHalfEven(-5, 2), -2);
  EXPECT_EQ(RoundHalfEven(26, 10), 3);
  EXPECT_EQ(Cp936Length(QStringLiteral("ab")), 2);
  EXPECT_EQ(Cp936Length(QStringLiteral("中文ab")), 6);
  EXPECT_EQ(Cp936Length(QString()), 0);
}

}  // namespace
}  // namespace tessary
