// SPDX-License-Identifier: MIT
// The files on tessary's command line, and a second start of the real
// program handing its file to the running one (here the test, holding the
// lock), or opening a window of its own when the running one is frozen.

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>

#include <cstring>
#include <string>
#include <vector>

#include "handover.h"
#include "handoverlistener.h"
#include "singleinstance.h"
#include "startfiles.h"
#include "testutil/tempfolder.h"

namespace tessary {
namespace {

TEST(StartFiles, AreTheArgumentsThatAreNoOptions) {
  const struct {
    std::vector<const char*> Args;  // after the program
    std::vector<std::string> Files;
  } rows[] = {
      {{}, {}},
      {{"calc.txt"}, {"calc.txt"}},
      {{"--no-board", "a.txt", "b.txt"}, {"a.txt", "b.txt"}},
      {{"--board-url", "http://x/", "a.txt"}, {"a.txt"}},
      {{"--board-url=http://x/", "a.txt"}, {"a.txt"}},
      {{"-platform", "offscreen", "-style", "Fusion", "a.txt"}, {"a.txt"}},
      {{"--", "-a.txt", "--no-board"}, {"-a.txt", "--no-board"}},
      {{"--panels-active", "空 格.txt"}, {"空 格.txt"}},
  };
  for (const auto& r : rows) {
    std::vector<char*> argv{const_cast<char*>("tessary")};
    for (const char* a : r.Args) argv.push_back(const_cast<char*>(a));
    EXPECT_EQ(StartFiles(static_cast<int>(argv.size()), argv.data()), r.Files)
        << (r.Args.empty() ? "" : r.Args.back());
  }
}

class SecondStart : public testing::TTempFolderTest {
 protected:
  void SetUp() override {
    TTempFolderTest::SetUp();
    std::filesystem::create_directory(FDir / "run");
    std::filesystem::permissions(FDir / "run", std::filesystem::perms::owner_all);
    FRuntime = PathOf("run");
    FOldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(FRuntime));
    ASSERT_EQ(FLock.TryAcquire("TessaryCal"), platform::TSingleInstanceLock::TResult::Acquired);
  }
  void TearDown() override {
    if (FProcess.state() != QProcess::NotRunning) {
      FProcess.kill();
      FProcess.waitForFinished();
    }
    qputenv("XDG_RUNTIME_DIR", FOldRuntime);
    TTempFolderTest::TearDown();
  }

  void Start(const QStringList& args) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(FRuntime));
    env.insert("HOME", QString::fromStdString(PathOf("run")));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    FProcess.setProcessEnvironment(env);
    FProcess.setWorkingDirectory(QString::fromStdString(FDir.string()));
    FProcess.start(QStringLiteral(TESSARY_EXE), args);
    ASSERT_TRUE(FProcess.waitForStarted());
  }

  std::string FRuntime;
  QByteArray FOldRuntime;
  platform::TSingleInstanceLock FLock;
  QProcess FProcess;
};

// The file, named relative to the second start's folder, arrives absolute;
// without a file the running window is only asked to show itself.
TEST_F(SecondStart, HandsItsFileToTheRunningWindowAndEnds) {
  THandOverListener listener;
  ASSERT_TRUE(listener.Listen(PathOf("run/TessaryCal.sock")));
  QSignalSpy requests(&listener, &THandOverListener::Requested);
  const struct {
    QStringList Args;
    QString Request;
  } rows[] = {
      {{"--no-board", "计算.txt"}, QString::fromStdString(PathOf("计算.txt"))},
      {{}, QString()},
  };
  for (const auto& r : rows) {
    requests.clear();
    Start(r.Args);
    ASSERT_TRUE(requests.wait(10000));
    EXPECT_EQ(requests.takeFirst().at(0).toString(), r.Request);
    ASSERT_TRUE(FProcess.waitForFinished(10000));
    EXPECT_EQ(FProcess.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(FProcess.exitCode(), 0);
  }
}

// A running window that takes the connection but never answers is frozen:
// the second start does not wait for ever, nor give up on its file, but
// opens a window of its own, which is still up long after the 2 s.
TEST_F(SecondStart, OpensItsOwnWindowWhenTheRunningOneIsFrozen) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, PathOf("run/TessaryCal.sock").c_str());
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(fd, 4), 0);
  Put(PathOf("calc.txt"), "a=1");
  Start({"--no-board", "calc.txt"});
  EXPECT_FALSE(FProcess.waitForFinished(5000))
      << "ended with " << FProcess.exitCode() << ": " << FProcess.readAll().toStdString();
  close(fd);
}

}  // namespace
}  // namespace tessary
