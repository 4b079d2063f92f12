// SPDX-License-Identifier: MIT
#include "calculation.h"

#include <algorithm>
#include <bitset>
#include <functional>
#include <optional>
#include <queue>

#include "convention.h"
#include "cp936.h"
#include "definitions.h"
#include "errorcodes.h"
#include "fullwidth.h"
#include "numbertext.h"
#include "statementsource.h"
#include "textfuncs.h"
#include "textutil.h"

namespace tessary {

namespace {

// A pane holding more than this many lines loses its oldest ones at the
// start of the next run.
constexpr std::size_t kPaneLimit = 500;
constexpr std::size_t kCutBackLines = 51;

constexpr TReplacePair kNormalisation[] = {
    {"{", "("}, {"[", "("}, {"<", "("}, {"}", ")"},  {"]", ")"},
    {">", ")"}, {"×", "*"}, {"÷", "/"}, {"π", "PI"},
};

// A substituted value containing one of these is bracketed: + - * / ^ ×
// (C3 97 in UTF-8) ÷ (C3 B7). Looked for in one pass; the value is UTF-8,
// where C3 97 and C3 B7 are only ever these two.
bool HasOperatorSign(std::string_view value) {
  for (std::size_t i = 0; i < value.size(); ++i) {
    switch (value[i]) {
      case '+':
      case '-':
      case '*':
      case '/':
      case '^': return true;
      case '\xC3':
        if (i + 1 < value.size() && (value[i + 1] == '\x97' || value[i + 1] == '\xB7')) return true;
        break;
      default: break;
    }
  }
  return false;
}

constexpr TReplacePair kSignCleanUp[] = {
    {"+-", "-"},
    {"-+", "-"},
    {"--", "+"},
    {"(+", "("},
};

void CutBack(std::vector<std::string>& pane) {
  if (pane.size() > kPaneLimit)
    pane.erase(pane.begin(), pane.begin() + static_cast<std::ptrdiff_t>(kCutBackLines));
}

int BracketBalance(std::string_view text) {
  int balance = 0;
  for (char c : text) balance += (c == '(') - (c == ')');
  return balance;
}

// Only a name that no name part follows is replaced (SubstituteVariable
// judges the byte after it in the text as it stands): a key that occurs only
// inside longer names or numbers cannot change the text, and its row is not
// visited.
bool EndsName(std::string_view text, std::size_t at) { return !ContinuesName(text, at); }

// The bytes that are no part of a name.
const std::bitset<256>& NonNameBytes() {
  static const std::bitset<256> bytes = [] {
    std::bitset<256> b;
    for (int c = 0; c < 256; ++c)
      b[static_cast<std::size_t>(c)] = !IsNamePart(static_cast<char>(c));
    return b;
  }();
  return bytes;
}

// Replaces the names of the table's rows in expr, row by row from the top.
// Only rows whose key occurs in the text can change it, so those are found
// through the table's key index and taken in row order; after a change the
// text (or just the value put in, see below) is probed again for the rows
// still to come, which keeps the result identical to visiting every row.
// The text may grow to maxLength characters.
std::string SubstituteTable(const TKeyValueTable& table, std::string expr, std::string_view open,
                            std::size_t maxLength) {
  // A value goes in only between bytes that are no part of a name. Keys
  // made of name bytes alone, as names are, therefore never arise across
  // its edges: after a change only the value itself needs a look.
  const bool keysAreNames = (table.KeyBytes() & NonNameBytes()).none();
  std::priority_queue<std::size_t, std::vector<std::size_t>, std::greater<>> due;
  table.ForEachKeyIn(
      expr, [&due](std::size_t row) { due.push(row); }, EndsName);
  bool started = false;
  std::size_t last = 0;
  std::string normal, substitute;  // room reused from name to name
  while (!due.empty()) {
    const std::size_t row = due.top();
    due.pop();
    if (started && row <= last) continue;
    started = true;
    last = row;
    const std::string_view name = table.TrimmedKey(row);
    // A value typed in full-width mode counts as its ASCII form, also for
    // the brackets an operator sign calls for.
    NormaliseFullWidthInto(table.Lookup(name), normal);
    const std::string_view value = Trim(normal);
    substitute.clear();
    if (HasOperatorSign(value)) {
      substitute += open;
      substitute += value;
      substitute += ')';
    } else {
      substitute += value;
    }
    std::string next = SubstituteVariable(name, substitute, expr, maxLength);
    if (next == expr) continue;
    expr.swap(next);
    table.ForEachKeyIn(
        keysAreNames ? std::string_view(substitute) : std::string_view(expr),
        [&due, row](std::size_t later) {
          if (later > row) due.push(later);
        },
        EndsName);
  }
  return expr;
}

// 1-based character index in the UTF-8 expression of a 1-based byte
// position in its code page 936 form.
std::size_t CharacterPosition(std::string_view cp936, std::size_t bytePosition) {
  if (bytePosition == 0) return 0;
  std::size_t chars = 0;
  for (std::size_t i = 0; i + 1 < bytePosition && i < cp936.size(); ++chars) {
    const bool lead = platform::IsCp936LeadByte(static_cast<unsigned char>(cp936[i]));
    i += (lead && i + 1 < cp936.size()) ? 2 : 1;
  }
  return chars + 1;
}

void Evaluate(TFormulaParser& engine, std::string expr, TStatementOutcome& out) {
  // ASCII reads the same in both code pages: most statements need no copy.
  std::string converted;
  const bool ascii = platform::IsAscii(expr);
  if (!ascii) converted = platform::Utf8ToCp936(expr);
  const std::string_view bytes = ascii ? std::string_view(expr) : converted;
  engine.SetExpression(bytes);
  out.Value = engine.Evaluate();
  out.ErrorCode = engine.ErrorCode();
  out.ErrorMessage.clear();
  out.ErrorPosition = 0;
  if (out.ErrorCode != 0) {
    out.ErrorMessage = platform::Cp936ToUtf8(engine.ErrorMessage());
    out.ErrorPosition = CharacterPosition(bytes, engine.ErrorPosition());
  }
  out.Expression = std::move(expr);
}

// The expression with the variables, then the earlier results, put in;
// nothing when it is too long to carry on or would grow by more than that.
std::optional<std::string> SubstituteNames(const TKeyValueTable& variables,
                                           const TKeyValueTable& namedResults,
                                           const std::string& expr) {
  const std::size_t maxLength = Utf8Length(expr) + kMaxCarryOn;
  try {
    return SubstituteTable(namedResults, SubstituteTable(variables, expr, "(", maxLength), "(+",
                           maxLength);
  } catch (const EStatementTooLong&) {
    return std::nullopt;
  }
}

// A statement too long to substitute into: never evaluated, listed as 0.
void TooLong(std::string expr, TStatementOutcome& out) {
  out.Value = 0;
  out.ErrorCode = ecStatementTooLong;
  out.ErrorMessage = ErrorText(ecStatementTooLong);
  out.ErrorPosition = 0;
  out.Expression = std::move(expr);
}

// Hands a substituted body to the engine.
void DefineBody(TFormulaParser& engine, const TDefinitionHead& head, std::string& body,
                std::string shown) {
  ReplacePairsIn(kNormalisation, body);
  ReplacePairsIn(kSignCleanUp, body);
  TUserFunction function{
      platform::Utf8ToCp936(head.Name), {}, platform::Utf8ToCp936(body), std::move(shown)};
  for (const std::string& p : head.Params) function.Params.push_back(platform::Utf8ToCp936(p));
  engine.DefineFunction(std::move(function));
}

// A definition: checked, its body normalised and the variables and results
// put in (but not where a parameter hides them), then handed to the engine.
// Returns what its result line shows after the name: the body as written.
std::string RunDefinition(const TDefinitionHead& head, const TKeyValueTable& variables,
                          const TKeyValueTable& namedResults, TFormulaParser& engine,
                          std::string_view expr, TStatementOutcome& out) {
  out.Definition = true;
  out.Value = 0;
  out.ErrorCode = 0;
  out.ErrorMessage.clear();
  out.ErrorPosition = 0;
  std::string normal = ReplacePairs(kNormalisation, expr);
  out.BracketsUnbalanced = BracketBalance(normal) != 0;
  out.Normalised = normal;
  out.Expression = normal;
  const std::string_view nameText = std::string_view(out.Name).substr(0, out.Name.size() - 1);
  if (std::string why = DefinitionRefusal(nameText, head, engine, variables, namedResults);
      !why.empty()) {
    out.ErrorCode = ecBadDefinition;
    out.ErrorMessage = std::move(why);
    return std::string(Trim(expr));
  }
  out.DefinedAgain = engine.Convention() == TConvention::Classic &&
                     engine.HasFunction(platform::Utf8ToCp936(head.Name));
  std::optional<std::string> body =
      SubstituteNames(WithoutParameters(variables, head.Params),
                      WithoutParameters(namedResults, head.Params), normal);
  if (!body) {
    TooLong(std::move(normal), out);
    return std::string(Trim(expr));
  }
  DefineBody(engine, head, *body, std::string(Trim(out.Name)) + std::string(Trim(expr)));
  out.Expression = std::move(*body);
  return std::string(Trim(expr));
}

// Steps of one statement, up to its outcome (out is reused from the statement
// before, so its strings keep their room). Returns the number text.
std::string RunStatement(const TKeyValueTable& variables, const TKeyValueTable& namedResults,
                         TFormulaParser& engine, ICalcMessages& messages,
                         std::string_view statement, TStatementOutcome& out) {
  std::string_view expr = statement;
  out.Definition = false;
  out.DefinedAgain = false;
  if (const auto eq = statement.find('='); eq != std::string_view::npos) {
    out.Name.assign(statement.substr(0, eq + 1));
    expr.remove_prefix(eq + 1);
    if (const auto head = ReadDefinitionHead(statement.substr(0, eq)))
      return RunDefinition(*head, variables, namedResults, engine, expr, out);
  } else {
    out.Name.clear();
  }
  std::string normal = ReplacePairs(kNormalisation, expr);
  out.BracketsUnbalanced = BracketBalance(normal) != 0;
  if (out.BracketsUnbalanced) messages.ShowMessage(std::string(kBracketMessage));
  out.Normalised = normal;

  if (std::optional<std::string> done = SubstituteNames(variables, namedResults, normal)) {
    ReplacePairsIn(kNormalisation, *done);
    ReplacePairsIn(kSignCleanUp, *done);
    Evaluate(engine, std::move(*done), out);
  } else {
    // Nothing reaches the engine; the log shows the statement as written.
    TooLong(std::move(normal), out);
  }
  return NumberText(out.Value);
}

// Lists every outcome in the worksheet's panes and the report.
class TPaneSink : public ICalcSink {
 public:
  TPaneSink(TWorksheet& ws, TCalcReport& report) : FWs(ws), FReport(report) {}
  void Take(const TStatementOutcome& outcome, std::string_view numberText) override {
    FWs.NormalisedLog.push_back(outcome.Name + outcome.Normalised);
    FWs.EvaluatedLog.push_back(outcome.Name + outcome.Expression);
    FWs.Results.push_back(outcome.Name + std::string(numberText));
    FReport.Statements.push_back(outcome);
  }

 private:
  TWorksheet& FWs;
  TCalcReport& FReport;
};

}  // namespace

bool DefineFunctionOf(TFormulaParser& engine, const TWorksheet& ws, const std::string& name,
                      const std::string& param, std::string_view expr) {
  const TDefinitionHead head{name, {param}};
  std::string normal = ReplacePairs(kNormalisation, NormaliseFullWidth(expr));
  std::optional<std::string> body =
      SubstituteNames(WithoutParameters(ws.Variables, head.Params),
                      WithoutParameters(ws.NamedResults, head.Params), normal);
  if (!body) return false;
  DefineBody(engine, head, *body, name + "(" + param + ")=" + std::string(expr));
  return true;
}

TWorksheet DefaultWorksheet() {
  TWorksheet ws;
  ws.Formula = {"Z={80+2×[5+2×(1.5+1)]}/(P/T)"};
  ws.Variables.AppendRow("P=100");
  ws.Variables.AppendRow("T=273.15");
  return ws;
}

std::string QuotedExpression(std::string_view expression) {
  constexpr std::size_t kQuoted = 60;
  const std::string_view shown = Utf8Prefix(expression, kQuoted);
  return shown.size() == expression.size() ? std::string(expression) : std::string(shown) + "…";
}

bool TCalcReport::AnyError() const {
  if (!Failure.empty()) return true;
  for (const auto& s : Statements)
    if (s.ErrorCode != 0) return true;
  return false;
}

std::string CalculateStatements(std::string_view joined, const TKeyValueTable& variables,
                                TKeyValueTable& namedResults, TFormulaParser& engine,
                                ICalcMessages& messages, ICalcSink& sink) {
  TStatementOutcome out;
  try {
    // Statements are cut at ";"; the first empty one ends the run.
    for (std::size_t start = 0;;) {
      const std::size_t end = std::min(joined.find(';', start), joined.size());
      const std::string_view statement = joined.substr(start, end - start);
      if (statement.empty()) break;
      const std::string text =
          RunStatement(variables, namedResults, engine, messages, statement, out);
      sink.Take(out, text);
      // The key is the name without its "="; in classic rules a second
      // assignment of the same name throws and ends the run after its
      // result line, in textbook rules it replaces the value.
      const std::string_view name = out.Name;
      const std::string_view key = name.substr(0, name.empty() ? 0 : name.size() - 1);
      if (out.Definition) {
        if (out.DefinedAgain) throw EDuplicateKey(Trim(key.substr(0, key.find('('))));
      } else if (!engine.Functions().empty() &&
                 engine.HasFunction(platform::Utf8ToCp936(Trim(key)))) {
        throw EDuplicateKey(key);  // a value may not take a function's name
      } else if (engine.Convention() == TConvention::Standard) {
        namedResults.Assign(key, text);
      } else {
        namedResults.Append(key, text);
      }
      if (end == joined.size()) break;
      start = end + 1;
    }
  } catch (const std::exception& e) {
    messages.ShowError(e.what());
    return e.what();
  }
  return {};
}

TCalcReport Calculate(TWorksheet& ws, TFormulaParser& engine, ICalcMessages& messages) {
  TCalcReport report;
  CutBack(ws.Results);
  CutBack(ws.NormalisedLog);
  CutBack(ws.EvaluatedLog);
  ws.NamedResults.Clear();
  if (!ws.KeepFunctions) engine.ClearFunctions();
  engine.SetConvention(
      ws.Convention.value_or(DeclaredConvention(ws.Formula).value_or(TConvention::Classic)));
  TPaneSink sink(ws, report);
  try {
    const std::string joined = JoinFormulaLines(ws.Formula);
    report.Failure =
        CalculateStatements(joined, ws.Variables, ws.NamedResults, engine, messages, sink);
  } catch (const std::exception& e) {
    report.Failure = e.what();
    messages.ShowError(report.Failure);
  }
  return report;
}

}  // namespace tessary
