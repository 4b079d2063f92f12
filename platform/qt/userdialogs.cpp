// SPDX-License-Identifier: MIT
#include "userdialogs.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QStandardPaths>

#include <string>

#include <QStringList>
#include "processenv.h"

namespace tessary::platform {

namespace {

class TSystemUserDialogs final : public IUserDialogs {
 public:
  TMessageAnswer ShowMessageBox(QWidget* owner, const QString& caption, const QString& text,
                                TMessageIcon icon, TMessageButtons buttons) override {
    return SystemMessageService().ShowMessageBox(owner, caption, text, icon, buttons);
  }

  QString GetSaveFileName(QWidget* owner, const QString& title, const QString& filter,
                          const QString& defaultSuffix, const QString& fileName) override {
    QFileDialog dialog(owner, title, QString(), ToQtFilter(filter));
    if (!fileName.isEmpty()) dialog.selectFile(fileName);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
               ? dialog.selectedFiles().front()
               : QString();
  }

  QString GetOpenFileName(QWidget* owner, const QString& filter) override {
    QFileDialog dialog(owner, QString(), QString(), ToQtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
               ? dialog.selectedFiles().front()
               : QString();
  }

  int AskChoice(QWidget* owner, const QString& caption, const QString& text,
                const QStringList& choices) override {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, owner);
    QList<QAbstractButton*> buttons;
    for (qsizetype i = 0; i < choices.size(); ++i)
      buttons.append(box.addButton(
          choices[i], i + 1 < choices.size() ? QMessageBox::AcceptRole : QMessageBox::RejectRole));
    if (!buttons.isEmpty()) box.setEscapeButton(buttons.back());
    box.exec();
    const qsizetype chosen = buttons.indexOf(box.clickedButton());
    return static_cast<int>(chosen >= 0 ? chosen : choices.size() - 1);
  }

  // Through the desktop's opener with the environment the user started us
  // with: the variables set for the libraries inside this process are not
  // the browser's or the viewer's business.
  bool OpenDocument(const QUrl& url) override {
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) return QDesktopServices::openUrl(url);
    QProcessEnvironment environment;
    for (const std::string& entry : UserEnvironment()) {
      const auto eq = entry.find('=');
      environment.insert(QString::fromLocal8Bit(entry.substr(0, eq)),
                         QString::fromLocal8Bit(entry.substr(eq + 1)));
    }
    QProcess process;
    process.setProgram(opener);
    process.setArguments({url.toString(QUrl::FullyEncoded)});
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached();
  }
};

}  // namespace

QString ToQtFilter(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString patterns = QString(parts[i + 1]).replace(';', ' ');
    // "文本文件(*.txt)" already shows its pattern; Qt reads it from there.
    if (parts[i].endsWith(QLatin1Char('(') + patterns + QLatin1Char(')')))
      filters << parts[i];
    else
      filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
  }
  return filters.join(QLatin1String(";;"));
}

IUserDialogs& SystemUserDialogs() {
  static TSystemUserDialogs dialogs;
  return dialogs;
}

}  // namespace tessary::platform
