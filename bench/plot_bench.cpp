// SPDX-License-Identifier: MIT
// The plot model's speed: SIN(x) over one period, TAN(x) over -4..4 with
// its poles, and a curve with a worksheet function, each sampled whole
// (the first samples, the refining, the pieces) and its y range taken.
// Prints the median of 200 runs in milliseconds; the goal for SIN is 5 ms.
//   plot_bench [--quick]   --quick: one run each (smoke test)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "plotmodel.h"
#include "plotsource.h"

namespace {

double MedianMs(const char* expr, tessary::plot::TRange x, tessary::TWorksheet ws, int runs) {
  tessary::plot::TPlotSource source(std::move(ws), expr);
  std::vector<double> ms;
  std::size_t points = 0;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const tessary::plot::TCurve curve = tessary::plot::SampleCurve(source.Function(), x);
    tessary::plot::YRangeOf(curve);
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count());
    points = curve.PointCount();
  }
  std::sort(ms.begin(), ms.end());
  std::printf("%-22s %6zu points  %7.3f ms\n", expr, points, ms[ms.size() / 2]);
  return ms[ms.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
  const int runs = quick ? 1 : 200;
  tessary::TWorksheet names;
  names.Formula = {"f(t)=t^3-2*t", "k=0.5"};
  MedianMs("SIN(x)", {0, 6.283185307179586}, {}, runs);
  MedianMs("TAN(x)", {-4, 4}, {}, runs);
  MedianMs("k*f(x)", {-2, 2}, names, runs);
  return 0;
}
