// SPDX-License-Identifier: MIT
#pragma once

// A second start hands its file to the running calculator instead of
// opening a second window: a Unix socket beside the single-instance lock,
// in a folder only this user may write to. The request is the file's path
// (bytes as the command line gave them) ended by a NUL, or a NUL alone to
// only raise the window; the running one answers "OK" as soon as it has the
// request, before it asks anything, so a window waiting on a question still
// takes it.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace tessary::platform {

// The socket beside lockPath ("…/NAME.lock" gives "…/NAME.sock").
std::string HandOverPath(const std::string& lockPath);

// The second start: true once the running one has answered. False when
// nobody listens, the socket is not ours, or no answer came in time (a
// frozen or vanished window): the caller then opens a window of its own.
bool HandOver(const std::string& socketPath, const std::string& file,
              std::chrono::milliseconds timeout = std::chrono::seconds(2));

// The running one: listens at the socket and reads requests without ever
// blocking, so that the window's event loop can drive it.
class THandOverServer {
 public:
  THandOverServer() = default;
  THandOverServer(const THandOverServer&) = delete;
  THandOverServer& operator=(const THandOverServer&) = delete;
  ~THandOverServer();

  // Replaces a socket left by an ended start; false (with Error()) when the
  // path cannot be listened at.
  bool Listen(const std::string& socketPath);
  int ListenFd() const { return FListen; }
  const std::string& Error() const { return FError; }

  // Takes the waiting connections of this user (others are closed).
  void Accept();
  // The connections still waiting for their request, for the caller to
  // watch for input.
  std::vector<int> PendingFds() const;
  // Reads what the connection fd has sent; the request once it is whole
  // (then answered and closed). A connection that fails or sends too much is
  // closed without a request.
  std::optional<std::string> Read(int fd);

 private:
  struct TPending {
    int Fd;
    std::string Received;
  };
  void Drop(std::size_t index);

  int FListen = -1;
  std::string FPath;
  std::string FError;
  std::vector<TPending> FPending;
};

}  // namespace tessary::platform
