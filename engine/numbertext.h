#pragma once

// Number text: general format with 15 significant digits, "." as the decimal
// point whatever the locale, fixed notation for decimal exponents -3..15
// (value = 0.d1d2... * 10^e), "E" notation otherwise; "INF", "-INF", "NAN".

#include <string>

#include "real.h"

namespace tessary {

std::string NumberText(TReal value);

}  // namespace tessary
