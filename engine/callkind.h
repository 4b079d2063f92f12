// SPDX-License-Identifier: MIT
#pragma once

namespace tessary {

// Call kinds: what a name reads after itself and what its built-in receives.
// The numbers show in the name table's lines. A built-in's kind follows from
// its method's parameters (TBuildinFuncs::KindOf).
enum TCallKind : int {
  ckConstant = 0,    // NAME or NAME()
  ckUnary = 1,       // NAME(x)
  ckBinary = 2,      // NAME(x, y)
  ckList = 3,        // NAME(x, y, ...)
  ckString = 8,      // NAME('s')
  ckStringPair = 9,  // NAME('s', 't')
};

}  // namespace tessary
