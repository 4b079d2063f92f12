// SPDX-License-Identifier: MIT
#pragma once

// Sets or unsets environment variables for one test and puts them back.

#include <stdlib.h>

#include <map>
#include <optional>
#include <string>

namespace tessary::testing {

class TScopedEnv {
 public:
  TScopedEnv() = default;
  TScopedEnv(const TScopedEnv&) = delete;
  TScopedEnv& operator=(const TScopedEnv&) = delete;
  ~TScopedEnv() {
    for (const auto& [name, old] : FOld) {
      if (old)
        setenv(name.c_str(), old->c_str(), 1);
      else
        unsetenv(name.c_str());
    }
  }

  // nullopt unsets the variable.
  void Set(const std::string& name, const std::optional<std::string>& value) {
    if (!FOld.contains(name)) {
      const char* old = getenv(name.c_str());
      FOld[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value)
      setenv(name.c_str(), value->c_str(), 1);
    else
      unsetenv(name.c_str());
  }

 private:
  std::map<std::string, std::optional<std::string>> FOld;
};

}  // namespace tessary::testing
