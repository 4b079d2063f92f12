// SPDX-License-Identifier: MIT
// The single-instance lock between real processes: busy while another holds
// it, free again once the holder has ended, whether it exited or was killed.

#include "singleinstance.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "platform/scopedenv.h"
#include "testutil/tempfolder.h"

extern char** environ;

namespace tessary::platform {
namespace {

using TResult = TSingleInstanceLock::TResult;
constexpr const char* kName = "TessaryCal";

// Every test gets its own XDG_RUNTIME_DIR, so that a running calculator of
// the developer's cannot interfere.
class SingleInstanceTest : public testing::TTempFolderTest {
 protected:
  void SetUp() override {
    TTempFolderTest::SetUp();
    if (const char* old = getenv("XDG_RUNTIME_DIR")) FOldRuntime = old;
    SetRuntimeDir(FDir.string());
  }
  void TearDown() override {
    SetRuntimeDir(FOldRuntime);
    TTempFolderTest::TearDown();
  }
  static void SetRuntimeDir(const std::optional<std::string>& dir) {
    if (dir)
      setenv("XDG_RUNTIME_DIR", dir->c_str(), 1);
    else
      unsetenv("XDG_RUNTIME_DIR");
  }

 private:
  std::optional<std::string> FOldRuntime;
};

// Result of TryAcquire in a freshly forked child, which ends at once; its
// fallback folder is fallback (the state folder when empty).
TResult TryInChild(const std::string& fallback = {}) {
  const pid_t pid = fork();
  if (pid == 0) {
    TSingleInstanceLock lock(fallback);
    _exit(static_cast<int>(lock.TryAcquire(kName)));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? static_cast<TResult>(WEXITSTATUS(status)) : TResult::Unavailable;
}

// A child that takes the lock, reports, and then waits to be told to exit
// (or to be killed).
class THolder {
 public:
  THolder() {
    int up[2], down[2];
    if (pipe(up) != 0 || pipe(down) != 0) return;
    FPid = fork();
    if (FPid == 0) {
      close(up[0]);
      close(down[1]);
      TSingleInstanceLock lock;
      const char result = static_cast<char>(lock.TryAcquire(kName));
      (void)!write(up[1], &result, 1);
      char go;
      (void)!read(down[0], &go, 1);
      _exit(0);
    }
    close(up[1]);
    close(down[0]);
    FDown = down[1];
    char result = -1;
    if (read(up[0], &result, 1) == 1) FResult = static_cast<TResult>(result);
    close(up[0]);
  }
  ~THolder() {
    if (FPid > 0) Kill(SIGKILL);
  }
  std::optional<TResult> Result() const { return FResult; }
  void Exit() {
    close(FDown);
    Reap();
  }
  void Kill(int signal) {
    kill(FPid, signal);
    close(FDown);
    Reap();
  }

 private:
  void Reap() {
    waitpid(FPid, nullptr, 0);
    FPid = -1;
  }
  pid_t FPid = -1;
  int FDown = -1;
  std::optional<TResult> FResult;
};

TEST_F(SingleInstanceTest, ForkedChildIsBusyWhileParentHolds) {
  TSingleInstanceLock lock;
  ASSERT_EQ(lock.TryAcquire(kName), TResult::Acquired);
  EXPECT_EQ(TryInChild(), TResult::Busy);
  EXPECT_EQ(lock.TryAcquire(kName), TResult::Acquired) << "asking again keeps the lock";
  EXPECT_EQ(TryInChild(), TResult::Busy);
}

TEST_F(SingleInstanceTest, FreeAgainHoweverTheHolderEnds) {
  struct TCase {
    const char* how;
    int signal;  // 0: the holder exits normally
  };
  const TCase cases[] = {
      {"exit", 0},
      {"SIGKILL", SIGKILL},  // no chance to clean up: the kernel must release it
      {"SIGTERM", SIGTERM},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.how);
    THolder holder;
    ASSERT_EQ(holder.Result(), TResult::Acquired);
    {
      TSingleInstanceLock second;
      EXPECT_EQ(second.TryAcquire(kName), TResult::Busy);
      EXPECT_FALSE(second.Held());
    }
    if (c.signal == 0)
      holder.Exit();
    else
      holder.Kill(c.signal);
    TSingleInstanceLock after;
    EXPECT_EQ(after.TryAcquire(kName), TResult::Acquired);
    EXPECT_TRUE(after.Held());
  }
}

TEST_F(SingleInstanceTest, ReleasedWhenTheObjectGoes) {
  auto first = std::make_optional<TSingleInstanceLock>();
  ASSERT_EQ(first->TryAcquire(kName), TResult::Acquired);
  TSingleInstanceLock second;
  EXPECT_EQ(second.TryAcquire(kName), TResult::Busy) << "two objects of one process exclude";
  first.reset();
  EXPECT_EQ(second.TryAcquire(kName), TResult::Acquired);
}

TEST_F(SingleInstanceTest, OtherNamesDoNotCollide) {
  TSingleInstanceLock a, b;
  ASSERT_EQ(a.TryAcquire(kName), TResult::Acquired);
  EXPECT_EQ(b.TryAcquire("TessaryCalOther"), TResult::Acquired);
}

// A program we start (a PDF viewer outliving us) must not keep the lock.
TEST_F(SingleInstanceTest, ProgramsStartedFromTheHolderDoNotInheritIt) {
  auto lock = std::make_optional<TSingleInstanceLock>();
  ASSERT_EQ(lock->TryAcquire(kName), TResult::Acquired);
  pid_t sleeper = -1;
  char arg0[] = "sleep", arg1[] = "30";
  char* argv[] = {arg0, arg1, nullptr};
  ASSERT_EQ(posix_spawnp(&sleeper, "sleep", nullptr, nullptr, argv, environ), 0);
  lock.reset();
  EXPECT_EQ(TryInChild(), TResult::Acquired);
  kill(sleeper, SIGKILL);
  waitpid(sleeper, nullptr, 0);
}

TEST_F(SingleInstanceTest, LockPath) {
  struct TCase {
    std::optional<std::string> runtime;
    std::string expected;
  };
  testing::TScopedEnv env;
  env.Set("XDG_STATE_HOME", PathOf("state"));
  const std::string state = PathOf("state/tessary/TessaryCal.lock");
  const TCase cases[] = {
      {FDir.string(), FDir.string() + "/TessaryCal.lock"},
      {std::nullopt, state},
      {"", state},
      {"relative/dir", state},  // not a usable runtime folder
      {PathOf("missing"), state},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.runtime.value_or("(unset)"));
    SetRuntimeDir(c.runtime);
    EXPECT_EQ(TSingleInstanceLock().LockPath(kName), c.expected);
  }
}

// Without a usable runtime folder the lock lives in a private fallback
// folder, made with its missing parents: a second start still finds the
// first, rather than both running.
TEST_F(SingleInstanceTest, WithoutAUsableRuntimeFolderLocksInAPrivateFallbackFolder) {
  const std::string folder = PathOf("state/tessary");
  const std::string open = PathOf("open");
  std::filesystem::create_directory(open);
  ASSERT_EQ(chmod(open.c_str(), 0777), 0);
  const std::string file = PathOf("file");
  Put(file, "");
  struct TCase {
    std::optional<std::string> runtime;
    const char* why;
  };
  const TCase cases[] = {
      {PathOf("missing"), "a missing folder"},
      {std::nullopt, "unset"},
      {"relative/dir", "a relative path"},
      {open, "a folder others may write to"},
      {file, "a file"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.why);
    SetRuntimeDir(c.runtime);
    {
      TSingleInstanceLock lock(folder);
      EXPECT_EQ(lock.LockPath(kName), folder + "/TessaryCal.lock");
      ASSERT_EQ(lock.TryAcquire(kName), TResult::Acquired) << lock.Error();
      struct stat st {};
      ASSERT_EQ(lstat(folder.c_str(), &st), 0);
      EXPECT_TRUE(S_ISDIR(st.st_mode));
      EXPECT_EQ(st.st_mode & 07777, 0700u);
      EXPECT_EQ(st.st_uid, geteuid());
      EXPECT_EQ(TryInChild(folder), TResult::Busy);
    }
    EXPECT_EQ(TryInChild(folder), TResult::Acquired) << "free again once the holder lets go";
    std::filesystem::remove_all(PathOf("state"));
  }
}

// A fallback folder that is not private (another user's, writable by
// others, a link in its place) is refused with a message, and nothing is
// created in it.
TEST_F(SingleInstanceTest, RefusesALockFolderOthersControl) {
  SetRuntimeDir(PathOf("missing"));
  const std::string folder = PathOf("state/tessary");
  std::filesystem::create_directory(PathOf("state"));
  const std::string elsewhere = PathOf("elsewhere");
  std::filesystem::create_directory(elsewhere);
  ASSERT_EQ(chmod(elsewhere.c_str(), 0700), 0);
  struct TCase {
    const char* why;
    std::function<void()> make;
    const char* says;
    bool needsRoot;
  };
  const TCase cases[] = {
      {"another user's folder",
       [&] {
         mkdir(folder.c_str(), 0700);
         ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
       },
       "属于另一个用户", true},
      {"a folder others may write to",
       [&] {
         mkdir(folder.c_str(), 0700);
         ASSERT_EQ(chmod(folder.c_str(), 01777), 0);
       },
       "其他用户可以写入", false},
      {"a link to a folder", [&] { std::filesystem::create_directory_symlink(elsewhere, folder); },
       "不是文件夹", false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.why);
    if (c.needsRoot && geteuid() != 0) continue;  // only root can give a folder away
    c.make();
    TSingleInstanceLock lock(folder);
    EXPECT_EQ(lock.TryAcquire(kName), TResult::Unavailable);
    EXPECT_FALSE(lock.Held());
    EXPECT_NE(lock.Error().find("“" + folder + "”"), std::string::npos) << lock.Error();
    EXPECT_NE(lock.Error().find(c.says), std::string::npos) << lock.Error();
    EXPECT_FALSE(std::filesystem::exists(folder + "/TessaryCal.lock"));
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere));
    std::filesystem::remove_all(folder);
  }
}

const char* ResultName(TResult result) {
  switch (result) {
    case TResult::Acquired: return "Acquired";
    case TResult::Busy: return "Busy";
    case TResult::Unavailable: return "Unavailable";
  }
  return "?";
}

// Runs plant and then two locks of the default kind in a child that has a
// /tmp of its own (a fresh tmpfs, with the test's folder bound back into it),
// so that what is planted disturbs nobody's real /tmp. Returns what the child
// saw: the lock path, both answers (with the first's error, if any) and the
// state folder's mode; nullopt when no such /tmp can be made here.
std::optional<std::string> LockWithPlantedTmp(const std::string& testDir,
                                              const std::function<bool()>& plant) {
  constexpr int kNoPrivateTmp = 3;
  int out[2];
  if (pipe(out) != 0) return "no pipe";
  const pid_t pid = fork();
  if (pid == 0) {
    close(out[0]);
    const auto report = [&](const std::string& text) {
      (void)!write(out[1], text.data(), text.size());
      _exit(0);
    };
    // The folder is opened in the new namespace: a mount of the old one
    // cannot be bound.
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
      _exit(kNoPrivateTmp);
    const int dir = open(testDir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0 || mount("tmpfs", "/tmp", "tmpfs", 0, "mode=1777") != 0) _exit(kNoPrivateTmp);
    if (testDir.starts_with("/tmp/")) {
      std::error_code ignored;
      std::filesystem::create_directories(testDir, ignored);
      const std::string self = "/proc/self/fd/" + std::to_string(dir);
      if (mount(self.c_str(), testDir.c_str(), nullptr, MS_BIND, nullptr) != 0)
        _exit(kNoPrivateTmp);
    }
    if (!plant()) report("could not plant");
    TSingleInstanceLock first, second;
    std::string seen = first.LockPath(kName) + " " + ResultName(first.TryAcquire(kName));
    seen += first.Error().empty() ? "" : " (" + first.Error() + ")";
    seen += std::string(" ") + ResultName(second.TryAcquire(kName));
    struct stat st {};
    if (stat((testDir + "/state/tessary").c_str(), &st) == 0) {
      char mode[8];
      std::snprintf(mode, sizeof mode, " %04o", static_cast<unsigned>(st.st_mode & 07777));
      seen += mode;
    }
    report(seen);
  }
  close(out[1]);
  std::string seen;
  char buffer[512];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) seen.append(buffer, n);
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == kNoPrivateTmp) return std::nullopt;
  return seen;
}

// Without a usable runtime folder the lock is in the user's state folder,
// which no other user can create: nothing they put in the shared /tmp under
// a name we would predict keeps us from starting.
TEST_F(SingleInstanceTest, NothingPlantedInTheSharedTempFolderKeepsUsFromStarting) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to plant files as another user";
  SetRuntimeDir(std::nullopt);
  testing::TScopedEnv env;
  env.Set("XDG_STATE_HOME", PathOf("state"));
  const std::string planted = "/tmp/TessaryCal-" + std::to_string(getuid());
  struct TCase {
    const char* why;
    std::function<bool()> plant;
  };
  const TCase cases[] = {
      {"another user's folder",
       [&] {
         return mkdir(planted.c_str(), 0700) == 0 && chown(planted.c_str(), 65534, 65534) == 0;
       }},
      {"another user's file",
       [&] {
         Put(planted, "");
         return chown(planted.c_str(), 65534, 65534) == 0;
       }},
      {"another user's link to their own folder",
       [&] {
         return mkdir("/tmp/theirs", 0777) == 0 && chown("/tmp/theirs", 65534, 65534) == 0 &&
                symlink("/tmp/theirs", planted.c_str()) == 0 &&
                lchown(planted.c_str(), 65534, 65534) == 0;
       }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.why);
    const auto seen = LockWithPlantedTmp(FDir.string(), c.plant);
    if (!seen) GTEST_SKIP() << "cannot give a child a /tmp of its own here";
    EXPECT_EQ(*seen, PathOf("state/tessary/TessaryCal.lock") + " Acquired Busy 0700");
  }
}

// Where the lock cannot be used the answer is Unavailable, never Busy: the
// caller tells the user why instead of ending without a word.
TEST_F(SingleInstanceTest, UnusableLockFilesAreUnavailable) {
  TSingleInstanceLock lock;
  EXPECT_EQ(lock.TryAcquire(""), TResult::Unavailable);
  EXPECT_EQ(lock.TryAcquire("a/b"), TResult::Unavailable);

  const std::string target = PathOf("target");
  std::filesystem::create_symlink(target, PathOf("TessaryCal.lock"));
  EXPECT_EQ(lock.TryAcquire(kName), TResult::Unavailable) << "a planted link is not followed";
  EXPECT_FALSE(std::filesystem::exists(target));
  EXPECT_FALSE(lock.Held());
}

TEST_F(SingleInstanceTest, LockFileOfAnotherUserIsUnavailable) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give the file away";
  const std::string path = PathOf("TessaryCal.lock");
  Put(path, "");
  ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
  TSingleInstanceLock lock;
  EXPECT_EQ(lock.TryAcquire(kName), TResult::Unavailable);
  EXPECT_NE(lock.Error().find("“" + path + "”"), std::string::npos) << lock.Error();
}

}  // namespace
}  // namespace tessary::platform
