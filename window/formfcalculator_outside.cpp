// SPDX-License-Identifier: MIT
// Files from outside the window: the command line, a second start handing
// its file over, and a file dropped on the window.

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>

#include "formfcalculator.h"
#include "textpane.h"

namespace tessary {

namespace {
// How often a file waiting for a dialog or a big open looks again.
constexpr int kRetryMilliseconds = 200;
}  // namespace

void TFormFCalculator::OpenFromOutside(const QString& fileName) {
  if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
  raise();
  activateWindow();
  // A question or dialog already up keeps its answer to itself; a second
  // one on top of it would answer for both. The latest file waits.
  if (QApplication::activeModalWidget() != nullptr || FOpening) {
    const bool waiting = FOutsideFile.has_value();
    FOutsideFile = fileName;
    if (!waiting) {
      QTimer::singleShot(kRetryMilliseconds, this, [this] {
        const QString file = *FOutsideFile;
        FOutsideFile.reset();
        OpenFromOutside(file);
      });
    }
    return;
  }
  if (fileName.isEmpty() || !SaveFile(TSaveRequest::Other)) return;
  OpenWorksheet(fileName);
}

void TFormFCalculator::dragEnterEvent(QDragEnterEvent* event) {
  if (!TTextPane::DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TFormFCalculator::dragMoveEvent(QDragMoveEvent* event) {
  if (!TTextPane::DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TFormFCalculator::dropEvent(QDropEvent* event) {
  const QString file = TTextPane::DroppedFile(event->mimeData());
  if (file.isEmpty()) return;
  event->acceptProposedAction();
  // After the drop has ended: the save question must not hold the source's drag.
  QTimer::singleShot(0, this, [this, file] { OpenFromOutside(file); });
}

}  // namespace tessary
