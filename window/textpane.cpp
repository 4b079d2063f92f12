// SPDX-License-Identifier: MIT
#include "textpane.h"

#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>

namespace tessary {

bool TTextPane::OffersSomething(const QMimeData* source) {
  return source != nullptr && !source->formats().isEmpty();
}

bool TTextPane::canInsertFromMimeData(const QMimeData* source) const {
  return OffersSomething(source) && QPlainTextEdit::canInsertFromMimeData(source);
}

void TTextPane::insertFromMimeData(const QMimeData* source) {
  if (OffersSomething(source)) QPlainTextEdit::insertFromMimeData(source);
}

// A press on the selection would start a drag, and a drag out of a short
// read-only pane can outlive the mouse button under X11, leaving the window
// deaf. Such a pane drops its selection first, so the press starts a new
// one; Shift+click still extends it.
void TTextPane::mousePressEvent(QMouseEvent* event) {
  QTextCursor cursor = textCursor();
  if (isReadOnly() && event->button() == Qt::LeftButton &&
      !event->modifiers().testFlag(Qt::ShiftModifier) && cursor.hasSelection()) {
    // Setting the cursor scrolls to it; the press must land where it was aimed.
    const int across = horizontalScrollBar()->value(), down = verticalScrollBar()->value();
    cursor.clearSelection();
    setTextCursor(cursor);
    horizontalScrollBar()->setValue(across);
    verticalScrollBar()->setValue(down);
  }
  QPlainTextEdit::mousePressEvent(event);
}

}  // namespace tessary
