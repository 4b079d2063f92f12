// SPDX-License-Identifier: MIT
#include "handover.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace tessary::platform {

namespace {

constexpr const char kAnswer[] = "OK";
// A path is at most PATH_MAX; more is no request of ours.
constexpr std::size_t kMaxRequest = 8192;
// Connections that never send are dropped, the oldest first.
constexpr std::size_t kMaxPending = 8;

bool Address(const std::string& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

// Waits for events on fd until the deadline; false when it passed.
bool WaitFor(int fd, short events, std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{fd, events, 0};
    const int rc = poll(&p, 1, static_cast<int>(left.count()));
    if (rc > 0) return true;
    if (rc < 0 && errno != EINTR) return false;
  }
}

bool SendAll(int fd, const char* data, std::size_t size,
             std::chrono::steady_clock::time_point deadline) {
  while (size > 0) {
    const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
    if (n > 0) {
      data += n;
      size -= static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
      return false;
    } else if (!WaitFor(fd, POLLOUT, deadline)) {
      return false;
    }
  }
  return true;
}

bool Answered(int fd, std::chrono::steady_clock::time_point deadline) {
  std::string answer;
  while (answer.size() < sizeof kAnswer - 1) {
    if (!WaitFor(fd, POLLIN, deadline)) return false;
    char buffer[8];
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n == 0) return false;
    if (n < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      return false;
    }
    answer.append(buffer, static_cast<std::size_t>(n));
  }
  return answer.starts_with(kAnswer);
}

// Only a socket of our own is talked to: a request names a file of ours.
bool IsOurSocket(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == geteuid();
}

bool PeerIsUs(int fd) {
  ucred peer{};
  socklen_t size = sizeof peer;
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == geteuid();
}

}  // namespace

std::string HandOverPath(const std::string& lockPath) {
  const std::string suffix = ".lock";
  if (!lockPath.ends_with(suffix)) return {};
  return lockPath.substr(0, lockPath.size() - suffix.size()) + ".sock";
}

bool HandOver(const std::string& socketPath, const std::string& file,
              std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  sockaddr_un address{};
  if (!Address(socketPath, address) || !IsOurSocket(socketPath)) return false;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  bool delivered = false;
  // A full backlog (a frozen window) answers EAGAIN: that is a failure too.
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
      PeerIsUs(fd)) {
    const std::string request = file + '\0';
    delivered = SendAll(fd, request.data(), request.size(), deadline) && Answered(fd, deadline);
  }
  close(fd);
  return delivered;
}

THandOverServer::~THandOverServer() {
  for (const TPending& p : FPending) close(p.Fd);
  if (FListen >= 0) {
    close(FListen);
    // We still hold the lock, so the socket there is the one we made.
    if (IsOurSocket(FPath)) unlink(FPath.c_str());
  }
}

bool THandOverServer::Listen(const std::string& socketPath) {
  sockaddr_un address{};
  if (!Address(socketPath, address)) {
    FError = "路径太长：" + socketPath;
    return false;
  }
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    FError = std::strerror(errno);
    return false;
  }
  // We hold the lock, so what is there was left by a start that ended. A
  // link or anything else that is no socket is not ours to remove.
  if (IsOurSocket(socketPath)) unlink(socketPath.c_str());
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      chmod(socketPath.c_str(), 0600) != 0 || listen(fd, 4) != 0) {
    FError = std::strerror(errno);
    close(fd);
    return false;
  }
  FListen = fd;
  FPath = socketPath;
  return true;
}

void THandOverServer::Accept() {
  for (;;) {
    const int fd = accept4(FListen, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    if (!PeerIsUs(fd)) {
      close(fd);
      continue;
    }
    if (FPending.size() == kMaxPending) Drop(0);
    FPending.push_back({fd, {}});
  }
}

std::vector<int> THandOverServer::PendingFds() const {
  std::vector<int> fds;
  for (const TPending& p : FPending) fds.push_back(p.Fd);
  return fds;
}

void THandOverServer::Drop(std::size_t index) {
  close(FPending[index].Fd);
  FPending.erase(FPending.begin() + static_cast<std::ptrdiff_t>(index));
}

std::optional<std::string> THandOverServer::Read(int fd) {
  std::size_t index = 0;
  while (index < FPending.size() && FPending[index].Fd != fd) ++index;
  if (index == FPending.size()) return std::nullopt;
  std::string& received = FPending[index].Received;
  for (;;) {
    char buffer[1024];
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return std::nullopt;  // more to come
    if (n <= 0 || received.size() + static_cast<std::size_t>(n) > kMaxRequest) {
      Drop(index);
      return std::nullopt;
    }
    received.append(buffer, static_cast<std::size_t>(n));
    if (const std::size_t end = received.find('\0'); end != std::string::npos) {
      std::string request = received.substr(0, end);
      // The request is taken: the sender may end now, whatever comes next.
      send(fd, kAnswer, sizeof kAnswer - 1, MSG_NOSIGNAL);
      Drop(index);
      return request;
    }
  }
}

}  // namespace tessary::platform
