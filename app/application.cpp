// SPDX-License-Identifier: MIT
#include "application.h"

#include <QLibraryInfo>
#include <QSettings>
#include <QStringDecoder>
#include <QTranslator>

#include "appstyle.h"
#include "cp936.h"
#include "exceptionhook.h"
#include "messageservice.h"

namespace tessary {

TApplication::TApplication(int& argc, char** argv, platform::IMessageService* messages)
    : QApplication(argc, argv),
      FMessages(messages != nullptr ? *messages : platform::SystemMessageService()) {
  // Only the name: a display name would make Qt append " — " + it to the
  // title of every window and dialog.
  setApplicationName(QString::fromUtf8(kTitle));
  // The platform's style, with the bars' overflow arrows made when drawn.
  setStyle(new platform::TAppStyle(style()->name()));
  // Qt's own texts (standard buttons, file dialogs) in Simplified Chinese
  // like the rest of the program, whatever the user's locale.
  auto* qtTexts = new QTranslator(this);
  if (qtTexts->load(QStringLiteral("qtbase_zh_CN"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    installTranslator(qtTexts);
  // The file dialogs keep a history in Qt's own settings file; this program
  // writes no settings but its ini, so Qt's user settings go nowhere.
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("/dev/null"));
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("/dev/null"));
  // A timer handler that throws is reported like a failed command. Handlers
  // of unsynchronised timers run on the timer worker, where no box may
  // open: the report crosses to this thread first.
  SetApplicationExceptionHandler([this](const std::exception& e) {
    const QString text = MessageText(e.what());
    QMetaObject::invokeMethod(
        this, [this, text] { ShowException(text); }, Qt::QueuedConnection);
  });
}

TApplication::~TApplication() { SetApplicationExceptionHandler(nullptr); }

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ShowException(MessageText(e.what()));
  } catch (...) {
    // Nothing to show but the fact: still better than a silent end.
    ShowException(QStringLiteral("未知错误"));
  }
  return false;
}

void TApplication::ShowException(const QString& message) {
  FMessages.ShowMessageBox(nullptr, QString::fromUtf8(kTitle), message,
                           platform::TMessageIcon::Error, platform::TMessageButtons::Ok);
}

QString TApplication::MessageText(std::string_view what) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(QByteArrayView(what.data(), qsizetype(what.size())));
  if (!utf8.hasError()) return text;
  return QString::fromStdString(platform::Cp936ToUtf8(what));
}

}  // namespace tessary
