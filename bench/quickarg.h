// SPDX-License-Identifier: MIT
#pragma once

// The drawing benchmarks take one optional argument, --quick: one run each,
// a smoke test whose figures mean nothing. They draw offscreen unless a Qt
// platform is chosen.

#include <QByteArray>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <cstring>

// Whether the run is quick; ends the program on any other argument. Call it
// before the application object is made.
inline bool QuickRunFromArguments(int argc, char** argv) {
  const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
  if (argc > 1 && !quick) {
    std::fprintf(stderr, "usage: %s [--quick]\n", argv[0]);
    std::exit(1);
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  return quick;
}
