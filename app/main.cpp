// SPDX-License-Identifier: MIT
// Start-up: at most one calculator per user, one engine, one window.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <thread>
#include <vector>

#include <QFile>

#include <fontconfig/fontconfig.h>

#include "application.h"
#include "boardurl.h"
#include "fontsubstitutes.h"
#include "formfcalculator.h"
#include "handover.h"
#include "handoverlistener.h"
#include "sessionbus.h"
#include "singleinstance.h"
#include "startfiles.h"
#include "userdialogs.h"

namespace {

// Whether a message box can be seen: a display, and a platform that draws
// on it (offscreen and minimal draw nowhere, and a box there would wait for
// ever).
bool HasScreen() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform != nullptr &&
      (std::strncmp(platform, "offscreen", 9) == 0 || std::strncmp(platform, "minimal", 7) == 0))
    return false;
  return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
}

// Says why the calculator does not start: on standard error, and in a box
// where there is a screen.
int Refuse(const std::string& message, int argc, char** argv) {
  std::fprintf(stderr, "tessary: %s\n", message.c_str());
  if (HasScreen()) {
    tessary::TApplication app(argc, argv);
    app.ShowException(QString::fromStdString(message));
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  using tessary::platform::TSingleInstanceLock;

  // Answered before anything else: no lock, no display needed.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("tessary %s\n", TESSARY_VERSION);
      return 0;
    }
  }

  // The window holds one worksheet: the first file named is opened.
  const std::vector<std::string> files = tessary::StartFiles(argc, argv);
  const std::string file = files.empty() ? std::string() : tessary::AbsolutePath(files.front());
  for (std::size_t i = 1; i < files.size(); ++i)
    std::fprintf(stderr, "tessary: 一次只能打开一个工作表，没有打开“%s”\n", files[i].c_str());

  // First of all, so that a second start costs little and needs no display:
  // it hands its file (or only a wish to be seen) to the running window and
  // ends. A running one that does not answer in time is frozen or gone: the
  // request is not lost, this start opens a window of its own. The lock
  // stays until the process ends. A lock that cannot be used stops the start
  // with the reason: running without it could put two windows on one desktop.
  constexpr const char* kLockName = "TessaryCal";
  TSingleInstanceLock instance;
  switch (instance.TryAcquire(kLockName)) {
    case TSingleInstanceLock::TResult::Acquired: break;
    case TSingleInstanceLock::TResult::Busy:
      if (tessary::platform::HandOver(tessary::platform::HandOverPath(instance.LockPath(kLockName)),
                                      file))
        return 0;
      break;
    case TSingleInstanceLock::TResult::Unavailable: return Refuse(instance.Error(), argc, argv);
  }

  // Both set variables for the libraries inside this process, before any
  // other thread runs.
  tessary::PreferSocketOverSharedMemory();
  // The first label asks for the session bus and waits for it: it is made
  // beside the building of the window, and not sought where there is none.
  tessary::DisableUnreachableSessionBus();

  // Reading the font configuration is a good part of the start. It runs
  // beside the connection to the display, and the window, which asks for
  // fonts at once, is built when it is done.
  std::thread fontConfiguration([] { FcInit(); });
  tessary::TApplication app(argc, argv);
  const tessary::TSessionBusWarmUp sessionBus;
  fontConfiguration.join();
  tessary::platform::InstallFontSubstitutes();

  // A failure while the window is being built is shown like any other, not
  // left to end the program with a bare abort; then the program gives up.
  try {
    tessary::TFormFCalculator window(app.Engine(), tessary::platform::SystemUserDialogs());
    // The bulletin board is fetched once the window is up, from the
    // address of --board-url or TESSARY_BOARD_URL; --no-board skips it.
    window.SetBoardUrl(tessary::BoardUrlFromArguments(
        QCoreApplication::arguments(), qEnvironmentVariable(tessary::kBoardUrlVariable)));
    window.show();
    // Only the holder of the lock is the one a second start looks for.
    tessary::THandOverListener listener;
    QObject::connect(&listener, &tessary::THandOverListener::Requested, &window,
                     &tessary::TFormFCalculator::OpenFromOutside);
    if (instance.Held() &&
        !listener.Listen(tessary::platform::HandOverPath(instance.LockPath(kLockName))))
      std::fprintf(stderr, "tessary: 无法接收再次启动时打开的文件：%s\n",
                   listener.Error().toLocal8Bit().constData());
    if (!file.empty()) window.OpenFromOutside(QFile::decodeName(QByteArray::fromStdString(file)));
    // Sets the side panels scrolling without the board: for a look at them
    // and for the CPU benchmark.
    if (QCoreApplication::arguments().contains(QStringLiteral("--panels-active")))
      window.SetPanelsActive(true);
    return app.exec();
  } catch (const std::exception& e) {
    app.ShowException(tessary::TApplication::MessageText(e.what()));
    return 1;
  }
}
