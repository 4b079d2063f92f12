// SPDX-License-Identifier: MIT
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>
#include <string>

#include "buildinfuncs.h"
#include "errorcodes.h"
#include "formulaparser.h"
#include "numbertext.h"
#include "random.h"

namespace tessary {

namespace {

// The range of RND is taken from the number as it is written with 15
// significant digits: it must read as a plain whole number ("-" and digits
// only) inside the signed 32-bit range.
bool RangeFromText(const std::string& text, std::int32_t& range) {
  const std::size_t start = (!text.empty() && text[0] == '-') ? 1 : 0;
  if (start == text.size()) return false;
  if (!std::all_of(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(),
                   [](unsigned char c) { return std::isdigit(c) != 0; }))
    return false;
  // At most 15 digits: fits a long long before the range test.
  const long long n = std::stoll(text);
  if (n < std::numeric_limits<std::int32_t>::min() || n > std::numeric_limits<std::int32_t>::max())
    return false;
  range = static_cast<std::int32_t>(n);
  return true;
}

}  // namespace

// A rejected range draws nothing: the seed moves only for accepted calls.
TReal TBuildinFuncs::mRnd(TFormulaParser& fp, const TReal& x) {
  std::int32_t range = 0;
  if (!RangeFromText(NumberText(x), range)) {
    fp.SetError(ecRndRange);
    return 0;
  }
  return rng::Random(range);
}

TReal TBuildinFuncs::mLength(TFormulaParser&, const std::string& s) {
  return static_cast<TReal>(s.size());
}

TReal TBuildinFuncs::mStrComp(TFormulaParser&, const std::string& a, const std::string& b) {
  return a == b ? 1 : 0;
}

}  // namespace tessary
