#include "atomicfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>
#include <random>
#include <system_error>

#include "errortext.h"
#include "pathname.h"

namespace tessary::platform {

namespace {

std::string ErrorText(EFileError::TAction action, const std::string& path, int error,
                      std::string_view reason) {
  std::string text = action == EFileError::TAction::Open ? "无法打开文件“" : "无法保存文件“";
  text += path;
  text += "”：";
  if (reason.empty())
    text += SystemErrorText(error);
  else
    text += reason;
  return text;
}

[[noreturn]] void Fail(const std::string& path, int error, std::string_view reason = {}) {
  throw EFileError(EFileError::TAction::Save, path, error, reason);
}

// Where the bytes really go: a symbolic link is followed so that saving
// through it updates the file it names instead of replacing the link.
std::string ResolveTarget(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr), &std::free);
  return real ? std::string(real.get()) : path;  // a dangling link is replaced
}

// ".NAME.XXXXXX.tmp" beside the target. A long name is shortened so that
// the temporary name still fits the file system's limit.
std::string TemporaryName(const TPathParts& parts) {
  static constexpr char kChars[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kChars - 2);
  constexpr std::size_t kMaxName = NAME_MAX - 12;  // "." + ".XXXXXX.tmp"
  std::string name = parts.Folder + "." + parts.Name.substr(0, kMaxName) + ".";
  for (int i = 0; i < 6; ++i) name += kChars[pick(random)];
  return name + ".tmp";
}

// Makes the rename itself durable; a file system that cannot flush a folder
// (EINVAL) or a folder we may not open is no reason to call the save failed.
void SyncFolder(const std::string& path, const std::string& folder, const TFileOps& ops) {
  const std::string name = folder.empty() ? "." : folder;
  const int fd = ops.Open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (fd < 0) return;
  const int rc = ops.Sync(fd);
  const int error = errno;
  ops.Close(fd);
  if (rc != 0 && error != EINVAL) Fail(path, error);
}

// The temporary file, removed unless it was renamed into place.
class TTemporaryFile {
 public:
  TTemporaryFile(const std::string& path, const TPathParts& parts, const TFileOps& ops)
      : FPath(path), FOps(ops) {
    for (int attempt = 0; attempt < 100; ++attempt) {
      FName = TemporaryName(parts);
      FFd = ops.Open(FName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (FFd >= 0 || errno != EEXIST) break;
    }
    if (FFd < 0) Fail(path, errno);
  }
  ~TTemporaryFile() {
    if (FFd >= 0) FOps.Close(FFd);
    if (!FRenamed) unlink(FName.c_str());
  }
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;

  // The old file's owner and permission bits, so that saving does not
  // quietly widen or narrow who may read the worksheet.
  void CopyAttributes(const struct stat& old) {
    if (old.st_uid != geteuid() || old.st_gid != getegid())
      (void)fchown(FFd, old.st_uid, old.st_gid);  // allowed for root only
    if (fchmod(FFd, old.st_mode & 07777) != 0) Fail(FPath, errno);
  }

  void Write(std::string_view bytes) {
    constexpr std::size_t kChunk = std::size_t{1} << 20;
    while (!bytes.empty()) {
      const ssize_t n = FOps.Write(FFd, bytes.data(), std::min(bytes.size(), kChunk));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) Fail(FPath, errno);
      if (n == 0) Fail(FPath, EIO);  // a write that makes no progress never will
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
  }

  void SyncAndClose() {
    if (FOps.Sync(FFd) != 0) Fail(FPath, errno);
    const int fd = FFd;
    FFd = -1;  // closed even when close reports an error
    if (FOps.Close(fd) != 0) Fail(FPath, errno);
  }

  void RenameTo(const std::string& target) {
    if (FOps.Rename(FName.c_str(), target.c_str()) != 0) Fail(FPath, errno);
    FRenamed = true;
  }

 private:
  const std::string& FPath;
  const TFileOps& FOps;
  std::string FName;
  int FFd = -1;
  bool FRenamed = false;
};

}  // namespace

EFileError::EFileError(TAction action, const std::string& path, int error,
                       std::string_view reason)
    : std::runtime_error(ErrorText(action, path, error, reason)), FPath(path), FError(error) {}

const TFileOps& SystemFileOps() {
  static const TFileOps ops{
      [](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); },
      [](int fd, const void* data, std::size_t size) { return ::write(fd, data, size); },
      [](int fd) { return ::fsync(fd); },
      [](int fd) { return ::close(fd); },
      [](const char* from, const char* to) { return ::rename(from, to); },
  };
  return ops;
}

void WriteFileAtomically(const std::string& path, std::string_view bytes, const TFileOps& ops) {
  const std::string target = ResolveTarget(path);
  const TPathParts parts = SplitPath(target);
  if (parts.Name.empty()) Fail(path, EISDIR);
  struct stat old;
  const bool exists = stat(target.c_str(), &old) == 0;
  if (exists && S_ISDIR(old.st_mode)) Fail(path, EISDIR);
  // Renaming over a device or a pipe would replace it with a plain file.
  if (exists && !S_ISREG(old.st_mode)) Fail(path, EINVAL, "不是普通文件");

  TTemporaryFile temp(path, parts, ops);
  if (exists) temp.CopyAttributes(old);
  temp.Write(bytes);
  temp.SyncAndClose();
  temp.RenameTo(target);
  SyncFolder(path, parts.Folder, ops);
}

std::string ReadWholeFile(const std::string& path) {
  const auto fail = [&path](int error) {
    throw EFileError(EFileError::TAction::Open, path, error);
  };
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) fail(errno);
  std::unique_ptr<const int, void (*)(const int*)> closer(&fd, [](const int* f) { ::close(*f); });
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail(errno);
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes;
}

}  // namespace tessary::platform
