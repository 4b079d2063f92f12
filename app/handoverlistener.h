// SPDX-License-Identifier: MIT
#pragma once

// The running window's end of the hand-over: the socket's requests arrive
// through the event loop, so a second start is answered even while a
// question waits, and nothing here can freeze the window.

#include <QObject>
#include <QString>

#include <map>
#include <memory>
#include <string>

#include "handover.h"

class QSocketNotifier;

namespace tessary {

class THandOverListener : public QObject {
  Q_OBJECT

 public:
  explicit THandOverListener(QObject* parent = nullptr);
  ~THandOverListener() override;

  // False when the socket cannot be made (Error() says why): a second
  // start then finds nobody and opens a window of its own.
  bool Listen(const std::string& socketPath);
  QString Error() const { return QString::fromStdString(FServer.Error()); }

 signals:
  // A second start asked for file; "" asks only that the window be raised.
  void Requested(const QString& file);

 private:
  void AcceptWaiting();
  void ReadFrom(int fd);
  void WatchPending();

  platform::THandOverServer FServer;
  std::unique_ptr<QSocketNotifier> FListenNotifier;
  std::map<int, std::unique_ptr<QSocketNotifier>> FReaders;
};

}  // namespace tessary
