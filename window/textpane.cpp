// SPDX-License-Identifier: MIT
#include "textpane.h"

#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>

#include "worksheetfile.h"

namespace tessary {

bool TTextPane::OffersSomething(const QMimeData* source) {
  return source != nullptr && !source->formats().isEmpty();
}

bool TTextPane::canInsertFromMimeData(const QMimeData* source) const {
  return OffersSomething(source) && QPlainTextEdit::canInsertFromMimeData(source);
}

namespace {

// The UTF-8 size of text, without making the UTF-8 copy.
qsizetype Utf8Size(const QString& text) {
  qsizetype size = 0;
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    size += u < 0x80 ? 1 : u < 0x800 ? 2 : QChar::isSurrogate(u) ? 2 : 3;  // a pair makes 4
  }
  return size;
}

}  // namespace

void TTextPane::insertFromMimeData(const QMimeData* source) {
  if (!OffersSomething(source)) return;
  if (source->hasText() && Utf8Size(source->text()) > qsizetype{kMaxWorksheetFileBytes}) {
    emit PasteRefused(QStringLiteral("粘贴的文字超过 16 MiB，没有粘贴"));
    return;
  }
  QPlainTextEdit::insertFromMimeData(source);
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
