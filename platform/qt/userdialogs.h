// SPDX-License-Identifier: MIT
#pragma once

// The dialogs a window asks the user through: message boxes, and the open
// and save file dialogs. Tests answer them through their own implementation.

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

#include "messageservice.h"

class QWidget;

namespace tessary::platform {

class IUserDialogs : public IMessageService {
 public:
  // filter: "description|pattern" pairs separated by "|" ("文本文件(*.txt)|*.txt").
  // Both dialogs start in folder. The save dialog asks before overwriting
  // and adds defaultSuffix to a name typed without one; it offers fileName
  // (a name without folder, may be "") in folder. Both return the full path,
  // or "" when the user cancels.
  virtual QString GetSaveFileName(QWidget* owner, const QString& title, const QString& filter,
                                  const QString& defaultSuffix, const QString& folder,
                                  const QString& fileName) = 0;
  virtual QString GetOpenFileName(QWidget* owner, const QString& filter, const QString& folder) = 0;
  // A question with buttons of its own, choices from left to right; the last
  // one is also what Escape and closing the box answer. Returns its index.
  virtual int AskChoice(QWidget* owner, const QString& caption, const QString& text,
                        const QStringList& choices) = 0;
  // Opens a document or web address with the desktop's default program.
  virtual bool OpenDocument(const QUrl& url) = 0;
  // Shows a local file with the desktop's program for its type. False when
  // the desktop's opener could not be started; when it ends saying that no
  // program took the file, failed is called from the event loop.
  virtual bool OpenFile(const QString& path, const std::function<void()>& failed) = 0;
};

// The real dialogs, boxes and desktop.
IUserDialogs& SystemUserDialogs();

// "desc|pattern|desc|pattern" as a Qt name filter list ("desc (pattern);;...").
QString ToQtFilter(const QString& filter);

}  // namespace tessary::platform
