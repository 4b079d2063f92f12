// SPDX-License-Identifier: MIT
#pragma once

// A stand-in for the current user's registry hive: string values under key
// paths such as "Software\Tessary\MRU", kept as one folder per key under
// $XDG_CONFIG_HOME/tessary/registry (default ~/.config/...), one file per
// value whose content is the value's bytes.
//
// A value's file is named after the value, with "%" followed by two
// upper-case hex digits standing for a byte no file name can hold: "/",
// NUL, "%" itself and a leading "." (which would also make "." and ".."
// and hide the file). "a/b" is kept in "a%2Fb", ".x" in "%2Ex"; the unnamed
// default value is kept in "%". Names are compared as they are, letter case
// included; a value and a subkey of the same name cannot both exist (the
// second one fails). A value name longer than the file system allows
// (255 bytes once escaped) cannot be written.

#include <string>
#include <string_view>

namespace tessary::platform {

class TUserRegistry {
 public:
  // root: the folder standing for the hive; empty means the default above.
  explicit TUserRegistry(std::string root = {});
  ~TUserRegistry();

  // Opens keyPath ("\" or "/" separated; empty components are skipped;
  // "." and ".." components, NUL bytes and empty paths are refused); with
  // create, makes the key and those above it when missing. Whatever key was
  // open before is closed, also when this fails.
  bool OpenKey(std::string_view keyPath, bool create);
  void CloseKey();
  bool IsOpen() const { return !FKeyDir.empty(); }

  // False while no key is open.
  bool ValueExists(std::string_view name) const;
  // "" when the value does not exist or cannot be read, or no key is open.
  std::string ReadString(std::string_view name) const;
  // Crash-safe. Throws EFileError when the value cannot be written, and
  // std::logic_error while no key is open.
  void WriteString(std::string_view name, std::string_view value);

  const std::string& Root() const { return FRoot; }

  // The file name a value is kept in (see above).
  static std::string ValueFileName(std::string_view name);

 private:
  std::string ValuePath(std::string_view name) const;

  std::string FRoot;
  std::string FKeyDir;  // folder of the open key, "" while none is open
};

}  // namespace tessary::platform
