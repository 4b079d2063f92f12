// SPDX-License-Identifier: MIT
#include "handoverlistener.h"

#include <QFile>
#include <QSocketNotifier>

#include <algorithm>
#include <vector>

namespace tessary {

THandOverListener::THandOverListener(QObject* parent) : QObject(parent) {}

THandOverListener::~THandOverListener() = default;

bool THandOverListener::Listen(const std::string& socketPath) {
  if (!FServer.Listen(socketPath)) return false;
  FListenNotifier =
      std::make_unique<QSocketNotifier>(FServer.ListenFd(), QSocketNotifier::Read, this);
  connect(FListenNotifier.get(), &QSocketNotifier::activated, this,
          &THandOverListener::AcceptWaiting);
  return true;
}

void THandOverListener::AcceptWaiting() {
  FServer.Accept();
  WatchPending();
}

// One notifier per connection still waiting for its request; those the
// server has closed lose theirs.
void THandOverListener::WatchPending() {
  const std::vector<int> pending = FServer.PendingFds();
  std::erase_if(FReaders, [&pending](const auto& reader) {
    return std::find(pending.begin(), pending.end(), reader.first) == pending.end();
  });
  for (int fd : pending) {
    if (FReaders.count(fd) != 0) continue;
    auto notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read, this);
    connect(notifier.get(), &QSocketNotifier::activated, this, [this, fd] { ReadFrom(fd); });
    FReaders.emplace(fd, std::move(notifier));
  }
}

void THandOverListener::ReadFrom(int fd) {
  const std::optional<std::string> request = FServer.Read(fd);
  // The notifier of a closed connection must go before its number is reused.
  WatchPending();
  if (request) emit Requested(QFile::decodeName(QByteArray::fromStdString(*request)));
}

}  // namespace tessary
