// SPDX-License-Identifier: MIT
// The Windows face names the window and the panels ask for reach real
// installed fonts: every glyph of a Chinese caption comes from the expected
// stand-in, none is the missing-glyph box (index 0).

#include "fontsubstitutes.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>

#include <gtest/gtest.h>

namespace tessary::platform {
namespace {

QList<QGlyphRun> GlyphRuns(const QString& text, const QStringList& families) {
  QFont font;
  font.setFamilies(families);
  font.setPixelSize(12);
  QTextLayout layout(text, font);
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  return layout.glyphRuns();
}

TEST(FontSubstitutes, FacesGetTheirStandIns) {
  struct TCase {
    const char* face;
    const char* text;
    const char* family;  // "" = any real font (CJK glyphs by fallback)
  };
  const TCase cases[] = {
      {"宋体", "Tessary公式计算器", "AR PL UMing CN"},  // Latin and Chinese from one face
      {"宋体", "Z={80+2×[5+2×(1.5+1)]}/(P/T)÷π", "AR PL UMing CN"},  // the formula signs
      {"SimSun", "变量表", "AR PL UMing CN"},
      {"黑体", "变量表", "WenQuanYi Zen Hei"},
      {"楷体_GB2312", "公式计算器", "AR PL UKai CN"},
      {"隶书", "欢迎使用", "AR PL UKai CN"},  // no clerical font: kai stands in
      {"MS Sans Serif", "Tessary", "Liberation Sans"},
      {"MS Sans Serif", "变量表", ""},
      {"Times New Roman", "Formula Calculator", "Liberation Serif"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.face) + " / " + c.text);
    const QList<QGlyphRun> runs =
        GlyphRuns(QString::fromUtf8(c.text), QStringList{QString::fromUtf8(c.face)});
    // Asked by its installed names, the face draws with the same fonts.
    const QList<QGlyphRun> named =
        GlyphRuns(QString::fromUtf8(c.text), FamiliesFor(QString::fromUtf8(c.face)));
    ASSERT_EQ(named.size(), runs.size());
    for (qsizetype i = 0; i < runs.size(); ++i) {
      EXPECT_EQ(named[i].rawFont().familyName().toLower().toStdString(),
                runs[i].rawFont().familyName().toLower().toStdString());
      EXPECT_EQ(named[i].glyphIndexes(), runs[i].glyphIndexes());
    }
    ASSERT_FALSE(runs.isEmpty());
    qsizetype glyphs = 0;
    for (const QGlyphRun& run : runs) {
      const QString family = run.rawFont().familyName();
      EXPECT_FALSE(family.isEmpty());
      // The family is reported as the substitute was written, or lower-cased.
      if (*c.family != '\0') {
        EXPECT_EQ(family.toLower().toStdString(),
                  QString::fromUtf8(c.family).toLower().toStdString());
      }
      for (quint32 index : run.glyphIndexes())
        EXPECT_NE(index, 0u) << "a box in " << family.toStdString();
      glyphs += run.glyphIndexes().size();
    }
    // One glyph per character; a space may have none.
    const QString text = QString::fromUtf8(c.text);
    EXPECT_GE(glyphs, QString(text).remove(QLatin1Char(' ')).size());
    EXPECT_LE(glyphs, text.size());
  }
}

TEST(FontSubstitutes, AskedForByTheirInstalledNames) {
  const struct {
    const char* Face;
    const char* First;
  } cases[] = {
      {"宋体", "AR PL UMing CN"},       {"黑体", "WenQuanYi Zen Hei"},
      {"楷体_GB2312", "AR PL UKai CN"}, {"MS Sans Serif", "Liberation Sans"},
      {"DejaVu Sans", "DejaVu Sans"},  // not a Windows face: as it is
      {"无此字体", "无此字体"},        // unknown: Qt's own fallback decides
  };
  for (const auto& c : cases) {
    const QStringList families = FamiliesFor(QString::fromUtf8(c.Face));
    ASSERT_FALSE(families.isEmpty()) << c.Face;
    EXPECT_EQ(families.front().toStdString(), c.First) << c.Face;
  }
}

// The packages the scripts install provide the first choice of every face;
// without them the table would silently fall through to later ones.
TEST(FontSubstitutes, FirstStandInsAreInstalled) {
  const QStringList installed = QFontDatabase::families();
  for (const TFontSubstitute& entry : FontSubstitutes()) {
    SCOPED_TRACE(entry.Face.toStdString());
    ASSERT_FALSE(entry.StandIns.isEmpty());
    EXPECT_TRUE(installed.contains(entry.StandIns.front())) << entry.StandIns.front().toStdString();
  }
}

}  // namespace
}  // namespace tessary::platform

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  tessary::platform::InstallFontSubstitutes();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
