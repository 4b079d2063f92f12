// SPDX-License-Identifier: MIT
#include "calculation.h"

#include <functional>
#include <optional>
#include <queue>

#include "cp936.h"
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
// The statement table's size; a longer text enlarges it rather than
// dropping statements.
constexpr std::size_t kStatementSlots = 100;

constexpr TReplacePair kNormalisation[] = {
    {"{", "("}, {"[", "("}, {"<", "("}, {"}", ")"},  {"]", ")"},
    {">", ")"}, {"×", "*"}, {"÷", "/"}, {"π", "PI"},
};

// A substituted value containing one of these is bracketed.
constexpr std::string_view kOperatorSigns[] = {"+", "-", "*", "×", "/", "÷", "^"};

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

std::vector<std::string> SplitStatements(std::string_view joined) {
  std::vector<std::string> slots(kStatementSlots);
  const auto count = static_cast<std::size_t>(SplitText(joined, slots, ';'));
  if (count > slots.size()) {
    slots.resize(count);
    SplitText(joined, slots, ';');
  }
  return slots;
}

int BracketBalance(std::string_view text) {
  int balance = 0;
  for (char c : text) balance += (c == '(') - (c == ')');
  return balance;
}

// Replaces the names of the table's rows in expr, row by row from the top.
// Only rows whose key occurs in the text can change it, so those are found
// through the table's key index and taken in row order; after a change the
// text is probed again for the rows still to come, which keeps the result
// identical to visiting every row. The text may grow to maxLength
// characters.
std::string SubstituteTable(const TKeyValueTable& table, std::string expr, std::string_view open,
                            std::size_t maxLength) {
  std::priority_queue<std::size_t, std::vector<std::size_t>, std::greater<>> due;
  table.ForEachKeyIn(expr, [&due](std::size_t row) { due.push(row); });
  bool started = false;
  std::size_t last = 0;
  while (!due.empty()) {
    const std::size_t row = due.top();
    due.pop();
    if (started && row <= last) continue;
    started = true;
    last = row;
    const std::string_view name = table.TrimmedKey(row);
    // A value typed in full-width mode counts as its ASCII form, also for
    // the brackets an operator sign calls for.
    const std::string normal = NormaliseFullWidth(table.Lookup(name));
    const std::string_view value = Trim(normal);
    const std::string substitute = ContainsAny(kOperatorSigns, value)
                                       ? std::string(open) + std::string(value) + ")"
                                       : std::string(value);
    std::string next = SubstituteVariable(name, substitute, expr, maxLength);
    if (next == expr) continue;
    expr.swap(next);
    table.ForEachKeyIn(expr, [&due, row](std::size_t later) {
      if (later > row) due.push(later);
    });
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

TStatementOutcome Evaluate(TFormulaParser& engine, std::string name, std::string expr) {
  TStatementOutcome out;
  const std::string bytes = platform::Utf8ToCp936(expr);
  engine.SetExpression(bytes);
  out.Value = engine.Evaluate();
  out.ErrorCode = engine.ErrorCode();
  if (out.ErrorCode != 0) {
    out.ErrorMessage = platform::Cp936ToUtf8(engine.ErrorMessage());
    out.ErrorPosition = CharacterPosition(bytes, engine.ErrorPosition());
  }
  out.Name = std::move(name);
  out.Expression = std::move(expr);
  return out;
}

// The expression with the variables, then the earlier results, put in;
// nothing when it is too long to carry on or would grow by more than that.
std::optional<std::string> SubstituteNames(const TWorksheet& ws, const std::string& expr) {
  const std::size_t maxLength = Utf8Length(expr) + kMaxCarryOn;
  try {
    return SubstituteTable(ws.NamedResults, SubstituteTable(ws.Variables, expr, "(", maxLength),
                           "(+", maxLength);
  } catch (const EStatementTooLong&) {
    return std::nullopt;
  }
}

// A statement too long to substitute into: never evaluated, listed as 0.
TStatementOutcome TooLong(std::string name, std::string expr) {
  TStatementOutcome out;
  out.ErrorCode = ecStatementTooLong;
  out.ErrorMessage = ErrorText(ecStatementTooLong);
  out.Name = std::move(name);
  out.Expression = std::move(expr);
  return out;
}

// Steps of one statement, up to its result line. Returns the number text.
std::string RunStatement(TWorksheet& ws, TFormulaParser& engine, ICalcMessages& messages,
                         std::string_view statement, TCalcReport& report) {
  std::string name;
  std::string expr;
  if (const auto eq = statement.find('='); eq != std::string_view::npos) {
    name.assign(statement.substr(0, eq + 1));
    expr.assign(statement.substr(eq + 1));
  } else {
    expr.assign(statement);
  }
  expr = ReplacePairs(kNormalisation, expr);
  const bool unbalanced = BracketBalance(expr) != 0;
  if (unbalanced) messages.ShowMessage(std::string(kBracketMessage));
  ws.NormalisedLog.push_back(name + expr);

  TStatementOutcome out;
  if (std::optional<std::string> done = SubstituteNames(ws, expr)) {
    *done = ReplacePairs(kNormalisation, *done);
    *done = ReplacePairs(kSignCleanUp, *done);
    ws.EvaluatedLog.push_back(name + *done);
    out = Evaluate(engine, name, std::move(*done));
  } else {
    // Nothing reaches the engine; the log shows the statement as written.
    ws.EvaluatedLog.push_back(name + expr);
    out = TooLong(name, std::move(expr));
  }
  out.BracketsUnbalanced = unbalanced;
  out.Normalised = ws.NormalisedLog.back().substr(name.size());
  std::string text = NumberText(out.Value);
  ws.Results.push_back(name + text);
  report.Statements.push_back(std::move(out));
  return text;
}

}  // namespace

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

TCalcReport Calculate(TWorksheet& ws, TFormulaParser& engine, ICalcMessages& messages) {
  TCalcReport report;
  CutBack(ws.Results);
  CutBack(ws.NormalisedLog);
  CutBack(ws.EvaluatedLog);
  ws.NamedResults.Clear();
  try {
    const std::vector<std::string> statements = SplitStatements(JoinFormulaLines(ws.Formula));
    for (const std::string& statement : statements) {
      if (statement.empty()) break;  // the first empty slot ends the run
      const std::string text = RunStatement(ws, engine, messages, statement, report);
      const std::string& name = report.Statements.back().Name;
      // The key is the name without its "="; a second assignment of the same
      // name throws and ends the run after its result line.
      ws.NamedResults.Append(std::string_view(name).substr(0, name.empty() ? 0 : name.size() - 1),
                             text);
    }
  } catch (const std::exception& e) {
    report.Failure = e.what();
    messages.ShowError(report.Failure);
  }
  return report;
}

}  // namespace tessary
