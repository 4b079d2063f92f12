// SPDX-License-Identifier: MIT
#pragma once

// The manual in a window of the program's own, for a desktop where no
// program opens PDF files.

#include <QDialog>
#include <QString>

#include <optional>

class QTextBrowser;

namespace tessary {

class THelpWindow : public QDialog {
  Q_OBJECT

 public:
  // html: the manual's text; Escape or the window's close button close it.
  THelpWindow(QWidget* owner, const QString& html);

  // The manual at path, read only when it and every folder from prefix down
  // to it are no links and nobody but the user or root may write to them:
  // the help window would show another user's text as ours. Nothing, and
  // why in words for the user, otherwise.
  static std::optional<QString> ReadManual(const QString& prefix, const QString& path,
                                           QString& why);

 private:
  QTextBrowser* FBrowser;
};

}  // namespace tessary
