// SPDX-License-Identifier: MIT
// The side panel column: the effect label and six scrolling panels, their
// fonts and built-in text, and the three handlers they share.

#include <QUrl>

#include "aalabel.h"
#include "aascrolltext.h"
#include "boardfetch.h"
#include "formfcalculator.h"
#include "userdialogs.h"

namespace tessary {

namespace {

constexpr TColor kRed = 0x0000FF;
constexpr TColor kBlue = 0xFF0000;
constexpr TColor kBlack = 0x000000;
constexpr TColor kFuchsia = 0xFF00FF;
constexpr TColor kNavy = 0x800000;

constexpr int kPanelLeft = 755;
constexpr int kPanelWidth = 258;
constexpr int kPanelHeight = 73;
constexpr int kPanelTops[TFormFCalculator::kPanelCount] = {115, 202, 289, 376, 463, 550};

// Each panel's Title1 gradient and its pause at the top of a pass.
struct TPanelLook {
  TGradualStyle Style;
  TColor Start, End;
  int RepeatDelay;
};
constexpr TPanelLook kLooks[TFormFCalculator::kPanelCount] = {
    {gsLeftToRight, kRed, kBlack, 10000},   {gsLeftToRight, kBlack, kRed, 9000},
    {gsCenterToLR, 0x8000FF, kBlack, 8000}, {gsBottomToTop, kFuchsia, kBlue, 9500},
    {gsRightToLeft, kBlue, kRed, 8500},     {gsTopToBottom, kRed, kNavy, 8700},
};

TFontDesc Face(const char* name, int height, TColor color, bool bold = false) {
  TFontDesc font;
  font.Name = QString::fromUtf8(name);
  font.Height = height;
  font.Color = color;
  font.Bold = bold;
  return font;
}

TFontLabel& AddFontLabel(TAAScrollText& panel, const char* name, const TFontDesc& font) {
  TFontLabel& label = panel.Fonts().Add();
  label.SetName(name);
  label.SetFont(font);
  return label;
}

void Shadow(TFontLabel& label, int dx, int dy) {
  label.Effect().Shadow().SetEnabled(true);
  label.Effect().Shadow().SetOffsetX(dx);
  label.Effect().Shadow().SetOffsetY(dy);
}

void Gradient(TFontLabel& label, TGradualStyle style, TColor start, TColor end) {
  TAAGradual& g = label.Effect().Gradual();
  g.SetEnabled(true);
  g.SetStyle(style);
  g.SetStartColor(start);
  g.SetEndColor(end);
}

// The named fonts of a side panel, Title1 with the panel's own gradient.
void AddPanelFonts(TAAScrollText& panel, const TPanelLook& look) {
  TFontLabel& title1 = AddFontLabel(panel, "Title1", Face("宋体", -19, kRed));
  Shadow(title1, 2, 2);
  Gradient(title1, look.Style, look.Start, look.End);
  Shadow(AddFontLabel(panel, "Title2", Face("宋体", -17, kBlue)), 1, 1);
  Shadow(AddFontLabel(panel, "Title3", Face("楷体_GB2312", -15, kBlue)), 2, 2);
  TFontLabel& text1 = AddFontLabel(panel, "Text1", Face("宋体", -14, clWindowText));
  text1.Effect().Shadow().SetOffsetX(1);
  text1.Effect().Shadow().SetOffsetY(1);
  Shadow(AddFontLabel(panel, "Text2", Face("Times New Roman", -14, kBlue)), 1, 1);
  TFontLabel& title4 = AddFontLabel(panel, "Title4", Face("隶书", -29, kBlack, true));
  Shadow(title4, 2, 2);
  Gradient(title4, gsLeftToRight, 0xFF2200, 0x2210FF);
  title4.Effect().SetBlur(50);
  title4.Effect().SetOutline(true);
  TFontLabel& text3 = AddFontLabel(panel, "Text3", Face("隶书", -15, kBlue));
  Shadow(text3, 1, 1);
  Gradient(text3, gsTopToBottom, 0xCC3311, 0xFF22AA);
}

}  // namespace

// What the panels show until the bulletin board replaces it.
const QStringList& TFormFCalculator::BuiltInPanelText() {
  static const QStringList lines = {
      QStringLiteral("<Title1><Center>Tessary公式计算器"),
      QString(),
      QStringLiteral("<Title2><Center>软件功能"),
      QStringLiteral("<Text1><Left>本软件用作计算器，包括各种公式计算"),
      QStringLiteral("<Left>允许使用各种括号:{}、[]、()"),
      QStringLiteral("<Left>允许使用习惯运算符:x等"),
      QStringLiteral("<Left>允许自定义、使用变量"),
      QStringLiteral("<Left>允许多公式计算"),
      QStringLiteral("<Left>允许保存计算到文件"),
  };
  return lines;
}

void TFormFCalculator::BuildSideColumn() {
  FSideLabel = new TAALabel(FClient);
  FSideLabel->setObjectName(QStringLiteral("AALabel1"));
  TFontDesc font = Face("楷体_GB2312", -19, kRed, true);
  font.Charset = 134;  // GB2312
  FSideLabel->SetFont(font);
  FSideLabel->ParentEffect().SetParentFont(false);
  FSideLabel->SetCaption(QStringLiteral("右侧广告招租"));

  for (int i = 0; i < kPanelCount; ++i) {
    auto* panel = new TAAScrollText(FClient);
    panel->setObjectName(QStringLiteral("AAST%1").arg(i));
    panel->setProperty("HelpContext", i);  // the panel's own index, for its link
    panel->setCursor(Qt::PointingHandCursor);
    SetUpSidePanel(*panel, i);
    panel->OnClick = [this](QObject* sender) { AAFadeText1Click(sender); };
    panel->OnMouseEnter = [this](QObject* sender) { AAST0MouseEnter(sender); };
    panel->OnMouseLeave = [this](QObject* sender) { AAST0MouseLeave(sender); };
    FPanelWidgets[i] = panel;
  }
  LoadSideColumn();
}

void TFormFCalculator::SetUpSidePanel(TAAScrollText& panel, int index) {
  panel.SetActive(false);  // still until the board fills it
  panel.ParentEffect().SetParentColor(false);
  panel.ParentEffect().SetParentFont(false);
  panel.Text().SetFont(Face("MS Sans Serif", -11, clWindowText));
  panel.Text().SetBackColor(clBtnFace);
  CreateDefaultLabels(panel.Labels());
  AddPanelFonts(panel, kLooks[index]);
  panel.SetRepeatDelay(kLooks[index].RepeatDelay);
  panel.Text().SetLines(BuiltInPanelText());
}

// The panel table: index i holds the panel named AAST<i>.
void TFormFCalculator::FillPanelTable() {
  for (int i = 0; i < kPanelCount; ++i)
    FPanels[i] = FClient->findChild<TAAScrollText*>(QStringLiteral("AAST%1").arg(i));
}

// The label and the panels' first frames are drawn on the layout threads
// while the window is built and painted for the first time, which shows
// them; the rest of the text waits until the window has painted.
void TFormFCalculator::LoadSideColumn() {
  LayOutSideColumn(0, 0);  // where they stand in the least window
  HoldLayoutRest(true);
  FSideLabel->SetLayoutInBackground(true);
  FSideLabel->Loaded();
  for (TAAScrollText* panel : FPanelWidgets) {
    panel->SetLayoutInBackground(true);
    panel->Loaded();
  }
}

// The column keeps its width at the right edge; its panels share the
// change in height (dh, the same as the panes'), so each one lays its text
// out again only when its size changes.
void TFormFCalculator::LayOutSideColumn(int dw, int dh) {
  if (FSideLabel == nullptr) return;  // still building
  FSideLabel->move(631 + dw, 122);
  // Rounded down, a lower window too: the first panels take the remainder.
  const int share = (dh - ((dh % kPanelCount + kPanelCount) % kPanelCount)) / kPanelCount;
  const int remainder = dh - share * kPanelCount;
  int below = 0;  // extra height given to the panels above
  for (int i = 0; i < kPanelCount; ++i) {
    const int extra = share + (i < remainder ? 1 : 0);
    FPanelWidgets[i]->setGeometry(kPanelLeft + dw, kPanelTops[i] + below, kPanelWidth,
                                  kPanelHeight + extra);
    below += extra;
  }
}

void TFormFCalculator::SetPanelsActive(bool active) {
  for (TAAScrollText* panel : FPanels) panel->SetActive(active);
}

// A click opens the panel's link, if the board gave it one. The link comes
// from a server: only a web address goes to the desktop's opener, never a
// file, a script or another scheme's handler.
void TFormFCalculator::AAFadeText1Click(QObject* sender) {
  const int index = sender->property("HelpContext").toInt();
  if (index < 0 || index >= kBoardPieces) return;
  const QString& link = FBoard->Links()[std::size_t(index)];
  if (link.isEmpty()) return;
  const QUrl url(link);
  const QString scheme = url.scheme().toLower();
  if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
      url.host().isEmpty())
    return;
  FDialogs.OpenDocument(url);
}

// The mouse over a panel holds it still; leaving lets it go on.
void TFormFCalculator::AAST0MouseEnter(QObject* sender) {
  if (auto* panel = qobject_cast<TAAScrollText*>(sender)) panel->SetScrollStep(0);
}

void TFormFCalculator::AAST0MouseLeave(QObject* sender) {
  if (auto* panel = qobject_cast<TAAScrollText*>(sender)) panel->SetScrollStep(1);
}

}  // namespace tessary
