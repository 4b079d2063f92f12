// SPDX-License-Identifier: MIT
#include "cp936.h"

#include <iconv.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <system_error>

namespace tessary::platform {

namespace {

constexpr std::string_view kCp936Question = "\xA3\xBF";        // "？"
constexpr std::string_view kUtf8Replacement = "\xEF\xBF\xBD";  // U+FFFD

// One descriptor per thread and direction: iconv_t carries shift state and
// must not be shared, and opening one costs far more than a conversion.
class TConverter {
 public:
  TConverter(const char* to, const char* from) : FCd(iconv_open(to, from)) {
    if (FCd == reinterpret_cast<iconv_t>(-1)) {
      throw std::system_error(errno, std::generic_category(),
                              std::string("iconv_open ") + from + " -> " + to);
    }
  }
  ~TConverter() { iconv_close(FCd); }
  TConverter(const TConverter&) = delete;
  TConverter& operator=(const TConverter&) = delete;

  // Forgets whatever an earlier call left behind.
  void Reset() { iconv(FCd, nullptr, nullptr, nullptr, nullptr); }

  // Converts as much of [in, in+inLeft) as it can, appending to out. Returns
  // 0 when all input was consumed, otherwise EILSEQ or EINVAL with in/inLeft
  // at the offending byte.
  int Convert(const char*& in, std::size_t& inLeft, std::string& out) {
    // iconv works ahead through everything it is given and redoes that work
    // after each error; small windows keep text with many bad characters
    // linear instead of quadratic.
    constexpr std::size_t kWindow = 256;
    char buffer[4 * kWindow];
    while (inLeft > 0) {
      const bool more = inLeft > kWindow;
      const std::size_t window = more ? kWindow : inLeft;
      std::size_t windowLeft = window;
      char* inPtr = const_cast<char*>(in);  // iconv's signature predates const
      char* outPtr = buffer;
      std::size_t outLeft = sizeof buffer;
      std::size_t rc = iconv(FCd, &inPtr, &windowLeft, &outPtr, &outLeft);
      int err = errno;
      out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
      in = inPtr;
      inLeft -= window - windowLeft;
      if (rc != static_cast<std::size_t>(-1) || err == E2BIG) continue;
      // A character cut by the window edge is completed by the next window.
      if (err == EINVAL && more) continue;
      return err;
    }
    return 0;
  }

 private:
  iconv_t FCd;
};

TConverter& ToCp936() {
  thread_local TConverter converter("CP936", "UTF-8");
  converter.Reset();
  return converter;
}

TConverter& ToUtf8() {
  thread_local TConverter converter("UTF-8", "CP936");
  converter.Reset();
  return converter;
}

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence starting at s[0], or, when it is
// malformed, the negated length of its maximal ill-formed prefix (at least 1),
// so that one "？" stands for each broken piece and the next valid character
// is never swallowed.
int Utf8Sequence(std::string_view s) {
  auto b0 = static_cast<unsigned char>(s[0]);
  int length;
  unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
  if (b0 < 0x80) return 1;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    if (b0 == 0xE0) lo = 0xA0;  // overlong
    if (b0 == 0xED) hi = 0x9F;  // surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    if (b0 == 0xF0) lo = 0x90;  // overlong
    if (b0 == 0xF4) hi = 0x8F;  // beyond U+10FFFF
  } else {
    return -1;
  }
  for (int i = 1; i < length; ++i) {
    if (static_cast<std::size_t>(i) >= s.size()) return -i;
    auto b = static_cast<unsigned char>(s[i]);
    bool ok = i == 1 ? (b >= lo && b <= hi) : IsContinuation(b);
    if (!ok) return -i;
  }
  return length;
}

bool IsGbkTrail(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

// Bytes one U+FFFD replaces at a malformed code page 936 spot: a lead byte
// with a possible trail byte is one (unassigned) character; otherwise only the
// bad byte goes, so that an ASCII byte after a stray lead byte survives.
std::size_t Cp936BadLength(std::string_view s) {
  auto b0 = static_cast<unsigned char>(s[0]);
  if (IsCp936LeadByte(b0) && s.size() >= 2) {
    auto b1 = static_cast<unsigned char>(s[1]);
    if (IsGbkTrail(b1) && b1 >= 0x80) return 2;
  }
  return 1;
}

}  // namespace

bool IsAscii(std::string_view text) {
  const char* p = text.data();
  std::size_t left = text.size();
  std::uint64_t high = 0;
  for (; left >= 8; p += 8, left -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    high |= word;
  }
  for (; left > 0; ++p, --left) high |= static_cast<unsigned char>(*p);
  return (high & 0x8080808080808080ULL) == 0;
}

std::string Utf8ToCp936(std::string_view utf8) {
  std::size_t replaced = 0;
  return Utf8ToCp936(utf8, replaced);
}

std::string Utf8ToCp936(std::string_view utf8, std::size_t& replaced) {
  replaced = 0;
  if (IsAscii(utf8)) return std::string(utf8);
  std::string out;
  out.reserve(utf8.size());
  TConverter& conv = ToCp936();
  const char* in = utf8.data();
  std::size_t left = utf8.size();
  while (left > 0) {
    if (conv.Convert(in, left, out) == 0) break;
    // Either a character without a code page 936 form or broken UTF-8:
    // both become one "？" and the scan resumes after them.
    int n = Utf8Sequence(std::string_view(in, left));
    std::size_t skip = static_cast<std::size_t>(n < 0 ? -n : n);
    out += kCp936Question;
    ++replaced;
    in += skip;
    left -= skip;
    conv.Reset();
  }
  return out;
}

std::string Cp936ToUtf8(std::string_view cp936) {
  if (IsAscii(cp936)) return std::string(cp936);
  std::string out;
  out.reserve(cp936.size() + cp936.size() / 2);
  TConverter& conv = ToUtf8();
  const auto byte = [cp936](std::size_t i) { return static_cast<unsigned char>(cp936[i]); };
  std::size_t at = 0;
  while (at < cp936.size()) {
    // ASCII reads the same in both: iconv, at some thirty instructions a
    // byte, gets only the pieces between, each running up to an ASCII byte
    // that is no lead byte's trail.
    std::size_t end = at;
    while (end < cp936.size() && byte(end) < 0x80) ++end;
    out.append(cp936.substr(at, end - at));
    at = end;
    while (end < cp936.size() && byte(end) >= 0x80)
      end += IsCp936LeadByte(byte(end)) && end + 1 < cp936.size() ? 2 : 1;
    const char* in = cp936.data() + at;
    std::size_t left = end - at;
    while (left > 0) {
      if (conv.Convert(in, left, out) == 0) break;
      std::size_t skip = Cp936BadLength(std::string_view(in, left));
      out += kUtf8Replacement;
      in += skip;
      left -= skip;
      conv.Reset();
    }
    at = end;
  }
  return out;
}

std::string RepairUtf8(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  while (!utf8.empty()) {
    const int n = Utf8Sequence(utf8);
    const auto length = static_cast<std::size_t>(n < 0 ? -n : n);
    if (n < 0)
      out += kUtf8Replacement;
    else
      out.append(utf8.substr(0, length));
    utf8.remove_prefix(length);
  }
  return out;
}

bool LooksLikeUtf8(std::string_view bytes) {
  bool beyondAscii = false;
  for (std::size_t i = 0; i < bytes.size();) {
    const int n = Utf8Sequence(bytes.substr(i));
    if (n < 0) return false;
    beyondAscii = beyondAscii || n > 1;
    i += static_cast<std::size_t>(n);
  }
  return beyondAscii;
}

}  // namespace tessary::platform
