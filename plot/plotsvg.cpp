// SPDX-License-Identifier: MIT
#include "plotsvg.h"

#include <cstdio>
#include <string_view>

namespace tessary::plot {

namespace {

constexpr int kLeft = 64;
constexpr int kRight = 16;
constexpr int kTop = 32;
constexpr int kBottom = 36;

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", v);
  return text;
}

std::string Escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// Picture coordinates of the plot area.
struct TFrame {
  double Left, Top, Right, Bottom;
  TRange X, Y;
  double Px(double x) const { return Left + (x - X.Low) / (X.High - X.Low) * (Right - Left); }
  double Py(double y) const { return Bottom - (y - Y.Low) / (Y.High - Y.Low) * (Bottom - Top); }
};

void Line(std::string& svg, double x1, double y1, double x2, double y2, const char* style) {
  svg += "<line x1=\"" + Number(x1) + "\" y1=\"" + Number(y1) + "\" x2=\"" + Number(x2) +
         "\" y2=\"" + Number(y2) + "\" " + style + "/>\n";
}

void Text(std::string& svg, double x, double y, const char* anchor, const std::string& text) {
  svg += "<text x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" text-anchor=\"" + anchor + "\">" +
         Escaped(text) + "</text>\n";
}

void GridAndTicks(std::string& svg, const TFrame& f) {
  const char* grid = "stroke=\"#e4e4e4\" stroke-width=\"1\"";
  const std::vector<double> xs = NiceTicks(f.X), ys = NiceTicks(f.Y, 6);
  svg += "<g class=\"grid\">\n";
  for (double x : xs) Line(svg, f.Px(x), f.Top, f.Px(x), f.Bottom, grid);
  for (double y : ys) Line(svg, f.Left, f.Py(y), f.Right, f.Py(y), grid);
  svg += "</g>\n<g class=\"ticks\" font-family=\"sans-serif\" font-size=\"11\" fill=\"#333\">\n";
  for (double x : xs) {
    Line(svg, f.Px(x), f.Bottom, f.Px(x), f.Bottom + 4, "stroke=\"#333\"");
    Text(svg, f.Px(x), f.Bottom + 16, "middle", TickLabel(x, xs));
  }
  for (double y : ys) {
    Line(svg, f.Left - 4, f.Py(y), f.Left, f.Py(y), "stroke=\"#333\"");
    Text(svg, f.Left - 7, f.Py(y) + 4, "end", TickLabel(y, ys));
  }
  svg += "</g>\n";
}

void Axes(std::string& svg, const TFrame& f) {
  const char* axis = "stroke=\"#555\" stroke-width=\"1.2\"";
  svg += "<g class=\"axes\">\n";
  svg += "<rect x=\"" + Number(f.Left) + "\" y=\"" + Number(f.Top) + "\" width=\"" +
         Number(f.Right - f.Left) + "\" height=\"" + Number(f.Bottom - f.Top) +
         "\" fill=\"none\" stroke=\"#888\"/>\n";
  if (f.Y.Low < 0 && f.Y.High > 0) Line(svg, f.Left, f.Py(0), f.Right, f.Py(0), axis);
  if (f.X.Low < 0 && f.X.High > 0) Line(svg, f.Px(0), f.Top, f.Px(0), f.Bottom, axis);
  svg += "</g>\n";
}

void Curve(std::string& svg, const TFrame& f, const TCurve& curve) {
  svg +=
      "<g class=\"curve\" clip-path=\"url(#area)\" fill=\"none\" stroke=\"#1f5fbf\" "
      "stroke-width=\"1.6\" stroke-linejoin=\"round\">\n";
  for (const auto& piece : curve.Pieces) {
    svg += "<polyline points=\"";
    for (std::size_t i = 0; i < piece.size(); ++i) {
      if (i > 0) svg += ' ';
      svg += Number(f.Px(piece[i].X)) + "," + Number(f.Py(piece[i].Y));
    }
    svg += "\"/>\n";
  }
  svg += "</g>\n";
}

}  // namespace

std::string PlotSvg(const TSvgPlot& plot) {
  const TFrame f{kLeft,
                 kTop,
                 static_cast<double>(plot.Width - kRight),
                 static_cast<double>(plot.Height - kBottom),
                 plot.X,
                 plot.Y};
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(plot.Width) +
         "\" height=\"" + std::to_string(plot.Height) + "\" viewBox=\"0 0 " +
         std::to_string(plot.Width) + " " + std::to_string(plot.Height) + "\">\n";
  svg += "<defs><clipPath id=\"area\"><rect x=\"" + Number(f.Left) + "\" y=\"" + Number(f.Top) +
         "\" width=\"" + Number(f.Right - f.Left) + "\" height=\"" + Number(f.Bottom - f.Top) +
         "\"/></clipPath></defs>\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  GridAndTicks(svg, f);
  Axes(svg, f);
  Curve(svg, f, ClippedTo(plot.Curve, plot.Y));
  svg += "<text x=\"" + Number(f.Left) +
         "\" y=\"20\" font-family=\"sans-serif\" "
         "font-size=\"13\" fill=\"#222\">" +
         Escaped(plot.Title) + "</text>\n";
  svg += "</svg>\n";
  return svg;
}

}  // namespace tessary::plot
