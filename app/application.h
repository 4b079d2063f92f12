// SPDX-License-Identifier: MIT
#pragma once

// The application object: owns the one formula engine for the whole run and
// is the program's last line against a failed command. An exception that
// leaves a command's slot is shown in an error box with its message, and the
// program goes on, instead of ending without a word.

#include <QApplication>
#include <QString>

#include <exception>
#include <string_view>

#include "formulaparser.h"

namespace tessary {

namespace platform {
class IMessageService;
}

class TApplication : public QApplication {
  Q_OBJECT

 public:
  static constexpr const char* kTitle = "Tessary公式计算器";

  // messages: where the error report goes (the real boxes by default).
  TApplication(int& argc, char** argv, platform::IMessageService* messages = nullptr);
  ~TApplication() override;

  TFormulaParser& Engine() { return FEngine; }

  bool notify(QObject* receiver, QEvent* event) override;

  // The default error report: a box titled with the application's name
  // holding the message.
  void ShowException(const QString& message);

  // An exception's message as the user reads it: our own are UTF-8, but
  // those of the worksheet code carry code page 936 text (a key of the
  // variable table); anything that is not valid UTF-8 is read as the latter.
  static QString MessageText(std::string_view what);

 private:
  platform::IMessageService& FMessages;
  TFormulaParser FEngine;
};

}  // namespace tessary
