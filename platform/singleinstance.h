// SPDX-License-Identifier: MIT
#pragma once

// The single-instance test: a per-user lock that the kernel releases when
// the holding process ends, however it ends (flock on a lock file).
//
// The lock file lies in $XDG_RUNTIME_DIR when that is a folder of the user's
// own that nobody else may write to; otherwise in the user's state folder
// ($XDG_STATE_HOME/tessary, default ~/.local/state/tessary, made 0700 with
// its missing parents). That one no other user can create, unlike a name in
// the shared /tmp, which anyone could take first to keep us from starting.
// A folder there that another user owns or others may write to is still
// refused: whoever controls it could keep us from starting or let two of us
// run.

#include <string>

namespace tessary::platform {

class TSingleInstanceLock {
 public:
  enum class TResult {
    Acquired,     // this process now holds the lock, until it ends
    Busy,         // another process holds it
    Unavailable,  // the lock could not be used; Error() says why
  };

  // fallbackFolder: the folder of the lock without a usable runtime folder;
  // empty for the user's state folder (tests give their own).
  explicit TSingleInstanceLock(std::string fallbackFolder = {});
  TSingleInstanceLock(const TSingleInstanceLock&) = delete;
  TSingleInstanceLock& operator=(const TSingleInstanceLock&) = delete;
  ~TSingleInstanceLock();

  // Tries once, without waiting. name must be a plain file name part (no
  // "/", not empty), otherwise Unavailable. A lock already held by this
  // object answers Acquired again.
  TResult TryAcquire(const std::string& name);
  bool Held() const { return FFd >= 0; }
  // Why the last TryAcquire answered Unavailable, in words for the user.
  const std::string& Error() const { return FError; }

  // $XDG_RUNTIME_DIR/NAME.lock when that folder is usable, else
  // FALLBACK/NAME.lock; "" when there is neither (no home folder at all).
  // Creates nothing.
  std::string LockPath(const std::string& name) const;

 private:
  TResult Fail(const std::string& message);
  std::string FallbackFolder() const;

  std::string FFallback;
  std::string FError;
  int FFd = -1;
};

}  // namespace tessary::platform
