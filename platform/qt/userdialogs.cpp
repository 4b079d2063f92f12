// SPDX-License-Identifier: MIT
#include "userdialogs.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QStandardPaths>

#include <unistd.h>

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
                          const QString& defaultSuffix, const QString& folder,
                          const QString& fileName) override {
    QFileDialog dialog(owner, title, folder, ToQtFilter(filter));
    if (!fileName.isEmpty()) dialog.selectFile(fileName);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
               ? dialog.selectedFiles().front()
               : QString();
  }

  QString GetOpenFileName(QWidget* owner, const QString& filter, const QString& folder) override {
    QFileDialog dialog(owner, QString(), folder, ToQtFilter(filter));
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

  bool OpenDocument(const QUrl& url) override {
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) return QDesktopServices::openUrl(url);
    QProcess process;
    SetUpOpener(process, opener, url);
    return process.startDetached();
  }

  // The opener's exit code is the only word of a missing program: it is
  // waited for, in its own session as a detached one would be, so that the
  // terminal's Ctrl+C does not reach the viewer.
  bool OpenFile(const QString& path, const std::function<void()>& failed) override {
    const QUrl url = QUrl::fromLocalFile(path);
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) return QDesktopServices::openUrl(url);
    auto* process = new QProcess(QCoreApplication::instance());
    SetUpOpener(*process, opener, url);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setChildProcessModifier([] { setsid(); });
    QObject::connect(process, &QProcess::finished, process,
                     [process, failed](int code, QProcess::ExitStatus status) {
                       process->deleteLater();
                       if (status != QProcess::NormalExit || code != 0) failed();
                     });
    process->start();
    if (process->waitForStarted()) return true;
    delete process;
    return false;
  }

 private:
  // Through the desktop's opener with the environment the user started us
  // with: the variables set for the libraries inside this process are not
  // the browser's or the viewer's business.
  static void SetUpOpener(QProcess& process, const QString& opener, const QUrl& url) {
    QProcessEnvironment environment;
    for (const std::string& entry : UserEnvironment()) {
      const auto eq = entry.find('=');
      environment.insert(QString::fromLocal8Bit(entry.substr(0, eq)),
                         QString::fromLocal8Bit(entry.substr(eq + 1)));
    }
    process.setProgram(opener);
    process.setArguments({url.toString(QUrl::FullyEncoded)});
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
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
