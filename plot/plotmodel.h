// SPDX-License-Identifier: MIT
#pragma once

// A formula of x as a curve: where to sample it, where it breaks, what range
// and ticks its axes take. Without Qt: the window paints it, tessary-calc
// writes it as SVG.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tessary::plot {

// y at x, or nullopt where the formula fails there (a gap in the curve).
using TFunction = std::function<std::optional<double>(double x)>;

struct TPoint {
  double X;
  double Y;
};

struct TRange {
  double Low;
  double High;
};

// Connected runs of points; between two pieces the curve has a gap (an
// error) or a break (a pole, never bridged by a steep line).
struct TCurve {
  std::vector<std::vector<TPoint>> Pieces;
  std::size_t PointCount() const;
};

// Samples f over x evenly, then halves the intervals where the curve
// bends, where it meets a gap, and where it jumps; an interval that still
// jumps by more than the curve's typical height once it is as small as it
// gets is a pole, and the curve breaks there.
TCurve SampleCurve(const TFunction& f, TRange x);

// The y range the curve is shown in: the data's, with the few values near
// a pole left out, so that one huge value does not flatten the rest.
TRange YRangeOf(const TCurve& curve);

// The curve cut to the band y: a piece that leaves it ends at its edge and
// starts again where it comes back (SVG viewers that ignore clip paths
// would otherwise draw it over the axes).
TCurve ClippedTo(const TCurve& curve, TRange y);

// Ticks at multiples of 1, 2 or 5 × 10^n, at most about `most` of them.
std::vector<double> NiceTicks(TRange range, int most = 8);
// A tick's number as the axis shows it, with the digits its step needs.
std::string TickLabel(double value, const std::vector<double>& ticks);

}  // namespace tessary::plot
