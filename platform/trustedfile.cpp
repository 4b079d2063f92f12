// SPDX-License-Identifier: MIT
#include "trustedfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace tessary::platform {

namespace {

std::string Quoted(const std::string& path) { return "“" + path + "”"; }

// Why st may not be trusted; "" when it may.
std::string Distrust(const std::string& path, const struct stat& st) {
  if (S_ISLNK(st.st_mode)) return Quoted(path) + "是符号链接";
  if (st.st_uid != 0 && st.st_uid != geteuid()) return Quoted(path) + "属于另一个用户";
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) return Quoted(path) + "其他用户可以写入";
  return {};
}

bool Check(const std::string& path, std::string& why) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) {
    why = Quoted(path) + "：" + std::strerror(errno);
    return false;
  }
  why = Distrust(path, st);
  return why.empty();
}

}  // namespace

bool IsTrustedFile(const std::string& prefix, const std::string& file, std::string& why) {
  if (prefix.empty() || file.size() <= prefix.size() + 1 ||
      file.compare(0, prefix.size(), prefix) != 0 || file[prefix.size()] != '/') {
    why = Quoted(file) + "不在安装文件夹" + Quoted(prefix) + "中";
    return false;
  }
  if (!Check(prefix, why)) return false;
  // Each folder below the prefix, then the file itself.
  for (std::size_t at = file.find('/', prefix.size() + 1); at != std::string::npos;
       at = file.find('/', at + 1))
    if (!Check(file.substr(0, at), why)) return false;
  return Check(file, why);
}

int OpenTrustedFile(const std::string& prefix, const std::string& file, std::string& why) {
  if (!IsTrustedFile(prefix, file, why)) return -1;
  const int fd = open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || fstat(fd, &st) != 0) {
    why = Quoted(file) + "：" + std::strerror(errno);
    if (fd >= 0) close(fd);
    return -1;
  }
  why = S_ISREG(st.st_mode) ? Distrust(file, st) : Quoted(file) + "不是普通文件";
  if (why.empty()) return fd;
  close(fd);
  return -1;
}

}  // namespace tessary::platform
