// SPDX-License-Identifier: MIT
// The main window's commands, run headless through its own slots, with every
// dialog and box answered by a scripted stand-in.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QFontDatabase>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolButton>
#include <QWheelEvent>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>

#include "aalabel.h"
#include "aascrolltext.h"
#include "boardfetch.h"
#include "calculation.h"
#include "formfcalculator.h"
#include "formulaparser.h"
#include "mostrecentfiles.h"
#include "platform/scopedenv.h"
#include "plotwindow.h"
#include "testutil/tempfolder.h"
#include "toolband.h"
#include "userdialogs.h"
#include "valuelisteditor.h"
#include "worksheetfile.h"

namespace tessary {
namespace {

using platform::TMessageAnswer;
using platform::TMessageIcon;

// Answers from scripts: queued answers for questions and file dialogs; every
// box, dialog title and opened document is recorded.
struct TScriptedDialogs : platform::IUserDialogs {
  struct TBox {
    QString Caption, Text;
    TMessageIcon Icon;
    platform::TMessageButtons Buttons;
  };
  std::vector<TBox> Boxes;
  std::deque<TMessageAnswer> Answers;        // for questions; empty: No
  std::deque<QString> SaveNames, OpenNames;  // empty: cancelled
  std::vector<QString> SaveTitles;
  std::vector<QString> SaveOffers;                // the name each save dialog starts with
  std::vector<QString> SaveFolders, OpenFolders;  // the folder each dialog starts in
  std::vector<QUrl> Opened;
  std::vector<QString> OpenedFiles;
  bool OpenerStarts = true;
  std::vector<std::function<void()>> NoProgramFor;  // one per file opened: the opener gave up

  TMessageAnswer ShowMessageBox(QWidget*, const QString& caption, const QString& text,
                                TMessageIcon icon, platform::TMessageButtons buttons) override {
    Boxes.push_back({caption, text, icon, buttons});
    if (buttons == platform::TMessageButtons::Ok) return TMessageAnswer::Ok;
    if (Answers.empty()) return TMessageAnswer::No;
    const TMessageAnswer a = Answers.front();
    Answers.pop_front();
    return a;
  }
  QString GetSaveFileName(QWidget*, const QString& title, const QString& filter,
                          const QString& suffix, const QString& folder,
                          const QString& fileName) override {
    SaveTitles.push_back(title);
    SaveOffers.push_back(fileName);
    SaveFolders.push_back(folder);
    const std::pair<QString, QString> filters[] = {{"txt", "文本文件(*.txt)|*.txt"},
                                                   {"png", "PNG 图像(*.png)|*.png"},
                                                   {"svg", "SVG 图像(*.svg)|*.svg"}};
    EXPECT_TRUE(std::find(std::begin(filters), std::end(filters), std::pair(suffix, filter)) !=
                std::end(filters))
        << suffix.toStdString() << " " << filter.toStdString();
    return Pop(SaveNames);
  }
  QString GetOpenFileName(QWidget*, const QString& filter, const QString& folder) override {
    EXPECT_EQ(filter, "文本文件(*.txt)|*.txt");
    OpenFolders.push_back(folder);
    return Pop(OpenNames);
  }
  std::deque<int> Choices;  // empty: the last choice, as Escape
  std::vector<QString> ChoiceTexts;
  std::vector<QStringList> ChoiceButtons;
  int AskChoice(QWidget*, const QString&, const QString& text,
                const QStringList& choices) override {
    ChoiceTexts.push_back(text);
    ChoiceButtons.push_back(choices);
    if (Choices.empty()) return static_cast<int>(choices.size()) - 1;
    const int c = Choices.front();
    Choices.pop_front();
    return c;
  }
  bool OpenDocument(const QUrl& url) override {
    Opened.push_back(url);
    return true;
  }
  bool OpenFile(const QString& path, const std::function<void()>& failed) override {
    if (!OpenerStarts) return false;
    OpenedFiles.push_back(path);
    NoProgramFor.push_back(failed);
    return true;
  }
  static QString Pop(std::deque<QString>& q) {
    if (q.empty()) return {};
    QString s = q.front();
    q.pop_front();
    return s;
  }
  int Questions() const {
    return static_cast<int>(std::count_if(Boxes.begin(), Boxes.end(), [](const TBox& b) {
      return b.Icon == TMessageIcon::Question;
    }));
  }
};

class Window : public testing::TTempFolderTest {
 protected:
  void SetUp() override {
    TTempFolderTest::SetUp();
    FWindow = std::make_unique<TFormFCalculator>(FEngine, FDialogs, Q(PathOf("tessary.ini")));
  }
  void TearDown() override {
    FWindow.reset();
    TTempFolderTest::TearDown();
  }

  static QString Q(const std::string& s) { return QString::fromStdString(s); }
  QString Formula() const { return FWindow->MOriFormula()->toPlainText(); }
  void Type(const QString& text) {
    FWindow->MOriFormula()->moveCursor(QTextCursor::End);
    FWindow->MOriFormula()->insertPlainText(text);
  }
  void SetFormula(const QString& text) { FWindow->MOriFormula()->setPlainText(text); }
  QStringList Results() const { return FWindow->MResult()->toPlainText().split('\n'); }
  template <typename T>
  T* Find(const char* name) const {
    return FWindow->findChild<T*>(QString::fromLatin1(name));
  }
  QString StatusDetail() const {
    QStringList texts;
    for (const QLabel* label : FWindow->statusBar()->findChildren<QLabel*>())
      texts << label->text();
    return texts.join(QString());
  }
  QAction* RecentEntry(const QString& name) const {
    for (QAction* a : FWindow->MFile()->actions())
      if (a->text().endsWith("  " + name)) return a;
    return nullptr;
  }
  // Opens the cell editor of the variable table and types over its text.
  void TypeInCell(int row, int column, const QString& text) {
    TValueListEditor* vars = FWindow->VLEVars();
    vars->setCurrentCell(row, column);
    vars->editItem(vars->item(row, column));
    auto* editor = qobject_cast<QLineEdit*>(vars->indexWidget(vars->model()->index(row, column)));
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, text);
  }
  // Saving through these fails as on a full disk.
  static platform::TFileOps DiskFull() {
    platform::TFileOps ops = platform::SystemFileOps();
    ops.Write = [](int, const void*, std::size_t) -> ssize_t {
      errno = ENOSPC;
      return -1;
    };
    return ops;
  }
  // Empty bin/ and share/tessary/, where the program looks for its manual.
  void FreshProgramFolders() const {
    std::filesystem::remove_all(PathOf("bin"));
    std::filesystem::remove_all(PathOf("share"));
    std::filesystem::create_directories(PathOf("bin"));
    std::filesystem::create_directories(PathOf("share/tessary"));
  }
  QAction* InsertButton(const QString& caption) const {
    for (TToolBand* bar : FWindow->findChildren<TToolBand*>())
      for (QAction* a : bar->actions())
        if (a->text() == caption && a->objectName().isEmpty()) return a;
    return nullptr;
  }

  TFormulaParser FEngine;
  TScriptedDialogs FDialogs;
  std::unique_ptr<TFormFCalculator> FWindow;
};

TEST_F(Window, StartsUntitledWithTheDefaultWorksheet) {
  EXPECT_EQ(FWindow->windowTitle(), "Tessary公式计算器");
  EXPECT_EQ(Formula(), "Z={80+2×[5+2×(1.5+1)]}/(P/T)");
  EXPECT_EQ(FWindow->VLEVars()->Strings(), (QStringList{"P=100", "T=273.15"}));
  EXPECT_FALSE(FWindow->Modified());
  EXPECT_TRUE(FWindow->CurrentFileName().isEmpty());
}

// The window's parts are drawn in 宋体; its menus, and the program's boxes
// and dialogs, keep the desktop's font.
TEST_F(Window, MenusAndDialogsKeepTheDesktopFont) {
  const QFont desktop = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  EXPECT_EQ(QApplication::font().toString(), desktop.toString());
  EXPECT_EQ(FWindow->MFile()->font().toString(), desktop.toString());
  for (const QMenu* menu : FWindow->findChildren<QMenu*>())
    EXPECT_EQ(menu->font().toString(), desktop.toString()) << menu->objectName().toStdString();
  EXPECT_EQ(FWindow->MOriFormula()->font().families().front(), "AR PL UMing CN");
  EXPECT_EQ(FWindow->MOriFormula()->document()->defaultFont().families().front(), "AR PL UMing CN");
}

TEST_F(Window, PartsStandWhereTheyBelongAt1017x680) {
  FWindow->show();
  QApplication::processEvents();
  EXPECT_EQ(FWindow->centralWidget()->size(), QSize(1017, 661));
  EXPECT_EQ(FWindow->statusBar()->height(), 19);
  EXPECT_EQ(FWindow->MOriFormula()->geometry(), QRect(10, 147, 550, 160));
  EXPECT_EQ(FWindow->VLEVars()->geometry(), QRect(562, 147, 187, 160));
  EXPECT_EQ(FWindow->MResult()->geometry(), QRect(10, 311, 742, 160));
  EXPECT_EQ(FWindow->LPRGFormula()->geometry(), QRect(10, 476, 742, 70));
  EXPECT_EQ(FWindow->LACTFormula()->geometry(), QRect(10, 553, 742, 70));
  EXPECT_FALSE(Find<QWidget>("BBRD")->isVisible());

  FWindow->resize(FWindow->width() + 200, FWindow->height() + 100);
  QApplication::processEvents();
  // The formula pane and the table share the width, the result pane and the
  // logs the height; the side column keeps its width at the right edge and
  // its panels share the height.
  EXPECT_EQ(FWindow->MOriFormula()->geometry(), QRect(10, 147, 650, 160)) << "the panes grow";
  EXPECT_EQ(FWindow->VLEVars()->geometry(), QRect(662, 147, 287, 160));
  EXPECT_EQ(FWindow->VLEVars()->columnWidth(1), 224) << "in the value column";
  EXPECT_EQ(FWindow->MResult()->geometry(), QRect(10, 311, 942, 194));
  EXPECT_EQ(FWindow->LPRGFormula()->geometry(), QRect(10, 510, 942, 103));
  EXPECT_EQ(FWindow->LACTFormula()->geometry(), QRect(10, 620, 942, 103));
  EXPECT_EQ(Find<QWidget>("AAST0")->geometry(), QRect(955, 115, 258, 90));
  EXPECT_EQ(Find<QWidget>("AAST5")->geometry(), QRect(955, 634, 258, 89));
  EXPECT_EQ(Find<QWidget>("AALabel1")->pos(), QPoint(831, 122));
}

// The window opens with its client area of 1017 x 680, every part where it
// stands at that size.
TEST_F(Window, ItOpensWithEveryPartWhereItBelongs) {
  FWindow->show();
  QApplication::processEvents();
  EXPECT_EQ(FWindow->centralWidget()->size(), QSize(1017, 661));
  EXPECT_EQ(FWindow->statusBar()->geometry().size(), QSize(1017, 19));
  const std::pair<const char*, QRect> parts[] = {
      {"CoolBar1", QRect(0, 0, 1017, 113)},     {"MOriFormula", QRect(10, 147, 550, 160)},
      {"VLEVars", QRect(562, 147, 187, 160)},   {"MResult", QRect(10, 311, 742, 160)},
      {"LPRGFormula", QRect(10, 476, 742, 70)}, {"LACTFormula", QRect(10, 553, 742, 70)},
      {"BBRD", QRect(464, 120, 75, 25)},        {"AAST0", QRect(755, 115, 258, 73)},
      {"AAST1", QRect(755, 202, 258, 73)},      {"AAST2", QRect(755, 289, 258, 73)},
      {"AAST3", QRect(755, 376, 258, 73)},      {"AAST4", QRect(755, 463, 258, 73)},
      {"AAST5", QRect(755, 550, 258, 73)},
  };
  for (const auto& [name, where] : parts) {
    const QWidget* part = Find<QWidget>(name);
    ASSERT_NE(part, nullptr) << name;
    EXPECT_EQ(part->geometry(), where) << name;
  }
  EXPECT_EQ(Find<QWidget>("AALabel1")->pos(), QPoint(631, 122));
  EXPECT_EQ(Find<QWidget>("SpeedButton1")->geometry(), QRect(128, 121, 61, 22));
  EXPECT_EQ(Find<QWidget>("Label1")->pos(), QPoint(10, 126));
  EXPECT_EQ(Find<QWidget>("Label2")->pos(), QPoint(562, 126));
  EXPECT_EQ(FWindow->VLEVars()->columnWidth(0), 57);
  EXPECT_EQ(FWindow->VLEVars()->columnWidth(1), 124);
}

// The window may be made smaller than it opens, down to a least size that
// at 150 % scaling fits a 1280 x 720 screen: the parts share the room, none
// over another, all inside the client area, no tool button cut off.
TEST_F(Window, ASmallerWindowSharesTheRoomWithoutOverlaps) {
  FWindow->show();
  QApplication::processEvents();
  const int menu = FWindow->menuBar()->height();
  const struct {
    QSize Asked, Client;  // client: without the menu bar and the status bar
  } cases[] = {
      {QSize(400, 300), QSize(940, 581)},  // the least
      {QSize(980, 620), QSize(980, 601)},
      {QSize(960, 655), QSize(960, 636)},  // the free band under the logs not yet used up
      {QSize(1017, 680), QSize(1017, 661)},
      {QSize(1300, 900), QSize(1300, 881)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.Asked.width() << " x " << c.Asked.height());
    FWindow->resize(c.Asked.width(), c.Asked.height() + menu);
    QApplication::processEvents();
    const QWidget* client = FWindow->centralWidget();
    ASSERT_EQ(client->size(), c.Client);
    std::vector<const QWidget*> parts;
    for (const QWidget* part : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (!part->isVisible()) continue;
      EXPECT_TRUE(client->rect().contains(part->geometry())) << part->objectName().toStdString();
      for (const QWidget* other : parts)
        EXPECT_FALSE(part->geometry().intersects(other->geometry()))
            << part->objectName().toStdString() << " over " << other->objectName().toStdString();
      parts.push_back(part);
    }
    for (const QToolButton* button : Find<QWidget>("CoolBar1")->findChildren<QToolButton*>())
      EXPECT_TRUE(client->rect().contains(QRect(button->mapTo(client, QPoint()), button->size())))
          << button->text().toStdString();
  }
}

TEST_F(Window, MenusAndToolBarsCarryTheirCaptions) {
  const std::pair<const char*, const char*> items[] = {
      {"MFile_New", "&N 新建"},
      {"MFile_Open", "&P 打开"},
      {"MFile_Save", "&S 保存"},
      {"MFile_As", "&A 另存为"},
      {"MFile_Exit", "&E 退出"},
      {"MRun", "&R 计算"},
      {"MEDit_Undo", "&U 撤销"},
      {"MEdit_Cut", "&T 剪切"},
      {"MEDit_Copy", "&C 复制"},
      {"MEdit_Paste", "&P 粘贴"},
      {"MAbout", "&A 关于"},
      {"MHelp_About", "&A 关于 Tessary计算器"},
      {"MHelp_Manual", "&M 说明书"},
      {"MTools_Classic", "&C 经典（2^3^2=64，-2^2=4）"},
      {"MTools_Standard", "&S 标准（2^3^2=512，-2^2=-4）"},
      {"MTools_Plot", "&P 绘图"},
      {"TBPlot", "绘图"},
      {"PM1Insert", "&I 插入到公式"},
      {"TBCot", "剪切"},
      {"TBCopy", "拷贝"},
      {"TBAbout", "关于 Tessary公式计算器"},
  };
  for (const auto& [name, caption] : items) {
    QAction* a = Find<QAction>(name);
    ASSERT_NE(a, nullptr) << name;
    EXPECT_EQ(a->text(), caption) << name;
  }
  int insertButtons = 0;
  for (TToolBand* bar : FWindow->findChildren<TToolBand*>())
    for (QAction* a : bar->actions())
      if (!a->isSeparator() && a->objectName().isEmpty()) ++insertButtons;
  EXPECT_EQ(insertButtons, 22 + 6 + 29) << "the symbol bar's four groups hold 12, 7, 8 and 2";
}

TEST_F(Window, CalculateShowsResultsAndMarksFailures) {
  FWindow->TBCalClick();
  EXPECT_EQ(Results(), QStringList{"Z=273.15"});
  EXPECT_EQ(FWindow->LACTFormula()->toPlainText(), "Z=(80+2*(5+2*(1.5+1)))/(100/273.15)");
  EXPECT_FALSE(FWindow->Modified()) << "Calculate does not touch Modified";

  SetFormula("A=1/0\nB=2");
  FWindow->TBCalClick();
  EXPECT_EQ(Results(), (QStringList{"Z=273.15", "A=0", "B=2"}));
  ASSERT_EQ(FWindow->MResult()->extraSelections().size(), 1) << "the failed line is marked";
  EXPECT_EQ(FWindow->MResult()->extraSelections()[0].cursor.blockNumber(), 1);
  EXPECT_EQ(FWindow->LastReport().Statements[0].ErrorCode, 9);
  bool shown = false;
  for (const QLabel* label : FWindow->statusBar()->findChildren<QLabel*>())
    shown = shown || label->text() == "A= 错误 9：被0除（“1/0”的第 2 个字符）";
  EXPECT_TRUE(shown) << "the status bar says why A is 0 and where";

  // A statement too long to substitute into: its own message, and only the
  // start of the 199,999 characters quoted.
  SetFormula("P" + QString("+P").repeated(99999));
  FWindow->TBCalClick();
  EXPECT_EQ(Results().back(), "0");
  const QString tooLong =
      "错误 41：公式太长，无法代入变量（“" + QString("P+").repeated(30) + "…”）";
  shown = false;
  for (const QLabel* label : FWindow->statusBar()->findChildren<QLabel*>())
    shown = shown || label->text() == tooLong;
  EXPECT_TRUE(shown) << "the status bar says why the long statement is 0";
}

// A failed result line leads to the character at fault as typed, full-width
// and Chinese characters counted as one: by a double-click on the line, by
// Enter on it, or by a click on the failure in the status bar. The caret's
// line:column in the status bar follows; an edited formula is not guessed at.
TEST_F(Window, AFailedResultLeadsToItsErrorAsTyped) {
  FWindow->show();
  QApplication::processEvents();
  SetFormula("a=1\n长度＝（２＋3）／０ // 注释");
  FWindow->TBCalClick();
  ASSERT_EQ(Results(), (QStringList{"a=1", "长度=0"}));
  QPlainTextEdit* result = FWindow->MResult();
  QPlainTextEdit* formula = FWindow->MOriFormula();
  auto caret = [formula] {
    const QTextCursor c = formula->textCursor();
    return std::pair(c.blockNumber(), c.positionInBlock());
  };
  auto status = [this](const QString& pattern) {
    for (QLabel* label : FWindow->statusBar()->findChildren<QLabel*>())
      if (QRegularExpression(pattern).match(label->text()).hasMatch()) return label;
    return static_cast<QLabel*>(nullptr);
  };
  const QTextCursor failed(result->document()->findBlockByNumber(1));

  QTest::mouseDClick(result->viewport(), Qt::LeftButton, {}, result->cursorRect(failed).center());
  EXPECT_EQ(caret(), std::pair(1, 8)) << "before ／";
  EXPECT_NE(status("^2:9$"), nullptr) << "line 2, character 9";

  formula->moveCursor(QTextCursor::Start);
  EXPECT_NE(status("^1:1$"), nullptr);
  result->setTextCursor(failed);
  QTest::keyClick(result, Qt::Key_Return);
  EXPECT_EQ(caret(), std::pair(1, 8)) << "Enter on the red line";

  formula->moveCursor(QTextCursor::Start);
  QLabel* failure = status("^长度= 错误 9");
  ASSERT_NE(failure, nullptr);
  QTest::mouseClick(failure, Qt::LeftButton);
  EXPECT_EQ(caret(), std::pair(1, 8)) << "a click on the status bar's failure";

  Type("+1");
  formula->moveCursor(QTextCursor::Start);
  QTest::mouseDClick(result->viewport(), Qt::LeftButton, {}, result->cursorRect(failed).center());
  EXPECT_EQ(caret(), std::pair(0, 0)) << "the places of an edited formula are stale";
}

TEST_F(Window, CalculateMessages) {
  SetFormula("Z=(1+2");
  FWindow->TBCalClick();
  ASSERT_EQ(FDialogs.Boxes.size(), 1u);
  EXPECT_EQ(FDialogs.Boxes[0].Text, "公式错误：括号不配对!");
  EXPECT_EQ(FDialogs.Boxes[0].Icon, TMessageIcon::None);

  SetFormula("a=1\na=a+1\nb=2");
  FWindow->TBCalClick();
  EXPECT_EQ(FDialogs.Boxes.back().Text, "名称“a”已存在");
  EXPECT_EQ(FDialogs.Boxes.back().Icon, TMessageIcon::Error);
  EXPECT_EQ(Results().mid(1), (QStringList{"a=1", "a=2"}));
}

TEST_F(Window, SavingAnUntitledWorksheet) {
  FWindow->MFile_SaveClick();
  EXPECT_TRUE(FDialogs.SaveTitles.empty()) << "nothing modified: Save does nothing";

  Type("\nY=Z*2");
  EXPECT_TRUE(FWindow->Modified());
  FDialogs.SaveNames.push_back(Q(PathOf("calc.txt")));
  FWindow->MFile_SaveClick();
  EXPECT_EQ(FDialogs.SaveTitles, std::vector<QString>{"保存当前数据"});
  EXPECT_EQ(FDialogs.Questions(), 0) << "Save asks no question";
  EXPECT_FALSE(FWindow->Modified());
  EXPECT_EQ(FWindow->CurrentFileName(), Q(PathOf("calc.txt")));
  EXPECT_EQ(FWindow->windowTitle(), "Tessary公式计算器─" + Q(PathOf("calc.txt")));
  EXPECT_EQ(Get(PathOf("calc.txt")), "Z={80+2\xA1\xC1[5+2\xA1\xC1(1.5+1)]}/(P/T)\r\nY=Z*2");
  EXPECT_EQ(Get(PathOf("calc.vle")), "P=100\r\nT=273.15\r\n");
  EXPECT_EQ(FWindow->MostRecentFiles1()->Files(), QStringList{Q(PathOf("calc.txt"))});

  Type(" ");
  FWindow->MFile_SaveClick();
  EXPECT_EQ(FDialogs.SaveTitles.size(), 1u) << "a titled worksheet is saved without a dialog";
  EXPECT_EQ(Get(PathOf("calc.txt")).back(), ' ');
}

TEST_F(Window, SaveAsWritesAnUnchangedWorksheet) {
  FDialogs.SaveNames.push_back(Q(PathOf("a.b.txt")));
  FWindow->MFile_AsClick();
  EXPECT_EQ(FDialogs.SaveTitles, std::vector<QString>{"另存为"});
  EXPECT_TRUE(std::filesystem::exists(PathOf("a.b.txt")));
  EXPECT_EQ(Get(PathOf("a.b.vle")), "P=100\r\nT=273.15\r\n") << "a.b.txt has a.b.vle";
  EXPECT_FALSE(FWindow->Modified());

  FWindow->MFile_AsClick();  // cancelled
  EXPECT_EQ(FWindow->CurrentFileName(), Q(PathOf("a.b.txt")));
}

TEST_F(Window, NewClearsAfterNoButNotAfterACancelledSaveDialog) {
  SetFormula("A=1/0");
  FWindow->TBCalClick();
  ASSERT_TRUE(StatusDetail().contains("被0除"));
  Type("x");
  FDialogs.Answers.push_back(TMessageAnswer::No);
  FWindow->MFile_NewClick();
  ASSERT_EQ(FDialogs.Boxes.size(), 1u);
  EXPECT_EQ(FDialogs.Boxes[0].Caption, "当前数据已经变动");
  EXPECT_EQ(FDialogs.Boxes[0].Text, "你保存当前数据吗？");
  EXPECT_EQ(Formula(), "");
  EXPECT_TRUE(FWindow->VLEVars()->Strings().isEmpty());
  EXPECT_EQ(FWindow->windowTitle(), "Tessary公式计算器─");
  EXPECT_FALSE(FWindow->Modified());
  EXPECT_FALSE(StatusDetail().contains("被0除")) << "the last run's failure is gone too";

  Type("y");
  FDialogs.Answers.push_back(TMessageAnswer::Yes);  // then the save dialog is cancelled
  FWindow->MFile_NewClick();
  EXPECT_EQ(FDialogs.SaveTitles.size(), 1u);
  EXPECT_EQ(Formula(), "y") << "cancelling the dialog cancels New, as 取消 does";
  EXPECT_TRUE(FWindow->Modified());
}

TEST_F(Window, OpeningWorksheets) {
  Put(PathOf("plain.txt"), "A=P*2");
  SetFormula("A=1/0");
  FWindow->TBCalClick();
  FDialogs.OpenNames.push_back(Q(PathOf("plain.txt")));
  FWindow->MFile_OpenClick();  // nothing modified: no question
  EXPECT_EQ(Formula(), "A=P*2");
  EXPECT_FALSE(StatusDetail().contains("被0除")) << "the last run's failure is gone";
  EXPECT_EQ(FWindow->VLEVars()->Strings(), (QStringList{"P=100", "T=273.15"}))
      << "no .vle: the variable table is kept";
  EXPECT_EQ(FWindow->windowTitle(), "Tessary公式计算器─" + Q(PathOf("plain.txt")));
  EXPECT_FALSE(FWindow->Modified());

  Put(PathOf("a.b.txt"), "B=Q\r\n\xA6\xD0");
  Put(PathOf("a.b.vle"), "Q=5\r\n");
  FDialogs.OpenNames.push_back(Q(PathOf("a.b.txt")));
  FWindow->MFile_OpenClick();
  EXPECT_EQ(Formula(), "B=Q\nπ");
  EXPECT_EQ(FWindow->VLEVars()->Strings(), QStringList{"Q=5"});

  FWindow->MFile_OpenClick();  // cancelled
  EXPECT_EQ(FWindow->CurrentFileName(), Q(PathOf("a.b.txt")));
}

// A worksheet over a megabyte is read on a worker and shown in steps, the
// window answering meanwhile: progress in the status bar, keys other than
// Escape ignored, Escape going back to the worksheet that was there.
TEST_F(Window, ABigWorksheetOpensInStepsAndEscapeGoesBack) {
  FWindow->show();
  std::string big;
  for (int i = 0; big.size() < 1536 * 1024; ++i)
    big += "L" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  big += "last=1";
  Put(PathOf("big.txt"), big);
  Put(PathOf("big.vle"), "Q=5\r\n");
  Put(PathOf("small.txt"), "A=1");
  FDialogs.OpenNames = {Q(PathOf("small.txt"))};
  FWindow->MFile_OpenClick();
  QPlainTextEdit* pane = FWindow->MOriFormula();
  auto escape = [&] { QTest::keyClick(pane, Qt::Key_Escape); };

  FDialogs.OpenNames = {Q(PathOf("big.txt"))};
  FWindow->MFile_OpenClick();
  EXPECT_EQ(Formula(), "A=1") << "read on a worker";
  EXPECT_TRUE(StatusDetail().contains("正在打开")) << StatusDetail().toStdString();
  escape();
  QTest::qWait(50);
  EXPECT_EQ(Formula(), "A=1");
  EXPECT_TRUE(StatusDetail().contains("已取消打开")) << StatusDetail().toStdString();

  FDialogs.OpenNames = {Q(PathOf("big.txt"))};
  FWindow->MFile_OpenClick();
  ASSERT_TRUE(QTest::qWaitFor([&] { return StatusDetail().contains("%"); }, 20000));
  QTest::keyClicks(pane, "zz");
  escape();
  QTest::qWait(50);
  EXPECT_EQ(Formula(), "A=1") << "in the middle of the steps";
  EXPECT_EQ(FWindow->VLEVars()->Strings(), (QStringList{"P=100", "T=273.15"}));
  EXPECT_EQ(FWindow->CurrentFileName(), Q(PathOf("small.txt")));
  EXPECT_FALSE(FWindow->Modified());
  EXPECT_EQ(FWindow->MostRecentFiles1()->Files(), QStringList{Q(PathOf("small.txt"))});

  FDialogs.OpenNames = {Q(PathOf("big.txt"))};
  FWindow->MFile_OpenClick();
  ASSERT_TRUE(QTest::qWaitFor([&] { return StatusDetail().contains("%"); }, 20000));
  QTest::keyClicks(pane, "zz");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !StatusDetail().contains("正在打开"); }, 60000));
  const QString text = Formula();
  EXPECT_EQ(text.size(), qsizetype(big.size() - std::count(big.begin(), big.end(), '\r')));
  EXPECT_TRUE(text.startsWith("L0=0\nL1=1\n"));
  EXPECT_TRUE(text.endsWith("\nlast=1"));
  EXPECT_FALSE(text.contains("zz")) << "keys are ignored while the worksheet comes in";
  EXPECT_EQ(FWindow->VLEVars()->Strings(), QStringList{"Q=5"});
  EXPECT_EQ(FWindow->CurrentFileName(), Q(PathOf("big.txt")));
  EXPECT_EQ(FWindow->MostRecentFiles1()->Files(),
            (QStringList{Q(PathOf("big.txt")), Q(PathOf("small.txt"))}));
  EXPECT_FALSE(FWindow->Modified());
  EXPECT_FALSE(pane->document()->isUndoAvailable()) << "Undo cannot go back into the load";
}

// A worksheet from a UTF-8 editor opens as UTF-8, says so in the status bar,
// and is saved back in its own bytes apart from the edit; New is code page 936.
TEST_F(Window, AUtf8WorksheetIsSavedBackAsItCame) {
  FWindow->show();
  const std::string path = PathOf("圆.txt");
  Put(path, "\xEF\xBB\xBF// 圆\nZ=2\xC3\x97\xCF\x80\xC3\x97半径\n");
  Put(PathOf("圆.vle"), "半径=2\n");
  auto shown = [this] {
    for (const QLabel* label : FWindow->statusBar()->findChildren<QLabel*>())
      if (label->text() == "UTF-8" && label->isVisible()) return true;
    return false;
  };
  FDialogs.OpenNames.push_back(Q(path));
  FWindow->MFile_OpenClick();
  EXPECT_EQ(Formula(), "// 圆\nZ=2×π×半径\n");
  EXPECT_EQ(FWindow->VLEVars()->Strings(), QStringList{"半径=2"});
  EXPECT_TRUE(shown());

  FWindow->MOriFormula()->moveCursor(QTextCursor::End);
  FWindow->MOriFormula()->insertPlainText("周长=2×π×半径");
  FWindow->MFile_SaveClick();
  EXPECT_EQ(
      Get(path),
      "\xEF\xBB\xBF// 圆\nZ=2\xC3\x97\xCF\x80\xC3\x97半径\n周长=2\xC3\x97\xCF\x80\xC3\x97半径");
  EXPECT_EQ(Get(PathOf("圆.vle")), "半径=2\n");

  FWindow->MFile_NewClick();
  EXPECT_FALSE(shown());
}

// What was read is shown, but as an untitled, changed worksheet: one Save
// cannot quietly rewrite the variable file without the rows after the
// duplicate; the save dialog offers the name it came from.
TEST_F(Window, ADuplicateKeyInAVariableFile) {
  Put(PathOf("a.txt"), "A=1");
  FDialogs.OpenNames.push_back(Q(PathOf("a.txt")));
  FWindow->MFile_OpenClick();
  Put(PathOf("dup.txt"), "Z=a");
  Put(PathOf("dup.vle"), "a=1\r\nb=2\r\nA=3\r\nc=4\r\n");
  FDialogs.OpenNames.push_back(Q(PathOf("dup.txt")));
  FWindow->MFile_OpenClick();
  EXPECT_EQ(FDialogs.Boxes.back().Text, "名称“A”已存在");
  EXPECT_EQ(Formula(), "Z=a");
  EXPECT_EQ(FWindow->VLEVars()->Strings(), (QStringList{"a=1", "b=2"})) << "rows before it stay";
  EXPECT_EQ(FWindow->windowTitle(), "*Tessary公式计算器─") << "no longer a.txt, not yet dup.txt";
  EXPECT_TRUE(FWindow->CurrentFileName().isEmpty());
  EXPECT_TRUE(FWindow->Modified());

  FWindow->MFile_SaveClick();  // the dialog is cancelled
  EXPECT_EQ(FDialogs.SaveOffers, std::vector<QString>{"dup.txt"});
  EXPECT_EQ(FDialogs.SaveFolders, std::vector<QString>{Q(FDir.string())}) << "where dup.txt was";
  EXPECT_EQ(Get(PathOf("dup.vle")), "a=1\r\nb=2\r\nA=3\r\nc=4\r\n");
  EXPECT_EQ(Get(PathOf("a.txt")), "A=1");
  EXPECT_TRUE(FWindow->Modified());
}

TEST_F(Window, ClosingAsksAndNoCloses) {
  Type("x");
  FDialogs.Answers.push_back(TMessageAnswer::No);
  FWindow->show();
  EXPECT_TRUE(FWindow->close());
  EXPECT_EQ(FDialogs.Questions(), 1);
  EXPECT_TRUE(FDialogs.SaveTitles.empty());
}

// Answering 是 and then cancelling the file dialog cancels the command, as
// 取消 does: the untitled worksheet, its caption and the recent files stay.
TEST_F(Window, CancellingTheSaveDialogCancelsTheCommand) {
  Put(PathOf("other.txt"), "O=1");
  FWindow->MostRecentFiles1()->AddFile(Q(PathOf("other.txt")));
  FWindow->show();
  const QString caption = "*" + FWindow->windowTitle();  // changed, as typed below
  for (const std::string command : {"New", "Open", "Recent", "Close"}) {
    SCOPED_TRACE(command);
    const QString edited = QStringLiteral("E=1 // ") + Q(command);
    SetFormula(edited);
    FDialogs.Answers = {TMessageAnswer::Yes};
    FDialogs.OpenNames = {Q(PathOf("other.txt"))};
    const std::size_t dialogs = FDialogs.SaveTitles.size();
    if (command == "New") FWindow->MFile_NewClick();
    if (command == "Open") FWindow->MFile_OpenClick();
    if (command == "Recent") RecentEntry("other.txt")->trigger();
    if (command == "Close") FWindow->MFile_ExitClick();
    EXPECT_EQ(FDialogs.SaveTitles.size(), dialogs + 1) << "the dialog was shown and cancelled";
    EXPECT_EQ(Formula(), edited);
    EXPECT_EQ(FWindow->CurrentFileName(), "");
    EXPECT_EQ(FWindow->windowTitle(), caption);
    EXPECT_TRUE(FWindow->Modified());
    EXPECT_TRUE(FWindow->isVisible()) << "the window stays open";
    EXPECT_EQ(FWindow->MostRecentFiles1()->Files(), QStringList{Q(PathOf("other.txt"))});
  }
}

// Save As and the first Save ask before a variable file of the chosen name
// is replaced: .vle files are used on their own too. A whole pair was
// already confirmed in the dialog.
TEST_F(Window, SavingAsksBeforeReplacingAVariableFile) {
  const struct {
    const char* Command;
    bool SheetExists;
    TMessageAnswer Answer;
    const char* Vle;  // afterwards; New left the table empty
  } cases[] = {
      {"SaveAs", false, TMessageAnswer::No, "K=1\r\n"},
      {"SaveAs", false, TMessageAnswer::Yes, ""},
      {"Save", false, TMessageAnswer::No, "K=1\r\n"},
      {"SaveAs", true, TMessageAnswer::No, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Command) + (c.SheetExists ? " over a pair" : " beside a .vle"));
    FWindow->MFile_NewClick();
    Type("Z=1");
    std::filesystem::remove(PathOf("orphan.txt"));
    if (c.SheetExists) Put(PathOf("orphan.txt"), "old");
    Put(PathOf("orphan.vle"), "K=1\r\n");
    const std::size_t boxes = FDialogs.Boxes.size();
    FDialogs.Answers = {c.Answer};
    FDialogs.SaveNames = {Q(PathOf("orphan.txt"))};
    if (std::string(c.Command) == "SaveAs")
      FWindow->MFile_AsClick();
    else
      FWindow->MFile_SaveClick();
    EXPECT_EQ(Get(PathOf("orphan.vle")), c.Vle);
    const bool asked = FDialogs.Boxes.size() > boxes;
    EXPECT_EQ(asked, !c.SheetExists);
    if (asked) {
      EXPECT_EQ(FDialogs.Boxes[boxes].Text,
                "变量文件“" + Q(PathOf("orphan.vle")) + "”已经存在，保存会替换它。要替换吗？");
    }
    const bool saved = c.Answer == TMessageAnswer::Yes || c.SheetExists;
    EXPECT_EQ(std::filesystem::exists(PathOf("orphan.txt")), saved || c.SheetExists);
    EXPECT_EQ(FWindow->CurrentFileName(), saved ? Q(PathOf("orphan.txt")) : QString());
    EXPECT_EQ(FWindow->Modified(), !saved);
  }
}

// Characters with no GBK form: the user chooses before anything is written.
TEST_F(Window, SavingAsksWhatToDoWithCharactersWithoutAGbkForm) {
  const struct {
    int Choice;  // 0 UTF-8, 1 "？", 2 取消
    const char* Sheet;
    const char* Vle;
  } cases[] = {
      {2, nullptr, nullptr},
      {1, "Z=1 // \xA3\xBF", "P=100\r\nT=273.15\r\n"},
      {0, "Z=1 // \xF0\x9F\x98\x80", "P=100\r\nT=273.15\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Choice);
    FWindow->MFile_NewClick();
    FWindow->VLEVars()->InsertRow("P", "100");
    FWindow->VLEVars()->InsertRow("T", "273.15");
    Type("Z=1 // 😀");
    std::filesystem::remove(PathOf("e.txt"));
    std::filesystem::remove(PathOf("e.vle"));
    const std::size_t boxes = FDialogs.Boxes.size();
    FDialogs.Choices = {c.Choice};
    FDialogs.SaveNames = {Q(PathOf("e.txt"))};
    FWindow->MFile_AsClick();
    ASSERT_FALSE(FDialogs.ChoiceTexts.empty());
    EXPECT_EQ(FDialogs.ChoiceTexts.back(), "有 1 个字符没有 GBK 编码，按 GBK 保存会变成“？”。");
    EXPECT_EQ(FDialogs.ChoiceButtons.back(),
              (QStringList{"以 UTF-8 保存", "替换为“？”后保存", "取消"}));
    EXPECT_EQ(FDialogs.Boxes.size(), boxes) << "no warning after the file was written";
    if (c.Sheet == nullptr) {
      EXPECT_FALSE(std::filesystem::exists(PathOf("e.txt")));
      EXPECT_FALSE(std::filesystem::exists(PathOf("e.vle")));
      EXPECT_TRUE(FWindow->Modified());
      continue;
    }
    EXPECT_EQ(Get(PathOf("e.txt")), c.Sheet);
    EXPECT_EQ(Get(PathOf("e.vle")), c.Vle);
    EXPECT_FALSE(FWindow->Modified());
  }
  bool shown = false;
  for (const QLabel* label : FWindow->statusBar()->findChildren<QLabel*>())
    shown |= label->text() == "UTF-8" && label->isVisibleTo(FWindow.get());
  EXPECT_TRUE(shown) << "the worksheet is UTF-8 from now on";
}

// A file whose bytes are not valid in its encoding says so when opened.
TEST_F(Window, OpeningSaysWhenBytesAreNotValid) {
  Put(PathOf("bad.txt"), "A=1 // \xFF");
  FDialogs.OpenNames = {Q(PathOf("bad.txt"))};
  FWindow->MFile_OpenClick();
  EXPECT_EQ(Formula(), "A=1 // �");
  EXPECT_TRUE(StatusDetail().contains("有 1 处字节不是有效的 GBK 编码，显示为“�”"))
      << StatusDetail().toStdString();
}

// The recent-files list changes only when a file was really opened or saved:
// a cancelled question, a failed save or a failed open leave its order.
TEST_F(Window, RecentFilesMoveOnlyForAFileOpenedOrSaved) {
  FDialogs.SaveNames.push_back(Q(PathOf("calc.txt")));
  FWindow->MFile_AsClick();
  Put(PathOf("a.txt"), "A=1");
  Put(PathOf("b.txt"), "B=1");
  FWindow->MostRecentFiles1()->AddFile(Q(PathOf("a.txt")));
  FWindow->MostRecentFiles1()->AddFile(Q(PathOf("b.txt")));
  const QStringList order{Q(PathOf("b.txt")), Q(PathOf("a.txt")), Q(PathOf("calc.txt"))};
  const struct {
    TMessageAnswer Answer;
    bool DiskFull;
    bool VleIsFolder;
    const char* Why;
  } cases[] = {
      {TMessageAnswer::Cancel, false, false, "the question cancelled"},
      {TMessageAnswer::Yes, true, false, "the save failed"},
      {TMessageAnswer::No, false, true, "the open failed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Why);
    if (c.VleIsFolder) std::filesystem::create_directory(PathOf("a.vle"));
    SetFormula("changed");
    FDialogs.Answers = {c.Answer};
    FWindow->SetFileOps(c.DiskFull ? DiskFull() : platform::SystemFileOps());
    RecentEntry("a.txt")->trigger();
    EXPECT_EQ(FWindow->MostRecentFiles1()->Files(), order);
  }
  FWindow->SetFileOps(platform::SystemFileOps());
  std::filesystem::remove(PathOf("a.vle"));
  SetFormula("changed");
  FDialogs.Answers = {TMessageAnswer::No};
  RecentEntry("a.txt")->trigger();
  EXPECT_EQ(Formula(), "A=1");
  EXPECT_EQ(FWindow->MostRecentFiles1()->Files(),
            (QStringList{Q(PathOf("a.txt")), Q(PathOf("b.txt")), Q(PathOf("calc.txt"))}));
}

// New, Open, a recent file and closing stop when their save fails or when
// the question is cancelled (取消, Escape, closing the box): the worksheet,
// its file name, the caption and Modified stay, and the window stays open.
TEST_F(Window, CommandsStopWhenTheirSaveFailsOrIsCancelled) {
  Put(PathOf("other.txt"), "O=1");
  FDialogs.SaveNames.push_back(Q(PathOf("calc.txt")));
  FWindow->MFile_AsClick();
  FWindow->MostRecentFiles1()->AddFile(Q(PathOf("other.txt")));
  const std::string saved = Get(PathOf("calc.txt"));
  FWindow->show();
  const struct {
    const char* Command;
    TMessageAnswer Answer;  // Yes: then the disk is full
  } cases[] = {
      {"New", TMessageAnswer::Cancel},    {"Open", TMessageAnswer::Cancel},
      {"Recent", TMessageAnswer::Cancel}, {"Close", TMessageAnswer::Cancel},
      {"New", TMessageAnswer::Yes},       {"Open", TMessageAnswer::Yes},
      {"Recent", TMessageAnswer::Yes},    {"Close", TMessageAnswer::Yes},
  };
  for (const auto& c : cases) {
    const bool full = c.Answer == TMessageAnswer::Yes;
    SCOPED_TRACE(std::string(c.Command) + (full ? ", Yes on a full disk" : ", 取消"));
    const QString edited = QStringLiteral("E=1 // ") + c.Command;
    SetFormula(edited);
    FDialogs.Answers = {c.Answer};
    FDialogs.OpenNames = {Q(PathOf("other.txt"))};
    FWindow->SetFileOps(full ? DiskFull() : platform::SystemFileOps());
    const std::size_t boxes = FDialogs.Boxes.size();
    const std::string command = c.Command;
    if (command == "New") FWindow->MFile_NewClick();
    if (command == "Open") FWindow->MFile_OpenClick();
    if (command == "Recent") RecentEntry("other.txt")->trigger();
    if (command == "Close") FWindow->MFile_ExitClick();
    ASSERT_GT(FDialogs.Boxes.size(), boxes);
    EXPECT_EQ(FDialogs.Boxes[boxes].Buttons, platform::TMessageButtons::YesNoCancel);
    if (full) {
      EXPECT_EQ(FDialogs.Boxes.back().Text,
                "无法保存文件“" + Q(PathOf("calc.txt")) + "”：磁盘空间不足");
    }
    EXPECT_EQ(Formula(), edited);
    EXPECT_EQ(FWindow->VLEVars()->Strings(), (QStringList{"P=100", "T=273.15"}));
    EXPECT_EQ(FWindow->CurrentFileName(), Q(PathOf("calc.txt")));
    EXPECT_EQ(FWindow->windowTitle(), "*Tessary公式计算器─" + Q(PathOf("calc.txt")));
    EXPECT_TRUE(FWindow->Modified());
    EXPECT_TRUE(FWindow->isVisible()) << "the window stays open";
    EXPECT_EQ(Get(PathOf("calc.txt")), saved);
  }
  FWindow->SetFileOps(platform::SystemFileOps());
}

// What the table shows is what is calculated and saved: a cell editor still
// open when a command starts is committed first.
TEST_F(Window, AnOpenCellEditorIsCommittedFirst) {
  FWindow->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(FWindow.get()));
  TypeInCell(0, 1, "999");  // P, not confirmed with Enter
  FWindow->TBCalClick();
  EXPECT_EQ(Results(), QStringList{"Z=27.3423423423423"});
  EXPECT_EQ(FWindow->VLEVars()->Strings(), (QStringList{"P=999", "T=273.15"}));

  FDialogs.SaveNames.push_back(Q(PathOf("calc.txt")));
  FWindow->MFile_AsClick();
  TypeInCell(1, 1, "300");  // T
  EXPECT_TRUE(FWindow->Modified()) << "an edit in progress is a change";
  FWindow->MFile_SaveClick();
  EXPECT_EQ(Get(PathOf("calc.vle")), "P=999\r\nT=300\r\n");
  EXPECT_FALSE(FWindow->Modified());
  FWindow->MFile_ExitClick();
  EXPECT_EQ(FDialogs.Questions(), 0);
  EXPECT_FALSE(FWindow->isVisible());
}

// An Open that cannot read both files changes nothing: not the panes, not
// the caption, not the name the next Save writes to. Reading never blocks.
TEST_F(Window, AFailedOpenChangesNothing) {
  Put(PathOf("a.txt"), "A=1");
  FDialogs.OpenNames.push_back(Q(PathOf("a.txt")));
  FWindow->MFile_OpenClick();
  SetFormula("A=2");
  ASSERT_EQ(mkfifo(PathOf("pipe.txt").c_str(), 0644), 0);
  std::filesystem::create_directory(PathOf("folder.txt"));
  Put(PathOf("big.txt"), "");
  std::filesystem::resize_file(PathOf("big.txt"), (std::size_t{16} << 20) + 1);
  Put(PathOf("c.txt"), "C=1");
  std::filesystem::create_directory(PathOf("c.vle"));
  const std::pair<const char*, QString> cases[] = {
      {"pipe.txt", "无法打开文件“" + Q(PathOf("pipe.txt")) + "”：不是普通文件"},
      {"folder.txt", "无法打开文件“" + Q(PathOf("folder.txt")) + "”：这是一个文件夹"},
      {"big.txt", "无法打开文件“" + Q(PathOf("big.txt")) + "”：文件太大（上限 16 MiB）"},
      {"c.txt", "无法打开文件“" + Q(PathOf("c.vle")) + "”：这是一个文件夹"},
  };
  for (const auto& [name, message] : cases) {
    SCOPED_TRACE(name);
    FDialogs.Answers = {TMessageAnswer::No};
    FDialogs.OpenNames = {Q(PathOf(name))};
    alarm(20);  // a FIFO opened the blocking way would wait forever
    FWindow->MFile_OpenClick();
    alarm(0);
    EXPECT_EQ(FDialogs.Boxes.back().Text, message);
    EXPECT_EQ(Formula(), "A=2");
    EXPECT_EQ(FWindow->VLEVars()->Strings(), (QStringList{"P=100", "T=273.15"}));
    EXPECT_EQ(FWindow->CurrentFileName(), Q(PathOf("a.txt")));
    EXPECT_EQ(FWindow->windowTitle(), "*Tessary公式计算器─" + Q(PathOf("a.txt")));
    EXPECT_TRUE(FWindow->Modified());
  }
  EXPECT_EQ(FWindow->MostRecentFiles1()->Files(), QStringList{Q(PathOf("a.txt"))});
  FWindow->MFile_SaveClick();
  EXPECT_EQ(Get(PathOf("a.txt")), "A=2");
  EXPECT_EQ(Get(PathOf("c.txt")), "C=1");
}

// A file from outside the window (the command line, a second start) opens
// as Open opens it: the save question first, 取消 keeping the worksheet, and
// Open's messages for a file that cannot be opened.
TEST_F(Window, AFileFromOutsideOpensAfterTheSaveQuestion) {
  Put(PathOf("out.txt"), "X=7");
  SetFormula("changed");
  FDialogs.Answers = {TMessageAnswer::Cancel};
  FWindow->OpenFromOutside(Q(PathOf("out.txt")));
  EXPECT_EQ(Formula(), "changed");
  ASSERT_EQ(FDialogs.Boxes.size(), 1u) << "the save question";

  FDialogs.Answers = {TMessageAnswer::No};
  FWindow->OpenFromOutside(Q(PathOf("out.txt")));
  EXPECT_EQ(Formula(), "X=7");
  EXPECT_EQ(FWindow->CurrentFileName(), Q(PathOf("out.txt")));

  FWindow->OpenFromOutside(Q(PathOf("missing.txt")));
  EXPECT_EQ(FDialogs.Boxes.back().Text,
            "无法打开文件“" + Q(PathOf("missing.txt")) + "”：文件或文件夹不存在");
  EXPECT_EQ(FWindow->CurrentFileName(), Q(PathOf("out.txt")));
}

// A file dropped on the window or on the formula pane opens (after the
// drop has ended); dropped text still goes into the pane.
TEST_F(Window, ADroppedFileOpensAndDroppedTextIsInserted) {
  Put(PathOf("drop.txt"), "D=4");
  auto drop = [](QWidget* target, QMimeData& data) {
    const QPoint at(5, 5);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
    return dropped.isAccepted();
  };
  const struct {
    const char* Where;
    QWidget* Target;
  } rows[] = {
      {"the window", FWindow.get()},
      {"the formula pane", FWindow->MOriFormula()->viewport()},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.Where);
    SetFormula("before");
    FWindow->MOriFormula()->document()->setModified(false);
    FDialogs.Answers = {TMessageAnswer::No};
    QMimeData file;
    file.setUrls({QUrl::fromLocalFile(Q(PathOf("drop.txt")))});
    file.setText(Q(PathOf("drop.txt")));  // file managers add the path as text
    EXPECT_TRUE(drop(r.Target, file));
    QCoreApplication::processEvents();
    EXPECT_EQ(Formula(), "D=4");
    EXPECT_EQ(FWindow->CurrentFileName(), Q(PathOf("drop.txt")));
  }
  QMimeData text;
  text.setText("+1");
  FWindow->MOriFormula()->moveCursor(QTextCursor::End);
  drop(FWindow->MOriFormula()->viewport(), text);
  QCoreApplication::processEvents();
  EXPECT_TRUE(Formula().contains("+1")) << Formula().toStdString();
  EXPECT_EQ(FWindow->CurrentFileName(), Q(PathOf("drop.txt")));
}

// 工具 → 数学约定 writes or removes the declaring comment line; the status
// bar tells the convention the pane declares, typed or chosen; Calculate
// follows it. The tool bar's ° inserts the degree sign.
TEST_F(Window, TheConventionIsChosenInTheToolsMenu) {
  auto* standard = Find<QAction>("MTools_Standard");
  auto* classic = Find<QAction>("MTools_Classic");
  auto* status = Find<QLabel>("StatusConvention");
  ASSERT_TRUE(standard && classic && status);
  EXPECT_EQ(status->text(), "约定：经典");
  EXPECT_TRUE(classic->isChecked());

  SetFormula("// 说明\na=2^3^2");
  FWindow->MOriFormula()->document()->setModified(false);
  standard->trigger();
  EXPECT_EQ(Formula(), "// 约定：标准\n// 说明\na=2^3^2");
  EXPECT_EQ(status->text(), "约定：标准");
  EXPECT_TRUE(standard->isChecked());
  EXPECT_TRUE(FWindow->Modified());
  FWindow->TBCalClick();
  EXPECT_EQ(Results().back(), "a=512");

  classic->trigger();
  EXPECT_EQ(Formula(), "// 说明\na=2^3^2");
  EXPECT_EQ(status->text(), "约定：经典");
  FWindow->TBCalClick();
  EXPECT_EQ(Results().back(), "a=64");

  SetFormula("//约定：标准\nb=-2^2");
  EXPECT_EQ(status->text(), "约定：标准") << "typed by hand";
  EXPECT_TRUE(standard->isChecked());
  classic->trigger();
  EXPECT_EQ(Formula(), "b=-2^2");

  SetFormula("c=SIN(30");
  FWindow->MOriFormula()->moveCursor(QTextCursor::End);
  QAction* degree = InsertButton("°");
  ASSERT_NE(degree, nullptr);
  degree->trigger();
  Type(")");
  FWindow->TBCalClick();
  EXPECT_EQ(Results().back(), "c=0.5");
}

// An error inside a defined function's body is the call's: jumping to it
// lands on the name of the call in the statement that made it.
TEST_F(Window, AnErrorInAFunctionLeadsToItsCall) {
  SetFormula("d(x)=1/x\nz=2*d(0)");
  FWindow->TBCalClick();
  ASSERT_EQ(Results(), (QStringList{"d(x)=1/x", "z=0"}));
  ASSERT_TRUE(FWindow->JumpToError(1));
  const QTextCursor caret = FWindow->MOriFormula()->textCursor();
  EXPECT_EQ(std::pair(caret.blockNumber(), caret.positionInBlock()), std::pair(1, 4))
      << "before the d of 2*d(0)";
}

TEST_F(Window, SaveItemFollowsModified) {
  FWindow->MFileClick();
  EXPECT_FALSE(FWindow->MFile_Save()->isEnabled());
  Type("1");
  FWindow->MFileClick();
  EXPECT_TRUE(FWindow->MFile_Save()->isEnabled());
  EXPECT_TRUE(Find<QAction>("TBSave")->isEnabled()) << "the tool button is always enabled";
}

// The usual keys of a desktop editor, each shown in its menu, and a "*"
// before the caption while there are unsaved changes.
TEST_F(Window, KeysAndTheUnsavedMark) {
  FWindow->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(FWindow.get()));
  const std::pair<const char*, const char*> items[] = {
      {"MFile_New", "Ctrl+N"},      {"MFile_Open", "Ctrl+O"}, {"MFile_Save", "Ctrl+S"},
      {"MFile_As", "Ctrl+Shift+S"}, {"MFile_Exit", "Ctrl+Q"}, {"MRun", "F9"},
      {"MTools_Plot", "F7"},
  };
  for (const auto& [name, keys] : items) {
    QAction* item = Find<QAction>(name);
    ASSERT_NE(item, nullptr) << name;
    EXPECT_EQ(item->shortcut().toString(), keys) << name;
  }
  QPlainTextEdit* pane = FWindow->MOriFormula();
  pane->setFocus();
  for (const QKeyCombination key :
       {QKeyCombination(Qt::Key_F9), QKeyCombination(Qt::ControlModifier, Qt::Key_Return),
        QKeyCombination(Qt::ControlModifier, Qt::Key_Enter)}) {
    FWindow->MResult()->clear();
    SetFormula("Z=2*3");
    QTest::keyClick(pane, key.key(), key.keyboardModifiers());
    EXPECT_EQ(Results().back(), "Z=6") << QKeySequence(key).toString().toStdString();
    EXPECT_EQ(Formula(), "Z=2*3") << "the key does not reach the pane";
  }

  Put(PathOf("calc.txt"), "A=1");
  FDialogs.OpenNames = {Q(PathOf("calc.txt"))};
  FWindow->MFile_OpenClick();
  EXPECT_EQ(FWindow->windowTitle(), "Tessary公式计算器─" + Q(PathOf("calc.txt")));
  Type("2");
  EXPECT_EQ(FWindow->windowTitle(), "*Tessary公式计算器─" + Q(PathOf("calc.txt")));
  QTest::keyClick(pane, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(Get(PathOf("calc.txt")), "A=12");
  EXPECT_EQ(FWindow->windowTitle(), "Tessary公式计算器─" + Q(PathOf("calc.txt")));
}

// 撤销 undoes in the table while it has the focus, in the formula pane
// otherwise; a refused key says why in the status bar, with no box.
TEST_F(Window, UndoAndRefusalsInTheVariableTable) {
  FWindow->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(FWindow.get()));
  TValueListEditor* vars = FWindow->VLEVars();
  vars->setFocus();
  vars->setCurrentCell(0, 0);
  QTest::keyClick(vars, Qt::Key_Delete, Qt::ControlModifier);
  ASSERT_EQ(vars->Strings(), QStringList{"T=273.15"});
  FWindow->MEDit_UndoClick();
  EXPECT_EQ(vars->Strings(), (QStringList{"P=100", "T=273.15"}));

  TypeInCell(1, 0, "p");
  vars->CommitEdit();  // as when the cell is left
  EXPECT_EQ(vars->Strings(), (QStringList{"P=100", "T=273.15"}));
  EXPECT_TRUE(StatusDetail().contains("名称“p”已存在"));
  EXPECT_TRUE(FDialogs.Boxes.empty());

  FWindow->MOriFormula()->setFocus();
  Type("x");
  FWindow->MEDit_UndoClick();
  EXPECT_EQ(Formula(), "Z={80+2×[5+2×(1.5+1)]}/(P/T)");
  EXPECT_EQ(vars->Strings(), (QStringList{"P=100", "T=273.15"}));
}

TEST_F(Window, VariableTableChangesSetModified) {
  FWindow->VLEVars()->InsertRow("R", "7");
  EXPECT_TRUE(FWindow->Modified());
}

TEST_F(Window, MissingRecentFile) {
  Put(PathOf("gone.txt"), "Z=1");
  FDialogs.OpenNames.push_back(Q(PathOf("gone.txt")));
  FWindow->MFile_OpenClick();
  std::filesystem::remove(PathOf("gone.txt"));
  QAction* entry = nullptr;
  for (QAction* a : FWindow->MFile()->actions())
    if (a->text().startsWith("&1")) entry = a;
  ASSERT_NE(entry, nullptr);
  entry->trigger();
  EXPECT_EQ(FDialogs.Boxes.back().Text, "文件[" + Q(PathOf("gone.txt")) + "]已经不存在!");
  EXPECT_TRUE(FWindow->MostRecentFiles1()->Files().isEmpty());
}

TEST_F(Window, RecentFileOpens) {
  Put(PathOf("r.txt"), "R=2");
  FDialogs.OpenNames.push_back(Q(PathOf("r.txt")));
  FWindow->MFile_OpenClick();
  SetFormula("changed");
  FDialogs.Answers.push_back(TMessageAnswer::No);
  for (QAction* a : FWindow->MFile()->actions())
    if (a->text().startsWith("&1")) a->trigger();
  EXPECT_EQ(Formula(), "R=2");
  EXPECT_FALSE(FWindow->Modified());
}

// The bands' buttons are what the user clicks and points at.
TEST_F(Window, TheBandsButtonsClickAndExplainThemselves) {
  FWindow->show();
  SetFormula("Z=");
  FWindow->MOriFormula()->moveCursor(QTextCursor::End);
  auto buttonFor = [this](QAction* action) -> QToolButton* {
    auto* band = qobject_cast<TToolBand*>(action->parent());
    return band != nullptr ? band->ButtonFor(action) : nullptr;
  };
  QToolButton* cos = buttonFor(InsertButton("cos"));
  ASSERT_NE(cos, nullptr);
  QTest::mouseClick(cos, Qt::LeftButton);
  EXPECT_EQ(Formula(), "Z=cos");
  QToolButton* save = buttonFor(Find<QAction>("TBSave"));
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(save->toolTip(), "保存");
  EXPECT_EQ(save->statusTip(), "保存");
  EXPECT_FALSE(save->icon().isNull());
  EXPECT_EQ(save->focusPolicy(), Qt::NoFocus) << "the caret stays in the formula";
  EXPECT_EQ(buttonFor(InsertButton("×"))->font().families().front(), "WenQuanYi Zen Hei");
}

TEST_F(Window, InsertingAtTheCaret) {
  SetFormula("Z=");
  FWindow->MOriFormula()->moveCursor(QTextCursor::End);
  InsertButton("sin")->trigger();
  InsertButton("(")->trigger();
  EXPECT_EQ(Formula(), "Z=sin(");
  QTextCursor c = FWindow->MOriFormula()->textCursor();
  c.setPosition(2);
  c.setPosition(5, QTextCursor::KeepAnchor);  // "sin" selected
  FWindow->MOriFormula()->setTextCursor(c);
  InsertButton("×")->trigger();
  EXPECT_EQ(Formula(), "Z=×(") << "a selection is replaced";

  FWindow->VLEVars()->setCurrentCell(1, 0);
  FWindow->PM1InsertClick();
  EXPECT_EQ(Formula(), "Z=×T(");
  FWindow->VLEVars()->ClearRows();
  FWindow->PM1InsertClick();
  EXPECT_EQ(Formula(), "Z=×T(") << "an empty table inserts nothing";
}

TEST_F(Window, EditCommandsActOnTheFormulaPane) {
  FWindow->show();
  SetFormula("abc");
  FWindow->MOriFormula()->selectAll();
  FWindow->VLEVars()->setFocus();
  FWindow->MEDit_CopyClick();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "abc");
  FWindow->MEdit_CutClick();
  EXPECT_EQ(Formula(), "");
  FWindow->MEdit_PasteClick();
  FWindow->MEdit_PasteClick();
  EXPECT_EQ(Formula(), "abcabc");
  FWindow->MEDit_UndoClick();
  EXPECT_EQ(Formula(), "abc");
}

TEST_F(Window, AboutAndManual) {
  FWindow->MAboutClick();
  ASSERT_EQ(FDialogs.Boxes.size(), 1u);
  EXPECT_EQ(FDialogs.Boxes[0].Caption, "欢迎使用Tessary公式计算器");
  EXPECT_EQ(FDialogs.Boxes[0].Text,
            "Tessary公式计算器 1.5 版\nTessary Formula Calculator Version 1.5\n\n" +
                QString(62, '-') + "\n");
  EXPECT_EQ(FDialogs.Boxes[0].Icon, TMessageIcon::Information);

  // Beside the program first, then where an installed program keeps it.
  FWindow->SetProgramFolder(Q(PathOf("bin")));
  std::filesystem::create_directories(PathOf("bin"));
  std::filesystem::create_directories(PathOf("share/tessary"));
  Put(PathOf("share/tessary/Manual.pdf"), "%PDF");
  FWindow->MHelp_ManualClick();
  Put(PathOf("bin/Manual.pdf"), "%PDF");
  FWindow->MHelp_ManualClick();
  EXPECT_EQ(FDialogs.OpenedFiles, (std::vector<QString>{Q(PathOf("share/tessary/Manual.pdf")),
                                                        Q(PathOf("bin/Manual.pdf"))}));
  EXPECT_EQ(FDialogs.Boxes.size(), 1u) << "a program took the PDF: nothing more to say";
  EXPECT_EQ(FWindow->findChild<QTextBrowser*>(), nullptr);
}

// A manual as the help window reads it: its title, a line, and one of the
// tool bar's pictures by the name the manual's source gives it, which an
// installed program has built in.
constexpr char kSmallManual[] =
    "<html><head><title>试验说明书</title></head><body><p>公式栏</p>"
    "<img src=\"../window/icons/05-calculate.svg\"></body></html>";

// Help always answers: when no program opens PDF files, or there is no PDF,
// the window shows the HTML manual itself, from beside the program or from
// where an installed program keeps it.
TEST_F(Window, WithoutAPdfViewerHelpShowsTheManualItself) {
  const struct {
    const char* Why;
    bool Pdf, OpenerStarts, NoProgram;
    const char* Html;
  } cases[] = {
      {"no program opens PDF files", true, true, true, "bin/manual.html"},
      {"the opener cannot be started", true, false, false, "bin/manual.html"},
      {"no PDF", false, true, false, "share/tessary/manual.html"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Why);
    FreshProgramFolders();
    if (c.Pdf) Put(PathOf("bin/Manual.pdf"), "%PDF");
    Put(PathOf(c.Html), kSmallManual);
    TScriptedDialogs dialogs;
    dialogs.OpenerStarts = c.OpenerStarts;
    TFormFCalculator window(FEngine, dialogs, Q(PathOf("help.ini")));
    window.SetProgramFolder(Q(PathOf("bin")));
    window.MHelp_ManualClick();
    if (c.NoProgram) {
      ASSERT_EQ(dialogs.NoProgramFor.size(), 1u);
      EXPECT_EQ(window.findChild<QTextBrowser*>(), nullptr) << "not while a viewer may come";
      dialogs.NoProgramFor[0]();  // the opener ends: no program took it
    }
    auto* browser = window.findChild<QTextBrowser*>();
    ASSERT_NE(browser, nullptr);
    const QPointer<QWidget> help = browser->window();
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->windowTitle(), "Tessary公式计算器 说明书");
    EXPECT_EQ(browser->documentTitle(), "试验说明书");
    EXPECT_TRUE(browser->toPlainText().startsWith("公式栏"));
    EXPECT_TRUE(
        browser->document()
            ->resource(QTextDocument::ImageResource, QUrl("../window/icons/05-calculate.svg"))
            .isValid())
        << "the picture is there without the source tree";
    QTest::keyClick(help, Qt::Key_Escape);
    EXPECT_TRUE(help.isNull() || !help->isVisible()) << "Escape closes it";
    EXPECT_TRUE(dialogs.Boxes.empty());
  }
}

// Failing that too, Help says what is missing and where it looked. A manual
// that another user could have changed, or a link in its place, is not read.
TEST_F(Window, WithoutAnyManualHelpSaysWhatIsMissing) {
  const QString bin = Q(PathOf("bin")), share = Q(PathOf("share/tessary"));
  const struct {
    const char* Why;
    std::function<void()> Lay;
    bool NoProgram;
    QString Text;
  } cases[] = {
      {"nothing there", [] {}, false,
       "找不到说明书。找过这些文件：\n" + bin + "/Manual.pdf\n" + share + "/Manual.pdf\n" + bin +
           "/manual.html\n" + share + "/manual.html"},
      {"a PDF that no program opens", [&] { Put(PathOf("bin/Manual.pdf"), "%PDF"); }, true,
       "没有程序能打开 PDF 文件“" + bin + "/Manual.pdf”，也找不到网页版的说明书。找过这些文件：\n" +
           bin + "/manual.html\n" + share + "/manual.html"},
      {"a manual others may write to",
       [&] {
         Put(PathOf("bin/manual.html"), kSmallManual);
         chmod(PathOf("bin/manual.html").c_str(), 0666);
       },
       false,
       "找不到说明书。找过这些文件：\n" + bin + "/Manual.pdf\n" + share + "/Manual.pdf\n" + bin +
           "/manual.html（未读取：“" + bin + "/manual.html”其他用户可以写入）\n" + share +
           "/manual.html"},
      {"a link in the manual's place",
       [&] {
         Put(PathOf("elsewhere.html"), kSmallManual);
         std::filesystem::create_symlink(PathOf("elsewhere.html"),
                                         PathOf("share/tessary/manual.html"));
       },
       false,
       "找不到说明书。找过这些文件：\n" + bin + "/Manual.pdf\n" + share + "/Manual.pdf\n" + bin +
           "/manual.html\n" + share + "/manual.html（未读取：“" + share +
           "/manual.html”是符号链接）"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Why);
    FreshProgramFolders();
    c.Lay();
    TScriptedDialogs dialogs;
    TFormFCalculator window(FEngine, dialogs, Q(PathOf("help.ini")));
    window.SetProgramFolder(bin);
    window.MHelp_ManualClick();
    if (c.NoProgram) {
      ASSERT_EQ(dialogs.NoProgramFor.size(), 1u);
      dialogs.NoProgramFor[0]();
    }
    ASSERT_EQ(dialogs.Boxes.size(), 1u);
    EXPECT_EQ(dialogs.Boxes[0].Text, c.Text);
    EXPECT_EQ(dialogs.Boxes[0].Icon, TMessageIcon::Warning);
    EXPECT_EQ(window.findChild<QTextBrowser*>(), nullptr);
  }
}

// A file dialog starts in the worksheet's folder, else in that of the file
// last opened or saved (the recent files carry it to the next start), else
// in the documents folder, else at home; Save As offers the worksheet's name.
TEST_F(Window, FileDialogsStartWhereTheUserWorks) {
  testing::TScopedEnv env;
  env.Set("HOME", PathOf("home"));
  env.Set("XDG_CONFIG_HOME", std::nullopt);
  std::filesystem::create_directories(PathOf("home"));
  std::filesystem::create_directories(PathOf("x/y"));
  std::filesystem::create_directories(PathOf("z"));
  Put(PathOf("x/y/a.txt"), "A=1");
  using TSteps = std::function<void(TFormFCalculator&, TScriptedDialogs&)>;
  const TSteps open = [&](TFormFCalculator& w, TScriptedDialogs& d) {
    d.OpenNames.push_back(Q(PathOf("x/y/a.txt")));
    w.MFile_OpenClick();
  };
  const struct {
    const char* Why;
    TSteps Steps;
    bool Restart;  // the window is closed and made again on the same ini
    const char* Folder;
    QString Name;
  } cases[] = {
      {"nothing used yet",
       [&](auto&, auto&) { std::filesystem::create_directory(PathOf("home/Documents")); }, false,
       "home/Documents", ""},
      {"nothing used yet, no documents folder",
       [&](auto&, auto&) { std::filesystem::remove(PathOf("home/Documents")); }, false, "home", ""},
      {"a worksheet opened", open, false, "x/y", "a.txt"},
      {"a new worksheet after one was opened",
       [&](TFormFCalculator& w, TScriptedDialogs& d) {
         open(w, d);
         w.MFile_NewClick();
       },
       false, "x/y", ""},
      {"a new worksheet after one was saved elsewhere",
       [&](TFormFCalculator& w, TScriptedDialogs& d) {
         open(w, d);
         d.SaveNames.push_back(Q(PathOf("z/b.txt")));
         w.MFile_AsClick();
         w.MFile_NewClick();
       },
       false, "z", ""},
      {"the next start, untitled", open, true, "x/y", ""},
  };
  int made = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Why);
    const QString ini = Q(PathOf("dialogs" + std::to_string(++made) + ".ini"));
    TScriptedDialogs dialogs;
    auto window = std::make_unique<TFormFCalculator>(FEngine, dialogs, ini);
    c.Steps(*window, dialogs);
    if (c.Restart) {
      window.reset();
      window = std::make_unique<TFormFCalculator>(FEngine, dialogs, ini);
    }
    window->MFile_OpenClick();  // both cancelled
    window->MFile_AsClick();
    EXPECT_EQ(dialogs.OpenFolders.back(), Q(PathOf(c.Folder)));
    EXPECT_EQ(dialogs.SaveFolders.back(), Q(PathOf(c.Folder)));
    EXPECT_EQ(dialogs.SaveOffers.back(), c.Name);
  }
}

TEST_F(Window, SideColumnOfSixStillPanels) {
  FWindow->show();
  QApplication::processEvents();
  EXPECT_EQ(FWindow->AALabel1()->Caption(), "右侧广告招租");
  EXPECT_EQ(FWindow->AALabel1()->pos(), QPoint(631, 122));
  const int tops[] = {115, 202, 289, 376, 463, 550};
  for (int i = 0; i < TFormFCalculator::kPanelCount; ++i) {
    TAAScrollText* panel = FWindow->Panels()[i];
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->objectName(), QStringLiteral("AAST%1").arg(i)) << "index i holds AAST<i>";
    EXPECT_EQ(panel->geometry(), QRect(755, tops[i], 258, 73));
    EXPECT_FALSE(panel->Active()) << "still until the board fills it";
    EXPECT_EQ(panel->Text().Lines(), TFormFCalculator::BuiltInPanelText());
    EXPECT_EQ(panel->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(panel->Fonts().IndexOf("Title1"), 0);
    EXPECT_EQ(panel->Fonts().IndexOf("Text3"), 6);
    // Laid out on the layout threads, so that the window shows at once.
    EXPECT_TRUE(QTest::qWaitFor([panel] { return !panel->LayoutPending(); }, 10000));
    EXPECT_GT(panel->TextImage().height(), 73) << "the built-in text is laid out";
  }
  EXPECT_EQ(FWindow->Panels()[2]->RepeatDelay(), 8000);
  EXPECT_EQ(FWindow->Panels()[3]->Fonts()[0].Effect().Gradual().Style(), gsBottomToTop);
}

// Only the first frames are drawn before the window has painted itself:
// the rest of the built-in text waits, then comes.
TEST_F(Window, TheRestOfThePanelTextWaitsForTheFirstPaint) {
  const auto& panels = FWindow->Panels();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return std::all_of(panels.begin(), panels.end(),
                           [](TAAScrollText* p) { return p->TextImage().height() >= 73; });
      },
      20000));
  QTest::qWait(300);
  for (TAAScrollText* panel : panels) EXPECT_TRUE(panel->LayoutPending()) << "held";
  FWindow->show();
  for (TAAScrollText* panel : panels)
    EXPECT_TRUE(QTest::qWaitFor([panel] { return !panel->LayoutPending(); }, 20000));
}

// The status bar is laid out before the first paint and not again after
// it: a second paint would send the X server another picture.
TEST_F(Window, TheStatusBarPaintsOnceAtTheStart) {
  struct TCounter : QObject {
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) ++Paints;
      return false;
    }
  } counter;
  FWindow->statusBar()->installEventFilter(&counter);
  FWindow->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(FWindow.get()));
  ASSERT_TRUE(QTest::qWaitFor([&] { return counter.Paints > 0; }, 5000));
  QTest::qWait(300);
  EXPECT_EQ(counter.Paints, 1);
}

TEST_F(Window, PanelsPauseUnderTheMouseAndOpenTheirLinks) {
  TAAScrollText* panel = FWindow->Panels()[4];
  FWindow->AAST0MouseEnter(panel);
  EXPECT_EQ(panel->ScrollStep(), 0);
  EXPECT_FALSE(panel->Active()) << "an inactive panel only changes its step";
  FWindow->AAST0MouseLeave(panel);
  EXPECT_EQ(panel->ScrollStep(), 1);

  FWindow->AAFadeText1Click(panel);
  EXPECT_TRUE(FDialogs.Opened.empty()) << "no link before the board: nothing happens";
  FWindow->Board().SetLink(4, "http://127.0.0.1:8080/board/4");
  FWindow->AAFadeText1Click(panel);
  ASSERT_EQ(FDialogs.Opened.size(), 1u);
  EXPECT_EQ(FDialogs.Opened[0], QUrl("http://127.0.0.1:8080/board/4"));
  FWindow->AAFadeText1Click(FWindow->Panels()[3]);
  EXPECT_EQ(FDialogs.Opened.size(), 1u) << "each panel its own link";
}

TEST_F(Window, ASavedWorksheetCalculatesTheSameOutsideTheWindow) {
  SetFormula("A=-2\nB=A*3 // note\nC=B÷[T-P]");
  FWindow->TBCalClick();
  FDialogs.SaveNames.push_back(Q(PathOf("same.txt")));
  FWindow->MFile_SaveClick();

  TWorksheet ws;
  ws.Formula = ReadWorksheetFile(PathOf("same.txt"));
  ReadVariableFile(PathOf("same.vle"), ws.Variables);
  struct : ICalcMessages {
    void ShowMessage(const std::string&) override {}
    void ShowError(const std::string&) override {}
  } quiet;
  TFormulaParser engine;
  Calculate(ws, engine, quiet);
  QStringList lines;
  for (const auto& l : ws.Results) lines << Q(l);
  EXPECT_EQ(lines, Results());
}

// 绘图 plots the statement under the caret with the worksheet's names, adds
// a curve to a plot window that is open, and says why a line has no curve.
TEST_F(Window, PlottingTheStatementUnderTheCaret) {
  SetFormula("a=2\ny=SIN(x)\nk=SIN(1)\nf(t)=a*t\ng(u,v)=u+v\nz=TAN(x)\n// x");
  QAction* plot = Find<QAction>("MTools_Plot");
  auto* status = Find<QLabel>("StatusDetail");
  ASSERT_TRUE(plot && status);
  const struct {
    int Line;
    QStringList Legend;  // empty: no plot window
    QString Status;
  } rows[] = {
      {2, {}, "表达式“SIN(1)”中没有 x"},     {4, {}, "函数 g 有 2 个参数，只能绘一个参数的函数"},
      {6, {}, "这一行没有可绘的式子"},       {1, {"SIN(x)"}, ""},
      {3, {"SIN(x)", "f(x)"}, ""},           {2, {"SIN(x)", "f(x)"}, "表达式“SIN(1)”中没有 x"},
      {5, {"SIN(x)", "f(x)", "TAN(x)"}, ""},
  };
  for (const auto& r : rows) {
    QTextCursor caret(FWindow->MOriFormula()->document()->findBlockByNumber(r.Line));
    caret.movePosition(QTextCursor::EndOfBlock);
    FWindow->MOriFormula()->setTextCursor(caret);
    plot->trigger();
    TPlotWindow* window = FWindow->PlotWindow();
    EXPECT_EQ(window ? window->Legend() : QStringList(), r.Legend) << "line " << r.Line;
    EXPECT_EQ(status->text(), r.Status) << "line " << r.Line;
  }
  const plot::TCurve& f = FWindow->PlotWindow()->Curve(1);
  ASSERT_GT(f.PointCount(), 10u);
  for (const auto& piece : f.Pieces)
    for (const plot::TPoint& p : piece) ASSERT_NEAR(p.Y, 2 * p.X, 1e-9) << "a=2 from the sheet";
}

// The wheel zooms around the mouse (the x under it stays), a drag pans (the
// point follows the mouse), and the picture is exported and copied at the
// size of the plot.
TEST_F(Window, ThePlotZoomsPansAndExports) {
  SetFormula("y=SIN(x)");
  Find<QAction>("MTools_Plot")->trigger();
  TPlotWindow* plot = FWindow->PlotWindow();
  ASSERT_NE(plot, nullptr);
  EXPECT_EQ(plot->windowTitle(), "绘图 — Tessary公式计算器");
  QWidget* view = plot->View();
  view->resize(400, 300);
  auto* readout = plot->findChild<QLabel*>("PlotReadout");
  ASSERT_NE(readout, nullptr);
  const auto mouse = [view](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
    QMouseEvent e(type, at, view->mapToGlobal(at),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(view, &e);
  };
  const QPointF at(150, 100), to(250, 180);
  EXPECT_EQ(std::pair(plot->XRange().Low, plot->XRange().High), std::pair(-10.0, 10.0));
  mouse(QEvent::MouseMove, at, Qt::NoButton);
  const QString before = readout->text();
  EXPECT_TRUE(before.startsWith("x = ")) << before.toStdString();
  QWheelEvent wheel(at, view->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(view, &wheel);
  EXPECT_NEAR(plot->XRange().High - plot->XRange().Low, 16, 1e-9) << "a notch zooms in by 1.25";
  mouse(QEvent::MouseMove, at, Qt::NoButton);
  EXPECT_EQ(readout->text(), before) << "the point under the mouse stays";

  mouse(QEvent::MouseButtonPress, at, Qt::LeftButton);
  mouse(QEvent::MouseMove, to, Qt::LeftButton);
  mouse(QEvent::MouseButtonRelease, to, Qt::NoButton);
  mouse(QEvent::MouseMove, to, Qt::NoButton);
  EXPECT_EQ(readout->text(), before) << "the dragged point follows the mouse";

  const struct {
    const char* Button;
    const char* File;
  } exports[] = {{"PlotSvg", "plot.svg"}, {"PlotPng", "plot.png"}};
  for (const auto& e : exports) {
    FDialogs.SaveNames.push_back(Q(PathOf(e.File)));
    auto* button = plot->findChild<QAbstractButton*>(e.Button);
    ASSERT_NE(button, nullptr) << e.Button;
    button->click();
  }
  const std::string svg = Get(PathOf("plot.svg"));
  EXPECT_NE(svg.find("<svg"), std::string::npos);
  EXPECT_TRUE(svg.find("<path") != std::string::npos || svg.find("<polyline") != std::string::npos);
  const QImage png(Q(PathOf("plot.png")));
  EXPECT_EQ(png.size(), QSize(400, 300));
  plot->findChild<QAbstractButton*>("PlotCopy")->click();
  EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(400, 300));
}

}  // namespace
}  // namespace tessary
