// SPDX-License-Identifier: MIT
#pragma once

// The main window: formula pane, variable table, result pane and the two
// logs, the menus and tool bars, and every command of the calculator.

#include <QIcon>
#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "atomicfile.h"
#include "calculation.h"
#include "pictures.h"
#include "worksheetfile.h"

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace tessary {

class THelpWindow;
class TPlotWindow;
class TToolBand;

class TAALabel;
class TAAScrollText;
class TBoardFetch;
struct TBoard;
class TFormulaParser;
class TMostRecentFiles;
class TValueListEditor;

namespace platform {
class IUserDialogs;
}

class TFormFCalculator : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr const char* kTitle = "Tessary公式计算器";
  static constexpr const char* kFileFilter = "文本文件(*.txt)|*.txt";
  static constexpr int kPanelCount = 6;
  static constexpr int kBoardPieces = 10;

  // iniFile: where the recent-files list lives (the program's ini by
  // default); dialogs: the boxes and dialogs the commands ask through.
  TFormFCalculator(TFormulaParser& engine, platform::IUserDialogs& dialogs,
                   const QString& iniFile = QString(), QWidget* parent = nullptr);
  ~TFormFCalculator() override;

  const QString& CurrentFileName() const { return FCurrentFileName; }
  // The system calls saving goes through (a test fails them).
  void SetFileOps(const platform::TFileOps& ops) { FFileOps = ops; }
  bool Modified() const { return FModified; }
  // Where Help looks for the manuals: the executable's folder, and
  // share/tessary beside it (tests give a folder of their own).
  void SetProgramFolder(const QString& folder) { FProgramFolder = folder; }

  // The window's parts, for the side column, the board and the tests.
  QPlainTextEdit* MOriFormula() const { return FOriFormula; }
  TValueListEditor* VLEVars() const { return FVars; }
  QPlainTextEdit* MResult() const { return FResult; }
  QPlainTextEdit* LPRGFormula() const { return FPrgFormula; }
  QPlainTextEdit* LACTFormula() const { return FActFormula; }
  TMostRecentFiles* MostRecentFiles1() const { return FRecentFiles; }
  QMenu* MFile() const { return FFileMenu; }
  QAction* MFile_Save() const { return FSaveItem; }
  // The side column: the panel table (index i holds AAST<i>).
  const std::array<TAAScrollText*, kPanelCount>& Panels() const { return FPanels; }
  TAALabel* AALabel1() const { return FSideLabel; }
  static const QStringList& BuiltInPanelText();
  // Gives a panel the look of side panel index (0 to 5): its fonts and
  // labels, colours, pause and built-in text, still; the benchmarks use it.
  static void SetUpSidePanel(TAAScrollText& panel, int index);
  // Sets every panel scrolling or still (the board does it for real).
  void SetPanelsActive(bool active);
  void AAFadeText1Click(QObject* sender);
  void AAST0MouseEnter(QObject* sender);
  void AAST0MouseLeave(QObject* sender);

  // The bulletin board. The address is fetched once the window is up; empty
  // (the default) means no fetch.
  void SetBoardUrl(const QString& url) { FBoardUrl = url; }
  const QString& BoardUrl() const { return FBoardUrl; }
  // The fetch, its pieces and each piece's link (empty until the board
  // gives one), which a click on a panel opens. Once a page is cut into
  // pieces the panels show them.
  TBoardFetch& Board() { return *FBoard; }
  const TBoardFetch& Board() const { return *FBoard; }

  // A file from outside the window (the command line, a second start, a
  // drop): the window is raised and the file opened as Open opens it, the
  // save question first; "" only raises. While a dialog is up or a big
  // worksheet is coming in, it waits until they are done.
  void OpenFromOutside(const QString& fileName);

  // The outcome of the last Calculate, statement by statement.
  const TCalcReport& LastReport() const { return FLastReport; }
  // Selects the statement of a failed result line (0-based line of the
  // result pane) in the formula pane, the caret at its error. False when the
  // line is no failure of the last Calculate.
  bool JumpToError(int resultLine);
  // How the worksheet's files are saved: as they were read, new ones in
  // code page 936.
  const TWorksheetFormats& Formats() const { return FFormats; }
  // The plot window while it is open, else null.
  TPlotWindow* PlotWindow() const;

 public slots:
  void BBRDClick();
  void TBCalClick();
  void MFile_NewClick();
  void MFile_OpenClick();
  void MFile_SaveClick();
  void MFile_AsClick();
  void MFile_ExitClick();
  void SBAddClick();
  void PM1InsertClick();
  void MEDit_UndoClick();
  void MEdit_CutClick();
  void MEDit_CopyClick();
  void MEdit_PasteClick();
  void MAboutClick();
  void MHelp_ManualClick();
  void MTools_PlotClick();
  void MFileClick();
  void MostRecentFiles1MenuClick(QObject* sender, const QString& fileName);
  void MostRecentFiles1FileNotExist(QObject* sender, const QString& fileName);

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Only the Save and Save As commands save without asking first.
  enum class TSaveRequest { Command, Other };
  bool SaveFile(TSaveRequest request);
  bool SaveTo(const QString& fileName);
  bool WriteWorksheet(const QString& fileName);
  bool MayReplaceVariableFile(const QString& fileName);
  QString DialogFolder() const;
  QString OfferedName() const;
  bool ChooseEncoding(std::size_t withoutForm, TWorksheetFormats& formats);
  // Both files of a worksheet as read, or why they could not be.
  struct TReadWorksheet {
    std::vector<std::string> Lines;
    TKeyValueTable Vars;
    TTextFormat SheetFound, VarsFound;
    bool Present = false;  // the .vle exists
    std::size_t InvalidInSheet = 0, InvalidInVars = 0;
    QString Duplicate;  // the .vle's duplicate key, read up to it
    QString Error;      // nothing could be shown
  };
  static TReadWorksheet ReadWorksheet(const QString& fileName);
  void OpenWorksheet(const QString& fileName);
  bool ShowWorksheet(const QString& fileName, const TReadWorksheet& read);
  // Worksheets bigger than this are read on a worker and put into the pane
  // in steps, so that the window never stands still for long.
  static constexpr long kStepwiseOpenBytes = 1024 * 1024;
  struct TOpening;
  struct TOpeningDeleter {
    void operator()(TOpening* opening) const;
  };
  void OpenInSteps(const QString& fileName);
  void OpeningRead(const std::shared_ptr<TReadWorksheet>& read);
  void OpeningStep();
  void EndOpening(bool cancelled);
  void CancelOpening();
  void SetCaption();
  void SetModified(bool modified);
  void InsertIntoFormula(const QString& text);
  void ShowError(const QString& message);
  QStringList ManualPlaces(const QString& name) const;
  void ShowHtmlManual(const QString& unopenedPdf);
  std::optional<QString> ReadHtmlManual(QStringList& looked) const;
  void MarkFailedResults(std::size_t resultLines);
  void ShowFailure(int resultLine);
  void ShowCaretPosition();
  void ShowEncoding();
  // The math convention: the comment line at the top of the formula pane
  // that declares it, the 工具 menu that writes it, the status bar that tells.
  void BuildConventionMenu(QMenu* tools);
  void ChooseConvention(TConvention convention);
  void ShowConvention();
  static QString FailureText(const TStatementOutcome& s);
  // The formula and variables of the panes, with the named results; false
  // (and said why) when the variable table cannot be read.
  bool ReadSheet(TWorksheet& ws);
  // 绘图: the expression of the caret's line, or why it has no curve.
  std::optional<std::string> PlotExpression(QString& why) const;
  void ShowPlotStatus(const QString& text);

  void FormCreate();
  void BuildPanes();
  void SetKeyboardFocusChain();
  void BuildMenus();
  void BuildToolBars();
  void BuildStatusBar();
  void BuildRecentFiles(const QString& iniFile);
  void ConnectChanges();
  void LayOut();
  void BuildSideColumn();
  void FillPanelTable();
  void LoadSideColumn();
  void LayOutSideColumn(int dw, int dh);
  void StartBoard();
  void ApplyBoardText(const TBoard& board);
  // The pictures of the tool bar, the menus and the 计算 button, in the
  // order of their files (window/icons/00-new.svg to 13-plot.svg).
  enum class TPicture {
    New,
    Open,
    Save,
    SaveAs,
    Exit,
    Calculate,
    Undo,
    Cut,
    Copy,
    Paste,
    Settings,
    About,
    Manual,
    Plot,
    Count
  };
  QAction* Item(QMenu* menu, const char* name, const QString& caption, TPicture picture,
                void (TFormFCalculator::*command)());
  QAction* ToolButton(TToolBand* bar, const char* name, const QString& hint, TPicture picture,
                      void (TFormFCalculator::*command)());
  void InsertButtons(TToolBand* bar, const std::vector<const char*>& captions);
  // The tool bar and menu picture, read once for both.
  const QIcon& Picture(TPicture picture);
  // What can wait until the window has been painted once.
  void AfterFirstPaint();

  TFormulaParser& FEngine;
  platform::IUserDialogs& FDialogs;
  QString FCurrentFileName;
  QString FOfferedName;  // what the save dialog offers an untitled worksheet
  QString FLastFolder;   // of the file last opened or saved
  bool FModified = false;
  platform::TFileOps FFileOps = platform::SystemFileOps();
  QString FProgramFolder;
  QPointer<THelpWindow> FHelpWindow;  // while it is open
  QPointer<TPlotWindow> FPlotWindow;  // while it is open
  TKeyValueTable FTemp;               // VLETemp: the hidden temporary table
  TCalcReport FLastReport;

  QPlainTextEdit* FOriFormula = nullptr;
  TValueListEditor* FVars = nullptr;
  QPlainTextEdit* FResult = nullptr;
  QPlainTextEdit* FPrgFormula = nullptr;
  QPlainTextEdit* FActFormula = nullptr;
  QMenu* FFileMenu = nullptr;
  QAction* FSaveItem = nullptr;
  TMostRecentFiles* FRecentFiles = nullptr;
  QLabel* FStatusHint = nullptr;
  QLabel* FStatusSecond = nullptr;
  QLabel* FStatusDetail = nullptr;      // what went wrong in the last Calculate
  QLabel* FStatusConvention = nullptr;  // "约定：经典" or "约定：标准"
  QAction* FClassicItem = nullptr;
  QAction* FStandardItem = nullptr;
  QLabel* FStatusEncoding = nullptr;  // "UTF-8" while the worksheet is
  QWidget* FClient = nullptr;
  QWidget* FCoolBar = nullptr;
  QLabel* FLabel2 = nullptr;
  QToolButton* FCalcButton = nullptr;
  QPushButton* FBoardButton = nullptr;
  QMenu* FPopupMenu = nullptr;
  TAALabel* FSideLabel = nullptr;
  std::array<TAAScrollText*, kPanelCount> FPanelWidgets{};  // as built
  std::array<TAAScrollText*, kPanelCount> FPanels{};        // the panel table
  QMap<int, QString> FFailures;                             // result-pane line -> why it is 0
  QMap<int, std::size_t> FFailedStatements;     // result-pane line -> statement of the run
  int FShownFailure = -1;                       // the result-pane line the status bar tells of
  std::vector<std::string> FCalculatedFormula;  // the formula lines of the last run
  bool FFormulaEdited = false;                  // since the last run
  TWorksheetFormats FFormats = PairFormats(TTextFormat(), nullptr);  // how to save
  QString FBoardUrl;
  std::unique_ptr<TBoardFetch> FBoard;
  std::unique_ptr<TPictures> FDrawing;  // the pictures, drawn ahead
  std::array<QIcon, static_cast<std::size_t>(TPicture::Count)> FPictures;
  bool FPainted = false;
  std::unique_ptr<TOpening, TOpeningDeleter> FOpening;  // a big worksheet coming in
  std::optional<QString> FOutsideFile;                  // waiting for the window to be free
  std::vector<std::thread> FOpenWorkers;  // of cancelled openings, maybe still reading
};

}  // namespace tessary
