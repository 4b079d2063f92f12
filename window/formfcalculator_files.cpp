// SPDX-License-Identifier: MIT
// The file commands: New, Open, Save, Save As, the recent files, and the
// save question on closing. A worksheet is untitled or titled, unchanged or
// changed; a refused question or a cancelled dialog leaves the state as is,
// and a command whose save or read fails stops there, changing nothing.

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStandardPaths>

#include <sys/stat.h>

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
QString FolderOf(const QString& name) { return QFileInfo(name).absolutePath(); }

}  // namespace

void TFormFCalculator::SetCaption() {
  setWindowTitle(QString::fromUtf8(kTitle) + QStringLiteral("─") + FCurrentFileName);
  SetModified(FModified);
}

// A "*" leads the caption while there are unsaved changes.
void TFormFCalculator::SetModified(bool modified) {
  FModified = modified;
  QString caption = windowTitle();
  if (caption.startsWith(QLatin1Char('*'))) caption.remove(0, 1);
  if (modified) caption.prepend(QLatin1Char('*'));
  if (caption != windowTitle()) setWindowTitle(caption);
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
                                    QStringLiteral("txt"), DialogFolder(), OfferedName());
    // Cancelling the dialog after 是 cancels the command, as 取消 does: going
    // on would throw the untitled worksheet away.
    if (name.isEmpty() || !MayReplaceVariableFile(name)) return false;
  }
  return SaveTo(name);
}

// The dialog asked before replacing name itself, not its variable file; a
// .vle is used on its own too, so replacing one without its worksheet asks.
bool TFormFCalculator::MayReplaceVariableFile(const QString& name) {
  if (name == FCurrentFileName) return true;
  const std::string vle = VariableFilePath(Path(name));
  struct stat st {};
  if (lstat(vle.c_str(), &st) != 0 || lstat(Path(name).c_str(), &st) == 0) return true;
  return FDialogs.ShowMessageBox(this, QGuiApplication::applicationDisplayName(),
                                 QStringLiteral("变量文件“%1”已经存在，保存会替换它。要替换吗？")
                                     .arg(QString::fromStdString(vle)),
                                 platform::TMessageIcon::Question,
                                 platform::TMessageButtons::YesNo) == platform::TMessageAnswer::Yes;
}

// Writes both files to name; only then does the worksheet take the name.
bool TFormFCalculator::SaveTo(const QString& name) {
  if (!WriteWorksheet(name)) return false;
  FLastFolder = FolderOf(name);
  FCurrentFileName = name;
  FOfferedName.clear();
  FRecentFiles->AddFile(FCurrentFileName);
  SetCaption();
  SetModified(false);
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
    TWorksheetFormats formats = FFormats;
    if (!ChooseEncoding(CharactersWithoutForm(lines, vars, formats), formats)) return false;
    WriteWorksheetPair(path, lines, vars, formats, FFileOps);
    FFormats = formats;
    ShowEncoding();
    return true;
  } catch (const std::exception& e) {
    ShowError(QString::fromStdString(e.what()));
    return false;
  }
}

// Characters without a GBK form would be written as "？": the user chooses
// before anything is written. False when the save is cancelled.
bool TFormFCalculator::ChooseEncoding(std::size_t withoutForm, TWorksheetFormats& formats) {
  if (withoutForm == 0) return true;  // only code page 936 lacks characters
  const int choice = FDialogs.AskChoice(
      this, QGuiApplication::applicationDisplayName(),
      QStringLiteral("有 %1 个字符没有 GBK 编码，按 GBK 保存会变成“？”。").arg(withoutForm),
      {QStringLiteral("以 UTF-8 保存"), QStringLiteral("替换为“？”后保存"),
       QStringLiteral("取消")});
  if (choice == 0) formats = TWorksheetFormats(TFileEncoding::Utf8);
  return choice == 0 || choice == 1;
}

TFormFCalculator::TReadWorksheet TFormFCalculator::ReadWorksheet(const QString& fileName) {
  const std::string path = Path(fileName);
  TReadWorksheet read;
  try {
    read.Lines = ReadWorksheetFileAsFound(path, read.SheetFound, &read.InvalidInSheet);
    read.Present = ReadVariableFileAsFound(VariableFilePath(path), read.Vars, read.VarsFound,
                                           &read.InvalidInVars);
  } catch (const EDuplicateKey& e) {
    read.Present = true;  // the rows before the duplicate are shown
    read.Duplicate = QString::fromStdString(e.what());
  } catch (const std::exception& e) {
    read.Error = QString::fromStdString(e.what());
  }
  return read;
}

// Reads both files aside and shows them only when both could be read: a
// failed Open changes nothing. A big worksheet is read on a worker and
// shown in steps (OpenInSteps); one too big to open is refused at once; the files are added to the
// recent ones once the worksheet became fileName.
void TFormFCalculator::OpenWorksheet(const QString& fileName) {
  struct stat st {};
  if (stat(Path(fileName).c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
      st.st_size > kStepwiseOpenBytes && std::size_t(st.st_size) <= kMaxWorksheetFileBytes) {
    OpenInSteps(fileName);
    return;
  }
  TReadWorksheet read = ReadWorksheet(fileName);
  if (!read.Error.isEmpty()) {
    ShowError(read.Error);
    return;
  }
  QStringList text;
  for (const auto& line : read.Lines) text << QString::fromStdString(line);
  FOriFormula->setPlainText(text.join(QLatin1Char('\n')));
  if (ShowWorksheet(fileName, read)) FRecentFiles->AddFile(fileName);
}

// All but the formula text, which is in the pane already. False when the
// worksheet did not become fileName (reported).
bool TFormFCalculator::ShowWorksheet(const QString& fileName, const TReadWorksheet& read) {
  FLastFolder = FolderOf(fileName);
  if (read.Present) {
    QStringList rows;
    for (const auto& row : read.Vars.Rows()) rows << QString::fromStdString(row);
    FVars->SetStrings(rows);
  }
  ShowFailure(-1);
  FFormats = PairFormats(read.SheetFound,
                         read.Present && read.Duplicate.isEmpty() ? &read.VarsFound : nullptr);
  ShowEncoding();
  const std::size_t invalid = read.InvalidInSheet + read.InvalidInVars;
  if (invalid > 0)
    FStatusDetail->setText(QStringLiteral("有 %1 处字节不是有效的 %2 编码，显示为“�”")
                               .arg(invalid)
                               .arg(read.SheetFound.Encoding == TFileEncoding::Utf8
                                        ? QStringLiteral("UTF-8")
                                        : QStringLiteral("GBK")));
  if (!read.Duplicate.isEmpty()) {
    // Only part of the variable file is shown: saving it under its own name
    // must be the user's choice, never one quiet Save.
    FCurrentFileName.clear();
    FOfferedName = fileName;
    SetCaption();
    SetModified(true);
    ShowError(read.Duplicate);
    return false;
  }
  FCurrentFileName = fileName;
  FOfferedName.clear();
  SetCaption();
  SetModified(false);
  return true;
}

void TFormFCalculator::ShowEncoding() {
  FStatusEncoding->setVisible(FFormats.Sheet.Encoding == TFileEncoding::Utf8);
}

// The worksheet's folder, else that of the file last opened or saved (at
// the start, the most recent file's), else the documents folder, which Qt
// names whether or not it exists, else home.
QString TFormFCalculator::DialogFolder() const {
  if (!FCurrentFileName.isEmpty()) return FolderOf(FCurrentFileName);
  if (!FLastFolder.isEmpty()) return FLastFolder;
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

// The worksheet's own name; an untitled one offers the name it was read
// from when it was read only in part.
QString TFormFCalculator::OfferedName() const {
  return QFileInfo(FCurrentFileName.isEmpty() ? FOfferedName : FCurrentFileName).fileName();
}

void TFormFCalculator::MFile_SaveClick() { SaveFile(TSaveRequest::Command); }

void TFormFCalculator::MFile_AsClick() {
  FVars->CommitEdit();
  const QString name =
      FDialogs.GetSaveFileName(this, kSaveAsTitle, QString::fromUtf8(kFileFilter),
                               QStringLiteral("txt"), DialogFolder(), OfferedName());
  if (name.isEmpty() || !MayReplaceVariableFile(name)) return;
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
  SetModified(false);
}

void TFormFCalculator::MFile_OpenClick() {
  if (!SaveFile(TSaveRequest::Other)) return;
  const QString name =
      FDialogs.GetOpenFileName(this, QString::fromUtf8(kFileFilter), DialogFolder());
  if (name.isEmpty()) return;
  OpenWorksheet(name);
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
  CancelOpening();  // the worksheet that was there is the one to save
  if (SaveFile(TSaveRequest::Other))
    event->accept();
  else
    event->ignore();
}

}  // namespace tessary
