// SPDX-License-Identifier: MIT
#pragma once

// The formula engine: reads one expression text (code page 936 bytes) by
// recursive descent and computes its value while reading. No tokens, no tree.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "callkind.h"
#include "real.h"

namespace tessary {

class TBuildinFuncs;
struct TBuiltin;

// The rules a formula is read and computed by. Classic is what stored
// worksheets rely on: "^" groups from the left and binds below a sign
// (2^3^2 = 64, -2^2 = 4), 0 to any power is 0, and results are kept within
// about 1E±38. Standard is the textbook's: 2^3^2 = 512, -2^2 = -4, 0^0 = 1,
// 0^-n divides by zero, and only the 80-bit range bounds a result.
enum class TConvention { Classic, Standard };

// A function a worksheet defines, f(x)=x^2+1: its name and parameters as
// written and its body with the worksheet's names put in, all in code page
// 936.
struct TUserFunction {
  std::string Name;
  std::vector<std::string> Params;
  std::string Body;
  std::string Shown;  // the definition as the worksheet wrote it (UTF-8), for lists
};

// Scanner state of one evaluation.
struct TFpState {
  std::string Text;           // the expression followed by the end mark (code 0)
  std::int64_t Position = 0;  // 1-based index of Current in Text; 0 before the first read
  unsigned char Current = 0;  // Text[Position] with a..z upper-cased
};

// One line of the name table: "NAME=kind" and the object implementing NAME.
struct TNameEntry {
  std::string Line;
  std::string Name;
  TCallKind Kind;
  TBuildinFuncs* Implementer;
};

class TFormulaParser {
 public:
  // Deepest nesting of brackets, signs and "&"/"|" chains the grammar follows
  // before it records ecNestingTooDeep instead of running the stack out.
  // Each bracket level costs two, each unary sign one; 1000 keeps the stack
  // use far below a thread's stack even in a sanitizer build.
  static constexpr int kMaxDepth = 1000;

  TFormulaParser();
  ~TFormulaParser();
  TFormulaParser(const TFormulaParser&) = delete;
  TFormulaParser& operator=(const TFormulaParser&) = delete;

  // The convention the next evaluations follow; Classic until set.
  void SetConvention(TConvention convention) { FConvention = convention; }
  TConvention Convention() const { return FConvention; }
  // Whether the classic range guards (about 1E±38) apply.
  bool Guarded() const { return FConvention == TConvention::Classic; }

  // Stores the text (code page 936 bytes) and clears the error code.
  void SetExpression(std::string_view text);
  // Evaluates the stored text; 0 whenever an error code was recorded.
  TReal Evaluate();

  // Records code unless an error is already recorded: the first one wins.
  void SetError(int code);
  int ErrorCode() const { return FErrorCode; }
  // Where the first error was recorded, as a 1-based byte position in the
  // text: the operator of a failed operation, the name of a failed call, or
  // else the character the scanner stood on (text length + 1 for the end).
  // 0 when no error was recorded or the bracket count failed before reading.
  std::size_t ErrorPosition() const { return FErrorPosition; }
  // Message of the recorded code (code page 936); "" for an unknown code.
  // An unknown name is named: the message of 38 and the name as written,
  // in quotes, under the code recorded (38, or 2 for a Chinese name).
  std::string ErrorMessage() const;
  std::string Message(int code) const;

  // Functions the worksheet defined, called as built-ins are. A parameter
  // hides any other name inside the body; an error inside a body counts at
  // the call in the statement; a function that calls itself, directly or
  // through others, records 42. Names ignore ASCII letter case. Defining a
  // name again replaces it; the caller keeps built-in names out.
  void DefineFunction(TUserFunction function);
  bool HasFunction(std::string_view name) const;
  // Whether name (ASCII letter case ignored) is one of the built-ins.
  bool IsBuiltin(std::string_view name) const { return FindName(NameKey(name)) != kNoName; }
  void ClearFunctions();
  // Calls the defined function name with args, as a formula calling it
  // would (a plot samples a curve so, without a text per point); the error
  // code and message as after Evaluate.
  TReal CallDefined(std::string_view name, std::span<const TReal> args);
  const std::vector<TUserFunction>& Functions() const { return FFunctions; }

  const std::string& ExpressionText() const { return FExpressionText; }
  const std::vector<std::string>& MessageTable() const;
  const std::vector<TNameEntry>& NameTable() const { return FNameTable; }

  // Adds NAME with its call kind and binds it to the built-in it reaches in
  // that kind, if any; records 30 for a name already present and 12 for a
  // bad character (the name is added all the same).
  void RegisterFunction(std::string_view name, TCallKind kind, TBuildinFuncs* implementer);
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
  // A sign's operand: a factor in classic rules, a power in textbook rules.
  TReal ParseSigned();
  // Whether a Chinese name of a defined function or parameter starts here.
  bool StartsUserName() const;
  // "°" after an operand: v in radians.
  TReal Degrees(TReal v);
  TReal ParseNumber();
  TReal ParseBracketed();
  TReal ParseRelation(TReal x);
  std::string ReadName();
  // Records 2 for the character the scanner stands on, naming it when a
  // Chinese name starts there.
  void SetUnexpected();
  // The name read from 1-based position at to the scanner, as written.
  std::string WrittenName(std::int64_t at) const;
  TReal CallFunction(const std::string& name, std::int64_t at);
  TReal CallUserFunction(std::size_t index, std::int64_t at);
  TReal EvaluateBody(std::size_t index, std::vector<TReal> args, std::int64_t at);
  bool ParameterValue(const std::string& key, TReal& value) const;
  bool UserNames() const { return !FFunctions.empty(); }
  // A name as the scanner reads it: ASCII upper-cased, Chinese as written.
  static std::string NameKey(std::string_view name);
  // Records code with a message of its own (code page 936).
  void SetErrorText(int code, std::string text);
  std::string ReadStringLiteral();
  void Expect(unsigned char c);
  static const TBuiltin* Bind(std::string_view name, TCallKind kind);
  TReal Dispatch(std::size_t index, std::int64_t at, std::span<const TReal> reals,
                 const std::string& s1, const std::string& s2);
  // Index of NAME in the name table, or kNoName.
  static constexpr std::size_t kNoName = static_cast<std::size_t>(-1);
  std::size_t FindName(const std::string& name) const;
  // A number literal to its value: QuickLiteral reads the usual well-formed
  // literals straight from the text; it leaves the rest, the malformed ones
  // included, to ConvertLiteral on the normalised literal.
  static bool QuickLiteral(const char*& p, TReal& value);
  const std::string& NormalLiteral(std::string_view raw);
  bool ConvertLiteral(const std::string& literal, TReal& value);
  std::int64_t Here() const { return FScanState.Position; }

  // Value rules with their range guards.
  TReal Unguarded(TReal r);
  TReal Add(TReal x, TReal y);
  TReal Subtract(TReal x, TReal y);
  TReal Multiply(TReal x, TReal y);
  TReal Divide(TReal x, TReal y);
  TReal Power(TReal x, TReal y);
  TReal LogicalAnd(TReal x, TReal y);
  TReal LogicalOr(TReal x, TReal y);

  bool Failed() const { return FErrorCode != 0; }

  TConvention FConvention = TConvention::Classic;
  int FErrorCode = 0;
  std::size_t FErrorPosition = 0;
  std::string FErrorText;  // the message when the table's does not say enough
  std::vector<TUserFunction> FFunctions;
  std::unordered_map<std::string, std::size_t> FFunctionIndex;  // by NameKey
  // The calls of defined functions under way, innermost last.
  struct TFrame {
    std::size_t Function;
    std::vector<std::string> Keys;  // the parameters' NameKeys
    std::vector<TReal> Values;
  };
  std::vector<TFrame> FFrames;
  std::int64_t FCallSite = 0;  // where the outermost call stands in the statement
  std::string FExpressionText = "0";
  // Made when first asked for: converting the texts loads iconv's code
  // page 936 module, which a run without an error never needs.
  mutable std::vector<std::string> FMessageTable;
  mutable bool FMessagesMade = false;
  std::vector<TNameEntry> FNameTable;
  // The built-in each line of FNameTable calls, bound at registration; null
  // when none takes the line's kind.
  std::vector<const TBuiltin*> FBound;
  std::unordered_map<std::string, std::size_t> FNameIndex;  // first line of each name
  std::unique_ptr<TBuildinFuncs> FBuildins;
  // Scanner state: meaningful only while FScanning; kept as a member so its
  // buffer is reused from one evaluation to the next.
  TFpState FScanState;
  bool FScanning = false;
  int FDepth = 0;
  // Position an error is attributed to while an operator or a call is
  // applied (0: the scanner's position).
  std::int64_t FAnchor = 0;
  std::string FLiteral;  // number literal being read, reused
};

}  // namespace tessary
