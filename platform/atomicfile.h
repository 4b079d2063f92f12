// SPDX-License-Identifier: MIT
#pragma once

// Saving that never destroys the previous file: the new bytes go to a
// temporary file in the same folder, reach the disk, and only then replace
// the old file by a rename, which the kernel does all at once. Where a rename
// would lose something of the old file (a hard link, its owner, group or mode
// bits), the folder takes no new file or the old file no second name, the
// file is written in place after a synced copy of its old content. A crash or a full disk at any
// moment leaves either the old content or the new one whole. Reading refuses at once what is no
// regular file or is too big.

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tessary::platform {

// A file that could not be read or written. what() is the user's message,
// e.g. "无法保存文件“/home/li/calc.txt”：No space left on device".
class EFileError : public std::runtime_error {
 public:
  enum class TAction { Open, Save };
  // The reason is the system's text for error unless one is given.
  EFileError(TAction action, const std::string& path, int error, std::string_view reason = {});

  const std::string& Path() const { return FPath; }
  int Error() const { return FError; }  // errno

 private:
  std::string FPath;
  int FError;
};

// fallocate(2) itself.
int SystemAllocate(int fd, int mode, off_t offset, off_t length);

// The system calls of a save, replaceable so that tests can fail or stop one
// midway. Each behaves like its namesake: -1 and errno on failure.
struct TFileOps {
  std::function<int(const char* path, int flags, mode_t mode)> Open;
  std::function<ssize_t(int fd, const void* data, std::size_t size)> Write;
  std::function<int(int fd)> Sync;
  std::function<int(int fd)> Close;
  std::function<int(const char* from, const char* to)> Rename;
  // Reserves the room of a file written in place (fallocate); where the file
  // system cannot (EOPNOTSUPP), the file is written without.
  std::function<int(int fd, int mode, off_t offset, off_t length)> Allocate = SystemAllocate;
};

// The real system calls.
const TFileOps& SystemFileOps();

// Replaces the file at path with bytes. A read-only file (no write bit, even
// for root) or one the user may not write is refused. The temporary file,
// the second name the old file keeps until the save is done, or the copy of
// the old content of a file written in place, is named ".NAME.XXXXXX.tmp"
// beside it (the copy goes to UserStateDir()/tessary when the folder takes
// no new file); only a process killed during a save can leave one behind,
// and the next successful save of the file removes it. An existing file
// keeps its mode bits, owner, group and hard links; a new one gets 0666 less
// the umask. A symbolic link stays a link: the file it points to is
// replaced. Throws EFileError naming path; the old file is then as it was
// and the temporary file removed.
void WriteFileAtomically(const std::string& path, std::string_view bytes,
                         const TFileOps& ops = SystemFileOps());
// The same for a file that must be the user's own, such as settings: a
// symbolic link at path is refused (ELOOP, "是符号链接") instead of followed,
// and so is a file another user owns (EPERM, "文件属于另一个用户"), even for
// root; a new file gets 0600 whatever the umask. A file of the user's own
// keeps its mode bits as above.
void WriteOwnFileAtomically(const std::string& path, std::string_view bytes,
                            const TFileOps& ops = SystemFileOps());

// One file of a save made together with others.
struct TFileContent {
  std::string Path;
  std::string_view Bytes;
};
// Saves files together or not at all: every new content is on the disk (and
// every copy of an old one, and the room reserved for each file written in
// place) before the first file is replaced. A failure after that puts the
// files already replaced back: a renamed one by renaming its old file back
// from its second name, one written in place from its copy. So a save that
// throws leaves every old file byte for byte as it was, and no new one. The
// EFileError names the file that failed; only should putting one back fail
// too, it also tells where that file's old content was kept.
void WriteFilesAtomically(const std::vector<TFileContent>& files,
                          const TFileOps& ops = SystemFileOps());

// Opens path for reading, refusing at once, before it is opened, what is no
// regular file (EFileError with EISDIR for a folder, EINVAL for a FIFO, a
// device or a socket: opening one may block or act) and a file of more than
// maxSize bytes (EFBIG). Returns the descriptor; the caller closes it.
int OpenRegularFile(const std::string& path, std::size_t maxSize);
// Reads fd to its end; more than maxSize bytes throw EFileError (EFBIG),
// which, like a failed read, names name.
std::string ReadAll(int fd, const std::string& name, std::size_t maxSize);
// The whole content of a regular file of at most maxSize bytes (both above).
std::string ReadWholeFile(const std::string& path, std::size_t maxSize);

}  // namespace tessary::platform
