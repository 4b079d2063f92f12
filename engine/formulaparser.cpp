// SPDX-License-Identifier: MIT
#include "formulaparser.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "buildinfuncs.h"
#include "cp936.h"
#include "errorcodes.h"
#include "random.h"
#include "textutil.h"

namespace tessary {

namespace {

// What the scanner reads for a NUL byte that is not the end mark: a byte no
// grammar rule accepts.
constexpr unsigned char kNulInText = 0x01;

// A name or message in quotes, “” in code page 936.
std::string Quoted(std::string_view cp936) { return "\xA1\xB0" + std::string(cp936) + "\xA1\xB1"; }

// A character of a Chinese name in code page 936: two bytes, the lead byte
// outside the rows of signs and symbols (A1-A9), so "×" or "（" is never
// taken for a name.
std::size_t ChineseCharAt(std::string_view s, std::size_t i) {
  if (i + 1 >= s.size()) return 0;
  const auto lead = static_cast<unsigned char>(s[i]);
  const auto trail = static_cast<unsigned char>(s[i + 1]);
  const bool symbols = lead >= 0xA1 && lead <= 0xA9;
  return lead >= 0x81 && lead <= 0xFE && !symbols && trail >= 0x40 && trail <= 0xFE && trail != 0x7F
             ? 2
             : 0;
}

inline bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
inline bool IsLetter(unsigned char c) { return c >= 'A' && c <= 'Z'; }
inline bool IsNameChar(unsigned char c) { return IsDigit(c) || IsLetter(c) || c == '_'; }
inline unsigned char Upper(unsigned char c) {
  return static_cast<unsigned char>(AsciiUpper(static_cast<char>(c)));
}

// "(" minus ")" in the text. Eight bytes at a time: every formula is counted
// before it is read, and a long one has thousands of bytes.
std::int64_t BracketBalance(std::string_view text) {
  constexpr std::uint64_t kOnes = 0x0101010101010101;
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7F;
  // 1 in each byte of word that equals the byte repeated in pattern.
  const auto matches = [](std::uint64_t word, std::uint64_t pattern) {
    const std::uint64_t x = word ^ pattern;
    return (~(((x & kLow7) + kLow7) | x) >> 7) & kOnes;
  };
  // 31 words at most per block, so that no byte of a sum passes 255 when
  // the bytes are added up.
  constexpr std::size_t kBlockWords = 31;
  std::int64_t balance = 0;
  const char* p = text.data();
  std::size_t n = text.size();
  while (n >= 8) {
    const std::size_t words = std::min(n / 8, kBlockWords);
    std::uint64_t open = 0, close = 0;
    for (std::size_t i = 0; i < words; ++i, p += 8) {
      std::uint64_t word;
      std::memcpy(&word, p, sizeof word);
      open += matches(word, '(' * kOnes);
      close += matches(word, ')' * kOnes);
    }
    n -= words * 8;
    balance += static_cast<std::int64_t>((open * kOnes) >> 56) -
               static_cast<std::int64_t>((close * kOnes) >> 56);
  }
  for (; n > 0; --n, ++p) balance += (*p == '(') - (*p == ')');
  return balance;
}

// Counts a grammar level in and out of the recursion.
class TDepthGuard {
 public:
  explicit TDepthGuard(int& depth) : FDepth(depth) { ++FDepth; }
  ~TDepthGuard() { --FDepth; }
  TDepthGuard(const TDepthGuard&) = delete;
  TDepthGuard& operator=(const TDepthGuard&) = delete;

 private:
  int& FDepth;
};

}  // namespace

// ---------------------------------------------------------------- lifecycle

TFormulaParser::TFormulaParser() : FBuildins(std::make_unique<TBuildinFuncs>()) {
  rng::Randomize();
  InitTables();
}

TFormulaParser::~TFormulaParser() = default;

void TFormulaParser::InitTables() {
  for (const TBuiltin& b : TBuildinFuncs::Table())
    if (b.Registration == TRegistration::AtStart) RegisterFunction(b.Name, b.Kind, FBuildins.get());
}

const std::vector<std::string>& TFormulaParser::MessageTable() const {
  if (!FMessagesMade) {
    FMessagesMade = true;
    for (const auto& e : kErrorTexts)
      FMessageTable.push_back(std::to_string(e.Code) + "=" + platform::Utf8ToCp936(e.Utf8));
  }
  return FMessageTable;
}

void TFormulaParser::SetExpression(std::string_view text) {
  FErrorCode = 0;
  FErrorPosition = 0;
  FErrorText.clear();
  FExpressionText.assign(text);
}

TReal TFormulaParser::Evaluate() { return EvaluateText(FExpressionText); }

void TFormulaParser::SetError(int code) {
  if (FErrorCode != 0 || code == 0) return;
  FErrorCode = code;
  if (!FScanning)
    FErrorPosition = 0;
  else if (!FFrames.empty())
    FErrorPosition = static_cast<std::size_t>(FCallSite);
  else
    FErrorPosition = static_cast<std::size_t>(FAnchor != 0 ? FAnchor : FScanState.Position);
}

void TFormulaParser::SetErrorText(int code, std::string text) {
  if (Failed()) return;
  FErrorText = std::move(text);
  SetError(code);
}

// ---------------------------------------------------------------- tables

void TFormulaParser::SetMessage(int code, std::string_view text) {
  MessageTable();
  const std::string key = std::to_string(code) + "=";
  for (auto& line : FMessageTable) {
    if (line.compare(0, key.size(), key) == 0 && line.size() > key.size()) {
      line = key + std::string(text);
      return;
    }
  }
  FMessageTable.push_back(key + std::string(text));
}

std::string TFormulaParser::ErrorMessage() const {
  return FErrorText.empty() ? Message(FErrorCode) : FErrorText;
}

std::string TFormulaParser::Message(int code) const {
  const std::string key = std::to_string(code) + "=";
  for (const auto& line : MessageTable())
    if (line.compare(0, key.size(), key) == 0) return line.substr(key.size());
  return {};
}

void TFormulaParser::RegisterFunction(std::string_view name, TCallKind kind,
                                      TBuildinFuncs* implementer) {
  std::string upper = AsciiUpper(name);
  if (FNameIndex.count(upper) != 0) {
    SetError(ecNameExists);
    return;
  }
  for (unsigned char c : upper)
    if (!IsNameChar(c)) SetError(ecBadNameChar);
  if (upper.empty() || !IsLetter(static_cast<unsigned char>(upper[0]))) SetError(ecBadNameChar);
  FNameIndex.emplace(upper, FNameTable.size());
  FBound.push_back(Bind(upper, kind));
  FNameTable.push_back(
      {upper + "=" + std::to_string(static_cast<int>(kind)), upper, kind, implementer});
}

std::size_t TFormulaParser::FindName(const std::string& name) const {
  // Names reach here upper-cased by the scanner; the index holds upper-cased
  // names, so an exact lookup is the case-insensitive one.
  auto it = FNameIndex.find(name);
  return it == FNameIndex.end() ? kNoName : it->second;
}

// ---------------------------------------------------------------- scanner

inline void TFormulaParser::NextChar() {
  TFpState& s = FScanState;
  const auto size = static_cast<std::int64_t>(s.Text.size());
  if (s.Position < size) ++s.Position;
  const auto c = static_cast<unsigned char>(s.Text[static_cast<std::size_t>(s.Position - 1)]);
  // Only the end mark reads as code 0: a NUL byte inside the text is an
  // ordinary character, so "1<NUL>+2" is an error rather than a quiet 1.
  s.Current = (c == 0 && s.Position < size) ? kNulInText : Upper(c);
}

inline void TFormulaParser::SkipBlanks() {
  NextChar();
  while (FScanState.Current == ' ') NextChar();
}

void TFormulaParser::StartScan(std::string_view text) {
  FScanState.Position = 0;
  FScanState.Current = 0;
  // Every bracket counts, string literals included; order is not examined.
  if (BracketBalance(text) != 0) {
    SetError(ecBracketMismatch);
    return;
  }
  FScanState.Text.assign(text);
  FScanState.Text.push_back('\0');
  SkipBlanks();
  if (FScanState.Current == 0) SetError(ecEmptyText);
}

// ---------------------------------------------------------------- grammar

TReal TFormulaParser::ParseExpression() {
  TDepthGuard guard(FDepth);
  if (FDepth > kMaxDepth) {
    SetError(ecNestingTooDeep);
    return 0;
  }
  TReal x = ParseSimpleExpression();
  if (Failed()) return 0;
  x = ParseRelation(x);
  return Failed() ? 0 : x;
}

// The optional tail of an expression: one relation, or "&"/"|" with a whole
// expression (so those two group from the right).
TReal TFormulaParser::ParseRelation(TReal x) {
  const std::int64_t at = Here();
  TReal y = 0;
  switch (FScanState.Current) {
    case '=':
      SkipBlanks();
      y = ParseSimpleExpression();
      return x == y ? 1.0L : 0.0L;
    case '<':
      SkipBlanks();
      if (FScanState.Current == '=') {
        SkipBlanks();
        y = ParseSimpleExpression();
        return x <= y ? 1.0L : 0.0L;
      }
      if (FScanState.Current == '>') {
        SkipBlanks();
        y = ParseSimpleExpression();
        return x != y ? 1.0L : 0.0L;
      }
      y = ParseSimpleExpression();
      return x < y ? 1.0L : 0.0L;
    case '>':
      SkipBlanks();
      if (FScanState.Current == '=') {
        SkipBlanks();
        y = ParseSimpleExpression();
        return x >= y ? 1.0L : 0.0L;
      }
      y = ParseSimpleExpression();
      return x > y ? 1.0L : 0.0L;
    case '&':
    case '|': {
      const bool isAnd = FScanState.Current == '&';
      SkipBlanks();
      y = ParseExpression();
      if (Failed()) return 0;
      FAnchor = at;
      x = isAnd ? LogicalAnd(x, y) : LogicalOr(x, y);
      FAnchor = 0;
      return x;
    }
    default: return x;
  }
}

TReal TFormulaParser::ParseSimpleExpression() {
  TReal x = ParseTerm();
  while (!Failed() && (FScanState.Current == '+' || FScanState.Current == '-')) {
    const bool add = FScanState.Current == '+';
    const std::int64_t at = Here();
    SkipBlanks();
    TReal y = ParseTerm();
    if (Failed()) break;
    FAnchor = at;
    x = add ? Add(x, y) : Subtract(x, y);
    FAnchor = 0;
  }
  // What may follow an operand: this rejects two operands side by side.
  switch (FScanState.Current) {
    case 0:
    case '&':
    case ')':
    case ',':
    case '<':
    case '=':
    case '>':
    case '|': break;
    default: SetUnexpected();
  }
  return Failed() ? 0 : x;
}

TReal TFormulaParser::ParseTerm() {
  TReal x = ParsePower();
  while (!Failed() && (FScanState.Current == '*' || FScanState.Current == '/')) {
    const bool multiply = FScanState.Current == '*';
    const std::int64_t at = Here();
    SkipBlanks();
    TReal y = ParsePower();
    if (Failed()) break;
    FAnchor = at;
    x = multiply ? Multiply(x, y) : Divide(x, y);
    FAnchor = 0;
  }
  return Failed() ? 0 : x;
}

TReal TFormulaParser::ParsePower() {
  TReal x = ParseFactor();
  if (FConvention == TConvention::Standard) {
    // Right to left: the exponent is a power itself (signed, as 2^-3 is).
    if (Failed() || FScanState.Current != '^') return Failed() ? 0 : x;
    const std::int64_t at = Here();
    SkipBlanks();
    const TReal y = ParseSigned();
    if (Failed()) return 0;
    FAnchor = at;
    x = Power(x, y);
    FAnchor = 0;
    return Failed() ? 0 : x;
  }
  while (!Failed() && FScanState.Current == '^') {
    const std::int64_t at = Here();
    SkipBlanks();
    TReal y = ParseFactor();
    if (Failed()) break;
    FAnchor = at;
    x = Power(x, y);
    FAnchor = 0;
  }
  return Failed() ? 0 : x;
}

TReal TFormulaParser::ParseFactor() {
  TDepthGuard guard(FDepth);
  if (FDepth > kMaxDepth) {
    SetError(ecNestingTooDeep);
    return 0;
  }
  const unsigned char c = FScanState.Current;
  TReal v = 0;
  if (c == '(') {
    v = ParseBracketed();
  } else if (c == '+') {
    NextChar();  // no blank skipping: "- 5" is an error
    return ParseSigned();
  } else if (c == '-') {
    NextChar();
    const TReal operand = ParseSigned();
    return Failed() ? 0 : -operand;
  } else if (c == '.' || IsDigit(c)) {
    v = ParseNumber();
  } else if (IsLetter(c) || StartsUserName()) {
    const std::int64_t at = Here();
    const std::string name = ReadName();
    v = CallFunction(name, at);
  } else {
    SetUnexpected();
  }
  if (FScanState.Current == 0xA1) v = Degrees(v);  // the lead byte of "°"
  return Failed() ? 0 : v;
}

bool TFormulaParser::StartsUserName() const {
  return UserNames() &&
         ChineseCharAt(FScanState.Text, static_cast<std::size_t>(FScanState.Position - 1)) != 0;
}

TReal TFormulaParser::ParseSigned() {
  if (FConvention == TConvention::Classic) return ParseFactor();
  // The power's own recursion passes through here: its depth is bounded too.
  TDepthGuard guard(FDepth);
  if (FDepth > kMaxDepth) {
    SetError(ecNestingTooDeep);
    return 0;
  }
  return ParsePower();
}

// "°" is A1 E3 in code page 936.
TReal TFormulaParser::Degrees(TReal v) {
  const TFpState& s = FScanState;
  if (Failed() || static_cast<unsigned char>(s.Text[static_cast<std::size_t>(s.Position)]) != 0xE3)
    return v;
  const std::int64_t at = Here();
  NextChar();
  SkipBlanks();
  FAnchor = at;
  v = Multiply(v, buildin::kPi / 180);
  FAnchor = 0;
  return v;
}

TReal TFormulaParser::ParseBracketed() {
  SkipBlanks();
  TReal v = ParseExpression();
  if (!Failed() && FScanState.Current != ')') SetError(ecBracketMismatch);
  SkipBlanks();
  return v;
}

// Blanks inside a name are passed over: "S IN" is SIN, "PI 2" is PI2.
std::string TFormulaParser::ReadName() {
  if (!UserNames()) {  // the usual case, kept as tight as it always was
    std::string name(1, static_cast<char>(FScanState.Current));
    SkipBlanks();
    while (IsNameChar(FScanState.Current)) {
      name.push_back(static_cast<char>(FScanState.Current));
      SkipBlanks();
    }
    return name;
  }
  std::string name;
  for (;;) {
    // Chinese only where the worksheet defined functions: elsewhere a
    // Chinese name is no name of the engine's (error 2, as it always was).
    const std::string_view text = FScanState.Text;
    const auto at = static_cast<std::size_t>(FScanState.Position - 1);
    if (ChineseCharAt(text, at) != 0) {
      name.append(text.substr(at, 2));  // as written: the scanner upper-cases bytes
      NextChar();
      SkipBlanks();
      continue;
    }
    const unsigned char c = FScanState.Current;
    if (!(name.empty() ? IsLetter(c) : IsNameChar(c))) return name;
    name.push_back(static_cast<char>(c));
    SkipBlanks();
  }
}

std::string TFormulaParser::WrittenName(std::int64_t at) const {
  const std::string& text = FScanState.Text;
  std::size_t end = static_cast<std::size_t>(FScanState.Position - 1);
  while (end > static_cast<std::size_t>(at) && text[end - 1] == ' ') --end;
  return text.substr(static_cast<std::size_t>(at - 1), end - static_cast<std::size_t>(at - 1));
}

namespace {

// A quote of a 100,000-character name helps nobody.
constexpr std::size_t kMaxNamedBytes = 64;

}  // namespace

void TFormulaParser::SetUnexpected() {
  if (!Failed()) {
    const std::string_view text = FScanState.Text;
    const auto start = static_cast<std::size_t>(FScanState.Position - 1);
    std::size_t end = start;
    if (ChineseCharAt(text, start) != 0) {
      while (end - start < kMaxNamedBytes) {
        if (const std::size_t n = ChineseCharAt(text, end); n != 0) {
          end += n;
        } else if (IsNameChar(Upper(static_cast<unsigned char>(text[end])))) {
          ++end;
        } else {
          break;
        }
      }
    }
    if (end > start) FErrorText = Message(ecUnknownName) + Quoted(text.substr(start, end - start));
  }
  SetError(ecUnknownFunction);
}

TReal TFormulaParser::ParseNumber() {
  TFpState& s = FScanState;
  const std::int64_t at = Here();
  const char* const start = s.Text.data() + (at - 1);
  const char* end = start;
  TReal value = 0;
  bool quick = QuickLiteral(end, value);
  // The literal goes on over points, digits and E's, a sign right after each
  // E, whatever their order (so it is malformed); the end mark (and any NUL)
  // stops it.
  const char* const stop = end;
  for (;;) {
    const unsigned char c = Upper(static_cast<unsigned char>(*end));
    if (c == 'E') {
      ++end;
      if (*end == '+' || *end == '-') ++end;
    } else if (c == '.' || IsDigit(c)) {
      ++end;
    } else {
      break;
    }
  }
  if (end != stop) quick = false;
  s.Position = static_cast<std::int64_t>(end - s.Text.data());
  NextChar();
  if (s.Current == ' ') SkipBlanks();

  if (quick) return value;
  if (!ConvertLiteral(NormalLiteral(std::string_view(start, static_cast<std::size_t>(end - start))),
                      value)) {
    FAnchor = at;
    SetError(ecInvalidNumber);
    FAnchor = 0;
  }
  return value;
}

// The literal as the conversion takes it: upper case, "0" before a leading
// point, and a point without digits after it reads ".0" (1. -> 1.0,
// 1.E5 -> 1.0E5).
const std::string& TFormulaParser::NormalLiteral(std::string_view raw) {
  std::string& lit = FLiteral;
  if (raw[0] == '.')
    lit.assign("0.");
  else
    lit.assign(1, raw[0]);
  for (std::size_t i = 1; i < raw.size(); ++i) {
    const char c = static_cast<char>(Upper(static_cast<unsigned char>(raw[i])));
    lit.push_back(c);
    if (c == 'E') {
      if (lit[lit.size() - 2] == '.') lit.insert(lit.size() - 1, 1, '0');
      if (i + 1 < raw.size() && (raw[i + 1] == '+' || raw[i + 1] == '-')) lit.push_back(raw[++i]);
    }
  }
  if (lit.back() == '.' && lit.find('E') == std::string::npos) lit.push_back('0');
  return lit;
}

// ---------------------------------------------------------------- calls

void TFormulaParser::Expect(unsigned char c) {
  if (!Failed() && FScanState.Current != c) SetError(ecArgumentCount);
  SkipBlanks();
}

// A call of a function the worksheet defined: arguments as a list
// function's, then the body in a scanner of its own.
TReal TFormulaParser::CallUserFunction(std::size_t index, std::int64_t at) {
  std::vector<TReal> args;
  if (FScanState.Current == '(') {
    SkipBlanks();
    if (FScanState.Current != ')') {
      args.push_back(ParseExpression());
      while (!Failed() && FScanState.Current == ',') {
        SkipBlanks();
        args.push_back(ParseExpression());
      }
    }
    Expect(')');
  }
  if (Failed()) return 0;
  const TUserFunction& f = FFunctions[index];
  const auto cp936 = [](const char* utf8) { return platform::Utf8ToCp936(utf8); };
  FAnchor = at;
  if (args.size() != f.Params.size()) {
    SetErrorText(ecArgumentCount, cp936("函数") + Quoted(f.Name) + cp936("需要 ") +
                                      std::to_string(f.Params.size()) + cp936(" 个参数，给了 ") +
                                      std::to_string(args.size()) + cp936(" 个"));
  } else if (std::any_of(FFrames.begin(), FFrames.end(),
                         [index](const TFrame& frame) { return frame.Function == index; })) {
    SetErrorText(ecRecursiveCall, cp936("函数") + Quoted(f.Name) + cp936("调用了自己"));
  }
  FAnchor = 0;
  if (Failed()) return 0;

  return EvaluateBody(index, std::move(args), at);
}

TReal TFormulaParser::EvaluateBody(std::size_t index, std::vector<TReal> args, std::int64_t at) {
  TFrame frame{index, {}, std::move(args)};
  for (const std::string& p : FFunctions[index].Params) frame.Keys.push_back(NameKey(p));
  if (FFrames.empty()) FCallSite = at;
  FFrames.push_back(std::move(frame));
  TFpState outer = std::move(FScanState);
  FScanState = TFpState();
  StartScan(FFunctions[index].Body);
  const TReal v = Failed() ? 0 : ParseExpression();
  FScanState = std::move(outer);
  FFrames.pop_back();
  return Failed() ? 0 : v;
}

TReal TFormulaParser::CallDefined(std::string_view name, std::span<const TReal> args) {
  FErrorCode = 0;
  FErrorPosition = 0;
  FErrorText.clear();
  FFrames.clear();
  FScanning = true;
  FDepth = 0;
  FAnchor = 0;
  TReal v = 0;
  const auto f = FFunctionIndex.find(NameKey(name));
  if (f == FFunctionIndex.end()) {
    SetError(ecUnknownName);
  } else if (args.size() != FFunctions[f->second].Params.size()) {
    SetError(ecArgumentCount);
  } else {
    v = EvaluateBody(f->second, std::vector<TReal>(args.begin(), args.end()), 1);
  }
  FScanning = false;
  return Failed() ? 0 : v;
}

// at: where the name starts; a failed call is attributed to it.
TReal TFormulaParser::CallFunction(const std::string& name, std::int64_t at) {
  if (!FFrames.empty()) {
    if (TReal value = 0; ParameterValue(name, value)) return value;
  }
  const std::size_t index = FindName(name);
  if (index == kNoName && UserNames()) {
    if (const auto f = FFunctionIndex.find(name); f != FFunctionIndex.end())
      return CallUserFunction(f->second, at);
  }
  if (index == kNoName) {
    if (!Failed()) FErrorText = Message(ecUnknownName) + Quoted(WrittenName(at));
    FAnchor = at;
    SetError(ecUnknownName);
    FAnchor = 0;
  }
  if (Failed()) return 0;
  const TNameEntry* entry = &FNameTable[index];

  std::vector<TReal> reals;
  std::string s1, s2;
  const unsigned char cur = FScanState.Current;
  switch (entry->Kind) {
    case ckConstant:
      if (cur == '(') {
        SkipBlanks();
        Expect(')');
      }
      break;
    case ckUnary:
    case ckBinary:
    case ckList:
      if (cur != '(') {
        SetError(ecArgumentCount);
        break;
      }
      SkipBlanks();
      reals.push_back(ParseExpression());
      if (entry->Kind == ckBinary) {
        Expect(',');
        reals.push_back(ParseExpression());
      } else if (entry->Kind == ckList) {
        if (!Failed() && FScanState.Current != ',') SetError(ecArgumentCount);
        while (!Failed() && FScanState.Current == ',') {
          SkipBlanks();
          reals.push_back(ParseExpression());
        }
      }
      Expect(')');
      break;
    case ckString:
      // Without "(" the built-in gets an empty string; after the literal the
      // closing quote and the next character are passed unexamined.
      if (cur == '(') {
        SkipBlanks();
        s1 = ReadStringLiteral();
        SkipBlanks();
        SkipBlanks();
      }
      break;
    case ckStringPair:
      if (cur != '(') {
        SetError(ecArgumentCount);
        break;
      }
      SkipBlanks();
      s1 = ReadStringLiteral();
      SkipBlanks();
      Expect(',');
      s2 = ReadStringLiteral();
      SkipBlanks();
      Expect(')');
      break;
    default: break;
  }
  if (Failed()) return 0;
  return Dispatch(index, at, reals, s1, s2);
}

std::string TFormulaParser::ReadStringLiteral() {
  std::string s;
  const unsigned char quote = FScanState.Current;
  if (quote != '"' && quote != '\'') {
    SetError(ecMissingQuote);
    return s;
  }
  // Every character is taken with SkipBlanks: blanks vanish, letters arrive
  // upper-cased. The byte right after a lead byte completes a Chinese
  // character and keeps its case: 乤 (81 61) is not 丄 (81 41).
  SkipBlanks();
  std::int64_t trailAt = 0;
  while (!Failed() && FScanState.Current != quote && FScanState.Current != 0) {
    const std::int64_t at = FScanState.Position;
    const auto c = static_cast<unsigned char>(FScanState.Text[static_cast<std::size_t>(at - 1)]);
    if (at == trailAt) {
      s.push_back(static_cast<char>(c));
    } else {
      s.push_back(static_cast<char>(Upper(c)));
      if (platform::IsCp936LeadByte(c)) trailAt = at + 1;
    }
    SkipBlanks();
  }
  if (!Failed() && FScanState.Current != quote) SetError(ecUnclosedQuote);
  return s;
}

}  // namespace tessary
