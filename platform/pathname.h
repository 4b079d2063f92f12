// SPDX-License-Identifier: MIT
#pragma once

// Splitting and joining "/"-separated paths, and the extension rule every
// file name of the program follows: the extension starts at the last "." of
// the file name, but a leading "." starts a hidden name, not an extension.

#include <string>
#include <string_view>

namespace tessary::platform {

struct TPathParts {
  std::string Folder;  // with its trailing "/"; "" for the current folder
  std::string Name;
};
TPathParts SplitPath(std::string_view path);

// The folder part without its trailing "/": "." without one, "/" for the root.
std::string FolderOf(std::string_view path);
// The file name part.
std::string NameOf(std::string_view path);
// folder + "/" + name; just name for an empty folder.
std::string JoinPath(std::string_view folder, std::string_view name);

// path with the extension of its file name replaced by extension (which
// includes its "."): a.b.txt -> a.b.vle, calc -> calc.vle, dir.x/calc ->
// dir.x/calc.vle, dir/.calc -> dir/.calc.vle.
std::string WithExtension(std::string_view path, std::string_view extension);

}  // namespace tessary::platform
