// SPDX-License-Identifier: MIT
#pragma once

// The session bus at start-up. Qt asks for it when the first label gets its
// text (the accessibility bridge looks for a screen reader there), and the
// user-interface thread waits until the connection is made or has failed.

#include <thread>

namespace tessary {

// Where the session bus would come from when nothing names it: libdbus
// then starts this launcher in a child process, forking the whole program.
inline constexpr const char* kSessionBusLauncher = "/usr/bin/dbus-launch";

// When no session bus can be reached at all (no address set, no bus socket
// in the runtime folder, no launcher installed), sets the address to
// "disabled:", so that the connection fails at once instead of forking a
// child that can only fail. A bus that is there is never touched. Returns
// whether it set the address; programs started later do not inherit it.
// Call before the application object exists.
bool DisableUnreachableSessionBus(const char* launcher = kSessionBusLauncher);

// Makes the session bus connection on a worker while the window is being
// built, so that the first label finds it made. Needs the application
// object; joins when it goes.
// Reaches the X server over the connection instead of shared memory, unless
// the user's environment decides (QT_XCB_NO_MITSHM): the side panels send
// only the few rows that change, and through shared memory each paint would
// first wait for the server to finish reading the last one. Programs started
// later do not inherit the setting. Call before the application object.
void PreferSocketOverSharedMemory();

class TSessionBusWarmUp {
 public:
  TSessionBusWarmUp();
  ~TSessionBusWarmUp();
  TSessionBusWarmUp(const TSessionBusWarmUp&) = delete;
  TSessionBusWarmUp& operator=(const TSessionBusWarmUp&) = delete;

 private:
  std::thread FThread;
};

}  // namespace tessary
