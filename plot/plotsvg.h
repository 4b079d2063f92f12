// SPDX-License-Identifier: MIT
#pragma once

// A curve as an SVG picture: a frame, a light grid at the ticks, the axes
// through 0 where they fall inside, the ticks' numbers, and the curve as one
// polyline per piece, clipped to the plot area.

#include <string>

#include "plotmodel.h"

namespace tessary::plot {

struct TSvgPlot {
  TCurve Curve;
  TRange X;
  TRange Y;
  std::string Title;  // the formula, UTF-8; shown above the plot
  int Width = 640;
  int Height = 400;
};

std::string PlotSvg(const TSvgPlot& plot);

}  // namespace tessary::plot
