// SPDX-License-Identifier: MIT
#include "messageservice.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace tessary::platform {

namespace {

class TQtMessageService final : public IMessageService {
 public:
  TMessageAnswer ShowMessageBox(QWidget* owner, const QString& caption, const QString& text,
                                TMessageIcon icon, TMessageButtons buttons) override {
    QMessageBox box(ToQt(icon), caption, text, ToQt(buttons), owner);
    if (buttons == TMessageButtons::YesNoCancel) {
      // Escape and the title bar's close button press it.
      box.setEscapeButton(QMessageBox::Cancel);
      box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
    }
    const int answer = box.exec();
    switch (buttons) {
      case TMessageButtons::Ok: return TMessageAnswer::Ok;
      case TMessageButtons::YesNo:
        return answer == QMessageBox::Yes ? TMessageAnswer::Yes : TMessageAnswer::No;
      case TMessageButtons::YesNoCancel: break;
    }
    if (answer == QMessageBox::Yes) return TMessageAnswer::Yes;
    return answer == QMessageBox::No ? TMessageAnswer::No : TMessageAnswer::Cancel;
  }

 private:
  static QMessageBox::StandardButtons ToQt(TMessageButtons buttons) {
    switch (buttons) {
      case TMessageButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
      case TMessageButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
      case TMessageButtons::Ok: break;
    }
    return QMessageBox::Ok;
  }
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
