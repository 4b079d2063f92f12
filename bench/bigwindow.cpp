// SPDX-License-Identifier: MIT
// The window against big inputs, timed from inside (offscreen unless
// QT_QPA_PLATFORM says otherwise). Every 5 ms a thread of its own posts an
// event to the window's thread and the longest delay until it is handled is
// the longest stall, as a user's key would feel it.
//
//   bigwindow paste MEGABYTES   paste that much worksheet text, then undo it
//   bigwindow open FILE         open a worksheet, as Open does, to the end
//   bigwindow calc FILE         open it, then press 计算 and wait for results
//
// Goals: a 5 MB paste shown within 1 s and undone within 1 s; a 15 MiB
// worksheet shown within 3 s, never stalling over 200 ms; 计算 on 100,000
// statements within 1 s, or never stalling over 200 ms.

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "fontsubstitutes.h"
#include "formfcalculator.h"
#include "formulaparser.h"
#include "quietdialogs.h"
#include "userdialogs.h"

namespace {

using namespace tessary;

long RssKb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

// Answers every Open with the file under test, and says what a box said.
struct TBenchDialogs : TQuietDialogs {
  QString File;
  platform::TMessageAnswer ShowMessageBox(QWidget* parent, const QString& text,
                                          const QString& caption, platform::TMessageIcon icon,
                                          platform::TMessageButtons buttons) override {
    std::fprintf(stderr, "message: %s\n", text.toStdString().c_str());
    return TQuietDialogs::ShowMessageBox(parent, text, caption, icon, buttons);
  }
  QString GetOpenFileName(QWidget*, const QString&, const QString&) override { return File; }
};

constexpr QEvent::Type kProbe = QEvent::Type(QEvent::User + 7);

// The probe's events carry the time they were posted at.
class TProbeEvent : public QEvent {
 public:
  explicit TProbeEvent(qint64 posted) : QEvent(kProbe), Posted(posted) {}
  qint64 Posted;
};

class TStallClock : public QObject {
 public:
  QElapsedTimer Clock;
  std::atomic<qint64> Worst{0};
  bool event(QEvent* event) override {
    if (event->type() != kProbe) return QObject::event(event);
    Worst = std::max<qint64>(Worst, Clock.elapsed() - static_cast<TProbeEvent*>(event)->Posted);
    return true;
  }
};

// Runs the event loop until done() holds, painting what changed.
qint64 RunUntil(QWidget& window, const std::function<bool()>& done, int limitMs = 120000) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < limitMs) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    window.repaint();
  }
  return clock.elapsed();
}

std::string WorksheetText(std::size_t bytes) {
  std::string text;
  for (int i = 0; text.size() < bytes; ++i)
    text += "A" + std::to_string(i) + "=(" + std::to_string(i % 97) + "+2.5)*3-1\n";
  text.resize(bytes);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s paste MB | open FILE | calc FILE\n", argv[0]);
    return 1;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  platform::InstallFontSubstitutes();
  const std::string mode = argv[1];
  TFormulaParser engine;
  TBenchDialogs dialogs;
  TFormFCalculator window(engine, dialogs, QDir::temp().filePath("bigwindow.ini"));
  window.show();
  QPlainTextEdit& pane = *window.MOriFormula();
  RunUntil(
      window, [] { return false; }, 300);

  TStallClock stall;
  stall.Clock.start();
  std::atomic<bool> stop{false};
  std::thread poster([&] {
    while (!stop) {
      QCoreApplication::postEvent(&stall, new TProbeEvent(stall.Clock.elapsed()));
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  const long rssBefore = RssKb();
  auto report = [&](const char* what, qint64 ms) {
    RunUntil(
        window, [] { return false; }, 50);  // the probes posted meanwhile
    std::printf("%-28s %7lld ms, longest stall %5lld ms, resident %+.0f MB\n", what,
                static_cast<long long>(ms), static_cast<long long>(stall.Worst.load()),
                double(RssKb() - rssBefore) / 1024);
    stall.Worst = 0;
  };

  if (mode == "paste") {
    const std::size_t bytes = std::size_t(std::atof(argv[2]) * 1e6);
    QGuiApplication::clipboard()->setText(QString::fromStdString(WorksheetText(bytes)));
    RunUntil(
        window, [] { return false; }, 100);
    stall.Worst = 0;
    QElapsedTimer clock;
    clock.start();
    window.MEdit_PasteClick();
    RunUntil(window, [&] { return pane.document()->characterCount() > qsizetype(bytes / 2); });
    report("paste", clock.elapsed());
    clock.restart();
    window.MEDit_UndoClick();
    RunUntil(window, [&] { return pane.document()->characterCount() < 10000; });
    report("undo", clock.elapsed());
  } else {
    dialogs.File = QString::fromLocal8Bit(argv[2]);
    const int before = pane.blockCount();
    QElapsedTimer clock;
    clock.start();
    window.MFile_OpenClick();
    RunUntil(
        window, [&] { return window.CurrentFileName() == dialogs.File; }, 600000);
    report("open", clock.elapsed());
    std::printf("lines %d -> %d\n", before, pane.blockCount());
    if (mode == "calc") {
      const QString before = window.MResult()->toPlainText();
      clock.restart();
      window.TBCalClick();
      RunUntil(window, [&] { return window.MResult()->blockCount() > 100; });
      report("calc", clock.elapsed());
      std::printf("result lines %d\n", window.MResult()->blockCount());
    }
  }
  stop = true;
  poster.join();
  return 0;
}
