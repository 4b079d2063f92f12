// SPDX-License-Identifier: MIT
#include "worksheetcorpus.h"

#include "benchrandom.h"

#include <cstdint>
#include <cstdio>
#include <set>

namespace tessary::bench {
namespace {

constexpr std::uint64_t kVariableSeed = 0x5EED'7AB1'E000'0001ULL;
constexpr std::uint64_t kStatementSeed = 0x5EED'5747'E000'0002ULL;

// A number below maxInteger + 1, with zero to two decimals.
std::string Number(TRandom& r, int maxInteger) {
  const int whole = r.Between(0, maxInteger);
  char text[32];
  switch (r.Below(3)) {
    case 0: std::snprintf(text, sizeof text, "%d", whole + 1); break;
    case 1: std::snprintf(text, sizeof text, "%d.%d", whole, r.Between(1, 9)); break;
    default: std::snprintf(text, sizeof text, "%d.%02d", whole, r.Between(1, 99)); break;
  }
  return text;
}

std::string LowerName(TRandom& r) {
  std::string name(static_cast<std::size_t>(r.Between(3, 6)), ' ');
  for (char& c : name) c = static_cast<char>('a' + r.Below(26));
  return name;
}

enum class TValueKind { Plain, Negative, Product, Bracketed, Power, Quotient, Reference };

TValueKind PickKind(TRandom& r) {
  const int roll = r.Below(100);
  if (roll < 55) return TValueKind::Plain;
  if (roll < 70) return TValueKind::Negative;
  if (roll < 78) return TValueKind::Product;
  if (roll < 86) return TValueKind::Bracketed;
  if (roll < 90) return TValueKind::Power;
  if (roll < 95) return TValueKind::Quotient;
  return TValueKind::Reference;
}

// A term carrying an earlier result with a factor of at most 0.4 in
// magnitude, so two of them shrink what they carry.
std::string ResultTerm(TRandom& r, const std::string& name) {
  switch (r.Below(5)) {
    case 0: return name + "*0.4";
    case 1: return name + "/3";
    case 2: return "0.25*" + name;
    case 3: return "(" + name + "-1.5)/4";
    default: return name + "÷5";
  }
}

// A term carrying a variable with a factor of at most 2.
std::string VariableTerm(TRandom& r, const std::string& name) {
  switch (r.Below(6)) {
    case 0: return name;
    case 1: return name + "*1.5";
    case 2: return "2×" + name;
    case 3: return "(" + name + "+3)";
    case 4: return "{" + name + "-7}/2";
    default: return "[" + name + "+1]";
  }
}

// An earlier statement: half of the time a recent one, else any.
std::size_t EarlierStatement(TRandom& r, std::size_t i) {
  if (r.Chance(50)) {
    const int window = static_cast<int>(i < 10 ? i : 10);
    return i - 1 - static_cast<std::size_t>(r.Below(window));
  }
  return static_cast<std::size_t>(r.Next() % i);
}

}  // namespace

std::string StatementName(std::size_t i) {
  std::string name = "SAAA";
  for (std::size_t at = 3; at > 0; --at, i /= 26) name[at] = static_cast<char>('A' + i % 26);
  return name;
}

TWorksheetCorpus::TWorksheetCorpus(std::size_t variableCount) {
  TRandom r(kVariableSeed);
  std::set<std::string> taken;
  while (FNames.size() < variableCount) {
    std::string name = LowerName(r);
    if (taken.insert(name).second) FNames.push_back(std::move(name));
  }
  std::vector<TValueKind> kinds(variableCount);
  for (auto& k : kinds) k = PickKind(r);
  for (std::size_t i = 0; i < variableCount; ++i) {
    std::string value;
    switch (kinds[i]) {
      case TValueKind::Plain: value = Number(r, 999); break;
      case TValueKind::Negative: value = '-' + Number(r, 999); break;
      case TValueKind::Product:
        value = Number(r, 30) + (r.Chance(50) ? "*" : "×") + Number(r, 30);
        break;
      case TValueKind::Bracketed: value = '[' + Number(r, 500) + '+' + Number(r, 400) + ']'; break;
      case TValueKind::Power: value = Number(r, 30) + "^2"; break;
      case TValueKind::Quotient: value = Number(r, 999) + "/8"; break;
      case TValueKind::Reference: {
        // A name is replaced only by rows below the one that brought it in,
        // so the named row must come later and hold a plain number.
        std::size_t later = i + 1;
        while (later < variableCount && kinds[later] != TValueKind::Plain) ++later;
        value = later < variableCount ? "2*" + FNames[later] : Number(r, 999);
        break;
      }
    }
    FRows.push_back(FNames[i] + "=" + value);
  }
}

TWorksheet TWorksheetCorpus::Worksheet(std::size_t statementCount) const {
  TWorksheet ws;
  for (const std::string& row : FRows) ws.Variables.AppendRow(row);
  ws.Formula.reserve(statementCount);
  const int variableCount = static_cast<int>(FNames.size());
  for (std::size_t i = 0; i < statementCount; ++i) {
    TRandom r(kStatementSeed + i * 0x632BE59BD9B4E019ULL);
    std::vector<std::string> terms;
    const int results = i == 0 ? 0 : (i == 1 ? 1 : r.Between(1, 2));
    for (int k = 0; k < results; ++k)
      terms.push_back(ResultTerm(r, StatementName(EarlierStatement(r, i))));
    const int variables = r.Between(1, 3);
    for (int k = 0; k < variables; ++k)
      terms.push_back(VariableTerm(r, FNames[static_cast<std::size_t>(r.Below(variableCount))]));
    if (r.Chance(40)) terms.push_back(Number(r, 99));
    // Fisher-Yates, so results and variables come in any order.
    for (std::size_t k = terms.size(); k > 1; --k)
      std::swap(terms[k - 1], terms[static_cast<std::size_t>(r.Below(static_cast<int>(k)))]);
    std::string line = StatementName(i) + "=";
    if (r.Chance(10)) line += '-';
    for (std::size_t k = 0; k < terms.size(); ++k) {
      if (k > 0) line += r.Chance(60) ? '+' : '-';
      line += terms[k];
    }
    ws.Formula.push_back(std::move(line));
  }
  return ws;
}

}  // namespace tessary::bench
