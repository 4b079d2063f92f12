// SPDX-License-Identifier: MIT
// The text panes under a careless user: pasting when nothing is on the
// clipboard, dragging out of the read-only panes, pressing 计算 again and
// again on a long worksheet.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QStyleHints>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include <functional>
#include <memory>

#include "formfcalculator.h"
#include "formulaparser.h"
#include "quietdialogs.h"
#include "textpane.h"
#include "userdialogs.h"

namespace tessary {
namespace {

constexpr const char* kDefaultFormula = "Z={80+2×[5+2×(1.5+1)]}/(P/T)";

// The clipboard of a session where no program owns it: no data at all, or
// data that offers no format (what X11 hands out then).
enum class TClipboard { Null, NoFormat, Text7 };

void SetClipboard(TClipboard state) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  for (const QClipboard::Mode mode : {QClipboard::Clipboard, QClipboard::Selection}) {
    if (mode == QClipboard::Selection && !clipboard->supportsSelection()) continue;
    if (state == TClipboard::Null) {
      clipboard->clear(mode);
    } else {
      auto* data = new QMimeData;
      if (state == TClipboard::Text7) data->setText(QStringLiteral("7"));
      clipboard->setMimeData(data, mode);
    }
  }
}

class TextPaneWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    FWindow = std::make_unique<TFormFCalculator>(FEngine, FDialogs, FIniDir.filePath("t.ini"));
    FWindow->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(FWindow.get()));
  }
  void TearDown() override {
    FWindow.reset();
    SetClipboard(TClipboard::Null);
  }

  QPlainTextEdit* Formula() const { return FWindow->MOriFormula(); }
  // Where character `at` of line `line` sits, in the pane's viewport.
  static QPoint PointOf(QPlainTextEdit* pane, int line, int at) {
    QTextCursor c(pane->document()->findBlockByNumber(line));
    c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, at);
    return pane->cursorRect(c).center();
  }

  QTemporaryDir FIniDir;
  TFormulaParser FEngine;
  TQuietDialogs FDialogs;
  std::unique_ptr<TFormFCalculator> FWindow;
};

TEST_F(TextPaneWindow, PastingWithNothingOnTheClipboardLeavesTheFormula) {
  struct TPath {
    const char* Name;
    std::function<void(TFormFCalculator&)> Paste;
    bool PastesOffscreen;  // false: needs the desktop's selection clipboard
  };
  const TPath paths[] = {
      {"Ctrl+V",
       [](TFormFCalculator& w) {
         QTest::keyClick(w.MOriFormula(), Qt::Key_V, Qt::ControlModifier);
       },
       true},
      {"Shift+Insert",
       [](TFormFCalculator& w) {
         QTest::keyClick(w.MOriFormula(), Qt::Key_Insert, Qt::ShiftModifier);
       },
       true},
      {"tool button 粘贴", [](TFormFCalculator& w) { w.findChild<QAction*>("TBPaste")->trigger(); },
       true},
      {"Edit menu 粘贴",
       [](TFormFCalculator& w) { w.findChild<QAction*>("MEdit_Paste")->trigger(); }, true},
      {"middle click",
       [](TFormFCalculator& w) {
         QTest::mouseClick(w.MOriFormula()->viewport(), Qt::MiddleButton, {},
                           w.MOriFormula()->cursorRect().center());
       },
       QGuiApplication::clipboard()->supportsSelection()},
  };
  for (const TPath& path : paths) {
    for (const TClipboard state : {TClipboard::Null, TClipboard::NoFormat, TClipboard::Text7}) {
      Formula()->setPlainText(QString::fromUtf8(kDefaultFormula));
      Formula()->moveCursor(QTextCursor::End);
      SetClipboard(state);
      path.Paste(*FWindow);
      const bool pastes = state == TClipboard::Text7 && path.PastesOffscreen;
      EXPECT_EQ(Formula()->toPlainText(), pastes ? QStringLiteral("Z={80+2×[5+2×(1.5+1)]}/(P/T)7")
                                                 : QStringLiteral("Z={80+2×[5+2×(1.5+1)]}/(P/T)"))
          << path.Name << ", clipboard state " << static_cast<int>(state);
    }
  }
}

// Text that could not be saved and opened again (over 16 MiB as UTF-8) is
// refused at every way in, with the reason in the status bar: the pane keeps
// its text instead of freezing the window for a minute.
TEST_F(TextPaneWindow, TextOver16MiBIsRefusedAtEveryPaste) {
  auto* data = new QMimeData;
  data->setText(QString((16 << 20) + 1, QLatin1Char('1')));
  QGuiApplication::clipboard()->setMimeData(data);
  const std::pair<const char*, std::function<void()>> paths[] = {
      {"Ctrl+V", [this] { QTest::keyClick(Formula(), Qt::Key_V, Qt::ControlModifier); }},
      {"Shift+Insert", [this] { QTest::keyClick(Formula(), Qt::Key_Insert, Qt::ShiftModifier); }},
      {"tool button 粘贴", [this] { FWindow->findChild<QAction*>("TBPaste")->trigger(); }},
      {"Edit menu 粘贴", [this] { FWindow->findChild<QAction*>("MEdit_Paste")->trigger(); }},
      {"drop",
       [this] {
         const QMimeData* dragged = QGuiApplication::clipboard()->mimeData();
         const QPoint at = PointOf(Formula(), 0, 2) + QPoint(4, 0);
         QDragEnterEvent enter(at, Qt::CopyAction, dragged, Qt::LeftButton, {});
         QApplication::sendEvent(Formula()->viewport(), &enter);
         QDragMoveEvent move(at, Qt::CopyAction, dragged, Qt::LeftButton, {});
         QApplication::sendEvent(Formula()->viewport(), &move);
         QDropEvent drop(at, Qt::CopyAction, dragged, Qt::LeftButton, {});
         QApplication::sendEvent(Formula()->viewport(), &drop);
       }},
  };
  QLabel* detail = FWindow->findChild<QLabel*>("StatusDetail");
  for (const auto& [name, paste] : paths) {
    SCOPED_TRACE(name);
    Formula()->setPlainText(QString::fromUtf8(kDefaultFormula));
    Formula()->moveCursor(QTextCursor::End);
    if (detail != nullptr) detail->clear();
    paste();
    EXPECT_EQ(Formula()->toPlainText(), QString::fromUtf8(kDefaultFormula));
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->text(), "粘贴的文字超过 16 MiB，没有粘贴");
  }
}

// Each blink of the caret redraws its line: in a line of megabytes that kept
// a core busy at rest. The caret stands still there, and blinks as the
// desktop says again in a short line or once the pane loses the focus.
TEST_F(TextPaneWindow, TheCaretStandsStillInAVeryLongLine) {
  QStyleHints* hints = QGuiApplication::styleHints();
  const int desktop = hints->cursorFlashTime();
  ASSERT_GT(desktop, 0);
  Formula()->setPlainText("Z=" + QString(2000000, QLatin1Char('1')) + "\nY=1");
  Formula()->setFocus();
  QApplication::processEvents();
  const struct {
    int Line;
    int FlashTime;  // -1: the desktop's
  } steps[] = {{0, 0}, {1, -1}, {0, 0}};
  for (const auto& step : steps) {
    QTextCursor at(Formula()->document()->findBlockByNumber(step.Line));
    Formula()->setTextCursor(at);
    EXPECT_EQ(hints->cursorFlashTime(), step.FlashTime < 0 ? desktop : step.FlashTime)
        << "line " << step.Line;
  }
  FWindow->MResult()->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(hints->cursorFlashTime(), desktop) << "another pane has the focus";
}

// A middle click pastes the selection clipboard, which the headless platform
// lacks: the pane itself must refuse what offers nothing.
TEST(TextPane, RefusesDataThatOffersNothing) {
  struct TOpenPane : TTextPane {
    using TTextPane::canInsertFromMimeData;
    using TTextPane::insertFromMimeData;
  } pane;
  pane.setPlainText(QStringLiteral("Z=1"));
  pane.moveCursor(QTextCursor::End);
  QMimeData noFormat;
  const QMimeData* const refused[] = {nullptr, &noFormat};
  for (const QMimeData* data : refused) {
    EXPECT_FALSE(pane.canInsertFromMimeData(data)) << (data ? "no format" : "null");
    pane.insertFromMimeData(data);
    EXPECT_EQ(pane.toPlainText(), "Z=1") << (data ? "no format" : "null");
  }
  QMimeData text;
  text.setText(QStringLiteral("+2"));
  EXPECT_TRUE(pane.canInsertFromMimeData(&text));
  pane.insertFromMimeData(&text);
  EXPECT_EQ(pane.toPlainText(), "Z=1+2");
}

// Dragging a selection out of a log into the formula pane could leave the
// drag running for good; the read-only panes select and copy but never drag.
TEST_F(TextPaneWindow, ReadOnlyPanesSelectAndCopyButNeverDrag) {
  FWindow->TBCalClick();
  const std::pair<QPlainTextEdit*, const char*> panes[] = {
      {FWindow->MResult(), "Z=273.15"},
      {FWindow->LPRGFormula(), "Z=(80+2*(5+2*(1.5+1)))/(P/T)"},
      {FWindow->LACTFormula(), "Z=(80+2*(5+2*(1.5+1)))/(100/273.15)"},
  };
  for (const auto& [pane, firstLine] : panes) {
    QWidget* view = pane->viewport();
    const int length = static_cast<int>(QString::fromUtf8(firstLine).size());
    // Select the first line with the mouse and copy it.
    QTest::mousePress(view, Qt::LeftButton, {}, PointOf(pane, 0, 0));
    QTest::mouseMove(view, PointOf(pane, 0, length) + QPoint(4, 0));
    QTest::mouseRelease(view, Qt::LeftButton, {}, PointOf(pane, 0, length) + QPoint(4, 0));
    EXPECT_EQ(pane->textCursor().selectedText(), QString::fromUtf8(firstLine))
        << pane->objectName().toStdString();
    QTest::keyClick(pane, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8(firstLine))
        << pane->objectName().toStdString();

    // Press on the selection and move into the formula pane in two quick moves.
    const QPoint start = PointOf(pane, 0, 2);
    const QPoint target =
        view->mapFrom(FWindow.get(), Formula()->viewport()->mapTo(FWindow.get(), QPoint(40, 20)));
    QTest::mousePress(view, Qt::LeftButton, {}, start);
    QTest::mouseMove(view, (start + target) / 2);
    QTest::mouseMove(view, target);
    EXPECT_TRUE(pane->findChildren<QDrag*>().isEmpty())
        << pane->objectName().toStdString() << " started a drag";
    QTest::mouseRelease(view, Qt::LeftButton, {}, target);
    EXPECT_EQ(Formula()->toPlainText(), QString::fromUtf8(kDefaultFormula))
        << pane->objectName().toStdString();
  }
}

TEST_F(TextPaneWindow, FormulaPaneTakesTextDroppedFromOtherPrograms) {
  Formula()->setPlainText(QStringLiteral("Z="));
  QMimeData data;
  data.setText(QStringLiteral("sin(1)"));
  const QPoint at = PointOf(Formula(), 0, 2) + QPoint(4, 0);
  QWidget* view = Formula()->viewport();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(view, &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(view, &move);
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(view, &drop);
  EXPECT_EQ(Formula()->toPlainText(), "Z=sin(1)");
}

// Each run adds a line per statement to each pane; the oldest lines go so
// that none holds more than 10,000, the newest run kept whole.
TEST_F(TextPaneWindow, TwentyRunsOfThreeThousandStatementsKeepTenThousandLines) {
  QStringList statements;
  for (int i = 1; i <= 3000; ++i) statements << QStringLiteral("x%1=%1").arg(i);
  Formula()->setPlainText(statements.join(QLatin1Char('\n')));
  QPlainTextEdit* const panes[] = {FWindow->MResult(), FWindow->LPRGFormula(),
                                   FWindow->LACTFormula()};
  for (int press = 1; press <= 20; ++press) {
    FWindow->TBCalClick();
    for (QPlainTextEdit* pane : panes)
      ASSERT_LE(pane->blockCount(), 10000)
          << pane->objectName().toStdString() << ", press " << press;
  }
  for (QPlainTextEdit* pane : panes) {
    EXPECT_EQ(pane->blockCount(), 10000) << pane->objectName().toStdString();
    EXPECT_EQ(pane->document()->firstBlock().text(), "x2001=2001")
        << pane->objectName().toStdString() << ": the oldest lines went first";
    EXPECT_EQ(pane->document()->lastBlock().text(), "x3000=3000")
        << pane->objectName().toStdString();
  }

  // A run longer than the pane keeps its own last lines, and the failure
  // marks stay on the lines they belong to.
  statements.clear();
  statements << QStringLiteral("y1=1/0");
  for (int i = 2; i <= 10000; ++i) statements << QStringLiteral("y%1=%1").arg(i);
  statements << QStringLiteral("y10001=1/0");
  Formula()->setPlainText(statements.join(QLatin1Char('\n')));
  FWindow->TBCalClick();
  QPlainTextEdit* result = FWindow->MResult();
  EXPECT_EQ(result->blockCount(), 10000);
  EXPECT_EQ(result->document()->firstBlock().text(), "y2=2");
  EXPECT_EQ(result->document()->lastBlock().text(), "y10001=0");
  ASSERT_EQ(result->extraSelections().size(), 1);
  EXPECT_EQ(result->extraSelections()[0].cursor.blockNumber(), 9999);
}

}  // namespace
}  // namespace tessary
