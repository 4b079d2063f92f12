// SPDX-License-Identifier: MIT
#pragma once

// Helpers for the engine's table tests: every row is evaluated twice, with a
// fresh engine and with one reused after other formulas, and both must agree.

#include <cmath>
#include <span>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "cp936.h"
#include "formulaparser.h"

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

// One row of a table: a formula, its value or its error code, and what the
// row proves. Tolerance is relative; 0 asks for the exact 80-bit value.
struct TRow {
  const char* Text;
  TReal Value;
  int Error;
  const char* Why;
  TReal Tolerance = 0;
};

inline void ExpectOutcome(const TRow& row, const TOutcome& got, const char* how) {
  SCOPED_TRACE(::testing::Message() << how << " engine, formula [" << row.Text << "]: " << row.Why);
  EXPECT_EQ(got.Error, row.Error);
  if (row.Error != 0) {
    EXPECT_EQ(got.Value, 0.0L) << "a failed evaluation yields 0";
  } else if (row.Tolerance == 0) {
    EXPECT_EQ(got.Value, row.Value);
  } else {
    EXPECT_LE(std::fabs(got.Value - row.Value), row.Tolerance * std::fabs(row.Value))
        << "got " << static_cast<double>(got.Value);
  }
}

// Every row on a fresh engine and on the shared one; both must agree.
inline void CheckRows(std::span<const TRow> rows) {
  for (const TRow& row : rows) {
    ExpectOutcome(row, EvalFresh(row.Text), "fresh");
    ExpectOutcome(row, EvalWith(SharedEngine(), row.Text), "reused");
  }
}

}  // namespace tessary::testing
