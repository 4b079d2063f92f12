// SPDX-License-Identifier: MIT
// Building the main window: its parts at their places, menus, tool bars.

#include "formfcalculator.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "apppaths.h"
#include "boardfetch.h"
#include "fontsubstitutes.h"
#include "mostrecentfiles.h"
#include "textlayout.h"
#include "textpane.h"
#include "toolband.h"
#include "userdialogs.h"
#include "valuelisteditor.h"

// The pictures live in this static library; nothing else would pull them in.
static void InitIconResources() { Q_INIT_RESOURCE(icons); }

namespace tessary {

namespace {

// The client area the window opens at, status bar included.
constexpr int kClientWidth = 1017;
constexpr int kClientHeight = 680;
// The least: at 150 % scaling the whole window, menu bar included, still
// fits a 1280 x 720 screen beside a task bar, and the widest tool band fits.
constexpr int kMinClientWidth = 940;
constexpr int kMinClientHeight = 600;
constexpr int kStatusHeight = 19;
// Under the logs the open window has a free band; a lower window gives it
// up first, down to a margin of 8.
constexpr int kFreeBand = 30;
constexpr int kAfterFirstPaintMs = 200;

const char* const kFuncBar1[] = {"exp",  "log",  "ln",   "sin",  "cos", "tan", "arctan", "sqr",
                                 "sqrt", "abs",  "frac", "int",  "max", "min", "round",  "sgn",
                                 "sinh", "cosh", "tanh", "coth", "csc", "sec"};
const char* const kFuncBar2[] = {"arcsinh", "arccosh", "arctanh", "arccsch", "arcsech", "arccoth"};
// The symbol bar's four groups, divided from each other.
const std::vector<std::vector<const char*>> kSymbolGroups = {
    {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", ".", "E"},
    {"+", "-", "×", "*", "÷", "/", "^"},
    {"(", ")", "[", "]", "{", "}", "<", ">"},
    {"π", "°"},
};

QLabel* BoldLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont f = label->font();
  f.setBold(true);
  label->setFont(f);
  label->adjustSize();
  return label;
}

QPlainTextEdit* Pane(QWidget* parent, bool readOnly, bool buttonFace) {
  auto* pane = new TTextPane(parent);
  pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  pane->setLineWrapMode(QPlainTextEdit::NoWrap);
  pane->setReadOnly(readOnly);
  if (buttonFace) {
    QPalette p = pane->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Button));
    pane->setPalette(p);
  }
  return pane;
}

TToolBand* Band(QWidget* parent, const char* name, Qt::ToolButtonStyle style) {
  auto* band = new TToolBand(parent, style, QSize(20, 20));
  band->setObjectName(QString::fromLatin1(name));
  return band;
}

}  // namespace

TFormFCalculator::TFormFCalculator(TFormulaParser& engine, platform::IUserDialogs& dialogs,
                                   const QString& iniFile, QWidget* parent)
    : QMainWindow(parent),
      FEngine(engine),
      FDialogs(dialogs),
      FProgramFolder(QFileInfo(QString::fromStdString(platform::ExecutablePath())).absolutePath()) {
  InitIconResources();
  // The pictures are drawn beside the building of the window at the sizes
  // it shows: 16 pixels on the 计算 button and in the menus, 20 in the tool
  // bar, whose band leaves them 18 pixels of height.
  QStringList pictureFiles;
  for (std::size_t i = 0; i < FPictures.size(); ++i)
    pictureFiles << QStringLiteral(":/icons/%1.svg").arg(i);
  FDrawing = std::make_unique<TPictures>(pictureFiles, std::vector<int>{16, 18, 20},
                                         qApp->devicePixelRatio());
  setWindowTitle(QString::fromUtf8(kTitle));
  QFont font;
  font.setFamilies(platform::FamiliesFor(QStringLiteral("宋体")));
  font.setPixelSize(12);
  setFont(font);

  FBoard = std::make_unique<TBoardFetch>([this](const TBoard& board) { ApplyBoardText(board); },
                                         [this](const QString& error) { ShowError(error); });
  FClient = new QWidget(this);
  setCentralWidget(FClient);
  FClient->installEventFilter(this);  // lays the parts out on every resize
  BuildSideColumn();                  // first, so that the layout threads start on it at once
  BuildPanes();
  BuildMenus();
  BuildToolBars();
  BuildStatusBar();
  BuildRecentFiles(iniFile);
  ConnectChanges();
  setAcceptDrops(true);  // a worksheet file dropped anywhere opens

  const TWorksheet initial = DefaultWorksheet();
  FOriFormula->setPlainText(QString::fromStdString(initial.Formula.front()));
  QStringList rows;
  for (const auto& row : initial.Variables.Rows()) rows << QString::fromStdString(row);
  FVars->SetStrings(rows);

  FormCreate();
  // It opens at 1017 x 680, where every part stands where it belongs.
  const int menuHeight = menuBar()->sizeHint().height();
  // With wider fonts than ours the widest band sets the least width.
  setMinimumSize(std::max(kMinClientWidth, FCoolBar->minimumSizeHint().width()),
                 kMinClientHeight + menuHeight);
  resize(kClientWidth, kClientHeight + menuHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  FOriFormula->setFocus();
  ShowCaretPosition();
  // The status bar lays itself out in two rounds of posted events, and the
  // second, coming after the first paint, would paint it once more: both
  // are done here.
  for (int round = 0; round < 2; ++round)
    QCoreApplication::sendPostedEvents(statusBar(), QEvent::LayoutRequest);
}

TFormFCalculator::~TFormFCalculator() {
  FOpening.reset();
  for (std::thread& worker : FOpenWorkers) worker.join();
  FBoard.reset();         // a late answer reaches nobody
  HoldLayoutRest(false);  // in case it never painted
}

const QIcon& TFormFCalculator::Picture(TPicture picture) {
  QIcon& icon = FPictures.at(static_cast<std::size_t>(picture));
  if (icon.isNull()) icon = FDrawing->Icon(static_cast<int>(picture));
  return icon;
}

// The window manager's icon is drawn from the picture at several sizes; it
// need not hold up the first sight of the window. Nor need the rest of the
// panels' text, below their first frames, nor the bulletin board, which
// fills the panels when it arrives and loads the network code first. All
// wait a moment after the first paint, while the X server puts that
// picture on the screen.
void TFormFCalculator::AfterFirstPaint() {
  HoldLayoutRest(false);
  setWindowIcon(QIcon(QStringLiteral(":/icons/tessary.svg")));
  StartBoard();
}

// Fills the panel table first; CurrentFileName and Modified start empty.
void TFormFCalculator::FormCreate() {
  FillPanelTable();
  FCurrentFileName.clear();
  SetModified(false);
}

// Tab, Shift+Tab and Ctrl+Tab walk the formula pane, the variable table and
// the result pane; a tab is never text of a formula. The logs are reached
// with the mouse.
void TFormFCalculator::SetKeyboardFocusChain() {
  FOriFormula->setTabChangesFocus(true);
  FVars->setTabKeyNavigation(false);
  FPrgFormula->setFocusPolicy(Qt::ClickFocus);
  FActFormula->setFocusPolicy(Qt::ClickFocus);
  setTabOrder(FOriFormula, FVars);
  setTabOrder(FVars, FResult);
  for (const auto& [keys, next] :
       {std::pair{QKeySequence(Qt::CTRL | Qt::Key_Tab), true},
        std::pair{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), false},
        std::pair{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), false}}) {
    auto* shortcut = new QShortcut(keys, this);
    connect(shortcut, &QShortcut::activated, this,
            [this, next = next] { focusNextPrevChild(next); });
  }
}

void TFormFCalculator::BuildPanes() {
  QLabel* label1 = BoldLabel(QStringLiteral("公式"), FClient);
  label1->setObjectName(QStringLiteral("Label1"));
  label1->move(10, 126);
  FLabel2 = BoldLabel(QStringLiteral("变量表"), FClient);
  FLabel2->setObjectName(QStringLiteral("Label2"));

  FCalcButton = new QToolButton(FClient);
  FCalcButton->setObjectName(QStringLiteral("SpeedButton1"));
  FCalcButton->setText(QStringLiteral("计算"));
  FCalcButton->setIcon(Picture(TPicture::Calculate));
  FCalcButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  FCalcButton->setFocusPolicy(Qt::NoFocus);
  QFont bold = FCalcButton->font();
  bold.setBold(true);
  FCalcButton->setFont(bold);
  connect(FCalcButton, &QToolButton::clicked, this, &TFormFCalculator::TBCalClick);

  // A text pane lays out its first, empty page in the application's font
  // before it takes the window's: while the panes are made, that is the
  // window's font, so that no font is loaded for nothing. Nothing else is
  // made meanwhile: a menu or a dialog would keep it.
  const QFont applicationFont = QApplication::font();
  QApplication::setFont(font());
  FOriFormula = Pane(FClient, false, false);
  FOriFormula->setObjectName(QStringLiteral("MOriFormula"));
  FVars = new TValueListEditor(FClient);
  FVars->setObjectName(QStringLiteral("VLEVars"));
  // A refused key says why beside the table, without a box in the way.
  connect(FVars, &TValueListEditor::KeyRefused, this,
          [this](const QString& reason) { FStatusDetail->setText(reason); });
  FResult = Pane(FClient, true, false);
  FResult->setObjectName(QStringLiteral("MResult"));
  // Arrow keys walk its lines, so that Enter can go to a failed one.
  FResult->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  FResult->installEventFilter(this);
  FResult->viewport()->installEventFilter(this);
  FPrgFormula = Pane(FClient, true, true);
  FPrgFormula->setObjectName(QStringLiteral("LPRGFormula"));
  FActFormula = Pane(FClient, true, true);
  FActFormula->setObjectName(QStringLiteral("LACTFormula"));
  QApplication::setFont(applicationFont);
  SetKeyboardFocusChain();

  // Starts the board fetch; hidden, as in the window it came from.
  FBoardButton = new QPushButton(QStringLiteral("BRD"), FClient);
  FBoardButton->setObjectName(QStringLiteral("BBRD"));
  FBoardButton->setGeometry(464, 120, 75, 25);
  FBoardButton->hide();
  connect(FBoardButton, &QPushButton::clicked, this, &TFormFCalculator::BBRDClick);

  // The variable table's pop-up menu.
  FPopupMenu = new QMenu(this);
  QAction* insert = FPopupMenu->addAction(QStringLiteral("&I 插入到公式"));
  insert->setObjectName(QStringLiteral("PM1Insert"));
  connect(insert, &QAction::triggered, this, &TFormFCalculator::PM1InsertClick);
  FVars->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(FVars, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { FPopupMenu->popup(FVars->viewport()->mapToGlobal(at)); });
}

QAction* TFormFCalculator::Item(QMenu* menu, const char* name, const QString& caption,
                                TPicture picture, void (TFormFCalculator::*command)()) {
  QAction* item = menu->addAction(caption);
  item->setObjectName(QString::fromLatin1(name));
  item->setIcon(Picture(picture));
  if (command != nullptr) connect(item, &QAction::triggered, this, command);
  return item;
}

void TFormFCalculator::BuildMenus() {
  QMenuBar* bar = menuBar();
  FFileMenu = bar->addMenu(QStringLiteral("&F 文件"));
  FFileMenu->setObjectName(QStringLiteral("MFile"));
  // The keys every desktop editor has; the menu shows them beside the items.
  Item(FFileMenu, "MFile_New", QStringLiteral("&N 新建"), TPicture::New,
       &TFormFCalculator::MFile_NewClick)
      ->setShortcut(Qt::CTRL | Qt::Key_N);
  Item(FFileMenu, "MFile_Open", QStringLiteral("&P 打开"), TPicture::Open,
       &TFormFCalculator::MFile_OpenClick)
      ->setShortcut(Qt::CTRL | Qt::Key_O);
  FSaveItem = Item(FFileMenu, "MFile_Save", QStringLiteral("&S 保存"), TPicture::Save,
                   &TFormFCalculator::MFile_SaveClick);
  FSaveItem->setShortcut(Qt::CTRL | Qt::Key_S);
  Item(FFileMenu, "MFile_As", QStringLiteral("&A 另存为"), TPicture::SaveAs,
       &TFormFCalculator::MFile_AsClick)
      ->setShortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
  FFileMenu->addSeparator()->setObjectName(QStringLiteral("N1"));
  Item(FFileMenu, "MFile_Exit", QStringLiteral("&E 退出"), TPicture::Exit,
       &TFormFCalculator::MFile_ExitClick)
      ->setShortcut(Qt::CTRL | Qt::Key_Q);
  connect(FFileMenu, &QMenu::aboutToShow, this, &TFormFCalculator::MFileClick);

  QAction* run = bar->addAction(QStringLiteral("&R 计算"));
  run->setObjectName(QStringLiteral("MRun"));
  // F9 as in spreadsheets; Ctrl+Enter as in the calculators that take
  // several lines, from either Enter key.
  run->setShortcuts({QKeySequence(Qt::Key_F9), QKeySequence(Qt::CTRL | Qt::Key_Return),
                     QKeySequence(Qt::CTRL | Qt::Key_Enter)});
  connect(run, &QAction::triggered, this, &TFormFCalculator::TBCalClick);

  QMenu* edit = bar->addMenu(QStringLiteral("&E 编辑"));
  edit->setObjectName(QStringLiteral("MEdit"));
  Item(edit, "MEDit_Undo", QStringLiteral("&U 撤销"), TPicture::Undo,
       &TFormFCalculator::MEDit_UndoClick);
  Item(edit, "MEdit_Cut", QStringLiteral("&T 剪切"), TPicture::Cut,
       &TFormFCalculator::MEdit_CutClick);
  Item(edit, "MEDit_Copy", QStringLiteral("&C 复制"), TPicture::Copy,
       &TFormFCalculator::MEDit_CopyClick);
  edit->addSeparator()->setObjectName(QStringLiteral("N2"));
  Item(edit, "MEdit_Paste", QStringLiteral("&P 粘贴"), TPicture::Paste,
       &TFormFCalculator::MEdit_PasteClick);

  QMenu* tools = bar->addMenu(QStringLiteral("&T 工具"));
  tools->setObjectName(QStringLiteral("MTools"));
  BuildConventionMenu(tools);
  Item(tools, "MTools_Plot", QStringLiteral("&P 绘图"), TPicture::Plot,
       &TFormFCalculator::MTools_PlotClick)
      ->setShortcut(Qt::Key_F7);

  QAction* about = bar->addAction(QStringLiteral("&A 关于"));
  about->setObjectName(QStringLiteral("MAbout"));
  connect(about, &QAction::triggered, this, &TFormFCalculator::MAboutClick);

  QMenu* help = bar->addMenu(QStringLiteral("&H 帮助"));
  help->setObjectName(QStringLiteral("MHelp"));
  Item(help, "MHelp_About", QStringLiteral("&A 关于 Tessary计算器"), TPicture::About,
       &TFormFCalculator::MAboutClick);
  Item(help, "MHelp_Manual", QStringLiteral("&M 说明书"), TPicture::Manual,
       &TFormFCalculator::MHelp_ManualClick);
}

QAction* TFormFCalculator::ToolButton(TToolBand* bar, const char* name, const QString& hint,
                                      TPicture picture, void (TFormFCalculator::*command)()) {
  auto* button = new QAction(Picture(picture), hint, bar);
  button->setObjectName(QString::fromLatin1(name));
  button->setToolTip(hint);
  button->setStatusTip(hint);
  if (command != nullptr) connect(button, &QAction::triggered, this, command);
  bar->AddButton(button);
  return button;
}

void TFormFCalculator::InsertButtons(TToolBand* bar, const std::vector<const char*>& captions) {
  for (const char* caption : captions) {
    auto* button = new QAction(QString::fromUtf8(caption), bar);
    connect(button, &QAction::triggered, this, &TFormFCalculator::SBAddClick);
    QToolButton* widget = bar->AddButton(button);
    // The window's Song face draws "×" tiny and half-width; the Hei face
    // draws it full-size beside its neighbours.
    if (button->text() == QStringLiteral("×")) {
      QFont hei = widget->font();
      hei.setFamilies(platform::FamiliesFor(QStringLiteral("黑体")));
      widget->setFont(hei);
    }
  }
}

void TFormFCalculator::BuildToolBars() {
  FCoolBar = new QWidget(FClient);
  FCoolBar->setObjectName(QStringLiteral("CoolBar1"));
  auto* bands = new QVBoxLayout(FCoolBar);
  bands->setContentsMargins(0, 0, 0, 0);
  bands->setSpacing(1);

  TToolBand* tools = Band(FCoolBar, "MenuBar", Qt::ToolButtonIconOnly);
  ToolButton(tools, "TBNew", QStringLiteral("新建"), TPicture::New,
             &TFormFCalculator::MFile_NewClick);
  ToolButton(tools, "TBOpen", QStringLiteral("打开"), TPicture::Open,
             &TFormFCalculator::MFile_OpenClick);
  ToolButton(tools, "TBSave", QStringLiteral("保存"), TPicture::Save,
             &TFormFCalculator::MFile_SaveClick);
  ToolButton(tools, "TBAs", QStringLiteral("另存为"), TPicture::SaveAs,
             &TFormFCalculator::MFile_AsClick);
  ToolButton(tools, "TBCal", QStringLiteral("退出"), TPicture::Exit,
             &TFormFCalculator::MFile_ExitClick);
  tools->AddSeparator();
  ToolButton(tools, "RBRun", QStringLiteral("计算"), TPicture::Calculate,
             &TFormFCalculator::TBCalClick);
  ToolButton(tools, "TBPlot", QStringLiteral("绘图"), TPicture::Plot,
             &TFormFCalculator::MTools_PlotClick);
  tools->AddSeparator();
  ToolButton(tools, "TBUndo", QStringLiteral("撤销"), TPicture::Undo,
             &TFormFCalculator::MEDit_UndoClick);
  ToolButton(tools, "TBCot", QStringLiteral("剪切"), TPicture::Cut,
             &TFormFCalculator::MEdit_CutClick);
  ToolButton(tools, "TBCopy", QStringLiteral("拷贝"), TPicture::Copy,
             &TFormFCalculator::MEDit_CopyClick);
  ToolButton(tools, "TBPaste", QStringLiteral("粘贴"), TPicture::Paste,
             &TFormFCalculator::MEdit_PasteClick);
  ToolButton(tools, "TBOption", QStringLiteral("设置"), TPicture::Settings, nullptr);
  ToolButton(tools, "TBAbout", QStringLiteral("关于 Tessary公式计算器"), TPicture::About,
             &TFormFCalculator::MAboutClick);
  ToolButton(tools, "TBManual", QStringLiteral("说明书"), TPicture::Manual,
             &TFormFCalculator::MHelp_ManualClick);

  TToolBand* func1 = Band(FCoolBar, "FuncBar1", Qt::ToolButtonTextOnly);
  InsertButtons(func1, std::vector<const char*>(std::begin(kFuncBar1), std::end(kFuncBar1)));
  TToolBand* func2 = Band(FCoolBar, "FuncBar2", Qt::ToolButtonTextOnly);
  InsertButtons(func2, std::vector<const char*>(std::begin(kFuncBar2), std::end(kFuncBar2)));
  TToolBand* symbols = Band(FCoolBar, "SymbolBar", Qt::ToolButtonTextOnly);
  for (std::size_t g = 0; g < kSymbolGroups.size(); ++g) {
    if (g > 0) symbols->AddSeparator();
    InsertButtons(symbols, kSymbolGroups[g]);
  }
  for (TToolBand* bar : {tools, func1, func2, symbols}) bands->addWidget(bar);
}

void TFormFCalculator::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar1"));
  bar->setSizeGripEnabled(false);
  bar->setFixedHeight(kStatusHeight);
  FStatusHint = new QLabel(bar);
  FStatusHint->setFixedWidth(200);
  FStatusSecond = new QLabel(bar);
  FStatusSecond->setFixedWidth(50);
  bar->addWidget(FStatusHint);
  bar->addWidget(FStatusSecond);
  FStatusSecond->setToolTip(QStringLiteral("公式中光标所在的行:列"));
  FStatusDetail = new QLabel(bar);
  FStatusDetail->setObjectName(QStringLiteral("StatusDetail"));
  bar->addWidget(FStatusDetail, 1);
  FStatusDetail->installEventFilter(this);  // a click goes to the error it tells of
  // Shown only while the worksheet is UTF-8; code page 936 needs no mention.
  FStatusEncoding = new QLabel(QStringLiteral("UTF-8"), bar);
  FStatusEncoding->setToolTip(QStringLiteral("工作表以 UTF-8 编码读入，也以 UTF-8 保存"));
  bar->addPermanentWidget(FStatusEncoding);
  FStatusEncoding->hide();
  FStatusConvention = new QLabel(QStringLiteral("约定：经典"), bar);
  FStatusConvention->setObjectName(QStringLiteral("StatusConvention"));
  FStatusConvention->setToolTip(QStringLiteral("计算所按的数学约定（工具 → 数学约定）"));
  bar->addPermanentWidget(FStatusConvention);
  // Each section a sunken panel of its own, as status bars draw them.
  for (QLabel* section :
       {FStatusHint, FStatusSecond, FStatusDetail, FStatusEncoding, FStatusConvention})
    section->setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

void TFormFCalculator::BuildRecentFiles(const QString& iniFile) {
  FRecentFiles = new TMostRecentFiles(this);
  FRecentFiles->BeginLoading();
  FRecentFiles->SetMaxFiles(15);
  FRecentFiles->SetShowFullPath(false);
  FRecentFiles->SetOwnerMenuItem(FFileMenu);
  FRecentFiles->SetMenuPosition(4);
  FRecentFiles->SetFileExt(QStringLiteral(".txt"));
  FRecentFiles->SetMessageService(&FDialogs);
  FRecentFiles->OnMenuClick = [this](QObject* sender, const QString& name) {
    MostRecentFiles1MenuClick(sender, name);
  };
  FRecentFiles->OnFileNotExist = [this](QObject* sender, const QString& name) {
    MostRecentFiles1FileNotExist(sender, name);
  };
  // The ini beside the executable (or the per-user fallback of an installed
  // program), unless the caller names one.
  FRecentFiles->SetIniFile(iniFile.isEmpty() ? QString::fromStdString(platform::ProgramIniPath())
                                             : iniFile);
  FRecentFiles->Loaded();
  // The file dialogs start where the user worked last time.
  if (!FRecentFiles->Files().isEmpty())
    FLastFolder = QFileInfo(FRecentFiles->Files().front()).absolutePath();
}

void TFormFCalculator::ConnectChanges() {
  connect(FOriFormula, &QPlainTextEdit::textChanged, this, [this] {
    SetModified(true);
    ShowConvention();
    FFormulaEdited = true;  // the last Calculate's places no longer hold
    if (!FOriFormula->extraSelections().isEmpty()) FOriFormula->setExtraSelections({});
  });
  connect(FOriFormula, &QPlainTextEdit::cursorPositionChanged, this,
          &TFormFCalculator::ShowCaretPosition);
  connect(static_cast<TTextPane*>(FOriFormula), &TTextPane::PasteRefused, FStatusDetail,
          &QLabel::setText);
  // After the drop has ended: the save question must not hold the source's drag.
  connect(static_cast<TTextPane*>(FOriFormula), &TTextPane::FileDropped, this,
          [this](const QString& file) {
            QTimer::singleShot(0, this, [this, file] { OpenFromOutside(file); });
          });
  // Any change of the variable table counts, not only a typed key: an edit
  // committed by pasting or clicking away would otherwise be lost on close.
  connect(FVars, &TValueListEditor::RowsChanged, this, [this] { SetModified(true); });
  connect(FVars, &TValueListEditor::KeyTyped, this, [this] { SetModified(true); });
}

// Places every part for the client size: at 1017 x 680, the size it opens
// at, exactly where they belong. Larger, the formula pane and the variable
// table share the extra width, the result pane and the two logs the extra
// height. Smaller, the formula pane gives up the width; the free band under
// the logs goes first, then the formula row, the result pane and the logs
// give up height 2 : 2 : 1 : 1. The side column keeps its width at the
// right edge.
void TFormFCalculator::LayOut() {
  const int dw = FClient->width() - kClientWidth;
  const int dh = FClient->height() - (kClientHeight - kStatusHeight);
  const int formulaW = dw < 0 ? dw : dw - dw / 2, varsW = dw - formulaW;
  const int panesH = dh < 0 ? std::min(0, dh + kFreeBand) : dh;  // what the panes get
  const int formulaH = dh < 0 ? panesH / 3 : 0;
  const int logH = panesH / (dh < 0 ? 6 : 3), resultH = panesH - formulaH - 2 * logH;
  FCoolBar->setGeometry(0, 0, kClientWidth + dw, 113);
  FCalcButton->setGeometry(128, 121, 61, 22);
  FLabel2->move(562 + formulaW, 126);
  FOriFormula->setGeometry(10, 147, 550 + formulaW, 160 + formulaH);
  FVars->setGeometry(562 + formulaW, 147, 187 + varsW, 160 + formulaH);
  FVars->setColumnWidth(1, 124 + varsW);  // the value column takes the table's share
  FResult->setGeometry(10, 311 + formulaH, 742 + dw, 160 + resultH);
  FPrgFormula->setGeometry(10, 476 + formulaH + resultH, 742 + dw, 70 + logH);
  FActFormula->setGeometry(10, 553 + formulaH + resultH + logH, 742 + dw, 70 + logH);
  LayOutSideColumn(dw, panesH);
}

// Hints go to the first section of the status bar.
bool TFormFCalculator::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    FStatusHint->setText(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
  }
  const bool painting = event->type() == QEvent::Paint;
  const bool handled = QMainWindow::event(event);
  if (painting && !FPainted) {
    FPainted = true;
    QTimer::singleShot(kAfterFirstPaintMs, this, &TFormFCalculator::AfterFirstPaint);
  }
  return handled;
}

}  // namespace tessary
