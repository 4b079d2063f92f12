// SPDX-License-Identifier: MIT
// The window's commands other than the file commands: Calculate, inserting,
// editing, About and the manual.

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextBlock>
#include <QToolTip>

#include <optional>

#include "formfcalculator.h"
#include "helpwindow.h"
#include "statementsource.h"
#include "textpane.h"
#include "textutil.h"
#include "userdialogs.h"
#include "valuelisteditor.h"

namespace tessary {

namespace {

// However often Calculate runs, no pane holds more lines than this; the
// oldest go first, and the run's own cut of 51 lines stays as it is.
constexpr std::size_t kPaneLineLimit = 10000;

void KeepNewestLines(std::vector<std::string>& lines) {
  if (lines.size() > kPaneLineLimit)
    lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(kPaneLineLimit));
}

std::vector<std::string> PaneLines(const QPlainTextEdit* pane) {
  std::vector<std::string> lines;
  if (pane->document()->isEmpty()) return lines;
  for (const QString& line : pane->toPlainText().split(QLatin1Char('\n')))
    lines.push_back(line.toStdString());
  return lines;
}

void SetPaneLines(QPlainTextEdit* pane, const std::vector<std::string>& lines) {
  QStringList text;
  for (const auto& line : lines) text << QString::fromStdString(line);
  pane->setPlainText(text.join(QLatin1Char('\n')));
  pane->moveCursor(QTextCursor::End);
  pane->ensureCursorVisible();
}

// The calculation's messages as the window shows them: the bracket message
// in a plain box, a failed run in the application's error report.
class TWindowMessages final : public ICalcMessages {
 public:
  TWindowMessages(QWidget* owner, platform::IUserDialogs& dialogs)
      : FOwner(owner), FDialogs(dialogs) {}
  void ShowMessage(const std::string& text) override {
    FDialogs.ShowMessageBox(FOwner, QGuiApplication::applicationDisplayName(),
                            QString::fromStdString(text), platform::TMessageIcon::None,
                            platform::TMessageButtons::Ok);
  }
  void ShowError(const std::string& text) override {
    FDialogs.ShowMessageBox(FOwner, QGuiApplication::applicationDisplayName(),
                            QString::fromStdString(text), platform::TMessageIcon::Error,
                            platform::TMessageButtons::Ok);
  }

 private:
  QWidget* FOwner;
  platform::IUserDialogs& FDialogs;
};

}  // namespace

void TFormFCalculator::ShowError(const QString& message) {
  FDialogs.ShowMessageBox(this, QGuiApplication::applicationDisplayName(), message,
                          platform::TMessageIcon::Error, platform::TMessageButtons::Ok);
}

// ---------------------------------------------------------------- Calculate

bool TFormFCalculator::ReadSheet(TWorksheet& ws) {
  FVars->CommitEdit();  // what the table shows is what is calculated
  ws.Formula = PaneLines(FOriFormula);
  try {
    for (const QString& row : FVars->Strings()) ws.Variables.AppendRow(row.toStdString());
  } catch (const std::exception& e) {
    ShowError(QString::fromStdString(e.what()));
    return false;
  }
  ws.NamedResults = FTemp;
  return true;
}

void TFormFCalculator::TBCalClick() {
  TWorksheet ws;
  if (!ReadSheet(ws)) return;
  ws.Results = PaneLines(FResult);
  ws.NormalisedLog = PaneLines(FPrgFormula);
  ws.EvaluatedLog = PaneLines(FActFormula);

  TWindowMessages messages(this, FDialogs);
  FLastReport = tessary::Calculate(ws, FEngine, messages);
  FCalculatedFormula = std::move(ws.Formula);
  FFormulaEdited = false;
  FOriFormula->setExtraSelections({});

  FTemp = std::move(ws.NamedResults);
  for (auto* lines : {&ws.Results, &ws.NormalisedLog, &ws.EvaluatedLog}) KeepNewestLines(*lines);
  SetPaneLines(FResult, ws.Results);
  SetPaneLines(FPrgFormula, ws.NormalisedLog);
  SetPaneLines(FActFormula, ws.EvaluatedLog);
  MarkFailedResults(ws.Results.size());
}

// A statement whose evaluation recorded an error keeps its line ("Z=0"),
// shown in red, with the engine's message and its place as tool tip and in
// the status bar.
void TFormFCalculator::MarkFailedResults(std::size_t resultLines) {
  FFailures.clear();
  FFailedStatements.clear();
  QList<QTextEdit::ExtraSelection> marks;
  // The run's lines are the pane's last ones; a run longer than the pane
  // has lost its first lines.
  const std::size_t count = FLastReport.Statements.size();
  const std::size_t gone = count > resultLines ? count - resultLines : 0;
  const std::size_t first = resultLines - (count - gone);
  for (std::size_t i = gone; i < count; ++i) {
    const TStatementOutcome& s = FLastReport.Statements[i];
    if (s.ErrorCode == 0) continue;
    const int block = static_cast<int>(first + i - gone);
    FFailures.insert(block, FailureText(s));
    FFailedStatements.insert(block, i);
    QTextEdit::ExtraSelection mark;
    mark.cursor = QTextCursor(FResult->document()->findBlockByNumber(block));
    mark.format.setForeground(QColor(0xC0, 0x00, 0x00));
    mark.format.setBackground(QColor(0xFF, 0xE8, 0xE8));
    mark.format.setProperty(QTextFormat::FullWidthSelection, true);
    marks << mark;
  }
  FResult->setExtraSelections(marks);
  ShowFailure(FFailures.isEmpty() ? -1 : FFailures.firstKey());
}

// The status bar tells why a result line failed; a click on it goes there.
void TFormFCalculator::ShowFailure(int resultLine) {
  FShownFailure = FFailures.contains(resultLine) ? resultLine : -1;
  FStatusDetail->setText(FFailures.value(resultLine));
  FStatusDetail->setToolTip(FShownFailure < 0 ? QString() : QStringLiteral("单击转到出错的位置"));
  FStatusDetail->setCursor(FShownFailure < 0 ? Qt::ArrowCursor : Qt::PointingHandCursor);
}

namespace {

// The document position of a line and character (not UTF-16 unit) of the
// formula pane, kept inside the text.
int DocumentPosition(const QTextDocument* doc, TPanePlace place) {
  const QTextBlock block = doc->findBlockByNumber(static_cast<int>(place.Line));
  if (!block.isValid()) return doc->characterCount() - 1;
  const QString text = block.text();
  int at = 0;
  for (std::size_t k = 0; k < place.Column && at < text.size(); ++k)
    at += text.at(at).isHighSurrogate() && at + 1 < text.size() ? 2 : 1;
  return block.position() + at;
}

}  // namespace

bool TFormFCalculator::JumpToError(int resultLine) {
  const auto found = FFailedStatements.constFind(resultLine);
  if (found == FFailedStatements.constEnd()) return false;
  ShowFailure(resultLine);
  if (FFormulaEdited) {
    // Its places belong to the text that was calculated.
    FStatusDetail->setText(QStringLiteral("公式在计算后改动过，请重新计算后再转到错误"));
    return false;
  }
  const TStatementPlace place =
      PlaceOfStatement(FCalculatedFormula, *found, FLastReport.Statements[*found]);
  const QTextDocument* doc = FOriFormula->document();
  const int error = DocumentPosition(doc, place.ErrorKnown ? place.Error : place.Start);
  // The statement marked as a selection is, the character at fault in red;
  // the caret stands before that character.
  QTextEdit::ExtraSelection statement;
  statement.cursor = QTextCursor(FOriFormula->document());
  statement.cursor.setPosition(DocumentPosition(doc, place.Start));
  statement.cursor.setPosition(DocumentPosition(doc, place.End), QTextCursor::KeepAnchor);
  QColor shade = FOriFormula->palette().color(QPalette::Highlight);
  shade.setAlpha(60);
  statement.format.setBackground(shade);
  QList<QTextEdit::ExtraSelection> marks{statement};
  if (place.ErrorKnown && error < DocumentPosition(doc, place.End)) {
    QTextEdit::ExtraSelection fault;
    fault.cursor = QTextCursor(FOriFormula->document());
    fault.cursor.setPosition(error);
    fault.cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    fault.format.setForeground(QColor(0xC0, 0x00, 0x00));
    fault.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    fault.format.setUnderlineColor(QColor(0xC0, 0x00, 0x00));
    marks << fault;
  }
  QTextCursor caret(FOriFormula->document());
  caret.setPosition(error);
  FOriFormula->setTextCursor(caret);
  FOriFormula->setExtraSelections(marks);
  FOriFormula->ensureCursorVisible();
  FOriFormula->setFocus();
  return true;
}

void TFormFCalculator::ShowCaretPosition() {
  const QTextCursor caret = FOriFormula->textCursor();
  const QString before = caret.block().text().left(caret.positionInBlock());
  FStatusSecond->setText(
      QStringLiteral("%1:%2").arg(caret.blockNumber() + 1).arg(before.toUcs4().size() + 1));
}

QString TFormFCalculator::FailureText(const TStatementOutcome& s) {
  const QString name =
      s.Name.empty() ? QString() : QString::fromStdString(s.Name) + QStringLiteral(" ");
  QString text =
      QStringLiteral("%1错误 %2：%3")
          .arg(name, QString::number(s.ErrorCode), QString::fromStdString(s.ErrorMessage));
  const QString quoted = QString::fromStdString(QuotedExpression(s.Expression));
  if (s.ErrorPosition > 0)
    text += QStringLiteral("（“%1”的第 %2 个字符）").arg(quoted, QString::number(s.ErrorPosition));
  else
    text += QStringLiteral("（“%1”）").arg(quoted);
  return text;
}

bool TFormFCalculator::eventFilter(QObject* watched, QEvent* event) {
  if (FResult == nullptr) return QMainWindow::eventFilter(watched, event);  // still building
  if (watched == FClient && event->type() == QEvent::Resize) LayOut();
  // A failed result line leads to its statement: double-click it, press
  // Enter on it, or click the failure the status bar tells of.
  if (watched == FResult->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (JumpToError(FResult->cursorForPosition(mouse->position().toPoint()).blockNumber()))
      return true;
  }
  if (watched == FResult && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
        JumpToError(FResult->textCursor().blockNumber()))
      return true;
  }
  if (watched == FStatusDetail && event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && FShownFailure >= 0) {
    JumpToError(FShownFailure);
    return true;
  }
  if (watched == FResult->viewport() && event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    const int block = FResult->cursorForPosition(help->pos()).blockNumber();
    if (FFailures.contains(block))
      QToolTip::showText(help->globalPos(), FFailures.value(block), FResult);
    else
      QToolTip::hideText();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------- inserting

void TFormFCalculator::InsertIntoFormula(const QString& text) {
  FOriFormula->textCursor().insertText(text);  // replaces a selection
  FOriFormula->ensureCursorVisible();
}

void TFormFCalculator::SBAddClick() {
  if (const auto* button = qobject_cast<QAction*>(sender())) InsertIntoFormula(button->text());
}

void TFormFCalculator::PM1InsertClick() {
  FVars->CommitEdit();
  const std::string key = FVars->CurrentKey().toStdString();
  InsertIntoFormula(QString::fromStdString(std::string(Trim(key))));
}

// ---------------------------------------------------------------- editing

// The edit commands act on the formula pane wherever the focus is.
// Undo acts where the user works: the table while it has the focus.
void TFormFCalculator::MEDit_UndoClick() {
  QWidget* focus = QApplication::focusWidget();
  if (focus != nullptr && (focus == FVars || FVars->isAncestorOf(focus)))
    FVars->Undo();
  else
    FOriFormula->undo();
}
void TFormFCalculator::MEdit_CutClick() { FOriFormula->cut(); }
void TFormFCalculator::MEDit_CopyClick() { FOriFormula->copy(); }
void TFormFCalculator::MEdit_PasteClick() {
  if (TTextPane::OffersSomething(QGuiApplication::clipboard()->mimeData())) FOriFormula->paste();
}

// ---------------------------------------------------------------- help

void TFormFCalculator::MAboutClick() {
  const QString text =
      QStringLiteral("Tessary公式计算器 1.5 版\nTessary Formula Calculator Version 1.5\n\n") +
      QString(62, QLatin1Char('-')) + QStringLiteral("\n");
  FDialogs.ShowMessageBox(this, QStringLiteral("欢迎使用Tessary公式计算器"), text,
                          platform::TMessageIcon::Information, platform::TMessageButtons::Ok);
}

// The places of a manual file: beside the executable, then where an
// installed program keeps it.
QStringList TFormFCalculator::ManualPlaces(const QString& name) const {
  return {QDir::cleanPath(FProgramFolder + QLatin1Char('/') + name),
          QDir::cleanPath(FProgramFolder + QStringLiteral("/../share/tessary/") + name)};
}

// Manual.pdf through the desktop's program for PDF files; without the PDF,
// or when no program opens it, the HTML manual in a window of our own.
void TFormFCalculator::MHelp_ManualClick() {
  for (const QString& pdf : ManualPlaces(QStringLiteral("Manual.pdf"))) {
    if (!QFileInfo::exists(pdf)) continue;
    const QPointer<TFormFCalculator> self(this);
    if (!FDialogs.OpenFile(pdf, [self, pdf] {
          if (self) self->ShowHtmlManual(pdf);
        }))
      ShowHtmlManual(pdf);
    return;
  }
  ShowHtmlManual(QString());
}

// unopenedPdf: the PDF that no program opened, "" when there was none.
void TFormFCalculator::ShowHtmlManual(const QString& unopenedPdf) {
  if (FHelpWindow) {
    FHelpWindow->raise();
    FHelpWindow->activateWindow();
    return;
  }
  QStringList looked =
      unopenedPdf.isEmpty() ? ManualPlaces(QStringLiteral("Manual.pdf")) : QStringList();
  if (const std::optional<QString> html = ReadHtmlManual(looked)) {
    FHelpWindow = new THelpWindow(this, *html);
    FHelpWindow->show();
    return;
  }
  const QString missing =
      unopenedPdf.isEmpty()
          ? QStringLiteral("找不到说明书。")
          : QStringLiteral("没有程序能打开 PDF 文件“%1”，也找不到网页版的说明书。")
                .arg(unopenedPdf);
  FDialogs.ShowMessageBox(
      this, QGuiApplication::applicationDisplayName(),
      missing + QStringLiteral("找过这些文件：\n") + looked.join(QLatin1Char('\n')),
      platform::TMessageIcon::Warning, platform::TMessageButtons::Ok);
}

// The first HTML manual that may be read: what another user could have
// written is not shown as ours. Every place goes to looked, with why one
// that is there was not read.
std::optional<QString> TFormFCalculator::ReadHtmlManual(QStringList& looked) const {
  const QString prefix = QDir::cleanPath(FProgramFolder + QStringLiteral("/.."));
  for (const QString& place : ManualPlaces(QStringLiteral("manual.html"))) {
    QString why;
    if (std::optional<QString> html = THelpWindow::ReadManual(prefix, place, why)) return html;
    const QFileInfo file(place);
    looked << (file.exists() || file.isSymLink() ? place + QStringLiteral("（未读取：%1）").arg(why)
                                                 : place);
  }
  return std::nullopt;
}

void TFormFCalculator::MFile_ExitClick() { close(); }

}  // namespace tessary
