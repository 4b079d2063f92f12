// SPDX-License-Identifier: MIT
#include "sessionbus.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDBusConnection>

#include <cstdlib>
#include <string>

#include "processenv.h"

namespace tessary {

namespace {

// The per-user bus libdbus looks for before it falls back to the launcher:
// a socket named "bus" in the runtime folder, owned by the user.
bool HasUserBusSocket() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || *runtime == '\0') return false;
  struct stat st {};
  const std::string socket = std::string(runtime) + "/bus";
  return stat(socket.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == getuid();
}

}  // namespace

bool DisableUnreachableSessionBus(const char* launcher) {
  if (std::getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr) return false;
  if (HasUserBusSocket() || access(launcher, X_OK) == 0) return false;
  return platform::SetForThisProcessOnly("DBUS_SESSION_BUS_ADDRESS", "disabled:");
}

void PreferSocketOverSharedMemory() {
  if (std::getenv("QT_XCB_NO_MITSHM") == nullptr)
    platform::SetForThisProcessOnly("QT_XCB_NO_MITSHM", "1");
}

TSessionBusWarmUp::TSessionBusWarmUp() : FThread([] { QDBusConnection::sessionBus(); }) {}

TSessionBusWarmUp::~TSessionBusWarmUp() { FThread.join(); }

}  // namespace tessary
