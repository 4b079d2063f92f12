// SPDX-License-Identifier: MIT
// The plot model: how densely it samples, where it breaks and leaves gaps,
// the y range it takes and the ticks it chooses; the formula with a
// worksheet's names; the SVG's parts.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <regex>
#include <string>
#include <vector>

#include "plotmodel.h"
#include "plotsource.h"
#include "plotsvg.h"

namespace tessary::plot {
namespace {

TCurve Plot(const char* expr, TRange x) {
  TPlotSource source(TWorksheet{}, expr);
  EXPECT_EQ(source.Error(), "") << expr;
  return SampleCurve(source.Function(), x);
}

// No piece holds points on both sides of x = at.
bool NeverCrosses(const TCurve& curve, double at) {
  for (const auto& piece : curve.Pieces)
    if (piece.front().X < at && piece.back().X > at) return false;
  return true;
}

TEST(PlotModel, PiecesGapsAndBreaks) {
  const double halfPi = std::numbers::pi / 2;
  const struct {
    const char* Expr;
    TRange X;
    std::size_t Pieces;
    std::vector<double> NeverCrossed;
  } rows[] = {
      {"SIN(x)", {0, 6.283}, 1, {}},    {"TAN(x)", {-4, 4}, 3, {-halfPi, halfPi}},
      {"1/x", {-1, 1}, 2, {0}},         {"SQRT(x)", {-1, 1}, 1, {}},
      {"LN(x)+LN(-x)", {-1, 1}, 0, {}},
  };
  for (const auto& r : rows) {
    const TCurve curve = Plot(r.Expr, r.X);
    EXPECT_EQ(curve.Pieces.size(), r.Pieces) << r.Expr;
    for (double at : r.NeverCrossed) EXPECT_TRUE(NeverCrosses(curve, at)) << r.Expr << " " << at;
  }
  const TCurve root = Plot("SQRT(x)", {-1, 1});
  EXPECT_GE(root.Pieces.front().front().X, 0);
  EXPECT_LT(root.Pieces.front().front().X, 0.01) << "the gap's edge is found";
}

// Where the curve bends the points lie closer than where it is straight.
TEST(PlotModel, SamplingFollowsTheBends) {
  const TCurve sine = Plot("SIN(x)", {0, 6.283});
  EXPECT_GE(sine.PointCount(), 100u);
  for (const TPoint& p : sine.Pieces.front()) EXPECT_NEAR(p.Y, std::sin(p.X), 1e-12);
  const TCurve line = Plot("2*x+1", {0, 10});
  EXPECT_EQ(line.PointCount(), 257u) << "a straight line needs no more than the first samples";
  const TCurve kink = Plot("ABS(x-0.3)", {-1, 1});
  EXPECT_GT(kink.PointCount(), line.PointCount()) << "the kink is refined";
}

TEST(PlotModel, YRangeLeavesOutThePoles) {
  const struct {
    const char* Expr;
    TRange X;
    double Low, High;  // the range must hold these and stay within 10 times
  } rows[] = {
      {"SIN(x)", {0, 6.283}, -1, 1},
      {"TAN(x)", {-4, 4}, -5, 5},
      {"x^2", {-3, 3}, 0, 9},
      {"5+0*x", {0, 1}, 5, 5},
  };
  for (const auto& r : rows) {
    const TRange y = YRangeOf(Plot(r.Expr, r.X));
    EXPECT_LE(y.Low, r.Low) << r.Expr;
    EXPECT_GE(y.High, r.High) << r.Expr;
    EXPECT_LE(y.High - y.Low, 10 * std::max(1.0, r.High - r.Low)) << r.Expr;
  }
}

// A curve cut to a band ends at its edges and starts again where it comes
// back, never holding a point outside.
TEST(PlotModel, ClippingToTheBandSplitsThePieces) {
  const TCurve clipped = ClippedTo(Plot("SIN(x)", {0, 6.283}), {-0.5, 0.5});
  EXPECT_EQ(clipped.Pieces.size(), 3u);
  for (const auto& piece : clipped.Pieces)
    for (const TPoint& p : piece) {
      EXPECT_GE(p.Y, -0.5);
      EXPECT_LE(p.Y, 0.5);
    }
  EXPECT_NEAR(clipped.Pieces[0].back().X, std::asin(0.5), 1e-3) << "ends on the edge";
}

TEST(PlotModel, NiceTicks) {
  const struct {
    TRange Range;
    std::vector<double> Ticks;
    std::vector<std::string> Labels;
  } rows[] = {
      {{0, 10}, {0, 2, 4, 6, 8, 10}, {"0", "2", "4", "6", "8", "10"}},
      {{-1.1, 1.1}, {-1, -0.5, 0, 0.5, 1}, {"-1.0", "-0.5", "0.0", "0.5", "1.0"}},
      {{0, 6.283}, {0, 1, 2, 3, 4, 5, 6}, {"0", "1", "2", "3", "4", "5", "6"}},
      {{-4, 4}, {-4, -3, -2, -1, 0, 1, 2, 3, 4}, {"-4", "-3", "-2", "-1", "0", "1", "2", "3", "4"}},
      {{0.001, 0.009}, {0.001, 0.002, 0.003, 0.004, 0.005, 0.006, 0.007, 0.008, 0.009}, {}},
      {{0, 25000},
       {0, 5000, 10000, 15000, 20000, 25000},
       {"0", "5000", "10000", "15000", "20000", "25000"}},
  };
  for (const auto& r : rows) {
    const std::vector<double> ticks = NiceTicks(r.Range);
    ASSERT_EQ(ticks.size(), r.Ticks.size()) << r.Range.Low << ".." << r.Range.High;
    for (std::size_t i = 0; i < ticks.size(); ++i) {
      EXPECT_NEAR(ticks[i], r.Ticks[i], 1e-12);
      if (!r.Labels.empty()) {
        EXPECT_EQ(TickLabel(ticks[i], ticks), r.Labels[i]);
      }
    }
  }
}

TEST(PlotSource, TakesTheWorksheetsNamesAndNeedsX) {
  TWorksheet ws;
  ws.Formula = {"f(t)=t^2", "k=2"};
  ws.Variables.AppendRow("a=3");
  TPlotSource source(ws, "a*f(x)+k");
  ASSERT_EQ(source.Error(), "");
  EXPECT_EQ(source(2), 14);
  EXPECT_FALSE(TPlotSource(ws, "1/(x-x)")(1).has_value()) << "an error is a gap";
  const struct {
    const char* Expr;
    bool UsesX;
  } rows[] = {
      {"SIN(x)", true}, {"2*X", true}, {"MAX(1,2)", false}, {"EXP(1)", false}, {"x1", false}};
  for (const auto& r : rows) EXPECT_EQ(UsesX(r.Expr), r.UsesX) << r.Expr;
  EXPECT_EQ(TPlotSource(ws, "SIN(1)").Error(), "表达式“SIN(1)”中没有 x");
}

TEST(PlotSvg, HasAxesTicksGridAndTheCurve) {
  const TCurve curve = Plot("SIN(x)", {0, 6.283});
  const std::string svg = PlotSvg({curve, {0, 6.283}, YRangeOf(curve), "SIN(x)", 640, 400});
  EXPECT_TRUE(svg.starts_with("<?xml")) << svg.substr(0, 40);
  for (const char* part :
       {"<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"640\" height=\"400\"",
        "<clipPath id=\"area\">", "<g class=\"grid\">", "<g class=\"axes\">", "<g class=\"ticks\"",
        ">6</text>", ">-1.0</text>", ">SIN(x)</text>", "</svg>"})
    EXPECT_NE(svg.find(part), std::string::npos) << part;
  const std::regex polyline("<polyline points=\"([^\"]*)\"");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(svg, m, polyline));
  const std::string points = m[1];
  EXPECT_GE(std::count(points.begin(), points.end(), ','), 100);
}

}  // namespace
}  // namespace tessary::plot
