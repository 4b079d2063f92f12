// SPDX-License-Identifier: MIT
#pragma once

// Message boxes as the program's widgets ask for them. Widgets take an
// IMessageService instead of calling QMessageBox, so every command can be
// run, and answered, by a test without a screen.

#include <QString>

class QWidget;

namespace tessary::platform {

enum class TMessageIcon { None, Information, Question, Warning, Error };
// YesNoCancel: Escape and closing the box answer Cancel.
enum class TMessageButtons { Ok, YesNo, YesNoCancel };
enum class TMessageAnswer { Ok, Yes, No, Cancel };

class IMessageService {
 public:
  virtual ~IMessageService() = default;
  // A modal box over owner (may be null); returns the button pressed.
  virtual TMessageAnswer ShowMessageBox(QWidget* owner, const QString& caption, const QString& text,
                                        TMessageIcon icon, TMessageButtons buttons) = 0;
};

// The real boxes (QMessageBox).
IMessageService& SystemMessageService();

}  // namespace tessary::platform
