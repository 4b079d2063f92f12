// SPDX-License-Identifier: MIT
#pragma once

// Where the running program and its per-user files are.

#include <string>

namespace tessary::platform {

// Full path of the running executable (from /proc/self/exe); "" when the
// system cannot tell.
std::string ExecutablePath();
// $XDG_CONFIG_HOME when set and absolute, else $HOME/.config, else the
// password database's home folder followed by /.config; "" without any.
std::string UserConfigDir();
// $XDG_STATE_HOME when set and absolute, else $HOME/.local/state, else the
// password database's home folder followed by /.local/state; "" without any.
std::string UserStateDir();
// True when files can be created in the folder. Tried for real, with a
// temporary file created and removed again: root passes every permission
// check but still cannot write to a read-only mount.
bool IsWritableDir(const std::string& dir);
// Creates dir and the missing folders above it; new folders are private to
// the user (0700), as per-user settings should be. False (errno set) when
// dir is not a folder afterwards.
bool MakeFolders(const std::string& dir);

// The ini file for a program: the executable's path with its extension
// replaced by ".ini" (or fileName in the executable's folder when given)
// when that folder is writable and the folder and the file, if there is one,
// are the user's (or root's) and nobody else may write to them; otherwise
// the same file name under UserConfigDir()/tessary/, so that a program
// installed in a system folder still remembers its settings, and one in a
// folder others share keeps them to itself. A link in the file's place
// counts as someone else's. A fileName with a folder part ("/") is
// returned as it is. The tessary folder is not created here: writing the
// file creates it.
std::string ProgramIniPath(const std::string& fileName = {});
// The same for a given executable path instead of the running one.
std::string ProgramIniPathFor(const std::string& executable, const std::string& fileName);

}  // namespace tessary::platform
