// SPDX-License-Identifier: MIT
#pragma once

// Line input and buffered output straight on file descriptors: a calculator
// fed a file of short formulas spends more on stdio's and iostream's
// per-call locking, locale and virtual dispatch than on a formula, so lines
// are cut from large reads with memchr and answers collected in one buffer.

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace tessary::cli {

// Reads lines without their line ends; a CR before the LF belongs to the
// line end (CR LF files) and a last line without a line end still counts.
// A line past the limit ends the input with an error: a stream without line
// ends (/dev/zero) must not fill the memory.
class TLineReader {
 public:
  static constexpr std::size_t kMaxLineBytes = std::size_t{16} << 20;

  explicit TLineReader(int fd) : FFd(fd) {}

  // The next line, valid until the following call; false at the end of the
  // input or after an error (see Error). beforeWait runs before every read
  // from the descriptor, which may wait for a writer.
  template <typename BeforeWait>
  bool Next(std::string_view& line, BeforeWait&& beforeWait);
  bool Next(std::string_view& line) {
    return Next(line, [] {});
  }

  // Why the input ended early; empty after a clean end of input.
  const std::string& Error() const { return FError; }
  // Lets a stream that ended be read on (a terminal after Ctrl+D).
  void ForgetEnd() { FAtEnd = false; }

 private:
  bool CutLine(std::size_t end, std::size_t next, std::string_view& line);
  // Reads more after the unread bytes; false at the end or on an error.
  bool Fill();

  int FFd;
  std::unique_ptr<char[]> FBuffer;
  std::size_t FCapacity = 0;
  std::size_t FBegin = 0;  // unread bytes are [FBegin, FEnd)
  std::size_t FEnd = 0;
  std::size_t FScanned = 0;  // [FBegin, FScanned) holds no line end
  bool FAtEnd = false;
  std::string FError;
};

// Writes all of text to fd, again after an interruption; false when a
// write failed (a full disk, a closed pipe).
bool WriteAll(int fd, std::string_view text);

// Output collected in one buffer and written when it fills, on Flush and
// when destroyed. A failed write (a full disk) drops the rest and is
// reported by Flush.
class TOutBuffer {
 public:
  explicit TOutBuffer(int fd);
  ~TOutBuffer() { Flush(); }
  TOutBuffer(const TOutBuffer&) = delete;
  TOutBuffer& operator=(const TOutBuffer&) = delete;

  void Append(std::string_view text) {
    if (text.size() > kCapacity - FUsed) {
      AppendLong(text);
      return;
    }
    text.copy(FBuffer.get() + FUsed, text.size());
    FUsed += text.size();
  }
  void Append(char c) {
    if (FUsed == kCapacity) Flush();
    FBuffer[FUsed++] = c;
  }
  // Room for n bytes (n at most 4 KiB) to be filled and then taken by Commit.
  char* Reserve(std::size_t n) {
    if (n > kCapacity - FUsed) Flush();
    return FBuffer.get() + FUsed;
  }
  void Commit(std::size_t n) { FUsed += n; }

  // Writes what is buffered; false once any write failed.
  bool Flush();

 private:
  static constexpr std::size_t kCapacity = std::size_t{64} << 10;
  void AppendLong(std::string_view text);

  int FFd;
  std::unique_ptr<char[]> FBuffer;
  std::size_t FUsed = 0;
  bool FFailed = false;
};

template <typename BeforeWait>
bool TLineReader::Next(std::string_view& line, BeforeWait&& beforeWait) {
  for (;;) {
    const char* data = FBuffer.get();
    if (FScanned < FEnd) {
      if (const void* lf = std::memchr(data + FScanned, '\n', FEnd - FScanned)) {
        const auto end = static_cast<std::size_t>(static_cast<const char*>(lf) - data);
        return CutLine(end, end + 1, line);
      }
      FScanned = FEnd;
    }
    if (FEnd - FBegin > kMaxLineBytes) {
      FError = "行太长（上限 16 MiB）";
      return false;
    }
    if (FAtEnd) {
      if (FBegin == FEnd) return false;
      return CutLine(FEnd, FEnd, line);
    }
    beforeWait();
    if (!Fill()) {
      if (!FError.empty()) return false;
      FAtEnd = true;
    }
  }
}

}  // namespace tessary::cli
