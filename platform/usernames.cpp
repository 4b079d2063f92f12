// SPDX-License-Identifier: MIT
#include "usernames.h"

#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace tessary::platform {

namespace {

std::string Environment(const char* name) {
  const char* value = getenv(name);
  return value ? value : "";
}

}  // namespace

std::optional<TPasswdEntry> CurrentPasswdEntry() {
  std::vector<char> buffer(16384);
  struct passwd entry;
  struct passwd* found = nullptr;
  int error;
  // A directory service may hand back entries larger than the usual buffer.
  while ((error = getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
         buffer.size() < (1u << 20))
    buffer.resize(buffer.size() * 2);
  if (error != 0 || !found) return std::nullopt;
  return TPasswdEntry{found->pw_name ? found->pw_name : "", found->pw_gecos ? found->pw_gecos : "",
                      found->pw_dir ? found->pw_dir : ""};
}

std::string GecosFullName(std::string_view gecos) {
  return std::string(gecos.substr(0, gecos.find(',')));
}

std::string LoggedOnUserName(const std::optional<TPasswdEntry>& entry) {
  if (entry && !entry->Name.empty()) return entry->Name;
  std::string name = Environment("USER");
  return name.empty() ? Environment("LOGNAME") : name;
}

std::string LoggedOnUserName() { return LoggedOnUserName(CurrentPasswdEntry()); }

std::string RegisteredOwner(const std::optional<TPasswdEntry>& entry) {
  std::string owner = entry ? GecosFullName(entry->Gecos) : std::string();
  return owner.empty() ? LoggedOnUserName(entry) : owner;
}

std::string RegisteredOwner() { return RegisteredOwner(CurrentPasswdEntry()); }

std::string RegisteredOrganization() { return Environment("ORGANIZATION"); }

}  // namespace tessary::platform
