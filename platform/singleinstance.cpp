// SPDX-License-Identifier: MIT
#include "singleinstance.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <optional>

#include "apppaths.h"

namespace tessary::platform {

namespace {

// Every refusal starts so, telling the user what is at stake.
constexpr const char* kCannotTell = "无法确认本程序是否已在运行：";

std::string Quoted(const std::string& path) { return "“" + path + "”"; }

std::string SystemError(int error) { return std::strerror(error); }

// Nobody but us may put, remove or rename anything in it.
bool OthersMayWrite(const struct stat& st) { return (st.st_mode & (S_IWGRP | S_IWOTH)) != 0; }

std::optional<std::string> UsableRuntimeFolder() {
  const char* runtime = getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || runtime[0] != '/') return std::nullopt;
  struct stat st {};
  if (stat(runtime, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid() ||
      OthersMayWrite(st))
    return std::nullopt;
  return std::string(runtime);
}

}  // namespace

TSingleInstanceLock::TSingleInstanceLock(std::string fallbackFolder)
    : FFallback(std::move(fallbackFolder)) {}

TSingleInstanceLock::~TSingleInstanceLock() {
  if (FFd >= 0) close(FFd);
}

// Read when used, not when made: the environment is the caller's to set.
std::string TSingleInstanceLock::FallbackFolder() const {
  if (!FFallback.empty()) return FFallback;
  const std::string state = UserStateDir();
  return state.empty() ? std::string() : state + "/tessary";
}

std::string TSingleInstanceLock::LockPath(const std::string& name) const {
  if (const auto runtime = UsableRuntimeFolder()) return *runtime + "/" + name + ".lock";
  const std::string folder = FallbackFolder();
  return folder.empty() ? std::string() : folder + "/" + name + ".lock";
}

TSingleInstanceLock::TResult TSingleInstanceLock::Fail(const std::string& message) {
  FError = kCannotTell + message;
  return TResult::Unavailable;
}

TSingleInstanceLock::TResult TSingleInstanceLock::TryAcquire(const std::string& name) {
  if (FFd >= 0) return TResult::Acquired;
  FError.clear();
  if (name.empty() || name.find('/') != std::string::npos)
    return Fail("无效的锁名称" + Quoted(name) + "。");

  // The fallback folder is made 0700 by us; one found there may have been
  // made or changed by someone else, so it is checked through the handle we
  // use below, and a link in its place is not followed.
  std::string folder;
  int folderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  if (const auto runtime = UsableRuntimeFolder()) {
    folder = *runtime;
  } else {
    folder = FallbackFolder();
    if (folder.empty()) return Fail("找不到存放锁文件的文件夹（没有主文件夹）。");
    if (!MakeFolders(folder)) {
      if (errno == ENOTDIR) return Fail(Quoted(folder) + "不是文件夹。");
      return Fail("无法创建锁文件夹" + Quoted(folder) + "：" + SystemError(errno));
    }
    folderFlags |= O_NOFOLLOW;
  }
  const int dir = open(folder.c_str(), folderFlags);
  if (dir < 0) {
    if (errno == ENOTDIR || errno == ELOOP) return Fail(Quoted(folder) + "不是文件夹。");
    return Fail("无法打开锁文件夹" + Quoted(folder) + "：" + SystemError(errno));
  }
  struct stat st {};
  std::string refusal;
  if (fstat(dir, &st) != 0)
    refusal = "无法读取锁文件夹" + Quoted(folder) + "：" + SystemError(errno);
  else if (st.st_uid != geteuid())
    refusal = "锁文件夹" + Quoted(folder) + "属于另一个用户。";
  else if (OthersMayWrite(st))
    refusal = "锁文件夹" + Quoted(folder) + "其他用户可以写入。";
  if (!refusal.empty()) {
    close(dir);
    return Fail(refusal);
  }

  // O_CLOEXEC: a program started from ours (the PDF viewer, a browser for a
  // link) must not inherit the lock and keep it after we end. O_NOFOLLOW: a
  // link planted in the folder is not followed.
  const std::string path = folder + "/" + name + ".lock";
  const int fd =
      openat(dir, (name + ".lock").c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  const int openError = errno;
  close(dir);
  if (fd < 0) return Fail("无法打开锁文件" + Quoted(path) + "：" + SystemError(openError));

  // A lock file of another user could be held by them to keep us from
  // starting; such a file tells nothing about our own instances.
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid()) {
    close(fd);
    return Fail("锁文件" + Quoted(path) + "不是本用户的普通文件。");
  }

  int rc;
  do {
    rc = flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const int lockError = errno;
    close(fd);
    if (lockError == EWOULDBLOCK) return TResult::Busy;
    return Fail("无法锁定" + Quoted(path) + "：" + SystemError(lockError));
  }
  FFd = fd;
  return TResult::Acquired;
}

}  // namespace tessary::platform
