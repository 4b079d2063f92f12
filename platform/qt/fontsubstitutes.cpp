// SPDX-License-Identifier: MIT
#include "fontsubstitutes.h"

#include <QFont>
#include <QFontDatabase>
#include <QSet>

#include <algorithm>
#include <mutex>
#include <optional>

namespace tessary::platform {

namespace {

// The stand-ins come from Debian's fonts-arphic-uming, fonts-arphic-ukai,
// fonts-wqy-zenhei and fonts-liberation2; Noto CJK is taken where a user has
// it instead. Bookworm has no clerical-script (隶书) font: kai is nearest.
const QString kMing = QStringLiteral("AR PL UMing CN");
const QString kKai = QStringLiteral("AR PL UKai CN");
const QString kZenHei = QStringLiteral("WenQuanYi Zen Hei");
const QString kNotoSerif = QStringLiteral("Noto Serif CJK SC");
const QString kNotoSans = QStringLiteral("Noto Sans CJK SC");

std::vector<TFontSubstitute> BuildTable() {
  const QStringList song = {kMing, kNotoSerif, kZenHei};
  const QStringList hei = {kZenHei, kNotoSans, kMing};
  const QStringList kai = {kKai, kMing, kNotoSerif, kZenHei};
  // Latin faces keep a CJK family behind them, so Chinese text set in them
  // still finds its glyphs.
  const QStringList sans = {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans"),
                            kZenHei, kNotoSans};
  const QStringList serif = {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif"),
                             kMing, kNotoSerif};
  // The Chinese names with their English twins, which markup may use too.
  return {
      {QStringLiteral("宋体"), song, true},
      {QStringLiteral("SimSun"), song, true},
      {QStringLiteral("新宋体"), song, true},
      {QStringLiteral("NSimSun"), song, true},
      {QStringLiteral("黑体"), hei, true},
      {QStringLiteral("SimHei"), hei, true},
      {QStringLiteral("楷体_GB2312"), kai, true},
      {QStringLiteral("KaiTi_GB2312"), kai, true},
      {QStringLiteral("楷体"), kai, true},
      {QStringLiteral("KaiTi"), kai, true},
      {QStringLiteral("隶书"), kai, true},
      {QStringLiteral("LiSu"), kai, true},
      {QStringLiteral("MS Sans Serif"), sans, false},
      {QStringLiteral("Times New Roman"), serif, false},
  };
}

}  // namespace

const std::vector<TFontSubstitute>& FontSubstitutes() {
  static const std::vector<TFontSubstitute> table = BuildTable();
  return table;
}

void InstallFontSubstitutes() {
  for (const TFontSubstitute& entry : FontSubstitutes())
    QFont::insertSubstitutions(entry.Face, entry.StandIns);
}

QStringList FamiliesFor(const QString& face) {
  const std::vector<TFontSubstitute>& table = FontSubstitutes();
  const auto entry = std::find_if(table.begin(), table.end(),
                                  [&face](const TFontSubstitute& e) { return e.Face == face; });
  if (entry == table.end()) return {face};
  // Fonts are not installed while the program runs: each face is looked up once.
  static std::mutex mutex;
  static std::vector<std::optional<QStringList>> known(table.size());
  static std::optional<QSet<QString>> installed;
  const std::lock_guard lock(mutex);
  std::optional<QStringList>& families = known[static_cast<std::size_t>(entry - table.begin())];
  if (!families) {
    // One list of every family, not QFontDatabase::hasFamily per stand-in:
    // that runs the whole font configuration over each name it is asked.
    if (!installed) {
      installed.emplace();
      for (QString family : QFontDatabase::families()) {
        // A family that several foundries make is listed as "Family [Foundry]".
        const qsizetype foundry = family.indexOf(QLatin1String(" ["));
        if (foundry > 0) family.truncate(foundry);
        installed->insert(family.toCaseFolded());
      }
    }
    families.emplace();
    for (const QString& family : entry->StandIns) {
      if (!installed->contains(family.toCaseFolded())) continue;
      families->append(family);
      if (entry->Chinese) break;
    }
    if (families->isEmpty()) families->append(face);
  }
  return *families;
}

}  // namespace tessary::platform
