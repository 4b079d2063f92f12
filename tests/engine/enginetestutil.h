#pragma once

// Helpers for the engine's table tests: every row is evaluated twice, with a
// fresh engine and with one reused after other formulas, and both must agree.

#include <string>
#include <string_view>

#include "formulaparser.h"
#include "cp936.h"

namespace tessary::testing {

struct TOutcome {
  TReal Value;
  int Error;
};

// One engine kept across rows: the "reused" half of every check.
inline TFormulaParser& SharedEngine() {
  static TFormulaParser engine;
  return engine;
}

inline TOutcome EvalWith(TFormulaParser& fp, std::string_view utf8) {
  fp.SetExpression(platform::Utf8ToCp936(utf8));
  TReal v = fp.Evaluate();
  return {v, fp.ErrorCode()};
}

// Evaluates text (UTF-8, converted to code page 936) on a fresh engine.
inline TOutcome EvalFresh(std::string_view utf8) {
  TFormulaParser fp;
  return EvalWith(fp, utf8);
}

}  // namespace tessary::testing
