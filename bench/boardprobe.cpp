// SPDX-License-Identifier: MIT
// The window against a board page, timed from inside: every 10 ms a thread
// of its own posts a typed key to the formula pane, as a keyboard would
// whatever the window is doing, and the delay until the pane receives it is
// recorded; so are the times from the board's answer to the last panel
// showing its piece, and to the last panel having laid all of it out. Serve
// the hostile pages of tools/board/ with php -S and give the address:
//
//   boardprobe http://127.0.0.1:8080/scolbrd.php?page=huge [SECONDS]
//
// Goals: every key within 100 ms; the panels shown within 2 s of the answer.

#include <QApplication>
#include <QElapsedTimer>
#include <QInputDevice>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "aascrolltext.h"
#include "boardfetch.h"
#include "fontsubstitutes.h"
#include "formfcalculator.h"
#include "formulaparser.h"
#include "quietdialogs.h"
#include "userdialogs.h"
#include "xmlhttp.h"

namespace {

using namespace tessary;

long PeakKb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

// Notes when each posted key reaches the pane; a key carries the time it
// was posted at.
class TKeyClock : public QObject {
 public:
  QElapsedTimer Clock;
  qint64 Worst = 0;
  int Keys = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const auto posted = static_cast<qint64>(static_cast<QKeyEvent*>(event)->timestamp());
      Worst = std::max(Worst, Clock.elapsed() - posted);
      ++Keys;
    }
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s BOARD-URL [SECONDS]\n", argv[0]);
    return 1;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  platform::InstallFontSubstitutes();
  const long idleKb = PeakKb();
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 15;
  TFormulaParser engine;
  TQuietDialogs dialogs;
  TFormFCalculator window(engine, dialogs);
  window.SetBoardUrl(QString::fromLocal8Bit(argv[1]));
  window.show();

  TKeyClock keys;
  keys.Clock.start();
  QPlainTextEdit* pane = window.MOriFormula();
  pane->installEventFilter(&keys);
  // The keyboard device is made on first use and belongs to the thread
  // that makes it: this one.
  QInputDevice::primaryKeyboard();
  std::atomic<bool> typing{true};
  std::thread keyboard([&] {
    while (typing) {
      auto* press = new QKeyEvent(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, "1");
      press->setTimestamp(static_cast<quint64>(keys.Clock.elapsed()));
      QApplication::postEvent(pane, press);
      QApplication::postEvent(pane,
                              new QKeyEvent(QEvent::KeyRelease, Qt::Key_1, Qt::NoModifier, "1"));
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  qint64 answeredAt = -1;
  qint64 shownAt = -1;
  qint64 laidOutAt = -1;
  bool fetching = false;
  int status = -1;  // of the answer, once it came
  const auto allPanels = [&](bool (*done)(const TAAScrollText&)) {
    if (window.Board().Pending()) return false;
    return std::all_of(window.Panels().begin(), window.Panels().end(), [&](TAAScrollText* panel) {
      return panel->Text().Lines() == TFormFCalculator::BuiltInPanelText() || done(*panel);
    });
  };
  QTimer probe;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (window.Board().Request()) {
      fetching = true;
      if (window.Board().Request()->readyState() == 4) status = window.Board().Request()->status();
    } else if (fetching && status < 0) {
      status = window.Board().Complete() ? 200 : 0;  // a failed or capped answer is not kept
    }
    if (answeredAt < 0 && status >= 0) answeredAt = keys.Clock.elapsed();
    if (answeredAt < 0) return;
    if (shownAt < 0 && allPanels([](const TAAScrollText& panel) { return panel.NewTextShown(); }))
      shownAt = keys.Clock.elapsed();
    if (laidOutAt < 0 &&
        allPanels([](const TAAScrollText& panel) { return !panel.LayoutPending(); }))
      laidOutAt = keys.Clock.elapsed();
  });
  probe.start(10);
  QTimer::singleShot(seconds * 1000, &app, [&] {
    typing = false;
    keyboard.join();
    QApplication::quit();
  });
  app.exec();

  std::printf("board %s: status %d, %d keys, slowest %lld ms (goal 100)\n", argv[1], status,
              keys.Keys, static_cast<long long>(keys.Worst));
  if (answeredAt >= 0 && shownAt >= 0)
    std::printf("  panels shown %lld ms after the answer (goal 2000)\n",
                static_cast<long long>(shownAt - answeredAt));
  else
    std::printf("  answer at %lld ms, panels not shown\n", static_cast<long long>(answeredAt));
  if (answeredAt >= 0 && laidOutAt >= 0)
    std::printf("  panels laid out whole %lld ms after the answer\n",
                static_cast<long long>(laidOutAt - answeredAt));
  std::printf("  peak memory %ld KB, %ld KB over the start\n", PeakKb(), PeakKb() - idleKb);
  return 0;
}
