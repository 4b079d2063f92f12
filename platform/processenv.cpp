// SPDX-License-Identifier: MIT
#include "processenv.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>

extern char** environ;

namespace tessary::platform {

namespace {

// Name → what the user had; set on the thread that starts the program.
std::map<std::string, std::optional<std::string>>& Originals() {
  static std::map<std::string, std::optional<std::string>> originals;
  return originals;
}

}  // namespace

bool SetForThisProcessOnly(const char* name, const char* value) {
  auto& originals = Originals();
  if (originals.find(name) == originals.end()) {
    const char* old = std::getenv(name);
    originals.emplace(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
  }
  return setenv(name, value, 1) == 0;
}

std::vector<std::string> UserEnvironment() {
  const auto& originals = Originals();
  std::vector<std::string> entries;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (eq == nullptr) continue;
    if (originals.count(std::string(*e, static_cast<std::size_t>(eq - *e))) == 0)
      entries.emplace_back(*e);
  }
  for (const auto& [name, value] : originals)
    if (value) entries.push_back(name + "=" + *value);
  return entries;
}

}  // namespace tessary::platform
