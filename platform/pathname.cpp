// SPDX-License-Identifier: MIT
#include "pathname.h"

namespace tessary::platform {

TPathParts SplitPath(std::string_view path) {
  const auto slash = path.rfind('/');
  if (slash == std::string_view::npos) return {"", std::string(path)};
  return {std::string(path.substr(0, slash + 1)), std::string(path.substr(slash + 1))};
}

std::string FolderOf(std::string_view path) {
  const auto slash = path.rfind('/');
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

std::string NameOf(std::string_view path) { return SplitPath(path).Name; }

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty()) return std::string(name);
  if (path.back() != '/') path += '/';
  path += name;
  return path;
}

std::string WithExtension(std::string_view path, std::string_view extension) {
  const auto slash = path.rfind('/');
  const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  const auto dot = path.rfind('.');
  const bool hasExtension = dot != std::string_view::npos && dot > nameStart;
  std::string result(path.substr(0, hasExtension ? dot : path.size()));
  result += extension;
  return result;
}

}  // namespace tessary::platform
