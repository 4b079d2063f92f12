#pragma once

// The formula engine: reads one expression text (code page 936 bytes) by
// recursive descent and computes its value while reading. No tokens, no tree.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "real.h"

namespace tessary {

class TBuildinFuncs;

// Scanner state of one evaluation.
struct TFpState {
  std::string Text;       // the expression followed by the end mark (code 0)
  std::int32_t Position;  // 1-based index of Current in Text; 0 before the first read
  unsigned char Current;  // Text[Position] with a..z upper-cased
};

// One line of the name table: "NAME=kind" and the object implementing NAME.
struct TNameEntry {
  std::string Line;
  std::string Name;
  int Kind;
  TBuildinFuncs* Implementer;
};

// Call kinds: what a name reads after itself and what its built-in receives.
enum TCallKind : int {
  ckConstant = 0,   // NAME or NAME()
  ckUnary = 1,      // NAME(x)
  ckBinary = 2,     // NAME(x, y)
  ckList = 3,       // NAME(x, y, ...)
  ckString = 8,     // NAME('s')
  ckStringPair = 9, // NAME('s', 't')
};

class TFormulaParser {
 public:
  // Deepest nesting of brackets, signs and "&"/"|" chains the grammar follows
  // before it records ecNestingTooDeep instead of running the stack out.
  static constexpr int kMaxDepth = 2000;

  TFormulaParser();
  ~TFormulaParser();
  TFormulaParser(const TFormulaParser&) = delete;
  TFormulaParser& operator=(const TFormulaParser&) = delete;

  // Stores the text (code page 936 bytes) and clears the error code.
  void SetExpression(std::string_view text);
  // Evaluates the stored text; 0 whenever an error code was recorded.
  TReal Evaluate();

  // Records code unless an error is already recorded: the first one wins.
  void SetError(int code);
  int ErrorCode() const { return FErrorCode; }
  // 1-based byte position in the text of the character the scanner stood on
  // when the first error was recorded; 0 when none was, or when the error
  // concerns the text as a whole (unbalanced brackets, empty text).
  std::size_t ErrorPosition() const { return FErrorPosition; }
  // Message of the recorded code (code page 936); "" for an unknown code.
  std::string ErrorMessage() const { return Message(FErrorCode); }
  std::string Message(int code) const;

  const std::string& ExpressionText() const { return FExpressionText; }
  const std::vector<std::string>& MessageTable() const { return FMessageTable; }
  const std::vector<TNameEntry>& NameTable() const { return FNameTable; }

  // Adds NAME with its call kind; records 30 for a name already present and
  // 12 for a bad character (the name is added all the same).
  void RegisterFunction(std::string_view name, int kind, TBuildinFuncs* implementer);
  void SetMessage(int code, std::string_view text);

 private:
  TReal EvaluateText(std::string_view text);
  void InitTables();

  // Scanner.
  void NextChar();
  void SkipBlanks();
  void StartScan(std::string_view text);

  // Grammar, loosest binding first.
  TReal ParseExpression();
  TReal ParseSimpleExpression();
  TReal ParseTerm();
  TReal ParsePower();
  TReal ParseFactor();
  TReal ParseNumber();
  TReal ParseBracketed();
  TReal ParseSigned(bool negate);
  std::string ReadName();
  TReal CallFunction(const std::string& name);
  std::string ReadStringLiteral();
  void Expect(unsigned char c);
  bool ReadArguments(int kind, std::vector<TReal>& reals, std::string& s1, std::string& s2);
  TReal Dispatch(const TNameEntry& entry, std::span<const TReal> reals,
                 const std::string& s1, const std::string& s2);
  const TNameEntry* FindName(std::string_view name) const;

  // Value rules with their range guards.
  TReal Add(TReal x, TReal y);
  TReal Subtract(TReal x, TReal y);
  TReal Multiply(TReal x, TReal y);
  TReal Divide(TReal x, TReal y);
  TReal Power(TReal x, TReal y);
  TReal LogicalAnd(TReal x, TReal y);
  TReal LogicalOr(TReal x, TReal y);

  bool Failed() const { return FErrorCode != 0; }

  int FErrorCode = 0;
  std::size_t FErrorPosition = 0;
  std::string FExpressionText = "0";
  std::vector<std::string> FMessageTable;
  std::vector<TNameEntry> FNameTable;
  std::unique_ptr<TBuildinFuncs> FBuildins;
  std::unique_ptr<TFpState> FScanState;  // exists only while evaluating
  int FDepth = 0;
};

}  // namespace tessary
