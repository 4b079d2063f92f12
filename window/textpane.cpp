// SPDX-License-Identifier: MIT
#include "textpane.h"

#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextBlock>
#include <QUrl>

#include "worksheetfile.h"

namespace tessary {

namespace {

// Each blink of the caret redraws its line, and a line of megabytes is laid
// out anew at every redraw: at rest the window would keep a core busy. In a
// line this long the caret stands still instead.
constexpr int kSteadyCaretCharacters = 20000;

// The desktop's blink, put back when the caret leaves such a line; -1 while
// the caret blinks as the desktop says.
int gDesktopFlashTime = -1;

void SetSteadyCaret(bool steady) {
  QStyleHints* hints = QGuiApplication::styleHints();
  if (steady && gDesktopFlashTime < 0) {
    gDesktopFlashTime = hints->cursorFlashTime();
    hints->setCursorFlashTime(0);
  } else if (!steady && gDesktopFlashTime >= 0) {
    hints->setCursorFlashTime(gDesktopFlashTime);
    gDesktopFlashTime = -1;
  }
}

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

TTextPane::TTextPane(QWidget* parent) : QPlainTextEdit(parent) {
  connect(this, &QPlainTextEdit::cursorPositionChanged, this, &TTextPane::UpdateCaretBlink);
}

void TTextPane::UpdateCaretBlink() {
  if (hasFocus()) SetSteadyCaret(textCursor().block().length() > kSteadyCaretCharacters);
}

void TTextPane::focusInEvent(QFocusEvent* event) {
  UpdateCaretBlink();
  QPlainTextEdit::focusInEvent(event);
}

void TTextPane::focusOutEvent(QFocusEvent* event) {
  SetSteadyCaret(false);
  QPlainTextEdit::focusOutEvent(event);
}

bool TTextPane::OffersSomething(const QMimeData* source) {
  return source != nullptr && !source->formats().isEmpty();
}

QString TTextPane::DroppedFile(const QMimeData* source) {
  if (source == nullptr || !source->hasUrls()) return {};
  for (const QUrl& url : source->urls())
    if (url.isLocalFile()) return url.toLocalFile();
  return {};
}

bool TTextPane::canInsertFromMimeData(const QMimeData* source) const {
  if (!DroppedFile(source).isEmpty()) return true;  // see dropEvent
  return OffersSomething(source) && QPlainTextEdit::canInsertFromMimeData(source);
}

void TTextPane::dropEvent(QDropEvent* event) {
  const QString file = DroppedFile(event->mimeData());
  if (file.isEmpty() || isReadOnly()) {
    QPlainTextEdit::dropEvent(event);
    return;
  }
  event->acceptProposedAction();
  emit FileDropped(file);
}

void TTextPane::insertFromMimeData(const QMimeData* source) {
  if (!OffersSomething(source)) return;
  if (!source->hasText()) {
    QPlainTextEdit::insertFromMimeData(source);
    return;
  }
  // Taken once: from the clipboard each call fetches and decodes it anew.
  const QString text = source->text();
  if (Utf8Size(text) > qsizetype{kMaxWorksheetFileBytes}) {
    emit PasteRefused(QStringLiteral("粘贴的文字超过 16 MiB，没有粘贴"));
    return;
  }
  // Qt builds a document of the text first and then copies it in, which
  // doubles the time of a big paste; the text goes straight in instead.
  // One step of Undo each, as typing does not merge into it.
  QTextCursor cursor = textCursor();
  cursor.beginEditBlock();
  cursor.insertText(text);
  cursor.endEditBlock();
  setTextCursor(cursor);
  ensureCursorVisible();
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
