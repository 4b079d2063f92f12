// SPDX-License-Identifier: MIT
#include "fdstream.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "errortext.h"

namespace tessary::cli {

namespace {

constexpr std::size_t kFirstReadBytes = std::size_t{64} << 10;

}  // namespace

bool TLineReader::CutLine(std::size_t end, std::size_t next, std::string_view& line) {
  if (end - FBegin > kMaxLineBytes) {
    FError = "行太长（上限 16 MiB）";
    return false;
  }
  line = std::string_view(FBuffer.get() + FBegin, end - FBegin);
  if (line.ends_with('\r')) line.remove_suffix(1);
  FBegin = next;
  FScanned = next;
  return true;
}

bool TLineReader::Fill() {
  if (FBegin == FEnd) FBegin = FEnd = FScanned = 0;
  if (FEnd == FCapacity) {
    if (FBegin > 0) {
      std::copy(FBuffer.get() + FBegin, FBuffer.get() + FEnd, FBuffer.get());
    } else {
      // One line fills the buffer: grow, but never past what a line may hold.
      const std::size_t capacity =
          FCapacity == 0 ? kFirstReadBytes : std::min(2 * FCapacity, kMaxLineBytes + 1);
      auto bigger = std::make_unique_for_overwrite<char[]>(capacity);
      std::copy(FBuffer.get(), FBuffer.get() + FEnd, bigger.get());
      FBuffer = std::move(bigger);
      FCapacity = capacity;
    }
    FEnd -= FBegin;
    FScanned -= FBegin;
    FBegin = 0;
  }
  for (;;) {
    const ssize_t n = ::read(FFd, FBuffer.get() + FEnd, FCapacity - FEnd);
    if (n > 0) {
      FEnd += static_cast<std::size_t>(n);
      return true;
    }
    if (n == 0) return false;
    if (errno == EINTR) continue;
    FError = platform::SystemErrorText(errno != 0 ? errno : EIO);
    return false;
  }
}

TOutBuffer::TOutBuffer(int fd)
    : FFd(fd), FBuffer(std::make_unique_for_overwrite<char[]>(kCapacity)) {}

void TOutBuffer::AppendLong(std::string_view text) {
  while (!text.empty()) {
    if (FUsed == kCapacity) Flush();
    const std::size_t n = std::min(text.size(), kCapacity - FUsed);
    Append(text.substr(0, n));
    text.remove_prefix(n);
  }
}

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n > 0) {
      text.remove_prefix(static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      return false;
    }
  }
  return true;
}

bool TOutBuffer::Flush() {
  const std::size_t used = FUsed;
  FUsed = 0;
  if (!FFailed && !WriteAll(FFd, std::string_view(FBuffer.get(), used))) FFailed = true;
  return !FFailed;
}

}  // namespace tessary::cli
