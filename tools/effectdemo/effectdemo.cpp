// SPDX-License-Identifier: MIT
// Draws one sample line per effect, at each of the four qualities side by
// side, and writes the grid as a PNG (default effectdemo.png).

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <functional>
#include <vector>

#include "aafont.h"
#include "fontsubstitutes.h"
#include "random.h"

namespace {

using namespace tessary;

constexpr int kLabelWidth = 150;
constexpr int kCellWidth = 260;
constexpr int kRowHeight = 56;

struct TSample {
  const char* Label;
  std::function<void(TAAEffect&, TFontDesc&)> Setup;
};

QImage Checker() {
  QImage picture(48, 16, QImage::Format_RGB32);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 48; ++x)
      picture.setPixel(x, y, (x / 6 + y / 6) % 2 ? qRgb(230, 120, 0) : qRgb(0, 90, 200));
  return picture;
}

void Gradient(TAAEffect& e, TGradualStyle style) {
  e.Gradual().SetEnabled(true);
  e.Gradual().SetStyle(style);
  e.Gradual().SetStartColor(0x2210FF);
  e.Gradual().SetEndColor(0xFF2200);
}

void Texture(TAAEffect& e, TTextureMode mode) {
  e.Texture().SetEnabled(true);
  e.Texture().SetMode(mode);
  e.Texture().SetPicture(Checker());
}

std::vector<TSample> Samples() {
  return {
      {"plain", [](TAAEffect&, TFontDesc&) {}},
      {"Alpha 50", [](TAAEffect& e, TFontDesc&) { e.SetAlpha(50); }},
      {"Blur 60", [](TAAEffect& e, TFontDesc&) { e.SetBlur(60); }},
      {"Outline", [](TAAEffect& e, TFontDesc&) { e.SetOutline(true); }},
      {"Spray 3", [](TAAEffect& e, TFontDesc&) { e.SetSpray(3); }},
      {"HorzMirror", [](TAAEffect& e, TFontDesc&) { e.SetHorzMirror(true); }},
      {"VertMirror", [](TAAEffect& e, TFontDesc&) { e.SetVertMirror(true); }},
      {"Angle 10", [](TAAEffect& e, TFontDesc&) { e.SetAngle(10); }},
      {"Shadow", [](TAAEffect& e, TFontDesc&) { e.Shadow().SetEnabled(true); }},
      {"Shadow -3,4 blur 0",
       [](TAAEffect& e, TFontDesc&) {
         e.Shadow().SetEnabled(true);
         e.Shadow().SetOffsetX(-3);
         e.Shadow().SetOffsetY(4);
         e.Shadow().SetBlur(0);
       }},
      {"gsLeftToRight", [](TAAEffect& e, TFontDesc&) { Gradient(e, gsLeftToRight); }},
      {"gsRightToLeft", [](TAAEffect& e, TFontDesc&) { Gradient(e, gsRightToLeft); }},
      {"gsTopToBottom", [](TAAEffect& e, TFontDesc&) { Gradient(e, gsTopToBottom); }},
      {"gsBottomToTop", [](TAAEffect& e, TFontDesc&) { Gradient(e, gsBottomToTop); }},
      {"gsCenterToLR", [](TAAEffect& e, TFontDesc&) { Gradient(e, gsCenterToLR); }},
      {"gsCenterToTB", [](TAAEffect& e, TFontDesc&) { Gradient(e, gsCenterToTB); }},
      {"tmTiled", [](TAAEffect& e, TFontDesc&) { Texture(e, tmTiled); }},
      {"tmStretched", [](TAAEffect& e, TFontDesc&) { Texture(e, tmStretched); }},
      {"tmCenter", [](TAAEffect& e, TFontDesc&) { Texture(e, tmCenter); }},
      {"tmNormal", [](TAAEffect& e, TFontDesc&) { Texture(e, tmNormal); }},
      {"Noise 200", [](TAAEffect& e, TFontDesc&) { e.SetNoise(200); }},
      {"gradient + noise 60",
       [](TAAEffect& e, TFontDesc&) {
         Gradient(e, gsLeftToRight);
         e.SetNoise(60);
       }},
      {"italic", [](TAAEffect&, TFontDesc& f) { f.Italic = true; }},
      {"Title4 (隶书 bold)",
       [](TAAEffect& e, TFontDesc& f) {
         f.Name = QStringLiteral("隶书");
         f.Height = -29;
         f.Bold = true;
         e.Shadow().SetEnabled(true);
         Gradient(e, gsLeftToRight);
         e.SetBlur(50);
         e.SetOutline(true);
       }},
  };
}

void DrawHeader(QImage& image) {
  QPainter painter(&image);
  painter.setPen(Qt::black);
  const char* names[] = {"aqHigh", "aqNormal", "aqLow", "aqNone"};
  for (int q = 0; q < 4; ++q)
    painter.drawText(kLabelWidth + q * kCellWidth + 4, 18, QString::fromLatin1(names[q]));
}

void DrawRow(QImage& image, int row, const TSample& sample) {
  const int top = 28 + row * kRowHeight;
  {
    QPainter painter(&image);
    painter.setPen(Qt::black);
    painter.drawText(6, top + 30, QString::fromUtf8(sample.Label));
  }
  for (int q = 0; q < 4; ++q) {
    TAACanvas canvas;
    canvas.Target = &image;
    canvas.BrushStyle = bsClear;
    canvas.Font.Name = QStringLiteral("黑体");
    canvas.Font.Height = -26;
    canvas.Font.Color = RGBToColor(200, 30, 30);
    TAAFontEx font(&canvas);
    font.SetQuality(static_cast<TAAQuality>(q));
    sample.Setup(font.Effect(), canvas.Font);
    font.TextOut(kLabelWidth + q * kCellWidth + 4, top + 6, QStringLiteral("Tessary 公式 Ag"));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  tessary::platform::InstallFontSubstitutes();
  tessary::rng::SetSeed(1);
  const QString path =
      argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("effectdemo.png");
  const std::vector<TSample> samples = Samples();
  QImage image(kLabelWidth + 4 * kCellWidth, 28 + static_cast<int>(samples.size()) * kRowHeight,
               QImage::Format_BGR888);
  image.fill(QColor(0xF0, 0xF0, 0xF0));
  DrawHeader(image);
  for (std::size_t i = 0; i < samples.size(); ++i) DrawRow(image, static_cast<int>(i), samples[i]);
  if (!image.save(path)) {
    std::fprintf(stderr, "effectdemo: cannot write %s\n", qPrintable(path));
    return 1;
  }
  std::printf("%s\n", qPrintable(path));
  return 0;
}
