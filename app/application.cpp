#include "application.h"

#include <QStringDecoder>

#include "cp936.h"
#include "exceptionhook.h"
#include "messageservice.h"

namespace tessary {

TApplication::TApplication(int& argc, char** argv, platform::IMessageService* messages)
    : QApplication(argc, argv),
      FMessages(messages != nullptr ? *messages : platform::SystemMessageService()) {
  setApplicationName(QString::fromUtf8(kTitle));
  setApplicationDisplayName(QString::fromUtf8(kTitle));
  // A timer handler that throws is reported like a failed command. Handlers
  // of unsynchronised timers run on the timer worker, where no box may
  // open: the report crosses to this thread first.
  SetApplicationExceptionHandler([this](const std::exception& e) {
    const QString text = MessageText(e.what());
    QMetaObject::invokeMethod(this, [this, text] { ShowException(text); }, Qt::QueuedConnection);
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
