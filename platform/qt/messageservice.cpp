#include "messageservice.h"

#include <QMessageBox>

namespace tessary::platform {

namespace {

class TQtMessageService final : public IMessageService {
 public:
  TMessageAnswer ShowMessageBox(QWidget* owner, const QString& caption, const QString& text,
                                TMessageIcon icon, TMessageButtons buttons) override {
    QMessageBox box(ToQt(icon), caption, text,
                    buttons == TMessageButtons::YesNo ? QMessageBox::Yes | QMessageBox::No
                                                      : QMessageBox::Ok,
                    owner);
    const int answer = box.exec();
    if (buttons == TMessageButtons::Ok) return TMessageAnswer::Ok;
    return answer == QMessageBox::Yes ? TMessageAnswer::Yes : TMessageAnswer::No;
  }

 private:
  static QMessageBox::Icon ToQt(TMessageIcon icon) {
    switch (icon) {
      case TMessageIcon::Information: return QMessageBox::Information;
      case TMessageIcon::Question: return QMessageBox::Question;
      case TMessageIcon::Warning: return QMessageBox::Warning;
      case TMessageIcon::Error: return QMessageBox::Critical;
      case TMessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
  }
};

}  // namespace

IMessageService& SystemMessageService() {
  static TQtMessageService service;
  return service;
}

}  // namespace tessary::platform
