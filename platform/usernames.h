// SPDX-License-Identifier: MIT
#pragma once

// Who is using the program, for the rich text panels' user labels: the
// registered owner and organization as a Linux desktop knows them.

#include <optional>
#include <string>
#include <string_view>

namespace tessary::platform {

// The fields of a password database entry that name a person.
struct TPasswdEntry {
  std::string Name;   // login name
  std::string Gecos;  // "full name,room,work phone,home phone,other"
  std::string Home;   // home folder
};

// The effective user's entry (through the system's name services, so
// directory users count too); nullopt when the database has none.
std::optional<TPasswdEntry> CurrentPasswdEntry();

// The full name a GECOS field holds: the text before its first ",".
std::string GecosFullName(std::string_view gecos);

// The logged-on user's name: the entry's login name, else $USER, else
// $LOGNAME; "" when none of them says.
std::string LoggedOnUserName(const std::optional<TPasswdEntry>& entry);
std::string LoggedOnUserName();

// The registered owner: the entry's full name, else the logged-on user's
// name.
std::string RegisteredOwner(const std::optional<TPasswdEntry>& entry);
std::string RegisteredOwner();

// The registered organization: $ORGANIZATION, where news and mail programs
// have long looked for it; "" when unset.
std::string RegisteredOrganization();

}  // namespace tessary::platform
