// SPDX-License-Identifier: MIT
#include "atomicfile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <set>
#include <system_error>

#include "apppaths.h"
#include "errortext.h"
#include "pathname.h"

namespace tessary::platform {

namespace {

constexpr std::string_view kNotRegular = "不是普通文件";
constexpr std::string_view kLink = "是符号链接";
constexpr std::string_view kOtherOwner = "文件属于另一个用户";
constexpr std::size_t kChunk = std::size_t{1} << 20;

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

// "16 MiB", "64 KiB" or "100 字节".
std::string SizeText(std::size_t bytes) {
  if (bytes >= (std::size_t{1} << 20) && bytes % (std::size_t{1} << 20) == 0)
    return std::to_string(bytes >> 20) + " MiB";
  if (bytes >= 1024 && bytes % 1024 == 0) return std::to_string(bytes >> 10) + " KiB";
  return std::to_string(bytes) + " 字节";
}

// Where the bytes really go: a symbolic link is followed so that saving
// through it updates the file it names instead of replacing the link.
std::string ResolveTarget(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr), &std::free);
  return real ? std::string(real.get()) : path;  // a dangling link is replaced
}

// Temporary files beside a file are named ".NAME.XXXXXX.tmp"; a long name is
// shortened so that the temporary name still fits the file system's limit.
std::string TemporaryPrefix(const std::string& name) {
  constexpr std::size_t kMaxName = NAME_MAX - 12;  // "." + ".XXXXXX.tmp"
  return "." + name.substr(0, kMaxName) + ".";
}

constexpr char kRandomChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

bool IsLeftover(std::string_view entry, std::string_view prefix) {
  if (entry.size() != prefix.size() + 10 || !entry.starts_with(prefix) || !entry.ends_with(".tmp"))
    return false;
  const std::string_view random = entry.substr(prefix.size(), 6);
  return std::all_of(random.begin(), random.end(),
                     [](char c) { return std::strchr(kRandomChars, c) != nullptr && c != '\0'; });
}

// "folder + prefix + XXXXXX.tmp" with six random characters.
std::string TemporaryName(const std::string& folder, const std::string& prefix) {
  thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kRandomChars - 2);
  std::string name = folder + prefix;
  for (int i = 0; i < 6; ++i) name += kRandomChars[pick(random)];
  return name + ".tmp";
}

// Creates a new file "folder + prefix + XXXXXX.tmp"; -1 with errno on failure.
int CreateTemporary(const std::string& folder, const std::string& prefix, mode_t mode,
                    const TFileOps& ops, std::string& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = TemporaryName(folder, prefix);
    const int fd = ops.Open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Gives file a second name "folder + prefix + XXXXXX.tmp"; false on failure.
bool LinkTemporary(const std::string& file, const std::string& folder, const std::string& prefix,
                   std::string& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = TemporaryName(folder, prefix);
    if (::link(file.c_str(), name.c_str()) == 0) return true;
    if (errno != EEXIST) break;
  }
  name.clear();
  return false;
}

// Writes all of bytes at the file's offset; short and interrupted writes go on.
void WriteAll(const std::string& path, int fd, std::string_view bytes, const TFileOps& ops) {
  while (!bytes.empty()) {
    const ssize_t n = ops.Write(fd, bytes.data(), std::min(bytes.size(), kChunk));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail(path, errno);
    if (n == 0) Fail(path, EIO);  // a write that makes no progress never will
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

// Copies what is left to read of from into to; false with errno on failure.
bool CopyRest(int from, int to,
              const std::function<ssize_t(int, const void*, std::size_t)>& write) {
  std::unique_ptr<char[]> buffer(new char[kChunk]);
  for (;;) {
    const ssize_t n = ::read(from, buffer.get(), kChunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = write(to, buffer.get() + done, static_cast<std::size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        if (w == 0) errno = EIO;
        return false;
      }
      done += w;
    }
  }
}

// Makes the renames durable; a file system that cannot flush a folder
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

// Flushes a folder after renames that undo a save, as far as it goes.
void TrySyncFolder(const std::string& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Temporary files of earlier saves of this file that a killed process left.
void RemoveLeftoversIn(const std::string& folder, const std::string& prefix,
                       const std::set<std::string>& ours) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.empty() ? "." : folder.c_str()),
                                          &closedir);
  if (!dir) return;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name = folder + entry->d_name;
    struct stat st;
    if (IsLeftover(entry->d_name, prefix) && !ours.contains(name) &&
        lstat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode))
      unlink(name.c_str());
  }
}

// Refuses to replace what the user may not write. A file without any write
// permission bit is read-only for everyone, root included.
void CheckMayWrite(const std::string& path, const std::string& target, const struct stat& old) {
  if ((old.st_mode & 0222) == 0) Fail(path, EACCES, "文件是只读的");
  if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0) return;
  const int error = errno;
  if (error == EACCES || error == EPERM) Fail(path, error, "没有写入此文件的权限");
  Fail(path, error);
}

// One file of a save. Prepare puts everything on the disk that can be
// prepared without touching the file; Commit then replaces it, and Undo
// puts the old file back as long as the replacement lives.
//
// The usual way writes the new content to a temporary file beside the old
// one and renames it over the old file. That replaces the file by another
// one, so it is taken only when nothing of the old file gets lost: a single
// hard link, and an owner, group and mode bits the new file can carry. The
// old file keeps a second name until the save is done, to be renamed back
// by Undo. Else (and in a folder where no temporary file can be made, or
// where the old file can get no second name) the file is written in place,
// after a complete copy of its old content has reached the disk and the
// room for the new content is reserved; a failure while writing, or Undo,
// puts the old content back from the copy, and the copy goes only once the
// whole save is done.
//
// ownOnly: the file must be the user's own (settings): a link in its place
// is refused rather than followed, so is another user's file, and a new file
// is made 0600.
class TReplacement {
 public:
  TReplacement(std::string path, std::string_view bytes, const TFileOps& ops, bool ownOnly)
      : FPath(std::move(path)), FBytes(bytes), FOps(ops), FOwnOnly(ownOnly) {}
  ~TReplacement() {
    if (FTempFd >= 0) FOps.Close(FTempFd);
    if (FTargetFd >= 0) {  // prepared, but the save failed before writing it
      ReleaseRoom(FTargetFd, true);
      FOps.Close(FTargetFd);
    }
    if (!FTempName.empty() && !FRenamed) unlink(FTempName.c_str());
    if (!FCopyName.empty() && !FKeepCopy) unlink(FCopyName.c_str());
    if (!FOldName.empty() && !FKeepCopy) unlink(FOldName.c_str());
  }
  TReplacement(const TReplacement&) = delete;
  TReplacement& operator=(const TReplacement&) = delete;

  void Prepare();
  void Commit();
  // Puts the old file back after a successful Commit, with the real system
  // calls; false when it cannot, the old content then being kept at KeptAt()
  // (nowhere for a file that did not exist).
  bool Undo();
  const std::string& KeptAt() const { return FInPlace ? FCopyName : FOldName; }
  bool InPlace() const { return FInPlace; }
  const std::string& Folder() const { return FParts.Folder; }
  const std::string& Path() const { return FPath; }
  // Temporary files of earlier, killed saves of the same file.
  void RemoveLeftovers() const {
    RemoveLeftoversIn(FParts.Folder, TemporaryPrefix(FParts.Name),
                      {FTempName, FCopyName, FOldName});
  }

 private:
  bool TakeOver(int fd) const;
  void PrepareInPlace();
  void MakeCopy();
  void Reserve();
  void ReleaseRoom(int fd, bool keepTimes) const;
  void WriteInPlace();
  bool Restore();

  std::string FPath;  // as the user named it, for messages
  std::string_view FBytes;
  const TFileOps& FOps;
  bool FOwnOnly;
  std::string FTarget;
  TPathParts FParts;
  bool FExists = false;
  struct stat FOld {};
  bool FInPlace = false;
  std::string FTempName;
  int FTempFd = -1;
  bool FRenamed = false;
  int FTargetFd = -1;
  std::string FCopyName;
  bool FReserved = false;  // room beyond the old end may be held
  std::string FOldName;    // the second name of an old file replaced by a rename
  bool FKeepCopy = false;  // of FCopyName or FOldName, when Undo fails
};

void TReplacement::Prepare() {
  FTarget = FOwnOnly ? FPath : ResolveTarget(FPath);
  FParts = SplitPath(FTarget);
  if (FParts.Name.empty()) Fail(FPath, EISDIR);
  FExists = (FOwnOnly ? lstat(FTarget.c_str(), &FOld) : stat(FTarget.c_str(), &FOld)) == 0;
  // Whoever put a link there chose the file it names, such as our ~/.profile.
  if (FExists && S_ISLNK(FOld.st_mode)) Fail(FPath, ELOOP, kLink);
  if (FExists && S_ISDIR(FOld.st_mode)) Fail(FPath, EISDIR);
  // Renaming over a device or a pipe would replace it with a plain file.
  if (FExists && !S_ISREG(FOld.st_mode)) Fail(FPath, EINVAL, kNotRegular);
  // Its owner could read what we write and choose what we read next time,
  // even when we are root and may write any file.
  if (FExists && FOwnOnly && FOld.st_uid != geteuid()) Fail(FPath, EPERM, kOtherOwner);
  if (FExists) CheckMayWrite(FPath, FTarget, FOld);

  FInPlace = FExists && FOld.st_nlink > 1;
  if (!FInPlace) {
    FTempFd = CreateTemporary(FParts.Folder, TemporaryPrefix(FParts.Name), FOwnOnly ? 0600 : 0666,
                              FOps, FTempName);
    if (FTempFd < 0) {
      const int error = errno;
      FTempName.clear();
      if (!FExists || (error != EACCES && error != EPERM)) Fail(FPath, error);
      FInPlace = true;  // a folder we may not write: the file itself we may
    } else if (FExists && !TakeOver(FTempFd)) {
      FOps.Close(FTempFd);
      FTempFd = -1;
      unlink(FTempName.c_str());
      FTempName.clear();
      FInPlace = true;
    }
  }
  if (FInPlace) {
    PrepareInPlace();
    return;
  }
  WriteAll(FPath, FTempFd, FBytes, FOps);
  if (FOps.Sync(FTempFd) != 0) Fail(FPath, errno);
  const int fd = FTempFd;
  FTempFd = -1;  // closed even when close reports an error
  if (FOps.Close(fd) != 0) Fail(FPath, errno);
  // Made last: a save killed while writing leaves its temporary file only.
  if (FExists && !LinkTemporary(FTarget, FParts.Folder, TemporaryPrefix(FParts.Name), FOldName)) {
    // Without a second name the old file could not be put back after the
    // rename, should another file of the save fail.
    unlink(FTempName.c_str());
    FTempName.clear();
    FInPlace = true;
    PrepareInPlace();
  }
}

// Gives the new file the old one's owner, group and mode bits; false when
// the system does not let us (then the old file is written in place).
bool TReplacement::TakeOver(int fd) const {
  struct stat now;
  if (fstat(fd, &now) != 0) return false;
  // Owner and group first: changing them clears the setuid and setgid bits.
  if ((now.st_uid != FOld.st_uid || now.st_gid != FOld.st_gid) &&
      fchown(fd, FOld.st_uid, FOld.st_gid) != 0)
    return false;
  // The kernel drops a setgid bit it does not allow without an error: look.
  if (fchmod(fd, FOld.st_mode & 07777) != 0 || fstat(fd, &now) != 0) return false;
  return now.st_uid == FOld.st_uid && now.st_gid == FOld.st_gid &&
         (now.st_mode & 07777) == (FOld.st_mode & 07777);
}

void TReplacement::PrepareInPlace() {
  // Not blocking: had the file become a FIFO meanwhile, open would wait.
  // FTarget was no link (resolved, or refused): one there now was put there
  // meanwhile, and is not followed.
  FTargetFd =
      FOps.Open(FTarget.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC, 0);
  if (FTargetFd < 0) Fail(FPath, errno);
  struct stat now;
  if (fstat(FTargetFd, &now) != 0) Fail(FPath, errno);
  if (now.st_dev != FOld.st_dev || now.st_ino != FOld.st_ino || !S_ISREG(now.st_mode))
    Fail(FPath, EAGAIN, "文件在保存时被替换了");
  FOld = now;
  MakeCopy();
  Reserve();
}

// Reserves the room for the new content now, while nothing is replaced yet,
// so that a full disk fails the save here and not after another file of it
// was replaced. A file system that cannot reserve room (EOPNOTSUPP) is
// written without: the bytes cannot be tried out beforehand without changing
// the file, and should the disk then fill up, the failed write puts this
// file back from its copy and the save puts back the files it replaced.
void TReplacement::Reserve() {
  if (FBytes.size() <= static_cast<std::size_t>(FOld.st_size)) return;
  FReserved = true;  // even a failed reservation may hold part of the room
  int rc;
  do {
    rc = FOps.Allocate(FTargetFd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(FBytes.size()));
  } while (rc != 0 && errno == EINTR);
  if (rc != 0 && errno != EOPNOTSUPP && errno != ENOSYS) Fail(FPath, errno);
}

// Gives back the room reserved beyond the old end when the new content does
// not stay, as far as the file system can: truncating to the same length
// frees it on most (ext4, tmpfs), punching it out on others; neither changes
// a byte, and keepTimes puts back the times the truncation changed. The
// block the new content ends in counts whole.
void TReplacement::ReleaseRoom(int fd, bool keepTimes) const {
  if (!FReserved) return;
  const off_t block = FOld.st_blksize > 0 ? FOld.st_blksize : 4096;
  const off_t end = (static_cast<off_t>(FBytes.size()) + block - 1) / block * block;
  (void)::ftruncate(fd, FOld.st_size);
  (void)::fallocate(fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, FOld.st_size,
                    end - FOld.st_size);
  const timespec times[] = {FOld.st_atim, FOld.st_mtim};
  if (keepTimes) (void)futimens(fd, times);
}

// A complete copy of the old content: beside the file, or in the user's own
// state folder when the file's folder takes no new file.
void TReplacement::MakeCopy() {
  const std::string prefix = TemporaryPrefix(FParts.Name);
  int fd = CreateTemporary(FParts.Folder, prefix, 0600, FOps, FCopyName);
  if (fd < 0 && (errno == EACCES || errno == EPERM)) {
    const std::string state = UserStateDir();
    const std::string folder = state.empty() ? std::string() : JoinPath(state, "tessary");
    if (!folder.empty() && MakeFolders(folder))
      fd = CreateTemporary(folder + "/", prefix, 0600, FOps, FCopyName);
    else
      errno = EACCES;
  }
  if (fd < 0) {
    const int error = errno;
    FCopyName.clear();
    Fail(FPath, error);
  }
  const int in = ::open(FTarget.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  const bool copied = in >= 0 && CopyRest(in, fd, FOps.Write);
  const int error = errno;
  if (in >= 0) ::close(in);
  if (!copied) {
    FOps.Close(fd);
    Fail(FPath, error);
  }
  if (FOps.Sync(fd) != 0) {
    const int syncError = errno;
    FOps.Close(fd);
    Fail(FPath, syncError);
  }
  if (FOps.Close(fd) != 0) Fail(FPath, errno);
}

void TReplacement::Commit() {
  if (!FInPlace) {
    if (FOps.Rename(FTempName.c_str(), FTarget.c_str()) != 0) Fail(FPath, errno);
    FRenamed = true;
    return;
  }
  try {
    WriteInPlace();
  } catch (const EFileError& e) {
    if (Restore()) throw;
    FKeepCopy = true;  // the only whole old content left: tell where it is
    Fail(FPath, e.Error(),
         std::generic_category().message(e.Error()) + "；原来的内容保存在“" + FCopyName + "”");
  }
}

bool TReplacement::Undo() {
  bool ok;
  if (FInPlace) {
    ok = Restore();
  } else if (FOldName.empty()) {
    ok = ::unlink(FTarget.c_str()) == 0;  // there was no file
  } else {
    ok = ::rename(FOldName.c_str(), FTarget.c_str()) == 0;
    if (ok) FOldName.clear();
  }
  if (!FInPlace) TrySyncFolder(FParts.Folder);
  FKeepCopy = !ok;
  return ok;
}

void TReplacement::WriteInPlace() {
  if (lseek(FTargetFd, 0, SEEK_SET) != 0) Fail(FPath, errno);
  WriteAll(FPath, FTargetFd, FBytes, FOps);
  if (ftruncate(FTargetFd, static_cast<off_t>(FBytes.size())) != 0) Fail(FPath, errno);
  if (FOps.Sync(FTargetFd) != 0) Fail(FPath, errno);
  const int fd = FTargetFd;
  FTargetFd = -1;  // closed even when close reports an error
  if (FOps.Close(fd) != 0) Fail(FPath, errno);
}

// Puts the old content back from the copy, past the operations that failed.
bool TReplacement::Restore() {
  if (FTargetFd >= 0) {
    FOps.Close(FTargetFd);
    FTargetFd = -1;
  }
  const int out = ::open(FTarget.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  const int in = ::open(FCopyName.c_str(), O_RDONLY | O_CLOEXEC);
  bool ok = out >= 0 && in >= 0 && CopyRest(in, out, ::write) &&
            ftruncate(out, FOld.st_size) == 0 && ::fsync(out) == 0;
  if (out >= 0) ReleaseRoom(out, false);
  if (in >= 0) ::close(in);
  if (out >= 0 && ::close(out) != 0) ok = false;
  return ok;
}

}  // namespace

EFileError::EFileError(TAction action, const std::string& path, int error, std::string_view reason)
    : std::runtime_error(ErrorText(action, path, error, reason)), FPath(path), FError(error) {}

int SystemAllocate(int fd, int mode, off_t offset, off_t length) {
  return ::fallocate(fd, mode, offset, length);
}

const TFileOps& SystemFileOps() {
  static const TFileOps ops{
      [](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); },
      [](int fd, const void* data, std::size_t size) { return ::write(fd, data, size); },
      [](int fd) { return ::fsync(fd); },
      [](int fd) { return ::close(fd); },
      [](const char* from, const char* to) { return ::rename(from, to); },
      SystemAllocate,
  };
  return ops;
}

namespace {

void WriteAtomically(const std::vector<TFileContent>& files, const TFileOps& ops, bool ownOnly) {
  std::vector<std::unique_ptr<TReplacement>> replacements;
  for (const TFileContent& file : files) {
    replacements.push_back(std::make_unique<TReplacement>(file.Path, file.Bytes, ops, ownOnly));
    replacements.back()->Prepare();
  }
  // A failure from the first replacement on puts back, latest first, the
  // files already replaced; a file whose own commit fails puts itself back.
  std::size_t committed = 0;
  try {
    for (; committed < replacements.size(); ++committed) replacements[committed]->Commit();
    std::set<std::string> synced;
    for (const auto& r : replacements)
      if (!r->InPlace() && synced.insert(r->Folder()).second)
        SyncFolder(r->Path(), r->Folder(), ops);
  } catch (const EFileError& e) {
    std::string kept;  // where the old content of a file that could not be put back is
    while (committed > 0) {
      TReplacement& r = *replacements[--committed];
      if (!r.Undo() && !r.KeptAt().empty())
        kept += "；“" + r.Path() + "”原来的内容保存在“" + r.KeptAt() + "”";
    }
    if (kept.empty()) throw;
    const std::string prefix = "无法保存文件“" + e.Path() + "”：";
    Fail(e.Path(), e.Error(), std::string(e.what()).substr(prefix.size()) + kept);
  }
  for (const auto& r : replacements) r->RemoveLeftovers();
}

}  // namespace

void WriteFilesAtomically(const std::vector<TFileContent>& files, const TFileOps& ops) {
  WriteAtomically(files, ops, false);
}

void WriteFileAtomically(const std::string& path, std::string_view bytes, const TFileOps& ops) {
  WriteAtomically({{path, bytes}}, ops, false);
}

void WriteOwnFileAtomically(const std::string& path, std::string_view bytes, const TFileOps& ops) {
  WriteAtomically({{path, bytes}}, ops, true);
}

namespace {

[[noreturn]] void FailOpen(const std::string& name, int error, std::string_view reason = {}) {
  throw EFileError(EFileError::TAction::Open, name, error, reason);
}

void CheckReadable(const std::string& path, const struct stat& st, std::size_t maxSize) {
  if (S_ISDIR(st.st_mode)) FailOpen(path, EISDIR);
  if (!S_ISREG(st.st_mode)) FailOpen(path, EINVAL, kNotRegular);
  if (static_cast<std::uintmax_t>(st.st_size) > maxSize)
    FailOpen(path, EFBIG, "文件太大（上限 " + SizeText(maxSize) + "）");
}

}  // namespace

int OpenRegularFile(const std::string& path, std::size_t maxSize) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) FailOpen(path, errno);
  CheckReadable(path, st, maxSize);
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) FailOpen(path, errno);
  if (fstat(fd, &st) != 0) {
    const int error = errno;
    ::close(fd);
    FailOpen(path, error);
  }
  try {
    CheckReadable(path, st, maxSize);  // it may have been replaced meanwhile
  } catch (...) {
    ::close(fd);
    throw;
  }
  return fd;
}

std::string ReadAll(int fd, const std::string& name, std::size_t maxSize) {
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) FailOpen(name, errno);
    if (n == 0) return bytes;
    if (bytes.size() + static_cast<std::size_t>(n) > maxSize)
      FailOpen(name, EFBIG, "文件太大（上限 " + SizeText(maxSize) + "）");
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
}

std::string ReadWholeFile(const std::string& path, std::size_t maxSize) {
  const int fd = OpenRegularFile(path, maxSize);
  std::unique_ptr<const int, void (*)(const int*)> closer(&fd, [](const int* f) { ::close(*f); });
  return ReadAll(fd, path, maxSize);
}

}  // namespace tessary::platform
