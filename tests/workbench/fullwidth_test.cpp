// SPDX-License-Identifier: MIT
// Full-width input: which forms become ASCII, what is left as typed
// (comments, string literals, signs outside the range), and that a worksheet
// typed in full-width mode calculates.

#include "fullwidth.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calculation.h"

namespace tessary {
namespace {

using TLines = std::vector<std::string>;

TEST(FullWidth, FormsBecomeAsciiOutsideCommentsAndStringLiterals) {
  const struct {
    const char* Typed;
    const char* Normal;
    const char* Why;
  } cases[] = {
      {"（）［］｛｝＜＞", "()[]{}<>", "the bracket kinds"},
      {"＋－＊／＝＾＆｜", "+-*/=^&|", "the signs"},
      {"；，．", ";,.", "separators and the decimal point"},
      {"０１２３４５６７８９", "0123456789", "the digits"},
      {"１\u3000＋\u3000２", "1 + 2", "the ideographic space is a blank"},
      {"Z＝（１．５＋１）×２", "Z=(1.5+1)×2", "a whole formula; × stays for the pipeline"},
      {"Ｚ＝ａ：π÷２。", "Z=a:π÷2。", "letters and the colon too; π, ÷ and 。 stay"},
      {"ＬＥＮＧＴＨ（'ab'）", "LENGTH('ab')", "a function name typed full-width"},
      {"ＭＡＸ（１，５）", "MAX(1,5)", "another"},
      {"！＃＄％＠＼＿｀～＂", "!#$%@\\_`~\"", "the rest of the range, to ～"},
      {"ｘ＝＇（１＇", "x='（１'", "a full-width quote opens a literal too"},
      {"面积＝３\t＊２", "面积=3\t*2", "Chinese names and tabs stay"},
      {"a＝１ // 注释（１＋２）；", "a=1 // 注释（１＋２）；", "nothing after //"},
      {"a＝１ ／／ 注释（１）", "a=1 // 注释（１）", "／／ starts a comment too"},
      {"a＝１／／２", "a=1//２", "／／ typed in a row"},
      {"n＝LENGTH('（１＋２）')＋１", "n=LENGTH('（１＋２）')+1", "inside '...'"},
      {"s＝STRCOMP(\"（；\"，\"）\")", "s=STRCOMP(\"（；\",\"）\")", "inside \"...\", ； too"},
      {"s＝LENGTH(\"it's（\")＋１", "s=LENGTH(\"it's（\")+1", "only the opening quote closes"},
      {"a＝'（１;b＝（２）", "a='（１;b=(2)", "a ';' ends an open literal"},
      {"a＝'（１＋２", "a='（１＋２", "an open literal runs to the line's end"},
      {"", "", "an empty line"},
  };
  for (const auto& c : cases) EXPECT_EQ(NormaliseFullWidth(c.Typed), c.Normal) << c.Why;
}

TEST(FullWidth, AWorksheetTypedInFullWidthCalculates) {
  struct TRecorded : ICalcMessages {
    void ShowMessage(const std::string&) override {}
    void ShowError(const std::string&) override {}
  } messages;
  TFormulaParser engine;
  TWorksheet ws;
  ws.Formula = {"a＝（１＋２）×３；b＝a＊２ // 注释（", "c＝［b－ａ］", "d＝LENGTH('（）')＋P"};
  ws.Variables.AppendRow("P=１＋１");
  const TCalcReport report = Calculate(ws, engine, messages);
  EXPECT_EQ(ws.NormalisedLog, (TLines{"a=(1+2)*3", "b=a*2", "c=(b-a)", "d=LENGTH('（）')+P"}))
      << "the log shows ASCII, the literal as typed";
  EXPECT_EQ(ws.EvaluatedLog.back(), "d=LENGTH('（）')+(1+1)")
      << "a full-width value is bracketed for its sign";
  EXPECT_EQ(ws.Results, (TLines{"a=9", "b=18", "c=9", "d=6"}));
  ASSERT_EQ(report.Statements.size(), 4u);
  EXPECT_EQ(report.Statements[2].ErrorCode, 0) << "a full-width letter is the letter";
}

}  // namespace
}  // namespace tessary
