// SPDX-License-Identifier: MIT
#include "plotmodel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tessary::plot {

namespace {

constexpr int kFirstSamples = 256;
// Each first interval is halved at most this often (1/64 of it).
constexpr int kMaxDepth = 6;
// A bend smaller than this share of the curve's height is a straight line
// at any window size.
constexpr double kBendTolerance = 0.002;
constexpr std::size_t kMaxPoints = 20000;

struct TSample {
  double X;
  std::optional<double> Y;
  bool BreakBefore = false;  // a pole between this sample and the one before
};

// The spread of the middle of the values: the curve's typical height.
double TypicalHeight(std::vector<double> ys) {
  if (ys.size() < 2) return 1;
  std::sort(ys.begin(), ys.end());
  const double low = ys[ys.size() / 10];
  const double high = ys[ys.size() - 1 - ys.size() / 10];
  const double height = high - low;
  return height > 0 && std::isfinite(height) ? height : std::max(1.0, std::fabs(high));
}

class TSampler {
 public:
  TSampler(const TFunction& f, double height) : FFunction(f), FHeight(height) {}

  // Appends the samples strictly after a up to and including b.
  void Refine(const TSample& a, const TSample& b, int depth, std::vector<TSample>& out) {
    if (depth < kMaxDepth && out.size() < kMaxPoints && (a.Y || b.Y)) {
      const TSample mid{(a.X + b.X) / 2, Value((a.X + b.X) / 2)};
      if (NeedsMore(a, mid, b)) {
        Refine(a, mid, depth + 1, out);
        Refine(mid, b, depth + 1, out);
        return;
      }
    }
    TSample last = b;
    // As small as it gets and still a jump taller than the curve: a pole.
    last.BreakBefore = a.Y && b.Y && depth >= kMaxDepth && Jump(a, b) > FHeight;
    out.push_back(last);
  }

  std::optional<double> Value(double x) {
    std::optional<double> y = FFunction(x);
    if (y && !std::isfinite(*y)) y.reset();
    return y;
  }

 private:
  static double Jump(const TSample& a, const TSample& b) { return std::fabs(*b.Y - *a.Y); }

  bool NeedsMore(const TSample& a, const TSample& mid, const TSample& b) const {
    if (!a.Y || !b.Y || !mid.Y) return true;  // the edge of a gap
    if (Jump(a, b) > FHeight) return true;
    return std::fabs(*mid.Y - (*a.Y + *b.Y) / 2) > kBendTolerance * FHeight;
  }

  const TFunction& FFunction;
  double FHeight;
};

}  // namespace

std::size_t TCurve::PointCount() const {
  std::size_t n = 0;
  for (const auto& piece : Pieces) n += piece.size();
  return n;
}

TCurve SampleCurve(const TFunction& f, TRange x) {
  std::vector<TSample> first;
  std::vector<double> ys;
  TSampler probe(f, 1);
  for (int i = 0; i <= kFirstSamples; ++i) {
    const double at = x.Low + (x.High - x.Low) * i / kFirstSamples;
    first.push_back({at, probe.Value(at)});
    if (first.back().Y) ys.push_back(*first.back().Y);
  }
  TSampler sampler(f, TypicalHeight(ys));
  std::vector<TSample> all{first.front()};
  for (std::size_t i = 1; i < first.size(); ++i) sampler.Refine(first[i - 1], first[i], 0, all);

  TCurve curve;
  std::vector<TPoint> piece;
  for (const TSample& s : all) {
    if (!s.Y || s.BreakBefore) {
      if (piece.size() > 1) curve.Pieces.push_back(std::move(piece));
      piece.clear();
    }
    if (s.Y) piece.push_back({s.X, *s.Y});
  }
  if (piece.size() > 1) curve.Pieces.push_back(std::move(piece));
  return curve;
}

// Each point counts with the stretch of x it stands for: the many samples
// taken close to a pole must not outvote the rest of the curve.
TRange YRangeOf(const TCurve& curve) {
  struct TWeighted {
    double Y, Weight;
  };
  std::vector<TWeighted> ys;
  double total = 0;
  for (const auto& piece : curve.Pieces) {
    for (std::size_t i = 0; i < piece.size(); ++i) {
      const double left = piece[i > 0 ? i - 1 : i].X,
                   right = piece[std::min(i + 1, piece.size() - 1)].X;
      ys.push_back({piece[i].Y, (right - left) / 2});
      total += ys.back().Weight;
    }
  }
  if (ys.empty() || !(total > 0)) return {-1, 1};
  std::sort(ys.begin(), ys.end(), [](const TWeighted& a, const TWeighted& b) { return a.Y < b.Y; });
  const auto quantile = [&](double share) {
    double seen = 0;
    for (const TWeighted& w : ys)
      if ((seen += w.Weight) >= share * total) return w.Y;
    return ys.back().Y;
  };
  const double low = quantile(0.05), high = quantile(0.95);
  const double spread = high - low;
  TRange range{std::max(ys.front().Y, low - spread / 2), std::min(ys.back().Y, high + spread / 2)};
  if (range.High - range.Low <= 0) {
    const double around = std::max(1.0, std::fabs(range.Low));
    return {range.Low - around, range.High + around};
  }
  const double pad = (range.High - range.Low) / 20;
  return {range.Low - pad, range.High + pad};
}

namespace {

// Where the segment a-b meets the level y.
TPoint AtLevel(const TPoint& a, const TPoint& b, double y) {
  return {a.X + (b.X - a.X) * (y - a.Y) / (b.Y - a.Y), y};
}

// The part of segment a-b inside the band, if any (both ends then set).
bool ClipSegment(TPoint& a, TPoint& b, TRange y) {
  for (const double level : {y.Low, y.High}) {
    const bool below = level == y.Low;
    const bool aOut = below ? a.Y < level : a.Y > level;
    const bool bOut = below ? b.Y < level : b.Y > level;
    if (aOut && bOut) return false;
    if (aOut) a = AtLevel(a, b, level);
    if (bOut) b = AtLevel(a, b, level);
  }
  return true;
}

}  // namespace

TCurve ClippedTo(const TCurve& curve, TRange y) {
  TCurve clipped;
  for (const auto& piece : curve.Pieces) {
    std::vector<TPoint> run;
    for (std::size_t i = 1; i < piece.size(); ++i) {
      TPoint a = piece[i - 1], b = piece[i];
      if (!ClipSegment(a, b, y)) continue;
      if (!run.empty() && (run.back().X != a.X || run.back().Y != a.Y)) {
        clipped.Pieces.push_back(std::move(run));
        run.clear();
      }
      if (run.empty()) run.push_back(a);
      run.push_back(b);
      if (b.X != piece[i].X || b.Y != piece[i].Y) {  // left the band
        clipped.Pieces.push_back(std::move(run));
        run.clear();
      }
    }
    if (run.size() > 1) clipped.Pieces.push_back(std::move(run));
  }
  return clipped;
}

std::vector<double> NiceTicks(TRange range, int most) {
  const double raw = (range.High - range.Low) / std::max(1, most);
  if (!(raw > 0) || !std::isfinite(raw)) return {range.Low};
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  const double norm = raw / magnitude;
  const double step = (norm <= 1 ? 1 : norm <= 2 ? 2 : norm <= 5 ? 5 : 10) * magnitude;
  std::vector<double> ticks;
  for (double k = std::ceil(range.Low / step); k * step <= range.High + step * 1e-9; ++k)
    ticks.push_back(std::fabs(k) < 0.5 ? 0.0 : k * step);  // no "-0"
  return ticks;
}

std::string TickLabel(double value, const std::vector<double>& ticks) {
  const double step = ticks.size() > 1 ? ticks[1] - ticks[0] : 1;
  const int decimals = std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)), 0, 12);
  char text[64];
  if (std::fabs(value) >= 1e7 || (value != 0 && std::fabs(value) < 1e-6))
    std::snprintf(text, sizeof text, "%g", value);
  else
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

}  // namespace tessary::plot
