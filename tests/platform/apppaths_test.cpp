// SPDX-License-Identifier: MIT
#include "apppaths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/scopedenv.h"
#include "testutil/tempfolder.h"

#include <cerrno>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "inifile.h"

namespace {

namespace fs = std::filesystem;
using tessary::platform::ExecutablePath;
using tessary::platform::IsWritableDir;
using tessary::platform::MakeFolders;
using tessary::platform::ProgramIniPath;
using tessary::platform::ProgramIniPathFor;
using tessary::platform::TIniFile;
using tessary::platform::UserConfigDir;
using tessary::testing::TScopedEnv;

class AppPaths : public tessary::testing::TTempFolderTest {};

std::string PasswordHome() {
  const struct passwd* entry = getpwuid(geteuid());
  return entry ? entry->pw_dir : "";
}

TEST(AppPathsExecutable, IsThisTestProgram) {
  const std::string path = ExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path, fs::canonical("/proc/self/exe").string());
  EXPECT_EQ(fs::path(path).filename(), "platform_tests");
}

struct TConfigCase {
  std::optional<std::string> Xdg;
  std::optional<std::string> Home;
  std::string Expected;  // "~" stands for the password database's home
  const char* What;
};

TEST(AppPathsConfig, FollowsXdgThenHomeThenPasswordDatabase) {
  const TConfigCase cases[] = {
      {"/x/cfg", "/home/li", "/x/cfg", "an absolute XDG_CONFIG_HOME wins"},
      {"cfg", "/home/li", "/home/li/.config", "a relative one is ignored"},
      {"", "/home/li", "/home/li/.config", "an empty one is ignored"},
      {std::nullopt, "/home/li/", "/home/li/.config", "HOME with a trailing slash"},
      {std::nullopt, std::nullopt, "~/.config", "no HOME: the password database"},
      {std::nullopt, "li", "~/.config", "a relative HOME is ignored"},
  };
  for (const TConfigCase& c : cases) {
    SCOPED_TRACE(c.What);
    TScopedEnv env;
    env.Set("XDG_CONFIG_HOME", c.Xdg);
    env.Set("HOME", c.Home);
    std::string expected = c.Expected;
    if (expected.starts_with("~")) expected = PasswordHome() + expected.substr(1);
    EXPECT_EQ(UserConfigDir(), expected);
  }
}

TEST_F(AppPaths, WritableDirIsTriedForRealAndLeavesNothing) {
  Put(PathOf("file"), "x");
  const struct {
    std::string Dir;
    bool Writable;
    const char* What;
  } cases[] = {
      {FDir.string(), true, "a fresh folder"},
      {PathOf("missing"), false, "a missing folder"},
      {PathOf("file"), false, "a plain file"},
      {"", false, "no folder at all"},
      {"/proc", false, "refused even to root, unlike access(W_OK)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsWritableDir(c.Dir), c.Writable) << c.What;
    EXPECT_EQ(Names(), std::set<std::string>{"file"}) << c.What;
  }
}

TEST_F(AppPaths, ReadOnlyFolderIsNotWritable) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes to read-only folders";
  const std::string dir = PathOf("ro");
  ASSERT_EQ(mkdir(dir.c_str(), 0555), 0);
  EXPECT_FALSE(IsWritableDir(dir));
  chmod(dir.c_str(), 0755);
}

TEST_F(AppPaths, MakeFoldersCreatesPrivateParents) {
  const std::string dir = PathOf("a/b/c");
  ASSERT_TRUE(MakeFolders(dir));
  EXPECT_TRUE(fs::is_directory(dir));
  for (const char* name : {"a", "a/b", "a/b/c"}) {
    struct stat st;
    ASSERT_EQ(stat(PathOf(name).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u) << name;
  }
  EXPECT_TRUE(MakeFolders(dir)) << "an existing folder is fine";
  EXPECT_TRUE(MakeFolders(dir + "/")) << "so is a trailing slash";

  Put(PathOf("file"), "x");
  errno = 0;
  EXPECT_FALSE(MakeFolders(PathOf("file")));
  EXPECT_EQ(errno, ENOTDIR);
  EXPECT_FALSE(MakeFolders(PathOf("file/sub")));
  EXPECT_FALSE(MakeFolders(""));
}

TEST_F(AppPaths, IniPathBesideWritableProgramElseInUserConfig) {
  TScopedEnv env;
  const std::string config = PathOf("cfg");
  env.Set("XDG_CONFIG_HOME", config);
  const std::string dir = FDir.string();
  const struct {
    std::string Executable;
    std::string FileName;
    std::string Expected;
    const char* What;
  } cases[] = {
      {dir + "/calc", "", dir + "/calc.ini", "no extension: .ini added"},
      {dir + "/calc.bin", "", dir + "/calc.ini", "the extension is replaced"},
      {dir + "/my.calc.bin", "", dir + "/my.calc.ini", "only the last extension"},
      {dir + "/.calc", "", dir + "/.calc.ini", "a hidden name has no extension"},
      {dir + "/calc", "tessary.ini", dir + "/tessary.ini", "a given name, beside the program"},
      {dir + "/calc", "/etc/x.ini", "/etc/x.ini", "a name with a folder is kept"},
      {dir + "/calc", "sub/x.ini", "sub/x.ini", "a relative one too"},
      {"/proc/calc", "", config + "/tessary/calc.ini", "a folder nobody may write to"},
      {dir + "/missing/calc.bin", "a.ini", config + "/tessary/a.ini", "a missing folder"},
      {"", "", config + "/tessary/tessary.ini", "no executable known"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProgramIniPathFor(c.Executable, c.FileName), c.Expected) << c.What;
  }
  EXPECT_FALSE(fs::exists(config)) << "the settings folder is made only when writing";
}

// Settings beside the program only where nobody else can have put them or
// can change them: otherwise another user could read the recent files, choose
// the entries we see, or plant a link that has a save replace a file of ours.
TEST_F(AppPaths, IniBesideProgramOnlyWhereFolderAndFileAreTheUsersOwn) {
  TScopedEnv env;
  const std::string config = PathOf("cfg");
  env.Set("XDG_CONFIG_HOME", config);
  const std::string bin = PathOf("bin");
  const std::string ini = PathOf("bin/tessary.ini");
  const std::string victim = PathOf("profile");
  const std::string planted = "[MRU List]\n1=/srv/chosen.vle\n";
  constexpr uid_t kNobody = 65534;
  const struct {
    const char* What;
    mode_t FolderMode;
    bool FolderOfNobody;
    std::function<void()> Plant;
    bool NeedsRoot;
    bool Beside;
  } cases[] = {
      {"a folder anyone may write, with a link to our file planted by another user", 0777, false,
       [&] {
         ASSERT_EQ(symlink(victim.c_str(), ini.c_str()), 0);
         ASSERT_EQ(lchown(ini.c_str(), kNobody, kNobody), 0);
       },
       true, false},
      {"a shared folder with the sticky bit, and such a link", 01777, false,
       [&] {
         ASSERT_EQ(symlink(victim.c_str(), ini.c_str()), 0);
         ASSERT_EQ(lchown(ini.c_str(), kNobody, kNobody), 0);
       },
       true, false},
      {"a folder anyone may write, with a link of our own", 0777, false,
       [&] { ASSERT_EQ(symlink(victim.c_str(), ini.c_str()), 0); }, false, false},
      {"a private folder, with a link of our own", 0700, false,
       [&] { ASSERT_EQ(symlink(victim.c_str(), ini.c_str()), 0); }, false, false},
      {"another user's folder", 0755, true, [] {}, true, false},
      {"a folder the group may write", 0770, false, [] {}, false, false},
      {"another user's ini that anyone may write", 0700, false,
       [&] {
         Put(ini, planted);
         ASSERT_EQ(chown(ini.c_str(), kNobody, kNobody), 0);
         ASSERT_EQ(chmod(ini.c_str(), 0666), 0);
       },
       true, false},
      {"our own ini that others may write", 0755, false,
       [&] {
         Put(ini, planted);
         ASSERT_EQ(chmod(ini.c_str(), 0666), 0);
       },
       false, false},
      {"a folder and an ini only we may write", 0755, false,
       [&] {
         Put(ini, "[MRU List]\n1=/w/a.vle\n");
         ASSERT_EQ(chmod(ini.c_str(), 0644), 0);
       },
       false, true},
  };
  bool skipped = false;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    if (c.NeedsRoot && geteuid() != 0) {
      skipped = true;  // only root can give a file away
      continue;
    }
    fs::remove_all(bin);
    fs::remove_all(config);
    Put(victim, "export PATH\n");
    ASSERT_EQ(mkdir(bin.c_str(), 0700), 0);
    if (c.FolderOfNobody) {
      ASSERT_EQ(chown(bin.c_str(), kNobody, kNobody), 0);
    }
    ASSERT_EQ(chmod(bin.c_str(), c.FolderMode), 0);
    c.Plant();
    const bool wasLink = fs::is_symlink(ini);
    const std::string before = wasLink ? std::string() : Get(ini);

    const std::string chosen = ProgramIniPathFor(bin + "/calc", "tessary.ini");
    EXPECT_EQ(chosen, c.Beside ? ini : config + "/tessary/tessary.ini");
    TIniFile settings(chosen);
    settings.WriteString("MRU List", "1", "/home/li/工资.vle");
    EXPECT_NO_THROW(settings.UpdateFile());
    EXPECT_EQ(Get(victim), "export PATH\n");
    if (c.Beside) {
      EXPECT_EQ(Get(ini), "[MRU List]\n1=/home/li/工资.vle\n");
      continue;
    }
    EXPECT_EQ(fs::is_symlink(ini), wasLink);
    if (!wasLink) {
      EXPECT_EQ(Get(ini), before);
    }
  }
  if (skipped) GTEST_SKIP() << "the cases with another user's files need root";
}

// The running program's own name and folder, or the user's settings folder
// when the build folder is not ours to write (tests run as another user).
TEST(AppPathsIni, RunningProgram) {
  const fs::path exe = ExecutablePath();
  const fs::path folder = IsWritableDir(exe.parent_path().string())
                              ? exe.parent_path()
                              : fs::path(UserConfigDir()) / "tessary";
  EXPECT_EQ(ProgramIniPath(), (folder / "platform_tests.ini").string());
  EXPECT_EQ(ProgramIniPath("x.ini"), (folder / "x.ini").string());
}

}  // namespace
