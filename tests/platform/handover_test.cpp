// SPDX-License-Identifier: MIT
// The hand-over between two real processes: a second start's file reaches
// the running one, and a running one that is frozen, gone or not ours never
// keeps the second start waiting for an answer that does not come.

#include "handover.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>

#include "testutil/tempfolder.h"

namespace tessary::platform {
namespace {

using namespace std::chrono_literals;

class HandOverTest : public testing::TTempFolderTest {
 protected:
  void TearDown() override {
    if (FChild > 0) {
      kill(FChild, SIGKILL);
      waitpid(FChild, nullptr, 0);
    }
    TTempFolderTest::TearDown();
  }

  // A running calculator in another process: serves requests and writes
  // each one, NUL-ended, to a pipe the test reads.
  void StartServer(const std::string& path) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    FChild = fork();
    ASSERT_GE(FChild, 0);
    if (FChild == 0) {
      THandOverServer server;
      const char ok = server.Listen(path) ? '1' : '0';
      if (write(ready[1], &ok, 1) != 1) _exit(1);
      for (;;) {
        std::vector<pollfd> watch{{server.ListenFd(), POLLIN, 0}};
        for (int fd : server.PendingFds()) watch.push_back({fd, POLLIN, 0});
        poll(watch.data(), watch.size(), -1);
        server.Accept();
        for (int fd : server.PendingFds())
          if (auto request = server.Read(fd))
            if (write(fds[1], request->c_str(), request->size() + 1) < 0) _exit(1);
      }
    }
    close(fds[1]);
    close(ready[1]);
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    close(ready[0]);
    ASSERT_EQ(ok, '1');
    FRequests = fds[0];
  }

  std::string NextRequest() const {
    std::string request;
    char c = 0;
    while (read(FRequests, &c, 1) == 1 && c != '\0') request += c;
    return request;
  }

  pid_t FChild = -1;
  int FRequests = -1;
};

TEST_F(HandOverTest, TheFileReachesTheRunningProcess) {
  const std::string socket = HandOverPath(PathOf("TessaryCal.lock"));
  EXPECT_EQ(socket, PathOf("TessaryCal.sock"));
  StartServer(socket);
  for (const std::string file : {"/home/u/计算 1.txt", "", "/tmp/a\nb.txt"}) {
    EXPECT_TRUE(HandOver(socket, file)) << file;
    EXPECT_EQ(NextRequest(), file);
  }
}

// A frozen window has its socket and takes connections into the backlog,
// but never answers: the second start gives up and opens its own window.
TEST_F(HandOverTest, AFrozenProcessIsGivenUpOn) {
  const std::string socket = PathOf("TessaryCal.sock");
  StartServer(socket);
  ASSERT_EQ(kill(FChild, SIGSTOP), 0);
  EXPECT_FALSE(HandOver(socket, "/tmp/a.txt", 300ms));
  ASSERT_EQ(kill(FChild, SIGCONT), 0);
}

TEST_F(HandOverTest, NoOneListeningOrNotOurSocketFailsAtOnce) {
  const std::string socket = PathOf("TessaryCal.sock");
  EXPECT_FALSE(HandOver(socket, "/tmp/a.txt", 300ms)) << "no socket at all";

  // A socket left by a start that ended: bound, nobody listening.
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, socket.c_str());
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  close(fd);
  EXPECT_FALSE(HandOver(socket, "/tmp/a.txt", 300ms)) << "a stale socket";

  // A link to a live socket is not followed.
  const std::string live = PathOf("live.sock");
  StartServer(live);
  const std::string link = PathOf("link.sock");
  std::filesystem::create_symlink(live, link);
  EXPECT_FALSE(HandOver(link, "/tmp/a.txt", 300ms)) << "a link";

  // The running one replaces a stale socket when it starts.
  THandOverServer server;
  EXPECT_TRUE(server.Listen(socket)) << server.Error();
}

}  // namespace
}  // namespace tessary::platform
