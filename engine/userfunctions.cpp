// SPDX-License-Identifier: MIT
// Functions a worksheet defines: the table of them. A call (in
// formulaparser.cpp, beside the scanner it uses) evaluates the body's text
// in a scanner of its own, with the parameters bound: no tree, as
// everywhere else in the engine.

#include <string>
#include <utility>

#include "formulaparser.h"
#include "textutil.h"

namespace tessary {

namespace {}  // namespace

std::string TFormulaParser::NameKey(std::string_view name) {
  std::string key;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (c >= 0x81 && i + 1 < name.size()) {
      key.append(name.substr(i, 2));  // a double-byte character keeps its trail byte
      ++i;
    } else {
      key.push_back(AsciiUpper(name[i]));
    }
  }
  return key;
}

void TFormulaParser::DefineFunction(TUserFunction function) {
  const std::string key = NameKey(function.Name);
  if (const auto at = FFunctionIndex.find(key); at != FFunctionIndex.end()) {
    FFunctions[at->second] = std::move(function);
    return;
  }
  FFunctionIndex.emplace(key, FFunctions.size());
  FFunctions.push_back(std::move(function));
}

bool TFormulaParser::HasFunction(std::string_view name) const {
  return FFunctionIndex.count(NameKey(name)) != 0;
}

void TFormulaParser::ClearFunctions() {
  FFunctions.clear();
  FFunctionIndex.clear();
}

// Only the innermost call's parameters are seen: a body sees its own.
bool TFormulaParser::ParameterValue(const std::string& key, TReal& value) const {
  const TFrame& frame = FFrames.back();
  for (std::size_t i = 0; i < frame.Keys.size(); ++i) {
    if (frame.Keys[i] == key) {
      value = frame.Values[i];
      return true;
    }
  }
  return false;
}

}  // namespace tessary
