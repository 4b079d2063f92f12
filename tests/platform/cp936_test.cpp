// SPDX-License-Identifier: MIT
#include "cp936.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using tessary::platform::Cp936ToUtf8;
using tessary::platform::Utf8ToCp936;

// Characters that must keep their code page 936 form both ways.
struct TPair {
  const char* Utf8;
  const char* Cp936;
  const char* What;
};

const TPair kRoundTrips[] = {
    {"", "", "empty text stays empty"},
    {"Z=(80+2*(5+2*(1.5+1)))/(P/T)", "Z=(80+2*(5+2*(1.5+1)))/(P/T)", "ASCII passes through"},
    {"×÷π", "\xA1\xC1\xA1\xC2\xA6\xD0", "the signs the worksheet normalises"},
    {"中", "\xD6\xD0", "a GB2312 ideograph"},
    {"─", "\xA9\xA4", "box drawing, used by the side panels"},
    {"€", "\x80", "the single-byte euro of code page 936"},
    {"被0除",
     "\xB1\xBB"
     "0"
     "\xB3\xFD",
     "mixed single and double bytes"},
    {"a丂b",
     "a\x81\x40"
     "b",
     "a trail byte in the ASCII range stays with its lead byte"},
};

TEST(Cp936, RoundTripsKnownCharacters) {
  for (const TPair& p : kRoundTrips) {
    EXPECT_EQ(Utf8ToCp936(p.Utf8), p.Cp936) << p.What;
    EXPECT_EQ(Cp936ToUtf8(p.Cp936), p.Utf8) << p.What;
  }
}

TEST(Cp936, EmbeddedZeroByteIsKept) {
  const std::string text(
      "1\0"
      "2",
      3);
  EXPECT_EQ(Utf8ToCp936(text), text);
  EXPECT_EQ(Cp936ToUtf8(text), text);
}

// Every piece of UTF-8 without a code page 936 form becomes one "？" (A3 BF);
// nothing is dropped and the following character is never swallowed.
struct TEncodeCase {
  std::string Utf8;
  std::string Cp936;
  const char* What;
};

TEST(Cp936, UnconvertibleAndMalformedUtf8BecomeQuestionMarks) {
  const std::string q = "\xA3\xBF";
  const TEncodeCase cases[] = {
      {"1\xF0\x9F\x98\x80"
       "2",
       "1" + q + "2", "emoji (no code page 936 form)"},
      {"\xF0\xA0\x80\x80", q, "U+20000 (only in GB18030)"},
      {"\xEF\xBB\xBF"
       "x",
       q + "x", "U+FEFF has no form either"},
      {"a\xFF"
       "b",
       "a" + q + "b", "FF is never UTF-8"},
      {"a\x80"
       "b",
       "a" + q + "b", "stray continuation byte"},
      {"\xC3", q, "lead byte cut off at the end"},
      {"\xE4\xB8", q, "three-byte character cut off after two"},
      {"\xE4\xB8"
       "1",
       q + "1", "cut-off character before ASCII"},
      {"\xE4\xB8\xE4\xB8\xAD", q + "\xD6\xD0", "cut-off character before a whole one"},
      {"\xC0\xAF", q + q, "overlong slash"},
      {"\xED\xA0\x80", q + q + q, "encoded surrogate"},
      {"\xF4\x90\x80\x80", q + q + q + q, "beyond U+10FFFF"},
      {"\xA3\xBF", q + q, "code page 936 bytes are not UTF-8"},
  };
  for (const TEncodeCase& c : cases) {
    EXPECT_EQ(Utf8ToCp936(c.Utf8), c.Cp936) << c.What;
  }
}

// Malformed code page 936 becomes U+FFFD; a stray lead byte costs only itself
// when an ASCII byte follows, so "1+2" around it stays readable.
TEST(Cp936, MalformedCp936BecomesReplacementCharacter) {
  const std::string r = "\xEF\xBF\xBD";
  const TEncodeCase cases[] = {
      {"1" + r + "2",
       "1\xFF"
       "2",
       "FF is no code page 936 byte"},
      {"1" + r, "1\xD6", "lead byte cut off at the end"},
      {r + "\xE4\xB8\xAD", "\xFF\xD6\xD0", "FF before a whole character"},
      {"<" + r + ">", "<\xAA\xA1>", "user-defined area: one character, no Unicode form"},
      {r + "\n", "\xD6\n", "lead byte before a line end"},
      {"\xE2\x82\xAC" + r, "\x80\xFF", "euro then FF"},
      {r + "@", "\xA1@", "A1 40 has no form; its ASCII second byte survives"},
  };
  for (const TEncodeCase& c : cases) {
    EXPECT_EQ(Cp936ToUtf8(c.Cp936), c.Utf8) << c.What;
  }
}

// Long texts are converted piecewise; a shifted start makes the pieces cut
// characters at every possible byte.
TEST(Cp936, LongTextCrossesConversionBuffers) {
  for (int shift = 0; shift < 4; ++shift) {
    std::string utf8(shift, 'x'), cp936(shift, 'x'), back(shift, 'x');
    for (int i = 0; i < 3000; ++i) {
      utf8 += "中×1\xF0\x9F\x98\x80€";
      cp936 +=
          "\xD6\xD0\xA1\xC1"
          "1\xA3\xBF\x80";
      back += "中×1？€";
    }
    EXPECT_EQ(Utf8ToCp936(utf8), cp936) << "shift " << shift;
    EXPECT_EQ(Cp936ToUtf8(cp936), back) << "shift " << shift;
  }
}

// A character cut by a piece boundary anywhere, last pieces included.
TEST(Cp936, CharacterAtEveryOffsetSurvives) {
  for (std::size_t n = 0; n < 700; ++n) {
    const std::string pad(n, '1');
    ASSERT_EQ(Utf8ToCp936(pad + "中2"), pad +
                                            "\xD6\xD0"
                                            "2")
        << n;
    ASSERT_EQ(Cp936ToUtf8(pad + "\xD6\xD0"
                                "2"),
              pad + "中2")
        << n;
  }
}

// A failed call must not leave state behind that changes the next one.
TEST(Cp936, CallsAreIndependent) {
  EXPECT_EQ(Utf8ToCp936("\xE4\xB8"), "\xA3\xBF");
  EXPECT_EQ(Utf8ToCp936("\xAD"), "\xA3\xBF");
  EXPECT_EQ(Cp936ToUtf8("\xD6"), "\xEF\xBF\xBD");
  EXPECT_EQ(Cp936ToUtf8("\xD0"), "\xEF\xBF\xBD");
}

TEST(Cp936, ThreadsConvertConcurrently) {
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &failures] {
      for (int i = 0; i < 2000; ++i) {
        if (Utf8ToCp936("中×\xF0\x9F\x98\x80") != "\xD6\xD0\xA1\xC1\xA3\xBF") ++failures[t];
        if (Cp936ToUtf8("\xA6\xD0\xFF") != "π\xEF\xBF\xBD") ++failures[t];
      }
    });
  }
  for (std::thread& th : threads) th.join();
  for (int f : failures) EXPECT_EQ(f, 0);
}

}  // namespace
