// SPDX-License-Identifier: MIT
#pragma once

// The window's multi-line text panes (formula, result and the two logs),
// made safe for a careless user.

#include <QPlainTextEdit>

class QMimeData;

namespace tessary {

class TTextPane : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit TTextPane(QWidget* parent = nullptr);

  // False for no data and for data without a single format: what X11 hands
  // out when no program owns the clipboard, and what Qt 6.4's paste crashes
  // on. Every paste asks this first.
  static bool OffersSomething(const QMimeData* source);
  // The first local file among the dropped data's addresses; "" for none
  // (text, or addresses of no file here).
  static QString DroppedFile(const QMimeData* source);

 signals:
  // Text was refused, with why: more than a worksheet may hold (the 16 MiB
  // a file can be opened with), at any way in (keys, menu, middle click,
  // drop). The pane keeps its text.
  void PasteRefused(const QString& reason);
  // A file was dropped on the pane: it is for the window to open, not text
  // to insert.
  void FileDropped(const QString& fileName);

 protected:
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;
  void dropEvent(QDropEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  // The caret stands still while it is in a very long line (see .cpp).
  void UpdateCaretBlink();
};

}  // namespace tessary
