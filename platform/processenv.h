// SPDX-License-Identifier: MIT
#pragma once

// Variables the program sets for the libraries inside it only (how to reach
// the display, whether to seek a session bus). The programs it starts, the
// browser for a link or the viewer for the manual, get the environment the
// user started it with.

#include <string>
#include <vector>

namespace tessary::platform {

// Sets name to value in this process, remembering what the user had (set or
// not) the first time. Call before other threads run: setenv is not safe
// beside them.
bool SetForThisProcessOnly(const char* name, const char* value);

// This process's environment as "NAME=VALUE" entries, with every variable
// set above back as the user had it.
std::vector<std::string> UserEnvironment();

}  // namespace tessary::platform
