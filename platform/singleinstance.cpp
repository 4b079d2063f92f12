#include "singleinstance.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessary::platform {

TSingleInstanceLock::~TSingleInstanceLock() {
  if (FFd >= 0) close(FFd);
}

std::string TSingleInstanceLock::LockPath(const std::string& name) {
  const char* runtime = getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') return std::string(runtime) + "/" + name + ".lock";
  return "/tmp/" + name + "-" + std::to_string(getuid()) + ".lock";
}

TSingleInstanceLock::TResult TSingleInstanceLock::TryAcquire(const std::string& name) {
  if (FFd >= 0) return TResult::Acquired;
  if (name.empty() || name.find('/') != std::string::npos) return TResult::Unavailable;

  // O_CLOEXEC: a program started from ours (the PDF viewer, a browser for a
  // link) must not inherit the lock and keep it after we end. O_NOFOLLOW: in
  // the shared /tmp another user could plant a link to a file of ours.
  const std::string path = LockPath(name);
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return TResult::Unavailable;

  // A lock file of another user in /tmp could be held by them to keep us
  // from starting; such a file tells nothing about our own instances.
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid()) {
    close(fd);
    return TResult::Unavailable;
  }

  int rc;
  do {
    rc = flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const bool busy = errno == EWOULDBLOCK;
    close(fd);
    return busy ? TResult::Busy : TResult::Unavailable;
  }
  FFd = fd;
  return TResult::Acquired;
}

}  // namespace tessary::platform
