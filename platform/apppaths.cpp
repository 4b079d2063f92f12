// SPDX-License-Identifier: MIT
#include "apppaths.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "pathname.h"
#include "usernames.h"

namespace tessary::platform {

namespace {

bool IsAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

std::string PasswordHome() {
  const auto entry = CurrentPasswdEntry();
  return entry && IsAbsolute(entry->Home.c_str()) ? entry->Home : std::string();
}

// $variable when set and absolute (a relative one is invalid and ignored),
// else the home folder followed by fallback.
std::string XdgDir(const char* variable, const char* fallback) {
  const char* xdg = getenv(variable);
  if (IsAbsolute(xdg)) return xdg;
  const char* home = getenv("HOME");
  if (IsAbsolute(home)) return JoinPath(home, fallback);
  const std::string passwordHome = PasswordHome();
  return passwordHome.empty() ? std::string() : JoinPath(passwordHome, fallback);
}

// The user's (or root's, for a system install), and nobody else may write
// to it: another user could otherwise read the settings, choose them, or
// put a link there that has a save replace a file of ours.
bool IsOwnAndPrivate(const struct stat& st) {
  return (st.st_uid == geteuid() || st.st_uid == 0) && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Whether the settings file may live in folder: the folder is ours and
// writable, and a file already there under name is a plain file of ours.
bool IsOwnSettingsPlace(const std::string& folder, const std::string& name) {
  struct stat st;
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || !IsOwnAndPrivate(st) ||
      !IsWritableDir(folder))
    return false;
  if (lstat(JoinPath(folder, name).c_str(), &st) != 0) return errno == ENOENT;
  return S_ISREG(st.st_mode) && IsOwnAndPrivate(st);
}

}  // namespace

std::string ExecutablePath() {
  constexpr char kSelf[] = "/proc/self/exe";
  std::string path(256, '\0');
  for (;;) {
    const ssize_t n = readlink(kSelf, path.data(), path.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < path.size()) {
      path.resize(static_cast<std::size_t>(n));
      break;
    }
    path.resize(path.size() * 2);  // possibly cut off: try a bigger buffer
  }
  // An executable replaced while running (an upgrade) reads "PATH (deleted)";
  // the settings still belong beside PATH.
  constexpr std::string_view kDeleted = " (deleted)";
  struct stat st;
  if (path.ends_with(kDeleted) && lstat(path.c_str(), &st) != 0)
    path.resize(path.size() - kDeleted.size());
  return path;
}

std::string UserConfigDir() { return XdgDir("XDG_CONFIG_HOME", ".config"); }

std::string UserStateDir() { return XdgDir("XDG_STATE_HOME", ".local/state"); }

bool IsWritableDir(const std::string& dir) {
  if (dir.empty()) return false;
  std::string probe = JoinPath(dir, ".tessary-probe-XXXXXX");
  const int fd = mkstemp(probe.data());
  if (fd < 0) return false;
  close(fd);
  unlink(probe.c_str());
  return true;
}

bool MakeFolders(const std::string& dir) {
  if (dir.empty()) {
    errno = ENOENT;
    return false;
  }
  struct stat st;
  if (stat(dir.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return true;
    errno = ENOTDIR;
    return false;
  }
  if (errno != ENOENT) return false;
  const std::string parent = FolderOf(dir);
  if (parent != dir && !MakeFolders(parent)) return false;
  if (mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST) {
    // EEXIST: another process made it meanwhile, or it is not a folder.
    if (stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
    errno = ENOTDIR;
  }
  return false;
}

std::string ProgramIniPathFor(const std::string& executable, const std::string& fileName) {
  if (fileName.find('/') != std::string::npos) return fileName;
  std::string name = fileName;
  if (name.empty())
    name = executable.empty() ? "tessary.ini" : WithExtension(NameOf(executable), ".ini");
  const std::string folder = executable.empty() ? std::string() : FolderOf(executable);
  if (!folder.empty() && IsOwnSettingsPlace(folder, name)) return JoinPath(folder, name);
  const std::string config = UserConfigDir();
  if (config.empty()) return JoinPath(folder, name);  // nowhere better to go
  return JoinPath(JoinPath(config, "tessary"), name);
}

std::string ProgramIniPath(const std::string& fileName) {
  return ProgramIniPathFor(ExecutablePath(), fileName);
}

}  // namespace tessary::platform
