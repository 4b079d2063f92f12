// SPDX-License-Identifier: MIT
#include "startfiles.h"

#include <unistd.h>

#include <array>
#include <string_view>

namespace tessary {

namespace {

// Options whose value is the next argument: ours, and those QApplication
// takes from the command line.
constexpr auto kTakesValue = std::to_array<std::string_view>({
    "--board-url",
    "-platform",
    "-platformpluginpath",
    "-platformtheme",
    "-plugin",
    "-display",
    "-style",
    "-stylesheet",
    "-session",
    "-geometry",
    "-title",
    "-name",
    "-qwindowgeometry",
    "-qwindowtitle",
    "-qwindowicon",
    "-qmljsdebugger",
    "--style",
    "--stylesheet",
});

bool TakesValue(std::string_view option) {
  for (std::string_view o : kTakesValue)
    if (o == option) return true;
  return false;
}

}  // namespace

std::vector<std::string> StartFiles(int argc, char** argv) {
  std::vector<std::string> files;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      files.emplace_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (TakesValue(arg)) {
      ++i;
    }
  }
  return files;
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  std::string folder(4096, '\0');
  if (getcwd(folder.data(), folder.size()) == nullptr) return path;
  folder.resize(folder.find('\0'));
  std::string_view rest = path;
  while (rest.starts_with("./")) rest.remove_prefix(2);
  return (folder == "/" ? folder : folder + "/") + std::string(rest);
}

}  // namespace tessary
