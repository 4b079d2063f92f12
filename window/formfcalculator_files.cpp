// SPDX-License-Identifier: MIT
// The file commands: New, Open, Save, Save As, the recent files, and the
// save question on closing. A worksheet is untitled or titled, unchanged or
// changed; a refused question or a cancelled dialog leaves the state as is,
// and a command whose save or read fails stops there, changing nothing.

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

// Whether the command that asked may go on: false when the question was
// cancelled (取消, Escape, closing the box) or the save failed. No, and a
// save dialog cancelled after Yes, let it go on.
bool TFormFCalculator::SaveFile(TSaveRequest request) {
  FVars->CommitEdit();
  if (!FModified) return true;
  if (request == TSaveRequest::Other) {
    const platform::TMessageAnswer answer = FDialogs.ShowMessageBox(
        this, QStringLiteral("当前数据已经变动"), QStringLiteral("你保存当前数据吗？"),
        platform::TMessageIcon::Question, platform::TMessageButtons::YesNoCancel);
    if (answer == platform::TMessageAnswer::No) return true;
    if (answer != platform::TMessageAnswer::Yes) return false;
  }
  QString name = FCurrentFileName;
  if (name.isEmpty()) {
    name = FDialogs.GetSaveFileName(this, kSaveTitle, QString::fromUtf8(kFileFilter),
                                    QStringLiteral("txt"), FOfferedName);
    if (name.isEmpty()) return true;
  }
  return SaveTo(name);
}

// Writes both files to name; only then does the worksheet take the name.
bool TFormFCalculator::SaveTo(const QString& name) {
  if (!WriteWorksheet(name)) return false;
  FCurrentFileName = name;
  FOfferedName.clear();
  FRecentFiles->AddFile(FCurrentFileName);
  SetCaption();
  FModified = false;
  return true;
}

// Both files are on the disk before either replaces its old version.
bool TFormFCalculator::WriteWorksheet(const QString& fileName) {
  const std::string path = Path(fileName);
  if (VariableFilePath(path) == path) {
    ShowError(
        QStringLiteral("不能保存为“%1”：公式文件不能使用变量文件的扩展名 .vle").arg(fileName));
    return false;
  }
  try {
    std::vector<std::string> lines;
    for (const QString& line : FOriFormula->toPlainText().split(QLatin1Char('\n')))
      lines.push_back(line.toStdString());
    TKeyValueTable vars;
    for (const QString& row : FVars->Strings()) vars.AppendRow(row.toStdString());
    const std::size_t replaced = WriteWorksheetPair(path, lines, vars, FFormats, FFileOps);
    if (replaced > 0)  // only code page 936 lacks characters
      FDialogs.ShowMessageBox(
          this, QGuiApplication::applicationDisplayName(),
          QStringLiteral("有 %1 个字符无法以 GBK 编码保存，已保存为“？”。").arg(replaced),
          platform::TMessageIcon::Warning, platform::TMessageButtons::Ok);
    return true;
  } catch (const std::exception& e) {
    ShowError(QString::fromStdString(e.what()));
    return false;
  }
}

// Reads both files aside and shows them only when both could be read: a
// failed Open changes nothing. False when the worksheet did not become
// fileName (reported).
bool TFormFCalculator::OpenWorksheet(const QString& fileName) {
  const std::string path = Path(fileName);
  // Each file in the encoding its bytes show; saving keeps it.
  TTextFormat sheetFound, varsFound;
  std::vector<std::string> lines;
  TKeyValueTable vars;
  bool present = false;
  QString duplicate;
  try {
    lines = ReadWorksheetFileAsFound(path, sheetFound);
    present = ReadVariableFileAsFound(VariableFilePath(path), vars, varsFound);
  } catch (const EDuplicateKey& e) {
    present = true;  // the rows before the duplicate are shown
    duplicate = QString::fromStdString(e.what());
  } catch (const std::exception& e) {
    ShowError(QString::fromStdString(e.what()));
    return false;
  }
  QStringList text;
  for (const auto& line : lines) text << QString::fromStdString(line);
  FOriFormula->setPlainText(text.join(QLatin1Char('\n')));
  if (present) {
    QStringList rows;
    for (const auto& row : vars.Rows()) rows << QString::fromStdString(row);
    FVars->SetStrings(rows);
  }
  ShowFailure(-1);
  FFormats = PairFormats(sheetFound, present && duplicate.isEmpty() ? &varsFound : nullptr);
  ShowEncoding();
  if (!duplicate.isEmpty()) {
    // Only part of the variable file is shown: saving it under its own name
    // must be the user's choice, never one quiet Save.
    FCurrentFileName.clear();
    FOfferedName = fileName;
    SetCaption();
    FModified = true;
    ShowError(duplicate);
    return false;
  }
  FCurrentFileName = fileName;
  FOfferedName.clear();
  SetCaption();
  FModified = false;
  return true;
}

void TFormFCalculator::ShowEncoding() {
  FStatusEncoding->setVisible(FFormats.Sheet.Encoding == TFileEncoding::Utf8);
}

void TFormFCalculator::MFile_SaveClick() { SaveFile(TSaveRequest::Command); }

void TFormFCalculator::MFile_AsClick() {
  FVars->CommitEdit();
  const QString name = FDialogs.GetSaveFileName(this, kSaveAsTitle, QString::fromUtf8(kFileFilter),
                                                QStringLiteral("txt"), QString());
  if (name.isEmpty()) return;
  SaveTo(name);  // written even if nothing changed
}

void TFormFCalculator::MFile_NewClick() {
  if (!SaveFile(TSaveRequest::Other)) return;
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
  FOfferedName.clear();
  SetCaption();
  FModified = false;
}

void TFormFCalculator::MFile_OpenClick() {
  if (!SaveFile(TSaveRequest::Other)) return;
  const QString name = FDialogs.GetOpenFileName(this, QString::fromUtf8(kFileFilter));
  if (name.isEmpty()) return;
  if (OpenWorksheet(name)) FRecentFiles->AddFile(name);
}

void TFormFCalculator::MostRecentFiles1MenuClick(QObject*, const QString& fileName) {
  if (!SaveFile(TSaveRequest::Other)) return;
  OpenWorksheet(fileName);
}

void TFormFCalculator::MostRecentFiles1FileNotExist(QObject*, const QString& fileName) {
  FDialogs.ShowMessageBox(this, QGuiApplication::applicationDisplayName(),
                          QStringLiteral("文件[") + fileName + QStringLiteral("]已经不存在!"),
                          platform::TMessageIcon::None, platform::TMessageButtons::Ok);
}

// Each time the File menu opens, Save is enabled exactly when modified.
void TFormFCalculator::MFileClick() { FSaveItem->setEnabled(FModified); }

// Closing asks the save question; 取消 or a failed save keeps the window open.
void TFormFCalculator::closeEvent(QCloseEvent* event) {
  if (SaveFile(TSaveRequest::Other))
    event->accept();
  else
    event->ignore();
}

}  // namespace tessary
