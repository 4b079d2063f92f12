// SPDX-License-Identifier: MIT
#pragma once

// Whether code may be loaded from a file: on a machine shared with other
// users, a library another user could have put or replaced would run inside
// this process with the user's rights.

#include <string>

namespace tessary::platform {

// True when file lies under prefix and the file and every folder from prefix
// down to it are no symbolic links, belong to root or to this user, and
// nobody else (group or others) may write to them. Otherwise false, and why
// says which one failed, in words for the user.
bool IsTrustedFile(const std::string& prefix, const std::string& file, std::string& why);

// Opens file for reading without following a link and checks the open file
// as IsTrustedFile checks it: a file swapped after the check is not taken.
// Returns the descriptor (the caller closes it), or -1 with why set.
int OpenTrustedFile(const std::string& prefix, const std::string& file, std::string& why);

}  // namespace tessary::platform
