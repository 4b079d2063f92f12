// SPDX-License-Identifier: MIT
// The variable table grid: rows in and out, the key rule with its refusal
// boxes, adding and deleting rows from the keyboard, and the change signals
// the window's modified state hangs on.

#include "valuelisteditor.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "keyvaluetable.h"

namespace tessary {
namespace {

class ValueListEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Grid.resize(187, 160);
    Grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Grid));
  }

  // A Return commits from the event loop, and a refusal box then waits for
  // another turn of it.
  static void Flush() {
    for (int turn = 0; turn < 3; ++turn) QCoreApplication::processEvents();
  }

  QLineEdit* OpenEditor(int row, int column) {
    Grid.setCurrentCell(row, column);
    Grid.editItem(Grid.item(row, column));
    return qobject_cast<QLineEdit*>(Grid.indexWidget(Grid.model()->index(row, column)));
  }

  // Types text over the cell's content and commits it with Return.
  void TypeIntoCell(int row, int column, const QString& text) {
    QLineEdit* editor = OpenEditor(row, column);
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    Flush();
  }

  QString Key(int row) const { return Grid.item(row, 0)->text(); }
  QString Value(int row) const { return Grid.item(row, 1)->text(); }

  TValueListEditor Grid;
};

TEST_F(ValueListEditorTest, ShowsTwoTitledColumnsWithoutRowHeader) {
  ASSERT_EQ(Grid.columnCount(), 2);
  EXPECT_EQ(Grid.horizontalHeaderItem(0)->text(), QStringLiteral("变量"));
  EXPECT_EQ(Grid.horizontalHeaderItem(1)->text(), QStringLiteral("数值"));
  EXPECT_EQ(Grid.columnWidth(0), 57);
  EXPECT_EQ(Grid.columnWidth(1), 124);
  EXPECT_FALSE(Grid.verticalHeader()->isVisible());
  EXPECT_EQ(Grid.verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
  EXPECT_EQ(Grid.rowCount(), 0);
}

TEST_F(ValueListEditorTest, SetStringsSplitsAtTheFirstEqualsAndGivesRowsBackAsRead) {
  struct TCase {
    const char* What;
    QStringList Rows;
    QStringList Keys;
    QStringList Values;
  };
  const std::vector<TCase> cases = {
      {"plain rows", {"P=100", "T=273.15"}, {"P", "T"}, {"100", "273.15"}},
      {"only the first = splits", {"a=b=c"}, {"a"}, {"b=c"}},
      {"no = : empty key, whole text as value", {"abc", ""}, {"", ""}, {"abc", ""}},
      {"empty keys may repeat", {"=5", "=6", "="}, {"", "", ""}, {"5", "6", ""}},
      {"blanks and Chinese kept", {" 半径 = 5 ", "x="}, {" 半径 ", "x"}, {" 5 ", ""}},
      {"nothing", {}, {}, {}},
  };
  QSignalSpy changed(&Grid, &TValueListEditor::RowsChanged);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    Grid.SetStrings(c.Rows);
    ASSERT_EQ(Grid.rowCount(), c.Rows.size());
    for (int r = 0; r < Grid.rowCount(); ++r) {
      EXPECT_EQ(Key(r), c.Keys[r]);
      EXPECT_EQ(Value(r), c.Values[r]);
    }
    EXPECT_EQ(Grid.Strings(), c.Rows);
  }
  Grid.ClearRows();
  EXPECT_EQ(Grid.rowCount(), 0);
  // Loading a worksheet is no change of it.
  EXPECT_EQ(changed.count(), 0);
}

TEST_F(ValueListEditorTest, SetStringsStopsAtADuplicateKeepingTheRowsBefore) {
  Grid.SetStrings({"old=1"});
  try {
    Grid.SetStrings({"P=1", "=x", "=y", "T=2", "p=3", "X=4"});
    FAIL() << "no EDuplicateKey";
  } catch (const EDuplicateKey& e) {
    EXPECT_EQ(e.Key(), "p");
    EXPECT_STREQ(e.what(), "名称“p”已存在");
  }
  EXPECT_EQ(Grid.Strings(), QStringList({"P=1", "=x", "=y", "T=2"}));
}

// Each case edits the key "T" of row 1, once typed into the cell editor and
// once set without a key press (the paste path).
TEST_F(ValueListEditorTest, KeyEditsFollowTheKeyRule) {
  struct TCase {
    const char* What;
    QString NewKey;
    QString Refusal;  // "" when accepted
    bool Typeable;    // keyboard simulation is Latin-1 only
  };
  const QString equals = QStringLiteral("名称中不能含有等号（“=”）");
  const std::vector<TCase> cases = {
      {"equals sign", "a=b", equals, true},
      {"equals sign alone", "=", equals, true},
      {"other key, other case", "p", "名称“p”已存在", true},
      {"other key, same case", "P", "名称“P”已存在", true},
      {"Greek letter in another case", QStringLiteral("σ"), "", false},  // ASCII fold only
      {"its own key in another case", "t", "", true},
      {"keys compare as stored: blanks count", " p", "", true},
      {"empty key repeats", "", "", true},
      {"new key", "R2", "", true},
  };
  const QStringList start = {"P=100", "T=273.15", "=v", QStringLiteral("Σ=1")};
  for (const bool typed : {true, false}) {
    for (const TCase& c : cases) {
      if (typed && !c.Typeable) continue;
      SCOPED_TRACE(std::string(typed ? "typed: " : "set: ") + c.What);
      Grid.SetStrings(start);
      QSignalSpy changed(&Grid, &TValueListEditor::RowsChanged);
      QSignalSpy refused(&Grid, &TValueListEditor::KeyRefused);
      QStringList seen;  // what a later listener finds in the cell
      const auto listener = QObject::connect(&Grid, &QTableWidget::itemChanged,
                                             [&](QTableWidgetItem* i) { seen << i->text(); });
      if (typed) {
        TypeIntoCell(1, 0, c.NewKey);
      } else {
        Grid.item(1, 0)->setText(c.NewKey);
        Flush();
      }
      QObject::disconnect(listener);
      QStringList expected = start;
      if (c.Refusal.isEmpty()) {
        expected[1] = c.NewKey + "=273.15";
        EXPECT_EQ(changed.count(), 1);
        EXPECT_EQ(refused.count(), 0);
      } else {
        EXPECT_EQ(changed.count(), 0);
        EXPECT_FALSE(seen.contains(c.NewKey));
        // The reason goes beside the table at once: a box queued behind the
        // editor came after the next click and swallowed what was typed.
        ASSERT_EQ(refused.count(), 1);
        EXPECT_EQ(refused[0][0].toString(), c.Refusal);
      }
      EXPECT_EQ(Grid.Strings(), expected);
    }
  }
}

TEST_F(ValueListEditorTest, EveryCommittedEditIsAChangeAndEveryCharacterAKeyPress) {
  Grid.SetStrings({"P=100", "T=273.15", "abc"});
  QSignalSpy changed(&Grid, &TValueListEditor::RowsChanged);
  QSignalSpy typed(&Grid, &TValueListEditor::KeyTyped);

  // Typing on the grid opens the editor with that key: counted once.
  Grid.setCurrentCell(0, 1);
  QTest::keyClick(&Grid, '4');
  EXPECT_EQ(typed.count(), 1);
  auto* editor = qobject_cast<QLineEdit*>(Grid.indexWidget(Grid.currentIndex()));
  ASSERT_NE(editor, nullptr);
  QTest::keyClicks(editor, "2");
  QTest::keyClick(editor, Qt::Key_Return);
  Flush();
  EXPECT_EQ(typed.count(), 3);  // "4", "2", Return
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(Value(0), "42");

  // Committed without a key press: by clicking away from a filled editor...
  editor = OpenEditor(1, 1);
  ASSERT_NE(editor, nullptr);
  editor->setText("1");
  Grid.setCurrentCell(0, 0);
  EXPECT_EQ(Value(1), "1");
  EXPECT_EQ(changed.count(), 2);
  // ...or by setting the cell's data.
  Grid.model()->setData(Grid.model()->index(1, 1), "2");
  EXPECT_EQ(changed.count(), 3);
  EXPECT_EQ(typed.count(), 3);

  // The same text again, or another role, is no change.
  Grid.item(1, 1)->setText("2");
  Grid.item(1, 1)->setToolTip("tip");
  EXPECT_EQ(changed.count(), 3);

  // A row read without "=" keeps that form until it gets a key.
  Grid.item(2, 1)->setText("abd");
  EXPECT_EQ(Grid.Strings()[2], "abd");
  Grid.item(2, 0)->setText("k");
  EXPECT_EQ(Grid.Strings(), QStringList({"P=42", "T=2", "k=abd"}));
}

TEST_F(ValueListEditorTest, InsertAndDownPastTheLastRowAppendAnEmptyRowOnce) {
  Grid.SetStrings({"P=100", "T=273.15"});
  QSignalSpy changed(&Grid, &TValueListEditor::RowsChanged);

  Grid.setCurrentCell(0, 1);
  QTest::keyClick(&Grid, Qt::Key_Down);  // not the last row: just moves
  EXPECT_EQ(Grid.rowCount(), 2);
  EXPECT_EQ(Grid.currentRow(), 1);

  QTest::keyClick(&Grid, Qt::Key_Down);
  ASSERT_EQ(Grid.rowCount(), 3);
  EXPECT_EQ(Grid.currentRow(), 2);
  EXPECT_EQ(Grid.currentColumn(), 0);
  EXPECT_NE(Grid.indexWidget(Grid.currentIndex()), nullptr);  // its key cell is open
  EXPECT_EQ(changed.count(), 1);

  // An empty last row is reused, not stacked.
  QTest::keyClick(&Grid, Qt::Key_Insert);
  QTest::keyClick(&Grid, Qt::Key_Down);
  EXPECT_EQ(Grid.rowCount(), 3);
  EXPECT_EQ(changed.count(), 1);

  // A key typed into the new row is committed before the next row is added.
  auto* editor = qobject_cast<QLineEdit*>(Grid.indexWidget(Grid.currentIndex()));
  ASSERT_NE(editor, nullptr);
  QTest::keyClicks(editor, "R");
  QTest::keyClick(editor, Qt::Key_Down);
  EXPECT_EQ(Grid.rowCount(), 4);
  EXPECT_EQ(Grid.currentRow(), 3);
  EXPECT_EQ(changed.count(), 3);  // the key, the row
  EXPECT_EQ(Grid.Strings(), QStringList({"P=100", "T=273.15", "R=", "="}));

  // On an empty grid too.
  Grid.ClearRows();
  QTest::keyClick(&Grid, Qt::Key_Insert);
  EXPECT_EQ(Grid.Strings(), QStringList({"="}));
}

TEST_F(ValueListEditorTest, CtrlDeleteDeletesTheCurrentRowWithoutAsking) {
  Grid.SetStrings({"P=100", "T=273.15", "Z=1"});
  QSignalSpy changed(&Grid, &TValueListEditor::RowsChanged);
  Grid.setCurrentCell(1, 1);
  QTest::keyClick(&Grid, Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(Grid.Strings(), QStringList({"P=100", "Z=1"}));
  EXPECT_EQ(changed.count(), 1);

  Grid.DeleteCurrentRow();
  Grid.DeleteCurrentRow();
  EXPECT_EQ(Grid.rowCount(), 0);
  EXPECT_EQ(changed.count(), 3);
  Grid.DeleteCurrentRow();  // nothing left: no change
  QTest::keyClick(&Grid, Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(changed.count(), 3);
}

// Deleting a row, adding one and editing a cell can each be undone with
// Ctrl+Z, newest first; loading rows starts a new history.
TEST_F(ValueListEditorTest, CtrlZUndoesRowsAndCells) {
  Grid.SetStrings({"P=100", "T=273.15"});
  QSignalSpy changed(&Grid, &TValueListEditor::RowsChanged);
  Grid.setCurrentCell(0, 0);
  QTest::keyClick(&Grid, Qt::Key_Delete, Qt::ControlModifier);
  TypeIntoCell(0, 1, "5");
  Grid.InsertRow("R", "7");
  ASSERT_EQ(Grid.Strings(), QStringList({"T=5", "R=7"}));
  const QStringList steps[] = {{"T=5"}, {"T=273.15"}, {"P=100", "T=273.15"}};
  for (const QStringList& want : steps) {
    Grid.setFocus();
    QTest::keyClick(&Grid, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Grid.Strings(), want);
  }
  EXPECT_EQ(changed.count(), 6) << "three changes and three undos";
  EXPECT_FALSE(Grid.CanUndo());
  QTest::keyClick(&Grid, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(changed.count(), 6) << "nothing left to undo";

  Grid.InsertRow("S", "1");
  Grid.SetStrings({"A=1"});
  EXPECT_FALSE(Grid.CanUndo()) << "a loaded worksheet has no history";
}

TEST_F(ValueListEditorTest, InsertRowAppendsUnderTheKeyRule) {
  Grid.SetStrings({"P=100"});
  QSignalSpy changed(&Grid, &TValueListEditor::RowsChanged);
  Grid.InsertRow("T", "273.15");
  Grid.InsertRow("", "1");
  Grid.InsertRow("", "2");
  EXPECT_EQ(changed.count(), 3);
  EXPECT_THROW(Grid.InsertRow("p", "1"), EDuplicateKey);
  EXPECT_THROW(Grid.InsertRow("a=b", "1"), std::invalid_argument);
  EXPECT_EQ(changed.count(), 3);
  EXPECT_EQ(Grid.Strings(), QStringList({"P=100", "T=273.15", "=1", "=2"}));
}

TEST_F(ValueListEditorTest, CurrentKeyIsTheRawKeyOfTheRowRightClicked) {
  EXPECT_EQ(Grid.CurrentKey(), "");
  Grid.SetStrings({"P=100", " T\t=273.15"});
  Grid.setCurrentCell(0, 1);
  EXPECT_EQ(Grid.CurrentKey(), "P");
  const QPoint onSecondRow = Grid.visualItemRect(Grid.item(1, 1)).center();
  QTest::mousePress(Grid.viewport(), Qt::RightButton, {}, onSecondRow);
  QTest::mouseRelease(Grid.viewport(), Qt::RightButton, {}, onSecondRow);
  EXPECT_EQ(Grid.currentRow(), 1);
  EXPECT_EQ(Grid.CurrentKey(), " T\t");
}

}  // namespace
}  // namespace tessary
