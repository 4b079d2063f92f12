// The file commands: New, Open, Save, Save As, the recent files, and the
// save question on closing. A worksheet is untitled or titled, unchanged or
// changed; a refused question or a cancelled dialog leaves the state as is.

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPlainTextEdit>

#include "formfcalculator.h"
#include "mostrecentfiles.h"
#include "userdialogs.h"
#include "valuelisteditor.h"
#include "worksheetfile.h"

namespace tessary {

namespace {

const QString kSaveTitle = QStringLiteral("保存当前数据");
const QString kSaveAsTitle = QStringLiteral("另存为");

std::string Path(const QString& name) { return name.toStdString(); }

}  // namespace

void TFormFCalculator::SetCaption() {
  setWindowTitle(QString::fromUtf8(kTitle) + QStringLiteral("─") + FCurrentFileName);
}

// Returns false when a save was attempted and failed (the caller's command
// then ends, as the failed step of the classic program did).
bool TFormFCalculator::SaveFile(TSaveRequest request) {
  if (!FModified) return true;
  if (request == TSaveRequest::Other &&
      FDialogs.ShowMessageBox(this, QStringLiteral("当前数据已经变动"),
                              QStringLiteral("你保存当前数据吗？"), platform::TMessageIcon::Question,
                              platform::TMessageButtons::YesNo) != platform::TMessageAnswer::Yes)
    return true;
  if (FCurrentFileName.isEmpty()) {
    const QString name = FDialogs.GetSaveFileName(this, kSaveTitle, QString::fromUtf8(kFileFilter),
                                                  QStringLiteral("txt"));
    if (name.isEmpty()) return true;
    FCurrentFileName = name;
  }
  if (!WriteWorksheet()) return false;
  FRecentFiles->AddFile(FCurrentFileName);
  SetCaption();
  FModified = false;
  return true;
}

// Both files, each replaced only once its new content is on the disk.
bool TFormFCalculator::WriteWorksheet() {
  const std::string path = Path(FCurrentFileName);
  if (VariableFilePath(path) == path) {
    ShowError(QStringLiteral("不能保存为“%1”：公式文件不能使用变量文件的扩展名 .vle")
                  .arg(FCurrentFileName));
    return false;
  }
  try {
    std::vector<std::string> lines;
    for (const QString& line : FOriFormula->toPlainText().split(QLatin1Char('\n')))
      lines.push_back(line.toStdString());
    TKeyValueTable vars;
    for (const QString& row : FVars->Strings()) vars.AppendRow(row.toStdString());
    std::size_t replaced = WriteWorksheetFile(path, lines, FFormats.Sheet);
    replaced += WriteVariableFile(VariableFilePath(path), vars, FFormats.Vars);
    if (replaced > 0)  // only code page 936 lacks characters
      FDialogs.ShowMessageBox(this, QGuiApplication::applicationDisplayName(),
                              QStringLiteral("有 %1 个字符无法以 GBK 编码保存，已保存为“？”。")
                                  .arg(replaced),
                              platform::TMessageIcon::Warning, platform::TMessageButtons::Ok);
    return true;
  } catch (const std::exception& e) {
    ShowError(QString::fromStdString(e.what()));
    return false;
  }
}

// Reads the worksheet into the formula pane and, when its variable file
// exists, the variable table. False when a read failed (reported).
bool TFormFCalculator::ReadWorksheet(const QString& fileName) {
  const std::string path = Path(fileName);
  // Each file in the encoding its bytes show; saving keeps it.
  TTextFormat sheetFound, varsFound;
  try {
    QStringList lines;
    for (const auto& line : ReadWorksheetFileAsFound(path, sheetFound))
      lines << QString::fromStdString(line);
    FOriFormula->setPlainText(lines.join(QLatin1Char('\n')));
  } catch (const std::exception& e) {
    ShowError(QString::fromStdString(e.what()));
    return false;
  }
  TKeyValueTable vars;
  bool ok = true;
  bool present = false;
  try {
    present = ReadVariableFileAsFound(VariableFilePath(path), vars, varsFound);
  } catch (const EDuplicateKey& e) {
    present = true;  // the rows before the duplicate stay
    ok = false;
    ShowError(QString::fromStdString(e.what()));
  } catch (const std::exception& e) {
    ShowError(QString::fromStdString(e.what()));
    return false;
  }
  if (present) {
    QStringList rows;
    for (const auto& row : vars.Rows()) rows << QString::fromStdString(row);
    FVars->SetStrings(rows);
  }
  FFormats = PairFormats(sheetFound, present && ok ? &varsFound : nullptr);
  ShowEncoding();
  return ok;
}

void TFormFCalculator::ShowEncoding() {
  FStatusEncoding->setVisible(FFormats.Sheet.Encoding == TFileEncoding::Utf8);
}

void TFormFCalculator::MFile_SaveClick() { SaveFile(TSaveRequest::Command); }

void TFormFCalculator::MFile_AsClick() {
  const QString name = FDialogs.GetSaveFileName(this, kSaveAsTitle, QString::fromUtf8(kFileFilter),
                                                QStringLiteral("txt"));
  if (name.isEmpty()) return;
  FCurrentFileName = name;
  FRecentFiles->AddFile(FCurrentFileName);
  FModified = true;  // so that the files are written even if nothing changed
  SaveFile(TSaveRequest::Command);
}

void TFormFCalculator::MFile_NewClick() {
  SaveFile(TSaveRequest::Other);
  FOriFormula->clear();
  FResult->clear();
  FPrgFormula->clear();
  FActFormula->clear();
  FVars->ClearRows();
  FResult->setExtraSelections({});
  FFailures.clear();
  FFailedStatements.clear();
  ShowFailure(-1);
  FFormats = PairFormats(TTextFormat(), nullptr);  // a new worksheet is code page 936
  ShowEncoding();
  FCurrentFileName.clear();
  SetCaption();
  FModified = false;
}

void TFormFCalculator::MFile_OpenClick() {
  if (!SaveFile(TSaveRequest::Other)) return;
  const QString name = FDialogs.GetOpenFileName(this, QString::fromUtf8(kFileFilter));
  if (name.isEmpty()) return;
  FCurrentFileName = name;
  if (!ReadWorksheet(name)) return;
  FRecentFiles->AddFile(FCurrentFileName);
  SetCaption();
  FModified = false;
}

void TFormFCalculator::MostRecentFiles1MenuClick(QObject*, const QString& fileName) {
  if (!SaveFile(TSaveRequest::Other)) return;
  FCurrentFileName = fileName;
  if (!ReadWorksheet(fileName)) return;
  SetCaption();
  FModified = false;
}

void TFormFCalculator::MostRecentFiles1FileNotExist(QObject*, const QString& fileName) {
  FDialogs.ShowMessageBox(this, QGuiApplication::applicationDisplayName(),
                          QStringLiteral("文件[") + fileName + QStringLiteral("]已经不存在!"),
                          platform::TMessageIcon::None, platform::TMessageButtons::Ok);
}

// Each time the File menu opens, Save is enabled exactly when modified.
void TFormFCalculator::MFileClick() { FSaveItem->setEnabled(FModified); }

// Closing asks the save question and is never refused.
void TFormFCalculator::closeEvent(QCloseEvent* event) {
  SaveFile(TSaveRequest::Other);
  event->accept();
}

}  // namespace tessary
