// SPDX-License-Identifier: MIT
#include "userregistry.h"

#include <sys/stat.h>

#include <optional>
#include <stdexcept>
#include <utility>

#include "apppaths.h"
#include "atomicfile.h"

namespace tessary::platform {

namespace {

std::string DefaultRoot() {
  const std::string config = UserConfigDir();
  return config.empty() ? std::string() : config + "/tessary/registry";
}

// The folder path below the root, or nothing for a refused key path.
std::optional<std::string> KeyFolder(std::string_view keyPath) {
  if (keyPath.find('\0') != std::string_view::npos) return std::nullopt;
  std::string folder;
  while (!keyPath.empty()) {
    const auto separator = keyPath.find_first_of("\\/");
    const std::string_view part = keyPath.substr(0, separator);
    keyPath.remove_prefix(separator == std::string_view::npos ? keyPath.size() : separator + 1);
    if (part.empty()) continue;
    if (part == "." || part == "..") return std::nullopt;
    folder += '/';
    folder += part;
  }
  if (folder.empty()) return std::nullopt;
  return folder;
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

TUserRegistry::TUserRegistry(std::string root)
    : FRoot(root.empty() ? DefaultRoot() : std::move(root)) {}

TUserRegistry::~TUserRegistry() { CloseKey(); }

bool TUserRegistry::OpenKey(std::string_view keyPath, bool create) {
  CloseKey();
  const std::optional<std::string> folder = KeyFolder(keyPath);
  if (!folder || FRoot.empty()) return false;
  const std::string dir = FRoot + *folder;
  if (create ? !MakeFolders(dir) : !IsFolder(dir)) return false;
  FKeyDir = dir;
  return true;
}

void TUserRegistry::CloseKey() { FKeyDir.clear(); }

std::string TUserRegistry::ValueFileName(std::string_view name) {
  if (name.empty()) return "%";
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string file;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto byte = static_cast<unsigned char>(name[i]);
    if (byte == '/' || byte == '\0' || byte == '%' || (i == 0 && byte == '.')) {
      file += '%';
      file += kHex[byte >> 4];
      file += kHex[byte & 0xF];
    } else {
      file += name[i];
    }
  }
  return file;
}

std::string TUserRegistry::ValuePath(std::string_view name) const {
  return FKeyDir + "/" + ValueFileName(name);
}

bool TUserRegistry::ValueExists(std::string_view name) const {
  if (!IsOpen()) return false;
  struct stat st;
  return stat(ValuePath(name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string TUserRegistry::ReadString(std::string_view name) const {
  if (!ValueExists(name)) return {};
  try {
    return ReadWholeFile(ValuePath(name), 1 << 20);
  } catch (const EFileError&) {
    return {};
  }
}

void TUserRegistry::WriteString(std::string_view name, std::string_view value) {
  if (!IsOpen()) throw std::logic_error("no registry key is open");
  WriteFileAtomically(ValuePath(name), value);
}

}  // namespace tessary::platform
