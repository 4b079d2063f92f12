// SPDX-License-Identifier: MIT
#pragma once

// A statement that defines a function, f(x)=x^2+1: what stands before its
// "=" names the function and its parameters.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formulaparser.h"
#include "keyvaluetable.h"

namespace tessary {

struct TDefinitionHead {
  std::string Name;                 // UTF-8, trimmed
  std::vector<std::string> Params;  // UTF-8, trimmed, in order
};

// The head of a definition: the text before "=" when it holds "(" (no plain
// name does); nullopt otherwise. Its parts are checked by DefinitionRefusal.
std::optional<TDefinitionHead> ReadDefinitionHead(std::string_view nameText);

// Why the definition cannot be made, in Chinese; "" when it can. The names
// follow the rules of names; the function's may not be a built-in's, a
// variable's or an earlier result's; parameters are distinct.
std::string DefinitionRefusal(std::string_view nameText, const TDefinitionHead& head,
                              const TFormulaParser& engine, const TKeyValueTable& variables,
                              const TKeyValueTable& namedResults);

// The table without the rows whose keys are the parameters: inside the
// body a parameter hides a variable or result of its name.
TKeyValueTable WithoutParameters(const TKeyValueTable& table,
                                 const std::vector<std::string>& params);

}  // namespace tessary
