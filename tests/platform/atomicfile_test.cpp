// SPDX-License-Identifier: MIT
#include "atomicfile.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "errortext.h"
#include "testutil/tempfolder.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using tessary::platform::EFileError;
using tessary::platform::ReadWholeFile;
using tessary::platform::SystemFileOps;
using tessary::platform::TFileOps;
using tessary::platform::WriteFileAtomically;

// A fresh folder per test, with the umask pinned.
class AtomicFile : public tessary::testing::TTempFolderTest {
 protected:
  void SetUp() override {
    TTempFolderTest::SetUp();
    FOldMask = umask(022);
  }
  void TearDown() override {
    umask(FOldMask);
    TTempFolderTest::TearDown();
  }

  static mode_t ModeOf(const std::string& path) {
    struct stat st;
    EXPECT_EQ(stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
  }

  mode_t FOldMask = 0;
};

const std::string kOld = "Z={80+2\xA1\xC1[5+2\xA1\xC1(1.5+1)]}/(P/T)\r\nold\r\n";

std::string NewBytes() {
  std::string bytes;
  for (int i = 0; i < 5000; ++i) bytes += "new line " + std::to_string(i) + "\r\n";
  return bytes;
}

std::string SaveMessage(const std::string& path, int error) {
  return "无法保存文件“" + path + "”：" + tessary::platform::SystemErrorText(error);
}

// Operations that fail one step of the save with an errno.
struct TFailure {
  const char* Step;
  int Error;
};

TFileOps FailingOps(const TFailure& failure) {
  TFileOps ops = SystemFileOps();
  const std::string step = failure.Step;
  const int error = failure.Error;
  const auto fail = [error] {
    errno = error;
    return -1;
  };
  if (step == "open") {
    ops.Open = [fail](const char*, int, mode_t) { return fail(); };
  } else if (step == "write") {
    // The disk fills up after half of the bytes.
    auto written = std::make_shared<std::size_t>(0);
    ops.Write = [written, fail](int fd, const void* data, std::size_t size) -> ssize_t {
      const std::size_t half = NewBytes().size() / 2;
      if (*written >= half) return fail();
      const std::size_t n = std::min(size, half - *written);
      *written += n;
      return ::write(fd, data, n);
    };
  } else if (step == "sync") {
    ops.Sync = [fail](int) { return fail(); };
  } else if (step == "close") {
    ops.Close = [fail](int fd) {
      ::close(fd);
      return fail();
    };
  } else if (step == "rename") {
    ops.Rename = [fail](const char*, const char*) { return fail(); };
  }
  return ops;
}

// Whatever step fails, the old file stays byte for byte, no temporary file
// is left, no file appears where there was none, and the message names the
// file and the reason.
TEST_F(AtomicFile, FailedSaveKeepsOldFileAndLeavesNoTemporary) {
  const TFailure failures[] = {
      {"open", EMFILE}, {"write", ENOSPC}, {"sync", EIO}, {"close", EDQUOT}, {"rename", EXDEV},
  };
  enum TOld { None, Alone, Linked };  // Linked: a second hard link, rewritten in place
  for (const TFailure& failure : failures) {
    for (const TOld old : {Alone, None, Linked}) {
      const bool oldExists = old != None;
      if (old == Linked && std::string(failure.Step) == "rename") continue;  // none in place
      SCOPED_TRACE(std::string(failure.Step) + (old == None    ? ", new file"
                                                : old == Alone ? ", old file"
                                                               : ", linked file"));
      const std::string path = PathOf("calc.txt");
      fs::remove(path);
      fs::remove(PathOf("link.txt"));
      if (oldExists) Put(path, kOld);
      if (old == Linked) fs::create_hard_link(path, PathOf("link.txt"));
      try {
        WriteFileAtomically(path, NewBytes(), FailingOps(failure));
        ADD_FAILURE() << "no error reported";
      } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()), SaveMessage(path, failure.Error));
        EXPECT_EQ(e.Path(), path);
        EXPECT_EQ(e.Error(), failure.Error);
      }
      if (old == Linked) {
        EXPECT_EQ(Get(path), kOld);
        EXPECT_EQ(Get(PathOf("link.txt")), kOld);
        EXPECT_EQ(Names(), (std::set<std::string>{"calc.txt", "link.txt"}));
      } else if (oldExists) {
        EXPECT_EQ(Get(path), kOld);
        EXPECT_EQ(Names(), std::set<std::string>{"calc.txt"});
      } else {
        EXPECT_TRUE(Names().empty());
      }
    }
  }
}

// A process killed in the middle of writing cannot remove its temporary
// file, but the old file is whole and the leftover is recognisably ours.
TEST_F(AtomicFile, SaveKilledMidwayKeepsOldFile) {
  const std::string path = PathOf("calc.txt");
  Put(path, kOld);
  const std::string bytes = NewBytes();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    TFileOps ops = SystemFileOps();
    ops.Write = [&bytes](int fd, const void* data, std::size_t) -> ssize_t {
      if (::write(fd, data, bytes.size() / 2) < 0) _exit(3);
      kill(getpid(), SIGKILL);
      _exit(4);  // not reached
    };
    try {
      WriteFileAtomically(path, bytes, ops);
    } catch (...) {
    }
    _exit(5);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "child status " << status;
  EXPECT_EQ(Get(path), kOld);
  const std::set<std::string> names = Names();
  ASSERT_EQ(names.size(), 2u);
  const std::string leftover = *names.begin() == "calc.txt" ? *names.rbegin() : *names.begin();
  EXPECT_TRUE(std::regex_match(leftover, std::regex(R"(\.calc\.txt\.[A-Za-z0-9]{6}\.tmp)")))
      << leftover;
  EXPECT_EQ(Get(PathOf(leftover)), bytes.substr(0, bytes.size() / 2));

  // The next successful save of the same file clears the leftover away; one
  // of another file stays.
  Put(PathOf(".other.txt.AbC123.tmp"), "x");
  WriteFileAtomically(path, "new");
  EXPECT_EQ(Names(), (std::set<std::string>{"calc.txt", ".other.txt.AbC123.tmp"}));
}

// The bytes are on the disk before the rename makes them the file, and the
// rename is flushed with the folder.
TEST_F(AtomicFile, SyncsBeforeRenameAndFolderAfter) {
  struct TCase {
    std::vector<std::string> Files;
    std::vector<std::string> Calls;
  };
  const TCase cases[] = {
      {{"calc.txt"}, {"write", "sync file", "rename", "sync folder"}},
      // A pair: both new contents are on the disk before either is renamed.
      {{"calc.txt", "calc.vle"},
       {"write", "sync file", "write", "sync file", "rename", "rename", "sync folder"}},
  };
  for (const TCase& c : cases) {
    std::vector<std::string> calls;
    TFileOps ops = SystemFileOps();
    ops.Write = [&calls](int fd, const void* data, std::size_t size) {
      calls.push_back("write");
      return ::write(fd, data, size);
    };
    ops.Sync = [&calls](int fd) {
      struct stat st;
      fstat(fd, &st);
      calls.push_back(S_ISDIR(st.st_mode) ? "sync folder" : "sync file");
      return ::fsync(fd);
    };
    ops.Rename = [&calls](const char* from, const char* to) {
      calls.push_back("rename");
      return ::rename(from, to);
    };
    std::vector<tessary::platform::TFileContent> files;
    for (const std::string& name : c.Files) files.push_back({PathOf(name), "x"});
    tessary::platform::WriteFilesAtomically(files, ops);
    EXPECT_EQ(calls, c.Calls) << c.Files.size() << " file(s)";
  }
}

// Operations that count every call of a save and fail the call numbered
// failAt (from 1; 0 fails none) with error. ENOSPC is a full disk: every
// later write and reservation fails with it too. names receives the steps.
TFileOps FailingAtStep(int failAt, int error, std::vector<std::string>* names) {
  struct TCounter {
    int Calls = 0;
    bool Full = false;
    // True when this call is to fail; errno is then set.
    bool Fails(int failAt, int error, bool takesRoom) {
      ++Calls;
      if (Calls == failAt) Full = error == ENOSPC;
      if (Calls != failAt && !(Full && takesRoom)) return false;
      errno = Calls == failAt ? error : ENOSPC;
      return true;
    }
  };
  auto counter = std::make_shared<TCounter>();
  const auto step = [counter, failAt, error, names](const char* name, bool takesRoom) {
    if (names) names->push_back(name);
    return counter->Fails(failAt, error, takesRoom);
  };
  TFileOps ops = SystemFileOps();
  ops.Open = [step](const char* path, int flags, mode_t mode) {
    return step("open", false) ? -1 : ::open(path, flags, mode);
  };
  ops.Write = [step](int fd, const void* data, std::size_t size) -> ssize_t {
    return step("write", true) ? -1 : ::write(fd, data, size);
  };
  ops.Sync = [step](int fd) { return step("sync", false) ? -1 : ::fsync(fd); };
  ops.Close = [step](int fd) {
    const bool fails = step("close", false);
    const int error = errno;
    const int rc = ::close(fd);  // closed even when it reports an error
    errno = error;
    return fails ? -1 : rc;
  };
  ops.Rename = [step](const char* from, const char* to) {
    return step("rename", false) ? -1 : ::rename(from, to);
  };
  ops.Allocate = [step](int fd, int mode, off_t offset, off_t length) {
    return step("allocate", true) ? -1 : ::fallocate(fd, mode, offset, length);
  };
  return ops;
}

// A worksheet and its variables are saved together or not at all: whatever
// call of the save fails, with a full disk or an I/O error, either both files
// are new, or the error names one of them and both are old byte for byte
// (and so are their other hard links), with no file left behind.
TEST_F(AtomicFile, PairIsReplacedTogetherOrNotAtAll) {
  struct TCase {
    const char* What;
    bool SheetLinked;  // a second hard link: written in place
    bool VarsExist;
    bool VarsLinked;
    std::string OldVars;
    std::string NewVars;
  };
  const std::string bigVars(30000, 'V');
  const TCase cases[] = {
      {"both renamed", false, true, false, "P=1\r\n", "P=2\r\nT=3\r\n"},
      {"variables in place", false, true, true, "P=1\r\n", "P=2\r\nT=3\r\n"},
      {"variables in place, shorter", false, true, true, bigVars, "P=2\r\n"},
      {"worksheet in place", true, true, false, "P=1\r\n", "P=2\r\nT=3\r\n"},
      {"both in place", true, true, true, "P=1\r\n", "P=2\r\nT=3\r\n"},
      {"variables new", false, false, false, "", "P=2\r\n"},
      {"variables new, worksheet in place", true, false, false, "", "P=2\r\n"},
  };
  const std::string sheet = PathOf("calc.txt");
  const std::string vars = PathOf("calc.vle");
  const std::string newSheet = "Z=P/T+1\r\nnew\r\n";
  for (const TCase& c : cases) {
    const auto lay = [&] {
      for (const std::string& name : Names()) fs::remove(PathOf(name));
      Put(sheet, kOld);
      if (c.SheetLinked) fs::create_hard_link(sheet, PathOf("link.txt"));
      if (c.VarsExist) Put(vars, c.OldVars);
      if (c.VarsLinked) fs::create_hard_link(vars, PathOf("link.vle"));
    };
    const auto save = [&](const TFileOps& ops) {
      tessary::platform::WriteFilesAtomically({{sheet, newSheet}, {vars, c.NewVars}}, ops);
    };
    lay();
    const std::set<std::string> names = Names();
    std::vector<std::string> steps;
    save(FailingAtStep(0, 0, &steps));
    ASSERT_EQ(Get(sheet), newSheet) << c.What;
    ASSERT_EQ(Get(vars), c.NewVars) << c.What;

    for (const int error : {ENOSPC, EIO}) {
      for (std::size_t step = 1; step <= steps.size(); ++step) {
        SCOPED_TRACE(std::string(c.What) + ", " + steps[step - 1] + " (step " +
                     std::to_string(step) + ") fails with " + (error == EIO ? "EIO" : "ENOSPC"));
        lay();
        bool failed = false;
        try {
          save(FailingAtStep(static_cast<int>(step), error, nullptr));
        } catch (const EFileError& e) {
          failed = true;
          EXPECT_TRUE(e.Path() == sheet || e.Path() == vars) << e.Path();
          EXPECT_EQ(e.Error(), error);
          EXPECT_EQ(std::string(e.what()), "无法保存文件“" + e.Path() + "”：" +
                                               (error == EIO ? "输入/输出错误" : "磁盘空间不足"));
        }
        EXPECT_EQ(Get(sheet), failed ? kOld : newSheet);
        if (c.SheetLinked) {
          EXPECT_EQ(Get(PathOf("link.txt")), failed ? kOld : newSheet);
        }
        if (c.VarsExist || !failed) {
          EXPECT_EQ(Get(vars), failed ? c.OldVars : c.NewVars);
        }
        if (c.VarsLinked) {
          EXPECT_EQ(Get(PathOf("link.vle")), failed ? c.OldVars : c.NewVars);
        }
        std::set<std::string> expected = names;
        if (!failed) expected.insert("calc.vle");
        EXPECT_EQ(Names(), expected);
      }
    }
  }
}

// A file system that cannot reserve room (EOPNOTSUPP) still takes a save in
// place; should the disk then fill up while the variables are written, the
// worksheet renamed before is put back too.
TEST_F(AtomicFile, SavesInPlaceWhereNoRoomCanBeReserved) {
  const std::string sheet = PathOf("calc.txt");
  const std::string vars = PathOf("calc.vle");
  const std::string newSheet = "Z=P/T+1\r\n";
  const std::string newVars = "P=2\r\nT=3\r\n";
  for (const bool diskFills : {false, true}) {
    SCOPED_TRACE(diskFills ? "disk fills up" : "room enough");
    for (const std::string& name : Names()) fs::remove(PathOf(name));
    Put(sheet, kOld);
    Put(vars, "P=1\r\n");
    fs::create_hard_link(vars, PathOf("link.vle"));
    struct stat varsFile;
    ASSERT_EQ(stat(vars.c_str(), &varsFile), 0);
    TFileOps ops = SystemFileOps();
    ops.Allocate = [](int, int, off_t, off_t) {
      errno = EOPNOTSUPP;
      return -1;
    };
    ops.Write = [diskFills, varsFile](int fd, const void* data, std::size_t size) -> ssize_t {
      struct stat st;
      if (diskFills && fstat(fd, &st) == 0 && st.st_ino == varsFile.st_ino) {
        errno = ENOSPC;
        return -1;
      }
      return ::write(fd, data, size);
    };
    std::string error;
    try {
      tessary::platform::WriteFilesAtomically({{sheet, newSheet}, {vars, newVars}}, ops);
    } catch (const EFileError& e) {
      error = e.what();
    }
    EXPECT_EQ(error, diskFills ? "无法保存文件“" + vars + "”：磁盘空间不足" : "");
    EXPECT_EQ(Get(sheet), diskFills ? kOld : newSheet);
    EXPECT_EQ(Get(vars), diskFills ? "P=1\r\n" : newVars);
    EXPECT_EQ(Get(PathOf("link.vle")), diskFills ? "P=1\r\n" : newVars);
    EXPECT_EQ(Names(), (std::set<std::string>{"calc.txt", "calc.vle", "link.vle"}));
  }
}

// The same on a real, nearly full disk: the variables file has a second hard
// link, so it is written in place, and its new content does not fit, or the
// worksheet's rename fails after the room for it was reserved. The save
// fails before the worksheet is replaced, takes no room for good, and
// succeeds once there is room. Needs the right to mount a tmpfs.
class AtomicFileOnSmallDisk : public AtomicFile {
 protected:
  void SetUp() override {
    AtomicFile::SetUp();
    FDisk = FDir / "disk";
    fs::create_directory(FDisk);
    if (mount("tmpfs", FDisk.c_str(), "tmpfs", 0, "size=256k,mode=0755") != 0)
      GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    FMounted = true;
  }
  void TearDown() override {
    if (FMounted) {
      EXPECT_EQ(umount2(FDisk.c_str(), MNT_DETACH), 0) << std::strerror(errno);
    }
    AtomicFile::TearDown();
  }
  std::uintmax_t Free() const { return fs::space(FDisk).available; }

  fs::path FDisk;
  bool FMounted = false;
};

TEST_F(AtomicFileOnSmallDisk, FullDiskKeepsBothOldFiles) {
  const std::string sheet = (FDisk / "calc.txt").string();
  const std::string vars = (FDisk / "calc.vle").string();
  const std::string link = (FDisk / "link.vle").string();
  const std::string oldSheet = "Z=P/T\r\n";
  const std::string oldVars = "P=1\r\nT=2\r\n";
  const std::string newSheet = "Z={80+2*[5+2*(1.5+1)]}/(P/T)\r\nmore\r\n";
  const std::string newVars(10000, 'v');  // three pages where the old one took one
  struct TCase {
    const char* What;
    std::uintmax_t Free;  // left beside the old files
    int RenameError;      // 0: renames work
    std::string Message;
  };
  const TCase cases[] = {
      // One page for the new worksheet and one for the copy of the old
      // variables, none for their growth.
      {"disk full", 8 * 1024, 0, "无法保存文件“" + vars + "”：磁盘空间不足"},
      {"rename fails", 40 * 1024, EIO, "无法保存文件“" + sheet + "”：输入/输出错误"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    for (const auto& entry : fs::directory_iterator(FDisk)) fs::remove(entry.path());
    Put(sheet, oldSheet);
    Put(vars, oldVars);
    fs::create_hard_link(vars, link);
    ASSERT_EQ(Free(), 256u * 1024 - 2 * 4096);
    Put((FDisk / "filler").string(), std::string(Free() - c.Free, 'f'));
    ASSERT_EQ(Free(), c.Free);
    TFileOps ops = SystemFileOps();
    if (c.RenameError != 0) {
      ops.Rename = [&c](const char*, const char*) {
        errno = c.RenameError;
        return -1;
      };
    }

    try {
      tessary::platform::WriteFilesAtomically({{sheet, newSheet}, {vars, newVars}}, ops);
      ADD_FAILURE() << "no error reported";
    } catch (const EFileError& e) {
      EXPECT_EQ(std::string(e.what()), c.Message);
    }
    EXPECT_EQ(Get(sheet), oldSheet);
    EXPECT_EQ(Get(vars), oldVars);
    EXPECT_EQ(Get(link), oldVars);
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(FDisk)) names.insert(entry.path().filename());
    EXPECT_EQ(names, (std::set<std::string>{"calc.txt", "calc.vle", "link.vle", "filler"}));
    EXPECT_EQ(Free(), c.Free) << "room taken for good";

    fs::resize_file(FDisk / "filler", 100 * 1024);
    tessary::platform::WriteFilesAtomically({{sheet, newSheet}, {vars, newVars}});
    EXPECT_EQ(Get(sheet), newSheet);
    EXPECT_EQ(Get(vars), newVars);
    EXPECT_EQ(Get(link), newVars);
  }
}

// Short and interrupted writes still deliver every byte.
TEST_F(AtomicFile, ShortAndInterruptedWritesComplete) {
  TFileOps ops = SystemFileOps();
  int calls = 0;
  ops.Write = [&calls](int fd, const void* data, std::size_t size) -> ssize_t {
    if (++calls % 3 == 0) {
      errno = EINTR;
      return -1;
    }
    return ::write(fd, data, std::min<std::size_t>(size, 7));
  };
  const std::string bytes = NewBytes() + std::string("\0\xFF", 2);
  WriteFileAtomically(PathOf("calc.txt"), bytes, ops);
  EXPECT_EQ(Get(PathOf("calc.txt")), bytes);
  EXPECT_EQ(Names(), std::set<std::string>{"calc.txt"});
}

// An existing file keeps its permission bits; a new one gets 0666 less the
// umask.
TEST_F(AtomicFile, PermissionBits) {
  struct TCase {
    bool OldExists;
    mode_t OldMode;
    mode_t Mask;
    mode_t Expected;
  };
  const TCase cases[] = {
      {false, 0, 022, 0644},   {false, 0, 077, 0600}, {false, 0, 0, 0666},
      {true, 0640, 022, 0640}, {true, 0600, 0, 0600}, {true, 0755, 077, 0755},
  };
  for (const TCase& c : cases) {
    const std::string path = PathOf("calc.txt");
    fs::remove(path);
    if (c.OldExists) {
      Put(path, kOld);
      ASSERT_EQ(chmod(path.c_str(), c.OldMode), 0);
    }
    umask(c.Mask);
    WriteFileAtomically(path, "new");
    EXPECT_EQ(ModeOf(path), c.Expected) << std::oct << "old " << c.OldMode << " mask " << c.Mask;
    EXPECT_EQ(Get(path), "new");
  }
}

// Saving through a symbolic link updates the file it names and keeps the link.
TEST_F(AtomicFile, SymbolicLinkStaysALink) {
  fs::create_directory(FDir / "real");
  const std::string target = PathOf("real/calc.txt");
  Put(target, kOld);
  fs::create_symlink(target, FDir / "link.txt");
  WriteFileAtomically(PathOf("link.txt"), "new");
  EXPECT_TRUE(fs::is_symlink(FDir / "link.txt"));
  EXPECT_EQ(Get(target), "new");
  EXPECT_EQ(Names(), (std::set<std::string>{"link.txt", "real"}));
}

// Saves bytes to path and returns the error message ("" after a successful
// save). asNobody saves in a child process with the ids of the user nobody
// (65534), a member of group 100 too, whose copies of old contents go to
// stateDir.
std::string SaveAs(bool asNobody, const std::string& path, const std::string& bytes,
                   const std::string& stateDir) {
  const auto save = [&] {
    try {
      WriteFileAtomically(path, bytes);
      return std::string();
    } catch (const std::exception& e) {
      return std::string(e.what());
    }
  };
  if (!asNobody) return save();
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return "no pipe";
  const pid_t child = fork();
  if (child == 0) {
    close(pipeFds[0]);
    std::string message = "cannot become nobody";
    const gid_t groups[] = {65534, 100};
    if (setgroups(2, groups) == 0 && setgid(65534) == 0 && setuid(65534) == 0) {
      setenv("XDG_STATE_HOME", stateDir.c_str(), 1);
      message = save();
    }
    if (write(pipeFds[1], message.data(), message.size()) < 0) _exit(3);
    _exit(0);
  }
  close(pipeFds[1]);
  std::string message;
  char buffer[512];
  for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) message.append(buffer, n);
  close(pipeFds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return message;
}

// Saving replaces only a file the user may write, and the file it replaces
// keeps its mode bits, owner, group and other hard links. Rows saved by the
// user nobody need root to set them up and are skipped without it.
TEST_F(AtomicFile, ReplacesOnlyWhatItMayAndKeepsTheFile) {
  constexpr uid_t kAsIs = static_cast<uid_t>(-1);
  struct TCase {
    const char* What;
    bool AsNobody;
    mode_t FolderMode;
    mode_t FileMode;
    uid_t FileOwner;
    gid_t FileGroup;
    bool HardLink;
    std::string Reason;  // why the save is refused; "" when it succeeds
  };
  const TCase cases[] = {
      {"read-only file", false, 0755, 0444, kAsIs, kAsIs, false, "文件是只读的"},
      {"second hard link", false, 0755, 0644, kAsIs, kAsIs, true, ""},
      {"setgid and sticky", false, 0755, 03664, kAsIs, kAsIs, false, ""},
      {"another user's file", true, 0777, 0666, 0, 0, false, ""},
      {"setgid, another owner", true, 0777, 02666, 0, 100, false, ""},
      {"sticky", true, 0777, 01666, 65534, 65534, false, ""},
      {"folder not writable", true, 0555, 0666, 65534, 65534, false, ""},
      {"file not writable", true, 0777, 0644, 0, 0, false, "没有写入此文件的权限"},
  };
  const fs::path work = FDir / "work";
  const fs::path state = FDir / "state";
  ASSERT_EQ(chmod(FDir.c_str(), 0755), 0);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    if (c.AsNobody && geteuid() != 0) continue;
    fs::remove_all(work);
    fs::remove_all(state);
    fs::create_directories(state);
    ASSERT_EQ(chmod(state.c_str(), 0777), 0);
    fs::create_directory(work);
    ASSERT_EQ(chmod(work.c_str(), c.FolderMode), 0);
    const std::string path = (work / "calc.txt").string();
    Put(path, kOld);
    ASSERT_EQ(chown(path.c_str(), c.FileOwner, c.FileGroup), 0);
    ASSERT_EQ(chmod(path.c_str(), c.FileMode), 0);  // after chown, which clears setgid
    if (c.HardLink) fs::create_hard_link(path, work / "link.txt");
    struct stat before;
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    ASSERT_EQ(before.st_mode & 07777, c.FileMode);

    const std::string error = SaveAs(c.AsNobody, path, "new", state.string());

    ASSERT_EQ(chmod(work.c_str(), 0755), 0);
    EXPECT_EQ(error, c.Reason.empty() ? "" : "无法保存文件“" + path + "”：" + c.Reason);
    EXPECT_EQ(Get(path), c.Reason.empty() ? "new" : kOld);
    struct stat after;
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, c.FileMode) << std::oct << (after.st_mode & 07777);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(work)) names.insert(entry.path().filename());
    if (c.HardLink) {
      EXPECT_EQ(after.st_nlink, 2u);
      EXPECT_EQ(Get((work / "link.txt").string()), "new") << "both names show the new text";
      EXPECT_EQ(names, (std::set<std::string>{"calc.txt", "link.txt"}));
    } else {
      EXPECT_EQ(names, std::set<std::string>{"calc.txt"});
    }
    for (const auto& entry : fs::recursive_directory_iterator(state))
      EXPECT_FALSE(entry.is_regular_file()) << "copy left behind: " << entry.path();
  }
}

// Targets that are no plain file are refused before anything is written.
TEST_F(AtomicFile, RefusesFoldersAndSpecialFiles) {
  fs::create_directory(FDir / "folder");
  ASSERT_EQ(mkfifo(PathOf("pipe").c_str(), 0644), 0);
  struct TCase {
    std::string Path;
    std::string Message;
  };
  const TCase cases[] = {
      {PathOf("folder"), SaveMessage(PathOf("folder"), EISDIR)},
      {PathOf("folder") + "/", SaveMessage(PathOf("folder") + "/", EISDIR)},
      {PathOf("pipe"), "无法保存文件“" + PathOf("pipe") + "”：不是普通文件"},
      {PathOf("none/calc.txt"), SaveMessage(PathOf("none/calc.txt"), ENOENT)},
  };
  for (const TCase& c : cases) {
    try {
      WriteFileAtomically(c.Path, "new");
      ADD_FAILURE() << c.Path;
    } catch (const EFileError& e) {
      EXPECT_EQ(std::string(e.what()), c.Message);
    }
  }
  EXPECT_EQ(Names(), (std::set<std::string>{"folder", "pipe"}));
  EXPECT_TRUE(fs::is_empty(FDir / "folder"));
}

// Names as long as the file system allows still get a temporary name; a
// bare name is saved in the current folder.
TEST_F(AtomicFile, LongAndBareNames) {
  const std::string longName(NAME_MAX, 'n');
  WriteFileAtomically(PathOf(longName), "long");
  EXPECT_EQ(Get(PathOf(longName)), "long");

  const fs::path cwd = fs::current_path();
  fs::current_path(FDir);
  WriteFileAtomically("bare.txt", "bare");
  fs::current_path(cwd);
  EXPECT_EQ(Get(PathOf("bare.txt")), "bare");
  EXPECT_EQ(Names(), (std::set<std::string>{longName, "bare.txt"}));
}

TEST_F(AtomicFile, ReadWholeFile) {
  std::string bytes(200000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  Put(PathOf("data"), bytes);
  EXPECT_EQ(ReadWholeFile(PathOf("data"), 200000), bytes) << "a file of the limit's size reads";
  Put(PathOf("empty"), "");
  EXPECT_EQ(ReadWholeFile(PathOf("empty"), 0), "");

  ASSERT_EQ(mkfifo(PathOf("pipe").c_str(), 0644), 0);
  Put(PathOf("big"), std::string((1 << 20) + 1, 'x'));
  const auto opening = [](const std::string& path, const std::string& reason) {
    return "无法打开文件“" + path + "”：" + reason;
  };
  const std::pair<std::string, std::string> failures[] = {
      {PathOf("missing.txt"), opening(PathOf("missing.txt"), "文件或文件夹不存在")},
      {FDir.string(), opening(FDir.string(), "这是一个文件夹")},
      // Neither blocks nor fills the memory: refused before the first read.
      {PathOf("pipe"), opening(PathOf("pipe"), "不是普通文件")},
      {"/dev/zero", opening("/dev/zero", "不是普通文件")},
      {PathOf("big"), opening(PathOf("big"), "文件太大（上限 1 MiB）")},
  };
  alarm(10);  // a FIFO opened the blocking way would wait for a writer forever
  for (const auto& [path, message] : failures) {
    try {
      ReadWholeFile(path, 1 << 20);
      ADD_FAILURE() << path;
    } catch (const EFileError& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  }
  alarm(0);
}

}  // namespace
