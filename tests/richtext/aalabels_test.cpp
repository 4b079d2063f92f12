// SPDX-License-Identifier: MIT
#include "aalabels.h"

#include <QDate>
#include <QGuiApplication>
#include <QLocale>
#include <QTime>

#include <gtest/gtest.h>

#include "platform/scopedenv.h"
#include "usernames.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace tessary;

// The default sets plus custom labels that show how inserted texts meet
// later tags: A inserts B's tag (B comes later: replaced), C inserts A's
// tag (A came earlier: stays text), Inner inserts a font tag (stays text).
class Labels : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDefaultFonts(Fonts);
    CreateDefaultLabels(UserLabels);
    UserLabels.AddLabel("Inner", "<Title1>", lsCustom);
    UserLabels.AddLabel("A", "[<B>]", lsCustom);
    UserLabels.AddLabel("B", "b", lsCustom);
    UserLabels.AddLabel("C", "<A>", lsCustom);
    UserLabels.AddLabel("公司", "泰斯瑞", lsCustom);
    Base.Font.Name = QStringLiteral("宋体");
    Base.Alignment = taLeftJustify;
  }
  const TFontDesc& FontOf(const char* name) const { return Fonts[Fonts.IndexOf(name)].Font(); }

  TFontLabels Fonts;
  TUserLabels UserLabels;
  TMarkupState Base;
};

TEST_F(Labels, TagsAreReplacedOncePerLabel) {
  const struct {
    const char* line;
    const char* row;
    const char* font;  // the font label that decides, nullptr: the base font
    TAlignment alignment;
  } cases[] = {
      {"<Title1><Center>abc", "abc", "Title1", taCenter},
      {"<title1>abc", "abc", "Title1", taLeftJustify},  // ASCII letters in any case
      {"<TiTlE1>abc", "abc", "Title1", taLeftJustify},
      {"x<Title1>y<Title1>", "xy<Title1>", "Title1", taLeftJustify},  // first occurrence only
      {"<Title1>x<Title1>y", "x<Title1>y", "Title1", taLeftJustify},
      {"<Foo>bar", "<Foo>bar", nullptr, taLeftJustify},      // no label: plain text
      {"<Title1 >a", "<Title1 >a", nullptr, taLeftJustify},  // no parameters, no spaces
      {"<Title2><Title1>x", "x", "Title2", taLeftJustify},   // collection order decides
      {"a<Right>b<Left>c", "abc", nullptr, taRightJustify},
      {"<Title1><Title1>", "<Title1>", "Title1", taLeftJustify},
      {"<<Center>>", "<>", nullptr, taCenter},
      {"<公司>：<b>", "泰斯瑞：b", nullptr, taLeftJustify},  // names beyond ASCII
      {"<A>", "[b]", nullptr, taLeftJustify},                // later tag in inserted text
      {"<C>", "<A>", nullptr, taLeftJustify},                // earlier tag in inserted text
      {"<Inner>", "<Title1>", nullptr, taLeftJustify},       // font tags come first
      {"", "", nullptr, taLeftJustify},
  };
  for (const auto& c : cases) {
    TMarkupState state = Base;
    std::string line = c.line;
    ApplyMarkup(line, state, Base, leUntilNextLabel, Fonts, UserLabels);
    EXPECT_EQ(line, c.row) << c.line;
    EXPECT_EQ(state.Font, c.font ? FontOf(c.font) : Base.Font) << c.line;
    EXPECT_EQ(state.Alignment, c.alignment) << c.line;
  }
}

TEST_F(Labels, AFontTagCopiesFontAndEffect) {
  TFontDesc font;
  TAAEffect effect;
  std::string line = "<Title2>abc";
  Fonts.ApplyFontTags(line, &font, &effect);
  EXPECT_EQ(line, "abc");
  EXPECT_EQ(font, FontOf("Title2"));
  EXPECT_TRUE(effect.Shadow().Enabled());
  EXPECT_EQ(effect.Shadow().OffsetX(), 1);
  EXPECT_EQ(effect.Shadow().OffsetY(), 1);

  // Without a font or an effect the tag still goes, and nothing else moves.
  TFontDesc untouched;
  line = "<Text1>x";
  Fonts.ApplyFontTags(line, &untouched, nullptr);
  EXPECT_EQ(line, "x");
  EXPECT_EQ(untouched, FontOf("Text1"));
  EXPECT_TRUE(effect.Shadow().Enabled()) << "effect not given: Text1's shadow off not copied";
  line = "<Text1>y";
  Fonts.ApplyFontTags(line, nullptr, &effect);
  EXPECT_EQ(line, "y");
  EXPECT_FALSE(effect.Shadow().Enabled());
}

TEST_F(Labels, AnUnnamedLabelMatchesEmptyBrackets) {
  UserLabels.AddLabel("", "E", lsCustom);
  TAlignment alignment = taLeftJustify;
  std::string line = "a<>b<>c";
  UserLabels.ApplyUserTags(line, alignment);
  EXPECT_EQ(line, "aEb<>c");
}

TEST_F(Labels, LabelEffectDecidesWhetherTagsCarryToTheNextLine) {
  const std::vector<std::string> lines = {"<Title2><Right>head", "body", "<Text1>more", "tail"};
  struct TRow {
    const char* font;  // nullptr: the base font
    bool shadow;       // Title2 has a shadow, Text1 and the base effect none
    TAlignment alignment;
  };
  const struct {
    TLabelEffect labelEffect;
    std::vector<TRow> rows;
  } cases[] = {
      {leUntilNextLabel,
       {{"Title2", true, taRightJustify},
        {"Title2", true, taRightJustify},
        {"Text1", false, taRightJustify},
        {"Text1", false, taRightJustify}}},
      {leOnlyALine,
       {{"Title2", true, taRightJustify},
        {nullptr, false, taLeftJustify},
        {"Text1", false, taLeftJustify},
        {nullptr, false, taLeftJustify}}},
  };
  ASSERT_FALSE(Base.Effect.Shadow().Enabled());
  for (const auto& c : cases) {
    TMarkupState state = Base;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      std::string line = lines[i];
      ApplyMarkup(line, state, Base, c.labelEffect, Fonts, UserLabels);
      const TRow& row = c.rows[i];
      EXPECT_EQ(state.Font, row.font ? FontOf(row.font) : Base.Font)
          << c.labelEffect << " line " << i;
      EXPECT_EQ(state.Effect.Shadow().Enabled(), row.shadow) << c.labelEffect << " line " << i;
      EXPECT_EQ(state.Alignment, row.alignment) << c.labelEffect << " line " << i;
    }
  }
}

TEST_F(Labels, UserLabelTexts) {
  QGuiApplication::setApplicationDisplayName(QStringLiteral("Tessary公式计算器"));
  const QDate before = QDate::currentDate();
  TAlignment alignment = taCenter;
  std::string line = "<Owner>|<Organization>|<AppTitle>|<Date>|<Left>|<Center>|<Right>";
  UserLabels.ApplyUserTags(line, alignment);
  const QDate after = QDate::currentDate();
  const auto dateText = [](const QDate& date) {
    return QLocale::system().toString(date, QLocale::ShortFormat).toStdString();
  };
  const std::string head =
      UserLabels.RegOwner() + "|" + UserLabels.RegOrganization() + "|Tessary公式计算器|";
  EXPECT_TRUE(line == head + dateText(before) + "|||" || line == head + dateText(after) + "|||")
      << line;
  EXPECT_EQ(alignment, taRightJustify);

  // The time: one of the seconds around the call, as hours:minutes:seconds
  // on the 24-hour clock, without a zone or a word of the locale's.
  const QTime t0 = QTime::currentTime();
  const std::string time = UserLabels[UserLabels.IndexOf("Time")].GetText();
  const QTime t1 = QTime::currentTime();
  const auto timeText = [](const QTime& t) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour(), t.minute(), t.second());
    return std::string(text);
  };
  EXPECT_TRUE(time == timeText(t0) || time == timeText(t1)) << time;
}

TEST(UserLabels, OwnerAndOrganizationAreReadOnceAtConstruction) {
  tessary::testing::TScopedEnv env;
  env.Set("ORGANIZATION", "泰斯瑞软件");
  TUserLabels labels;
  env.Set("ORGANIZATION", "later");
  EXPECT_EQ(labels.RegOrganization(), "泰斯瑞软件");
  // Never empty for a user the password database knows: the full name, else
  // the login name (the fallback rows are in the platform tests).
  EXPECT_EQ(labels.RegOwner(), platform::RegisteredOwner());
  EXPECT_FALSE(labels.RegOwner().empty());

  CreateDefaultLabels(labels);
  TAlignment alignment = taLeftJustify;
  std::string line = "<Owner>@<Organization>";
  labels.ApplyUserTags(line, alignment);
  EXPECT_EQ(line, labels.RegOwner() + "@泰斯瑞软件");
}

TEST(UserLabels, GetTextFollowsTheStyleAndTheHandler) {
  TUserLabels labels;
  TUserLabel& custom = *labels.AddLabel("Sig", "plain", lsCustom);
  EXPECT_EQ(custom.GetText(), "plain");
  std::string seen;
  custom.SetOnGetText([&seen](TUserLabel& sender, std::string& text) {
    seen = sender.Name() + ":" + text;
    text = "from handler";
  });
  EXPECT_EQ(custom.GetText(), "from handler");
  EXPECT_EQ(seen, "Sig:plain") << "the handler sees the label and the made text";

  // Text is taken only while the style is lsCustom, and kept through a
  // style change.
  TUserLabel& time = *labels.AddLabel("T", "", lsTime);
  time.SetText("never");
  EXPECT_EQ(time.Text(), "");
  EXPECT_FALSE(time.TextStored());
  EXPECT_NE(time.GetText(), "never");
  EXPECT_FALSE(time.GetText().empty());
  custom.SetStyle(lsCenter);
  custom.SetText("ignored");
  EXPECT_EQ(custom.Text(), "plain");
  EXPECT_EQ(custom.GetText(), "from handler") << "the handler is called for every style";
  custom.SetOnGetText(nullptr);
  EXPECT_EQ(custom.GetText(), "") << "alignment labels make no text";
  custom.SetStyle(lsCustom);
  EXPECT_EQ(custom.GetText(), "plain");
  EXPECT_EQ(labels.AddLabel("Styled", "text", lsDate)->Text(), "text")
      << "AddLabel sets the text first";
}

TEST(LabelNames, RenameRules) {
  const struct {
    const char* from;
    const char* to;
    bool duplicate;
  } cases[] = {
      {"Title1", "TITLE1", false},  // own name in another case
      {"Title1", "title1", false}, {"Title1", "Title2", true},
      {"Title1", "TITLE2", true},  // another label's name in any case
      {"Title1", "text1", true},   {"Title1", "Title9", false},
      {"Title1", "", false},  // unnamed labels may repeat
      {"Title1", "Title1", false},
  };
  for (const auto& c : cases) {
    int changes = 0;
    TFontLabels fonts(nullptr, [&changes] { ++changes; });
    CreateDefaultFonts(fonts);
    TUserLabels labels(nullptr, [&changes] { ++changes; });
    labels.AddLabel(c.from, "", lsCustom);
    labels.AddLabel("Title2", "", lsCustom);
    labels.AddLabel("Text1", "", lsCustom);
    TFontLabel& font = fonts[fonts.IndexOf(c.from)];
    TUserLabel& label = labels[labels.IndexOf(c.from)];
    changes = 0;
    for (const auto& rename : {std::function<void()>([&] { font.SetName(c.to); }),
                               std::function<void()>([&] { label.SetName(c.to); })}) {
      if (c.duplicate) {
        try {
          rename();
          ADD_FAILURE() << c.from << " -> " << c.to << " raised nothing";
        } catch (const EDuplicateString& e) {
          EXPECT_STREQ(e.what(), "重复的字符串!");
        }
      } else {
        EXPECT_NO_THROW(rename()) << c.from << " -> " << c.to;
      }
    }
    const std::string expected = c.duplicate ? c.from : c.to;
    EXPECT_EQ(font.Name(), expected);
    EXPECT_EQ(label.Name(), expected);
    EXPECT_EQ(changes, c.duplicate || std::string(c.from) == c.to ? 0 : 2)
        << c.from << " -> " << c.to;
  }
  // Unnamed labels twice, then one of them named like a third one.
  TUserLabels labels;
  labels.Add();
  labels.Add();
  labels.AddLabel("x", "", lsCustom);
  EXPECT_THROW(labels[1].SetName("X"), EDuplicateString);
  EXPECT_EQ(labels[1].Name(), "");
  // A label outside any collection checks nothing.
  TFontLabel loose;
  EXPECT_NO_THROW(loose.SetName("Title1"));
}

TEST(LabelNames, IndexOfIgnoresCaseBeyondAscii) {
  TUserLabels labels;
  labels.AddLabel("Straße", "", lsCustom);
  labels.AddLabel("Äpfel", "", lsCustom);
  EXPECT_EQ(labels.IndexOf("STRASSE"), -1) << "letters compare one for one";
  EXPECT_EQ(labels.IndexOf("straße"), 0);
  EXPECT_EQ(labels.IndexOf("äPFEL"), 1);
  EXPECT_EQ(labels.AddLabel("ÄPFEL", "", lsCustom), nullptr);
  // Tags themselves upper-case only a-z: "<äpfel>" is no tag of "Äpfel".
  TAlignment alignment = taLeftJustify;
  labels[1].SetText("apples");
  std::string line = "<äpfel><Äpfel>";
  labels.ApplyUserTags(line, alignment);
  EXPECT_EQ(line, "<äpfel>apples");
}

TEST(DefaultSets, AreAddedOnceInOrder) {
  TUserLabels labels;
  labels.AddLabel("date", "mine", lsCustom);  // a label the user already has
  CreateDefaultLabels(labels);
  CreateDefaultLabels(labels);
  const std::vector<std::pair<std::string, TLabelStyle>> expected = {
      {"date", lsCustom},        {"Left", lsLeftJustify}, {"Center", lsCenter},
      {"Right", lsRightJustify}, {"Owner", lsRegOwner},   {"Organization", lsRegOrganization},
      {"AppTitle", lsAppTitle},  {"Time", lsTime}};
  ASSERT_EQ(labels.Count(), static_cast<int>(expected.size()));
  for (int i = 0; i < labels.Count(); ++i) {
    EXPECT_EQ(labels[i].Name(), expected[i].first);
    EXPECT_EQ(labels[i].Style(), expected[i].second) << expected[i].first;
  }
  EXPECT_EQ(labels[0].Text(), "mine");

  TFontLabels fonts;
  CreateDefaultFonts(fonts);
  CreateDefaultFonts(fonts);
  const struct {
    const char* name;
    const char* face;
    int size;
    TColor color;
    bool bold;
    bool shadow;
    int offset;
  } kFonts[] = {
      {"Title1", "黑体", 12, 0x000000, true, true, 2},
      {"Title2", "黑体", 9, 0xFF0000, true, true, 1},
      {"Title3", "楷体_GB2312", 11, 0xFF0000, false, true, 2},
      {"Text1", "楷体_GB2312", 9, 0x000000, false, false, 1},
      {"Text2", "楷体_GB2312", 8, 0x808000, false, true, 1},
  };
  ASSERT_EQ(fonts.Count(), 5);
  for (int i = 0; i < 5; ++i) {
    const TFontLabel& f = fonts[i];
    const auto& k = kFonts[i];
    EXPECT_EQ(f.Name(), k.name);
    EXPECT_EQ(f.Font().Name.toStdString(), k.face) << k.name;
    EXPECT_EQ(f.Font().Size, k.size) << k.name;
    EXPECT_EQ(f.Font().Height, 0) << k.name << ": a point size";
    EXPECT_EQ(f.Font().Color, k.color) << k.name;
    EXPECT_EQ(f.Font().Bold, k.bold) << k.name;
    EXPECT_FALSE(f.Font().Italic || f.Font().Underline || f.Font().StrikeOut) << k.name;
    EXPECT_EQ(f.Effect().Shadow().Enabled(), k.shadow) << k.name;
    EXPECT_EQ(f.Effect().Shadow().OffsetX(), k.offset) << k.name;
    EXPECT_EQ(f.Effect().Shadow().OffsetY(), k.offset) << k.name;
    EXPECT_EQ(f.Effect().Alpha(), TAAEffect().Alpha()) << k.name << ": the rest at the defaults";
  }
}

TEST(Collections, EveryChangeReachesTheOwnersCallback) {
  int changes = 0;
  int owner = 0;
  TFontLabels fonts(&owner, [&changes] { ++changes; });
  EXPECT_EQ(fonts.Owner(), &owner);
  const struct {
    const char* what;
    std::function<void()> change;
    int reports;
  } steps[] = {
      {"add", [&] { fonts.Add(); }, 1},
      {"AddFont reports once",
       [&] { fonts.AddFont("F", "宋体", 10, clRed, fsItalic | fsUnderline, true, 3, -4); }, 1},
      {"AddFont of a taken name",
       [&] { EXPECT_EQ(fonts.AddFont("f", "宋体", 1, 0, 0, false, 0, 0), nullptr); }, 0},
      {"rename", [&] { fonts[0].SetName("G"); }, 1},
      {"same font", [&] { fonts[1].SetFont(fonts[1].Font()); }, 0},
      {"font",
       [&] {
         TFontDesc f = fonts[1].Font();
         f.Bold = true;
         fonts[1].SetFont(f);
       },
       1},
      {"an effect value", [&] { fonts[1].Effect().SetBlur(40); }, 1},
      {"a shadow value", [&] { fonts[1].Effect().Shadow().SetColor(clRed); }, 1},
      {"whole effect", [&] { fonts[0].SetEffect(fonts[1].Effect()); }, 1},
      {"batched",
       [&] {
         fonts.BeginUpdate();
         fonts.Add();
         fonts[2].SetName("H");
         fonts.EndUpdate();
       },
       1},
      {"delete", [&] { fonts.Delete(2); }, 1},
      {"clear", [&] { fonts.Clear(); }, 1},
      {"clear an empty collection", [&] { fonts.Clear(); }, 0},
  };
  for (const auto& s : steps) {
    changes = 0;
    s.change();
    EXPECT_EQ(changes, s.reports) << s.what;
    if (std::string_view(s.what) == "AddFont reports once") {
      const TFontDesc& f = fonts[1].Font();
      EXPECT_TRUE(f.Italic && f.Underline && !f.Bold && !f.StrikeOut);
      EXPECT_EQ(fonts[1].Effect().Shadow().OffsetY(), -4);
    }
  }
  EXPECT_THROW(fonts.Delete(0), std::out_of_range);
}

TEST(Collections, AssigningCopiesTheValues) {
  TFontLabels source;
  CreateDefaultFonts(source);
  source[0].Effect().SetBlur(30);
  int changes = 0;
  TFontLabels copy(nullptr, [&changes] { ++changes; });
  copy.Add().SetName("old");
  changes = 0;
  copy.Assign(source);
  EXPECT_EQ(changes, 1);
  ASSERT_EQ(copy.Count(), 5);
  EXPECT_EQ(copy[0].Name(), "Title1");
  EXPECT_EQ(copy[0].Font(), source[0].Font());
  EXPECT_EQ(copy[0].Effect().Blur(), 30);
  EXPECT_EQ(copy[0].Collection(), &copy);
  copy[0].Effect().SetBlur(60);
  EXPECT_EQ(source[0].Effect().Blur(), 30) << "a copy, not a reference";
  copy.Assign(copy);
  EXPECT_EQ(copy.Count(), 5);

  TUserLabels users;
  users.AddLabel("Sig", "text", lsCustom)->SetOnGetText([](TUserLabel&, std::string& t) {
    t += "!";
  });
  TUserLabels userCopy;
  userCopy.Assign(users);
  ASSERT_EQ(userCopy.Count(), 1);
  EXPECT_EQ(userCopy[0].GetText(), "text!");
  EXPECT_EQ(userCopy[0].DisplayName(), "Sig");
  userCopy[0].SetName("");
  EXPECT_EQ(userCopy[0].DisplayName(), "TUserLabel");
  EXPECT_EQ(TFontLabel().DisplayName(), "TFontLabel");
}

}  // namespace
