// SPDX-License-Identifier: MIT
#pragma once

// A two-column key/value grid ("变量" | "数值") whose rows are key=value
// texts: the variable table of the main window. Keys may be edited, rows
// added and deleted; a key may not contain "=" nor repeat another row's key
// ignoring letter case. A refused key is checked when its cell is left, goes
// back to what it was, and the reason is signalled for the window to show:
// no box that would wait behind the editor and swallow the next keys.
//
// Keyboard: Insert, or Down on the last row, appends an empty row and opens
// its key cell (an empty last row is reused rather than stacked);
// Ctrl+Delete deletes the current row without asking; Ctrl+Z undoes the last
// change of the rows (a deleted or added row, an edited cell).

#include <QString>
#include <QStringList>
#include <QTableWidget>

class QKeyEvent;
class QMouseEvent;

namespace tessary {

class TValueListEditor : public QTableWidget {
  Q_OBJECT

 public:
  static constexpr const char* kEqualsInKey = "名称中不能含有等号（“=”）";

  explicit TValueListEditor(QWidget* parent = nullptr);

  // The rows as "key=value" texts, from the top. A row read without "=" and
  // whose key is still empty is given back as it was read (its value alone).
  QStringList Strings() const;
  // Replaces every row; throws EDuplicateKey (keyvaluetable.h, key in UTF-8)
  // at the first non-empty key met twice, keeping the rows before it.
  void SetStrings(const QStringList& rows);
  void ClearRows();
  // Appends key=value. Throws EDuplicateKey for a key present already and
  // std::invalid_argument (kEqualsInKey) for a key holding "=".
  void InsertRow(const QString& key, const QString& value);
  // Deletes the current row, if any.
  void DeleteCurrentRow();
  // Key of the current row as stored, untrimmed ("" without one).
  QString CurrentKey() const;
  // Commits and closes a cell editor still open, so that the rows hold what
  // the grid shows (RowsChanged follows a changed text; a refused key goes
  // back as when typed).
  void CommitEdit();
  // Undoes the last change of the rows by the user, newest first; loading
  // rows (SetStrings, ClearRows) starts a new history.
  void Undo();
  bool CanUndo() const { return !FHistory.isEmpty(); }

 signals:
  // The rows changed by the user (a committed edit, typed or not, an added
  // or deleted row) or by InsertRow/DeleteCurrentRow. Not emitted by
  // SetStrings and ClearRows: those load a worksheet, they do not change it.
  void RowsChanged();
  // A character key typed in the grid or in its cell editor (the window's
  // "key press" hook).
  void KeyTyped();
  // A key edit was refused and the cell went back; reason says why.
  void KeyRefused(const QString& reason);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void OnItemChanged(QTableWidgetItem* item);
  void OnEditorKey(QKeyEvent* event);
  // Why a key may not stand in row: "" when it may.
  QString KeyRefusal(const QString& key, int row) const;
  void Remember(QStringList rows);
  void Load(const QStringList& rows);
  void RemoveAllRows();
  void AddRow(const QString& key, const QString& value, bool hasEquals);
  // Appends an empty row (or reuses an empty last one) and opens its key.
  void AppendEmptyRow();
  bool RowIsEmpty(int row) const;
  QString CellText(int row, int column) const;

  QList<QStringList> FHistory;  // the rows before each change, newest last
  int FUpdating = 0;            // our own item changes: not the user's
  bool FInKeyPress = false;     // a key of the grid forwarded to a new editor
};

}  // namespace tessary
