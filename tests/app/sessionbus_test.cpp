// SPDX-License-Identifier: MIT
// The session bus is switched off only where none can be reached: a bus
// that is there (for a screen reader) is never cut off.

#include "sessionbus.h"

#include "userdialogs.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

namespace tessary {
namespace {

// Sets or clears a variable for one scope, then puts the old value back.
class TScopedEnv {
 public:
  TScopedEnv(const char* name, std::optional<std::string> value) : FName(name) {
    if (const char* old = std::getenv(name)) FOld = old;
    if (value)
      setenv(name, value->c_str(), 1);
    else
      unsetenv(name);
  }
  ~TScopedEnv() {
    if (FOld)
      setenv(FName, FOld->c_str(), 1);
    else
      unsetenv(FName);
  }

 private:
  const char* FName;
  std::optional<std::string> FOld;
};

enum class TBus { None, Socket, PlainFile };
enum class TLauncher { None, Executable, NotExecutable };

TEST(SessionBus, IsSwitchedOffOnlyWhereNoneCanBeReached) {
  struct TCase {
    const char* what;
    std::optional<std::string> address;
    TBus bus;
    TLauncher launcher;
    bool switchedOff;
    std::optional<std::string> addressAfter;
  };
  const TCase cases[] = {
      {"an address is set", "unix:path=/run/user/1000/bus", TBus::None, TLauncher::None, false,
       "unix:path=/run/user/1000/bus"},
      {"an empty address is the user's choice", "", TBus::None, TLauncher::None, false, ""},
      {"the user's bus socket", std::nullopt, TBus::Socket, TLauncher::None, false, std::nullopt},
      {"the launcher can start a bus", std::nullopt, TBus::None, TLauncher::Executable, false,
       std::nullopt},
      {"a plain file is no bus", std::nullopt, TBus::PlainFile, TLauncher::None, true, "disabled:"},
      {"a launcher that cannot run", std::nullopt, TBus::None, TLauncher::NotExecutable, true,
       "disabled:"},
      {"nothing at all", std::nullopt, TBus::None, TLauncher::None, true, "disabled:"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    const std::string dir = runtime.path().toStdString();
    const std::string busPath = dir + "/bus";
    int socketFd = -1;
    if (c.bus == TBus::Socket) {
      socketFd = socket(AF_UNIX, SOCK_STREAM, 0);
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      ASSERT_LT(busPath.size(), sizeof address.sun_path);
      busPath.copy(address.sun_path, busPath.size());
      ASSERT_EQ(bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    } else if (c.bus == TBus::PlainFile) {
      std::ofstream(busPath) << "not a socket";
    }
    const std::string launcher = dir + "/dbus-launch";
    if (c.launcher != TLauncher::None) {
      std::ofstream(launcher) << "#!/bin/sh\n";
      chmod(launcher.c_str(), c.launcher == TLauncher::Executable ? 0755 : 0644);
    }

    TScopedEnv runtimeDir("XDG_RUNTIME_DIR", dir);
    TScopedEnv address("DBUS_SESSION_BUS_ADDRESS", c.address);
    EXPECT_EQ(DisableUnreachableSessionBus(launcher.c_str()), c.switchedOff);
    const char* after = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    EXPECT_EQ(after ? std::optional<std::string>(after) : std::nullopt, c.addressAfter);
    if (socketFd >= 0) close(socketFd);
  }
}

// Programs the window starts (the browser for a link, the viewer for the
// manual) get the environment the user started it with, not the variables
// the program set for the libraries inside it.
TEST(StartEnvironment, ProgramsStartedGetTheUsersEnvironment) {
  QTemporaryDir bin;
  ASSERT_TRUE(bin.isValid());
  const std::string dir = bin.path().toStdString();
  const std::string dump = dir + "/env.txt";
  const std::string opener = dir + "/xdg-open";
  std::ofstream(opener) << "#!/bin/sh\nenv > '" << dump << ".part' && mv '" << dump << ".part' '"
                        << dump << "'\n";
  chmod(opener.c_str(), 0755);
  const char* oldPath = std::getenv("PATH");
  TScopedEnv path("PATH", dir + ":" + (oldPath ? oldPath : "/usr/bin:/bin"));
  TScopedEnv runtimeDir("XDG_RUNTIME_DIR", std::nullopt);
  TScopedEnv address("DBUS_SESSION_BUS_ADDRESS", std::nullopt);
  TScopedEnv sharedMemory("QT_XCB_NO_MITSHM", std::nullopt);
  TScopedEnv mark("TESSARY_USERS_OWN", "kept");
  ASSERT_TRUE(DisableUnreachableSessionBus((dir + "/no-launcher").c_str()));
  PreferSocketOverSharedMemory();
  ASSERT_STREQ(std::getenv("QT_XCB_NO_MITSHM"), "1") << "set for the display connection";

  ASSERT_TRUE(platform::SystemUserDialogs().OpenDocument(QUrl("https://example.org/")));
  for (int i = 0; i < 200 && access(dump.c_str(), F_OK) != 0; ++i) usleep(50000);
  std::ifstream in(dump);
  ASSERT_TRUE(in.good()) << "the opener was not started";
  std::string line, seen;
  while (std::getline(in, line)) seen += line + "\n";
  EXPECT_EQ(seen.find("DBUS_SESSION_BUS_ADDRESS="), std::string::npos);
  EXPECT_EQ(seen.find("QT_XCB_NO_MITSHM="), std::string::npos);
  EXPECT_NE(seen.find("TESSARY_USERS_OWN=kept\n"), std::string::npos);
}

// The desktop's opener ends with an error when no program takes the file
// (no PDF viewer): that is heard, so that Help can show its manual itself.
TEST(StartEnvironment, AnOpenerThatFindsNoProgramIsHeard) {
  QTemporaryDir bin;
  ASSERT_TRUE(bin.isValid());
  const std::string opener = bin.path().toStdString() + "/xdg-open";
  const char* oldPath = std::getenv("PATH");
  TScopedEnv path("PATH", bin.path().toStdString() + ":" + (oldPath ? oldPath : "/usr/bin:/bin"));
  const struct {
    const char* Exit;
    int Failures;
  } cases[] = {{"exit 0", 0}, {"echo 'xdg-open: no method available' >&2; exit 3", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Exit);
    std::ofstream(opener) << "#!/bin/sh\n" << c.Exit << "\n";
    chmod(opener.c_str(), 0755);
    int failures = 0;
    ASSERT_TRUE(platform::SystemUserDialogs().OpenFile(bin.path() + "/Manual.pdf",
                                                       [&failures] { ++failures; }));
    // Until the opener has ended and its process is gone.
    for (int i = 0; i < 400 && !QCoreApplication::instance()->findChildren<QProcess*>().isEmpty();
         ++i) {
      QCoreApplication::processEvents();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      usleep(25000);
    }
    EXPECT_TRUE(QCoreApplication::instance()->findChildren<QProcess*>().isEmpty());
    EXPECT_EQ(failures, c.Failures);
  }
}

}  // namespace
}  // namespace tessary
