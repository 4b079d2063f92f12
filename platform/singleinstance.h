#pragma once

// The single-instance test: a per-user lock that the kernel releases when
// the holding process ends, however it ends (flock on a lock file).

#include <string>

namespace tessary::platform {

class TSingleInstanceLock {
 public:
  enum class TResult {
    Acquired,     // this process now holds the lock, until it ends
    Busy,         // another process holds it
    Unavailable,  // the lock file could not be used; nothing is known
  };

  TSingleInstanceLock() = default;
  TSingleInstanceLock(const TSingleInstanceLock&) = delete;
  TSingleInstanceLock& operator=(const TSingleInstanceLock&) = delete;
  ~TSingleInstanceLock();

  // Tries once, without waiting. name must be a plain file name part (no
  // "/", not empty), otherwise Unavailable. A lock already held by this
  // object answers Acquired again.
  TResult TryAcquire(const std::string& name);
  bool Held() const { return FFd >= 0; }

  // $XDG_RUNTIME_DIR/NAME.lock when that variable holds an absolute path,
  // else /tmp/NAME-<uid>.lock.
  static std::string LockPath(const std::string& name);

 private:
  int FFd = -1;
};

}  // namespace tessary::platform
