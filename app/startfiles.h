// SPDX-License-Identifier: MIT
#pragma once

// The worksheet files named on tessary's command line ("tessary FILE", and
// "tessary %f" from a file manager), read before Qt is started so that a
// second start can hand them over at once.

#include <string>
#include <vector>

namespace tessary {

// The arguments that are files, in order: everything but the program, our
// options and Qt's (with the value of those that take one); after "--"
// every argument is a file.
std::vector<std::string> StartFiles(int argc, char** argv);

// path made absolute against the current folder, so that another process
// (the running window) finds it: nothing else is changed, links included.
std::string AbsolutePath(const std::string& path);

}  // namespace tessary
