// SPDX-License-Identifier: MIT
#pragma once

// Dialogs for a window that nobody watches: every box is answered with OK
// or No (so "save?" never keeps the window from closing), no file is
// chosen, and a link or a file "opens".

#include <QString>
#include <QUrl>

#include "userdialogs.h"

namespace tessary {

struct TQuietDialogs : platform::IUserDialogs {
  platform::TMessageAnswer ShowMessageBox(QWidget*, const QString&, const QString&,
                                          platform::TMessageIcon,
                                          platform::TMessageButtons buttons) override {
    return buttons == platform::TMessageButtons::Ok ? platform::TMessageAnswer::Ok
                                                    : platform::TMessageAnswer::No;
  }
  QString GetSaveFileName(QWidget*, const QString&, const QString&, const QString&, const QString&,
                          const QString&) override {
    return {};
  }
  QString GetOpenFileName(QWidget*, const QString&, const QString&) override { return {}; }
  int AskChoice(QWidget*, const QString&, const QString&, const QStringList& choices) override {
    return static_cast<int>(choices.size()) - 1;
  }
  bool OpenDocument(const QUrl&) override { return true; }
  bool OpenFile(const QString&, const std::function<void()>&) override { return true; }
};

}  // namespace tessary
