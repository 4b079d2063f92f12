// SPDX-License-Identifier: MIT
// libFuzzer target: the raw bytes are one expression text, exactly as the
// calculation pipeline would hand it to the engine.
//
// Beyond "no crash, no sanitizer report, no exception", it checks what every
// caller relies on: an evaluation with an error code yields 0 and has a
// message, the error position lies within the text, and a second evaluation
// of the same text on the same engine gives the same outcome (nothing leaks
// from one evaluation into the next), unless the text may draw a random
// number.

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "formulaparser.h"
#include "numbertext.h"

using tessary::NumberText;

namespace {

using tessary::TFormulaParser;
using tessary::TReal;

[[noreturn]] void Fail(const char* what, std::string_view text) {
  std::fprintf(stderr, "engine_fuzz: %s (text of %zu bytes)\n", what, text.size());
  std::abort();
}

// RAND and RND draw from the process-wide seed, so their results legitimately
// change between evaluations. A name may contain blanks ("R AND").
bool MayDrawRandom(std::string_view text) {
  std::string name;
  for (char c : text) {
    if (c != ' ') name.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  }
  return name.find("RAND") != std::string::npos || name.find("RND") != std::string::npos;
}

bool SameValue(TReal a, TReal b) {
  return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, 10) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // One engine for the whole run, as the application keeps one.
  static TFormulaParser engine;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  engine.SetExpression(text);
  const TReal value = engine.Evaluate();
  const int error = engine.ErrorCode();
  const std::size_t position = engine.ErrorPosition();

  if (error != 0) {
    if (value != 0) Fail("error recorded but the value is not 0", text);
    if (engine.ErrorMessage().empty()) Fail("error code without a message", text);
    if (position > size + 1) Fail("error position beyond the end mark", text);
  } else if (position != 0) {
    Fail("error position without an error", text);
  }
  if (NumberText(value).empty()) Fail("empty number text", text);

  if (!MayDrawRandom(text)) {
    engine.SetExpression(text);
    const TReal again = engine.Evaluate();
    if (engine.ErrorCode() != error || engine.ErrorPosition() != position)
      Fail("second evaluation gave another error", text);
    if (!SameValue(value, again)) Fail("second evaluation gave another value", text);
  }
  return 0;
}
