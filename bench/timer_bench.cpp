// SPDX-License-Identifier: MIT
// Timer benchmark: the process's CPU time while six 60 ms timers run on the
// UI thread, either as synchronised TAATimers (the scrolling panels' case) or
// as plain QTimers, in the same kind of process.
//
//   timer_bench aatimer|qtimer [--seconds N] [--quick] [--precise]
//
// --quick runs 1 s and only checks that every timer fired; --precise makes the
// QTimers Qt::PreciseTimer (the default is Qt's own default, CoarseTimer).
// The timers start 10 ms apart, as panels started at different moments would,
// so no two share a firing.

#include <QApplication>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "aatimer.h"

namespace {

constexpr int kTimers = 6;
constexpr int kIntervalMs = 60;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);  // all threads: the worker's time counts
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

int Usage() {
  std::fprintf(stderr, "usage: timer_bench aatimer|qtimer [--seconds N] [--quick] [--precise]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string mode = argv[1];
  if (mode != "aatimer" && mode != "qtimer") return Usage();
  double seconds = 10;
  bool precise = false;
  for (int i = 2; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc) {
      seconds = std::atof(argv[++i]);
    } else if (!std::strcmp(argv[i], "--quick")) {
      seconds = 1;
    } else if (!std::strcmp(argv[i], "--precise")) {
      precise = true;
    } else {
      return Usage();
    }
  }
  if (!(seconds > 0)) return Usage();

  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  std::array<long, kTimers> fired{};
  std::vector<std::unique_ptr<tessary::TAATimer>> aaTimers;
  std::vector<std::unique_ptr<QTimer>> qTimers;
  for (int i = 0; i < kTimers; ++i) {
    if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(kIntervalMs / kTimers));
    if (mode == "aatimer") {
      auto t = std::make_unique<tessary::TAATimer>();
      t->SetInterval(kIntervalMs);
      t->SetOnTimer([&fired, i](tessary::TAATimerObject*) { ++fired[i]; });
      aaTimers.push_back(std::move(t));
    } else {
      auto t = std::make_unique<QTimer>();
      if (precise) t->setTimerType(Qt::PreciseTimer);
      QObject::connect(t.get(), &QTimer::timeout, [&fired, i] { ++fired[i]; });
      t->start(kIntervalMs);
      qTimers.push_back(std::move(t));
    }
  }

  const double cpuStart = CpuSeconds();
  const auto wallStart = std::chrono::steady_clock::now();
  QTimer::singleShot(static_cast<int>(seconds * 1000), Qt::PreciseTimer, &app,
                     &QCoreApplication::quit);
  app.exec();
  const double cpu = CpuSeconds() - cpuStart;
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();

  long total = 0;
  long least = fired[0];
  for (long n : fired) {
    total += n;
    least = std::min(least, n);
  }
  const unsigned long long handOvers = mode == "aatimer" ? tessary::TimerMgr().SyncHandOvers() : 0;
  std::printf(
      "mode=%s%s seconds=%.2f cpu_ms=%.1f cpu_pct=%.3f firings=%ld firings_per_s=%.1f "
      "handovers=%llu\n",
      mode.c_str(), precise && mode == "qtimer" ? "(precise)" : "", wall, cpu * 1000,
      100 * cpu / wall, total, total / wall, handOvers);
  if (least == 0) {
    std::fprintf(stderr, "timer_bench: a timer never fired\n");
    return 1;
  }
  return 0;
}
