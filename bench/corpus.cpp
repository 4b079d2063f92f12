// SPDX-License-Identifier: MIT
#include "corpus.h"

#include "benchrandom.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace tessary::bench {
namespace {

// A piece of formula text with the value both engines will compute for it.
struct TPiece {
  std::string Text;
  double Value = 0;
};

// Magnitudes kept well inside both the range guards (1E-38..1E+38) and the
// region where 64-bit and 80-bit results agree to many digits.
bool InRange(double v) {
  double a = std::fabs(v);
  return std::isfinite(v) && (a == 0 || (a >= 1e-4 && a <= 1e8));
}

class TFormulaWriter {
 public:
  explicit TFormulaWriter(std::uint64_t seed) : FRandom(seed) {}

  TRandom& Random() { return FRandom; }

  TPiece Literal();
  TPiece SmallLiteral();
  TPiece Expression(int depth);
  TPiece Term(int depth);
  // Joins two values with "+" or "-", taking the other sign when the chosen
  // one would cancel most digits away.
  TPiece AddOrSubtract(const TPiece& x, const TPiece& y);

 private:
  TPiece Factor(int depth);
  TPiece Atom(int depth);
  TPiece Power(int depth);
  TPiece Bracketed(int depth);
  TPiece Call(int depth);
  TPiece ListCall(int depth);
  TPiece Retry(const std::function<TPiece()>& make, const std::function<bool(double)>& ok);
  std::string Blank() { return FRandom.Chance(12) ? " " : ""; }

  TRandom FRandom;
};

TPiece TFormulaWriter::Literal() {
  char buf[48];
  switch (FRandom.Below(20)) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6: std::snprintf(buf, sizeof buf, "%d", FRandom.Between(1, 999)); break;
    case 7:
    case 8:
    case 9:
    case 10:
    case 11:
      std::snprintf(buf, sizeof buf, "%d.%d", FRandom.Between(0, 99), FRandom.Between(1, 99));
      break;
    case 12:
    case 13: std::snprintf(buf, sizeof buf, ".%d", FRandom.Between(1, 999)); break;
    case 14:
    case 15: {
      static const char* const kExp[] = {"E", "e", "E+", "E-", "e-"};
      std::snprintf(buf, sizeof buf, "%d.%d%s%d", FRandom.Between(1, 9), FRandom.Between(0, 9),
                    kExp[FRandom.Below(5)], FRandom.Between(0, 3));
      break;
    }
    case 16: std::snprintf(buf, sizeof buf, "%d.", FRandom.Between(1, 99)); break;
    default:
      std::snprintf(buf, sizeof buf, "%d.%04d", FRandom.Between(100, 9999),
                    FRandom.Between(1, 9999));
      break;
  }
  double v = std::strtod(buf, nullptr);
  if (v == 0) return {"1.5", 1.5};
  return {buf, v};
}

// A base for "^": what a user squares or cubes by hand.
TPiece TFormulaWriter::SmallLiteral() {
  char buf[16];
  if (FRandom.Chance(60))
    std::snprintf(buf, sizeof buf, "%d", FRandom.Between(1, 60));
  else
    std::snprintf(buf, sizeof buf, "%d.%d", FRandom.Between(0, 30), FRandom.Between(1, 99));
  return {buf, std::strtod(buf, nullptr)};
}

TPiece TFormulaWriter::Retry(const std::function<TPiece()>& make,
                             const std::function<bool(double)>& ok) {
  for (int i = 0; i < 8; ++i) {
    TPiece p = make();
    if (InRange(p.Value) && ok(p.Value)) return p;
  }
  for (;;) {
    TPiece p = Literal();
    if (ok(p.Value)) return p;
  }
}

TPiece TFormulaWriter::AddOrSubtract(const TPiece& x, const TPiece& y) {
  bool minus = FRandom.Chance(40);
  double r = minus ? x.Value - y.Value : x.Value + y.Value;
  if (std::fabs(r) < 1e-3 * (std::fabs(x.Value) + std::fabs(y.Value))) {
    minus = !minus;
    r = minus ? x.Value - y.Value : x.Value + y.Value;
  }
  std::string b = Blank();
  return {x.Text + b + (minus ? "-" : "+") + b + y.Text, r};
}

TPiece TFormulaWriter::Expression(int depth) {
  TPiece x = Term(depth);
  int more = depth > 0 ? FRandom.Below(3) : FRandom.Below(2);
  for (int i = 0; i < more; ++i) {
    TPiece next = AddOrSubtract(x, Term(depth));
    if (InRange(next.Value)) x = next;
  }
  return x;
}

TPiece TFormulaWriter::Term(int depth) {
  TPiece x = Factor(depth);
  int more = FRandom.Below(3);
  for (int i = 0; i < more; ++i) {
    TPiece y = Factor(depth);
    std::string b = Blank();
    bool divide = FRandom.Chance(40) && std::fabs(y.Value) >= 0.1;
    double r = divide ? x.Value / y.Value : x.Value * y.Value;
    if (!InRange(r)) continue;
    x = {x.Text + b + (divide ? "/" : "*") + b + y.Text, r};
  }
  return x;
}

TPiece TFormulaWriter::Factor(int depth) {
  if (depth > 0 && FRandom.Chance(15)) return Power(depth);
  TPiece a = Atom(depth);
  // A sign never stands before a "^" base: this atom is never one.
  if (FRandom.Chance(8)) return {"-" + a.Text, -a.Value};
  return a;
}

TPiece TFormulaWriter::Atom(int depth) {
  if (depth <= 0) return Literal();
  int pick = FRandom.Below(100);
  if (pick < 40) return Literal();
  if (pick < 58) return Bracketed(depth - 1);
  if (pick < 90) return Call(depth - 1);
  return ListCall(depth - 1);
}

TPiece TFormulaWriter::Power(int depth) {
  auto make = [&] {
    TPiece base = FRandom.Chance(50) ? SmallLiteral() : Bracketed(depth - 1);
    if (std::fabs(base.Value) > 1000) base = SmallLiteral();
    int n = FRandom.Chance(80) ? 2 : 3;
    return TPiece{base.Text + "^" + std::to_string(n), std::pow(base.Value, n)};
  };
  return Retry(make, [](double v) { return v != 0; });
}

TPiece TFormulaWriter::Bracketed(int depth) {
  TPiece e = Expression(depth);
  return {"(" + e.Text + ")", e.Value};
}

TPiece TFormulaWriter::Call(int depth) {
  auto call = [&](const char* name, const std::function<bool(double)>& argOk,
                  double (*fn)(double)) {
    TPiece a = Retry([&] { return Expression(depth); }, argOk);
    return TPiece{std::string(name) + "(" + a.Text + ")", fn(a.Value)};
  };
  auto trigArg = [](double v) { return std::fabs(v) <= 100; };
  auto make = [&]() -> TPiece {
    switch (FRandom.Below(8)) {
      case 0: return call("sin", trigArg, [](double v) { return std::sin(v); });
      case 1: return call("cos", trigArg, [](double v) { return std::cos(v); });
      case 2:
        return call(
            "tan", [](double v) { return std::fabs(v) <= 100 && std::fabs(std::cos(v)) >= 0.1; },
            [](double v) { return std::tan(v); });
      case 3:
        return call(
            "exp", [](double v) { return v >= -9 && v <= 15; },
            [](double v) { return std::exp(v); });
      case 4:
        return call(
            "ln", [](double v) { return v >= 1e-3 && std::fabs(v - 1) >= 1e-2; },
            [](double v) { return std::log(v); });
      case 5:
        return call(
            "sqrt", [](double v) { return v >= 0; }, [](double v) { return std::sqrt(v); });
      default:
        return call(
            "abs", [](double) { return true; }, [](double v) { return std::fabs(v); });
    }
  };
  return Retry(make, [](double) { return true; });
}

TPiece TFormulaWriter::ListCall(int depth) {
  static const char* const kNames[] = {"max", "min", "sum", "avg"};
  int which = FRandom.Below(4);
  int n = FRandom.Between(2, 4);
  std::string text = std::string(kNames[which]) + "(";
  double best = 0, total = 0, magnitude = 0;
  for (int i = 0; i < n; ++i) {
    TPiece a = Expression(depth);
    if (i == 0) best = a.Value;
    best = which == 0 ? std::fmax(best, a.Value) : which == 1 ? std::fmin(best, a.Value) : best;
    total += a.Value;
    magnitude += std::fabs(a.Value);
    if (i > 0) {
      text += ',';
      text += Blank();
    }
    text += a.Text;
  }
  text += ")";
  double v = which < 2 ? best : which == 2 ? total : total / n;
  // A sum that cancels would make the precisions disagree: fall back.
  if (which >= 2 && (!InRange(v) || std::fabs(total) < 1e-3 * magnitude)) return Literal();
  return {text, v};
}

}  // namespace

TCorpus MakeShortCorpus(std::size_t count) {
  TCorpus corpus{"short", {}, 0};
  TFormulaWriter w(0x5EED0001ULL);
  while (corpus.Formulas.size() < count) {
    TPiece p = w.Expression(w.Random().Between(1, 2));
    if (p.Text.size() < 15 || p.Text.size() > 25 || !InRange(p.Value)) continue;
    corpus.TotalChars += p.Text.size();
    corpus.Formulas.push_back(std::move(p.Text));
  }
  return corpus;
}

TCorpus MakeMixedCorpus(std::size_t count) {
  TCorpus corpus{"mixed", {}, 0};
  TFormulaWriter w(0x5EED0002ULL);
  while (corpus.Formulas.size() < count) {
    std::size_t target = static_cast<std::size_t>(w.Random().Between(10, 200));
    TPiece p = w.Term(w.Random().Between(0, 2));
    while (p.Text.size() + 8 < target) {
      TPiece next = w.AddOrSubtract(p, w.Term(w.Random().Between(0, 3)));
      if (InRange(next.Value)) p = next;
    }
    if (p.Text.size() < 10 || p.Text.size() > 200 || !InRange(p.Value)) continue;
    if (p.Text.size() > target + target / 3 + 8) continue;
    corpus.TotalChars += p.Text.size();
    corpus.Formulas.push_back(std::move(p.Text));
  }
  return corpus;
}

TCorpus MakeLongCorpus(std::size_t count) {
  TCorpus corpus{"long", {}, 0};
  TFormulaWriter w(0x5EED0003ULL);
  while (corpus.Formulas.size() < count) {
    TPiece p = w.Term(2);
    while (p.Text.size() < 4950) {
      TPiece term = w.Expression(w.Random().Between(1, 3));
      TPiece next = w.AddOrSubtract(p, {"(" + term.Text + ")", term.Value});
      if (InRange(next.Value) && next.Text.size() <= 5050) p = next;
    }
    corpus.TotalChars += p.Text.size();
    corpus.Formulas.push_back(std::move(p.Text));
  }
  return corpus;
}

}  // namespace tessary::bench
