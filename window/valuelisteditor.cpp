// SPDX-License-Identifier: MIT
#include "valuelisteditor.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSet>
#include <QStyledItemDelegate>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <utility>

#include "keyvaluetable.h"

namespace tessary {

namespace {

constexpr int kKeyWidth = 57;
// Changes that can be undone; older ones are forgotten.
constexpr qsizetype kHistoryDepth = 100;
constexpr int kValueWidth = 124;

// The cell text last accepted, so that a refused key edit can go back to it
// and a change of some other item role is not taken for an edit.
constexpr int kAcceptedRole = Qt::UserRole;
// On the key cell: the row was read without "=" and gives it back so.
constexpr int kNoEqualsRole = Qt::UserRole + 1;

// Keys compare ignoring the case of ASCII letters only, as the tables do.
QString FoldAscii(const QString& s) {
  QString r = s;
  for (QChar& c : r)
    if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() - u'A' + u'a');
  return r;
}

QString DuplicateMessage(const QString& key) {
  return QString::fromUtf8(EDuplicateKey(key.toStdString()).what());
}

// The view installs its delegate as the cell editor's event filter, ahead of
// the editor itself: the one place that sees every key typed into a cell,
// Return and Tab included.
class TCellDelegate final : public QStyledItemDelegate {
 public:
  TCellDelegate(std::function<void(QKeyEvent*)> onKey, QObject* parent)
      : QStyledItemDelegate(parent), FOnKey(std::move(onKey)) {}

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) FOnKey(static_cast<QKeyEvent*>(event));
    return QStyledItemDelegate::eventFilter(object, event);
  }

 private:
  std::function<void(QKeyEvent*)> FOnKey;
};

// Counts our own item changes so that OnItemChanged leaves them alone.
class TUpdating {
 public:
  explicit TUpdating(int& depth) : FDepth(depth) { ++FDepth; }
  ~TUpdating() { --FDepth; }
  TUpdating(const TUpdating&) = delete;
  TUpdating& operator=(const TUpdating&) = delete;

 private:
  int& FDepth;
};

}  // namespace

TValueListEditor::TValueListEditor(QWidget* parent) : QTableWidget(0, 2, parent) {
  setHorizontalHeaderLabels({QStringLiteral("变量"), QStringLiteral("数值")});
  setColumnWidth(0, kKeyWidth);
  setColumnWidth(1, kValueWidth);
  horizontalHeader()->setHighlightSections(false);
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                  QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
  setWordWrap(false);
  setItemDelegate(new TCellDelegate([this](QKeyEvent* e) { OnEditorKey(e); }, this));
  // Connected first, so that anyone listening after us never sees a refused key.
  connect(this, &QTableWidget::itemChanged, this, &TValueListEditor::OnItemChanged);
}

QString TValueListEditor::CellText(int row, int column) const {
  const QTableWidgetItem* cell = item(row, column);
  return cell ? cell->text() : QString();
}

QStringList TValueListEditor::Strings() const {
  QStringList rows;
  rows.reserve(rowCount());
  for (int r = 0; r < rowCount(); ++r) {
    const QString key = CellText(r, 0);
    const QTableWidgetItem* keyCell = item(r, 0);
    const bool noEquals = keyCell && keyCell->data(kNoEqualsRole).toBool();
    rows << (key.isEmpty() && noEquals ? CellText(r, 1) : key + u'=' + CellText(r, 1));
  }
  return rows;
}

void TValueListEditor::AddRow(const QString& key, const QString& value, bool hasEquals) {
  TUpdating updating(FUpdating);
  const int r = rowCount();
  insertRow(r);
  auto* keyCell = new QTableWidgetItem(key);
  keyCell->setData(kAcceptedRole, key);
  keyCell->setData(kNoEqualsRole, !hasEquals);
  auto* valueCell = new QTableWidgetItem(value);
  valueCell->setData(kAcceptedRole, value);
  setItem(r, 0, keyCell);
  setItem(r, 1, valueCell);
}

void TValueListEditor::SetStrings(const QStringList& rows) {
  FHistory.clear();
  Load(rows);
}

void TValueListEditor::Load(const QStringList& rows) {
  RemoveAllRows();
  QSet<QString> keys;  // folded: a long variable file stays linear
  for (const QString& row : rows) {
    const qsizetype eq = row.indexOf(u'=');
    const QString key = eq < 0 ? QString() : row.left(eq);
    if (!key.isEmpty()) {
      const QString folded = FoldAscii(key);
      if (keys.contains(folded)) throw EDuplicateKey(key.toStdString());
      keys.insert(folded);
    }
    AddRow(key, eq < 0 ? row : row.mid(eq + 1), eq >= 0);
  }
}

void TValueListEditor::ClearRows() {
  FHistory.clear();
  RemoveAllRows();
}

void TValueListEditor::RemoveAllRows() {
  TUpdating updating(FUpdating);
  setRowCount(0);
}

void TValueListEditor::InsertRow(const QString& key, const QString& value) {
  if (key.contains(u'=')) throw std::invalid_argument(kEqualsInKey);
  if (!KeyRefusal(key, -1).isEmpty()) throw EDuplicateKey(key.toStdString());
  Remember(Strings());
  AddRow(key, value, true);
  emit RowsChanged();
}

void TValueListEditor::DeleteCurrentRow() {
  const int r = currentRow();
  if (r < 0 || r >= rowCount()) return;
  Remember(Strings());
  {
    TUpdating updating(FUpdating);
    removeRow(r);
  }
  emit RowsChanged();
}

QString TValueListEditor::CurrentKey() const {
  const int r = currentRow();
  return r < 0 ? QString() : CellText(r, 0);
}

QString TValueListEditor::KeyRefusal(const QString& key, int row) const {
  if (key.contains(u'=')) return QString::fromUtf8(kEqualsInKey);
  if (key.isEmpty()) return QString();  // empty keys may repeat
  const QString folded = FoldAscii(key);
  for (int r = 0; r < rowCount(); ++r)
    if (r != row && FoldAscii(CellText(r, 0)) == folded) return DuplicateMessage(key);
  return QString();
}

void TValueListEditor::OnItemChanged(QTableWidgetItem* cell) {
  if (FUpdating > 0 || cell == nullptr) return;
  const QString text = cell->text();
  const QString accepted = cell->data(kAcceptedRole).toString();
  if (text == accepted) return;  // another role changed, not the text
  TUpdating updating(FUpdating);
  if (cell->column() == 0) {
    const QString refusal = KeyRefusal(text, cell->row());
    if (!refusal.isEmpty()) {
      cell->setText(accepted);
      emit KeyRefused(refusal);
      return;
    }
  }
  // The rows as they were: the cell still held its accepted text.
  cell->setText(accepted);
  Remember(Strings());
  cell->setText(text);
  if (cell->column() == 0 && !text.isEmpty()) cell->setData(kNoEqualsRole, false);
  cell->setData(kAcceptedRole, text);
  emit RowsChanged();
}

void TValueListEditor::Remember(QStringList rows) {
  FHistory.append(std::move(rows));
  if (FHistory.size() > kHistoryDepth) FHistory.removeFirst();
}

void TValueListEditor::Undo() {
  CommitEdit();  // an open editor's text is a change of its own
  if (FHistory.isEmpty()) return;
  const int row = currentRow(), column = currentColumn();
  Load(FHistory.takeLast());
  if (rowCount() > 0) setCurrentCell(std::clamp(row, 0, rowCount() - 1), std::max(column, 0));
  emit RowsChanged();
}

bool TValueListEditor::RowIsEmpty(int row) const {
  return CellText(row, 0).isEmpty() && CellText(row, 1).isEmpty();
}

void TValueListEditor::CommitEdit() {
  if (state() != QAbstractItemView::EditingState) return;
  if (QWidget* editor = indexWidget(currentIndex())) {
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
  }
}

void TValueListEditor::AppendEmptyRow() {
  CommitEdit();  // an editor still open holds text its row does not have yet
  int r = rowCount() - 1;
  if (r < 0 || !RowIsEmpty(r)) {
    Remember(Strings());
    AddRow(QString(), QString(), true);
    r = rowCount() - 1;
    emit RowsChanged();
  }
  setCurrentCell(r, 0);
  editItem(item(r, 0));
}

void TValueListEditor::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  const bool lastRow = currentRow() >= rowCount() - 1;
  if ((event->key() == Qt::Key_Insert && modifiers == Qt::NoModifier) ||
      (event->key() == Qt::Key_Down && modifiers == Qt::NoModifier && lastRow)) {
    AppendEmptyRow();
    event->accept();
    return;
  }
  if (event->key() == Qt::Key_Delete && modifiers == Qt::ControlModifier) {
    DeleteCurrentRow();
    event->accept();
    return;
  }
  if (event->key() == Qt::Key_Z && modifiers == Qt::ControlModifier) {
    Undo();
    event->accept();
    return;
  }
  // A key reaching us from an open editor was counted there already.
  if (state() != QAbstractItemView::EditingState && !event->text().isEmpty()) emit KeyTyped();
  FInKeyPress = true;
  QTableWidget::keyPressEvent(event);
  FInKeyPress = false;
}

void TValueListEditor::OnEditorKey(QKeyEvent* event) {
  // A key that opened the editor is forwarded to it: count it once.
  if (!FInKeyPress && !event->text().isEmpty()) emit KeyTyped();
}

void TValueListEditor::mousePressEvent(QMouseEvent* event) {
  // The pop-up menu acts on the current row: make it the one clicked.
  if (event->button() == Qt::RightButton) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid()) setCurrentIndex(index);
  }
  QTableWidget::mousePressEvent(event);
}

}  // namespace tessary
