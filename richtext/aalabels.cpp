// SPDX-License-Identifier: MIT
#include "aalabels.h"

#include <QDate>
#include <QGuiApplication>
#include <QLocale>
#include <QString>
#include <QTime>

#include <algorithm>

#include "textutil.h"
#include "usernames.h"

namespace tessary {

namespace {

// Where the label's tag first stands in line, ASCII letters folded; npos
// when it does not. Searched in place: a board line is long and every label
// of both collections looks for its tag in it.
std::size_t FindTag(const std::string& line, const std::string& name) {
  const std::string tag = "<" + AsciiUpper(name) + ">";
  const auto at = std::search(line.begin(), line.end(), tag.begin(), tag.end(),
                              [](char a, char b) { return AsciiUpper(a) == b; });
  return at == line.end() ? std::string::npos : static_cast<std::size_t>(at - line.begin());
}

std::size_t TagLength(const std::string& name) { return name.size() + 2; }

// The rule both item kinds apply before taking a new name.
template <class TCollection>
void CheckUnique(const TCollection* collection, const std::string& oldName,
                 const std::string& newName) {
  if (!newName.empty() && !SameLabelName(newName, oldName) && collection != nullptr &&
      collection->IndexOf(newName) >= 0)
    throw EDuplicateString();
}

std::string ToUtf8(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace

bool SameLabelName(std::string_view a, std::string_view b) {
  return QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size()))
             .compare(QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())),
                      Qt::CaseInsensitive) == 0;
}

// ---- TFontLabel ----

TFontLabel::TFontLabel(TFontLabels* collection)
    : FCollection(collection), FEffect([this](TNotifyClass*) { Changed(); }, this) {}

void TFontLabel::Changed() {
  if (FCollection) FCollection->Changed();
}

void TFontLabel::SetName(const std::string& value) {
  if (value == FName) return;
  CheckUnique(FCollection, FName, value);
  FName = value;
  Changed();
}

void TFontLabel::SetFont(const TFontDesc& value) {
  if (value == FFont) return;
  FFont = value;
  Changed();
}

void TFontLabel::SetEffect(const TAAEffect& value) {
  FEffect.Assign(value);
  Changed();
}

std::string TFontLabel::DisplayName() const { return FName.empty() ? "TFontLabel" : FName; }

void TFontLabel::Assign(const TFontLabel& source) {
  if (&source == this) return;
  FName = source.FName;
  FFont = source.FFont;
  FEffect.Assign(source.FEffect);
  Changed();
}

// ---- TFontLabels ----

TFontLabel* TFontLabels::AddFont(const std::string& name, const std::string& fontName, int size,
                                 TColor color, TFontStyles style, bool shadowEnabled,
                                 int shadowOffsetX, int shadowOffsetY) {
  if (IndexOf(name) >= 0) return nullptr;
  BeginUpdate();
  TFontLabel& label = Add();
  label.SetName(name);
  TFontDesc font = label.Font();
  font.Name = QString::fromStdString(fontName);
  font.SetSize(size);
  font.Color = color;
  font.Bold = (style & fsBold) != 0;
  font.Italic = (style & fsItalic) != 0;
  font.Underline = (style & fsUnderline) != 0;
  font.StrikeOut = (style & fsStrikeOut) != 0;
  label.SetFont(font);
  label.Effect().Shadow().SetEnabled(shadowEnabled);
  label.Effect().Shadow().SetOffsetX(shadowOffsetX);
  label.Effect().Shadow().SetOffsetY(shadowOffsetY);
  EndUpdate();
  return &label;
}

void TFontLabels::ApplyFontTags(std::string& line, TFontDesc* font, TAAEffect* effect) const {
  for (const auto& label : FItems) {
    const std::size_t p = FindTag(line, label->Name());
    if (p == std::string::npos) continue;
    if (font) *font = label->Font();
    if (effect) effect->Assign(label->Effect());
    line.erase(p, TagLength(label->Name()));
  }
}

// ---- TUserLabel ----

TUserLabel::TUserLabel(TUserLabels* collection) : FCollection(collection) {}

void TUserLabel::Changed() {
  if (FCollection) FCollection->Changed();
}

void TUserLabel::SetName(const std::string& value) {
  if (value == FName) return;
  CheckUnique(FCollection, FName, value);
  FName = value;
  Changed();
}

void TUserLabel::SetText(const std::string& value) {
  if (FStyle != lsCustom || value == FText) return;
  FText = value;
  Changed();
}

void TUserLabel::SetStyle(TLabelStyle value) {
  if (value < lsLeftJustify || value > lsCustom || value == FStyle) return;
  FStyle = value;
  Changed();
}

std::string TUserLabel::GetText() {
  std::string text;
  switch (FStyle) {
    case lsLeftJustify:
    case lsCenter:
    case lsRightJustify: break;
    case lsRegOwner:
      if (FCollection) text = FCollection->RegOwner();
      break;
    case lsRegOrganization:
      if (FCollection) text = FCollection->RegOrganization();
      break;
    case lsAppTitle: text = ToUtf8(QGuiApplication::applicationDisplayName()); break;
    case lsDate:
      text = ToUtf8(QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));
      break;
    case lsTime:
      // The locale's long format adds a time zone ("UTC", "CST"): a panel
      // shows the plain clock time, as <Date> shows the plain date.
      text = ToUtf8(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
      break;
    case lsCustom: text = FText; break;
  }
  if (FOnGetText) FOnGetText(*this, text);
  return text;
}

std::string TUserLabel::DisplayName() const { return FName.empty() ? "TUserLabel" : FName; }

void TUserLabel::Assign(const TUserLabel& source) {
  if (&source == this) return;
  FName = source.FName;
  FText = source.FText;
  FStyle = source.FStyle;
  FOnGetText = source.FOnGetText;
  Changed();
}

// ---- TUserLabels ----

TUserLabels::TUserLabels(void* owner, TChangeEvent onChange)
    : TLabelCollection(owner, std::move(onChange)) {
  LoadRegistryInfo();
}

void TUserLabels::LoadRegistryInfo() {
  // Linux keeps no registered owner: the password database's full name
  // stands in for it (the login name when there is none), $ORGANIZATION for
  // the organization.
  FRegOwner = platform::RegisteredOwner();
  FRegOrganization = platform::RegisteredOrganization();
}

TUserLabel* TUserLabels::AddLabel(const std::string& name, const std::string& text,
                                  TLabelStyle style) {
  if (IndexOf(name) >= 0) return nullptr;
  BeginUpdate();
  TUserLabel& label = Add();
  label.SetName(name);
  label.SetText(text);  // a new label is a custom one, which takes the text
  label.SetStyle(style);
  EndUpdate();
  return &label;
}

void TUserLabels::ApplyUserTags(std::string& line, TAlignment& alignment) const {
  for (const auto& label : FItems) {
    const std::size_t p = FindTag(line, label->Name());
    if (p == std::string::npos) continue;
    line.erase(p, TagLength(label->Name()));
    switch (label->Style()) {
      case lsLeftJustify: alignment = taLeftJustify; break;
      case lsCenter: alignment = taCenter; break;
      case lsRightJustify: alignment = taRightJustify; break;
      default: line.insert(p, label->GetText()); break;
    }
  }
}

// ---- Default sets ----

void CreateDefaultLabels(TUserLabels& labels) {
  static const struct {
    const char* name;
    TLabelStyle style;
  } kDefaults[] = {
      {"Left", lsLeftJustify},
      {"Center", lsCenter},
      {"Right", lsRightJustify},
      {"Owner", lsRegOwner},
      {"Organization", lsRegOrganization},
      {"AppTitle", lsAppTitle},
      {"Date", lsDate},
      {"Time", lsTime},
  };
  labels.BeginUpdate();
  for (const auto& d : kDefaults) labels.AddLabel(d.name, "", d.style);
  labels.EndUpdate();
}

void CreateDefaultFonts(TFontLabels& fonts) {
  static const struct {
    const char* name;
    const char* face;
    int size;
    TColor color;
    TFontStyles style;
    bool shadow;
    int offsetX, offsetY;
  } kDefaults[] = {
      {"Title1", "黑体", 12, 0x000000, fsBold, true, 2, 2},
      {"Title2", "黑体", 9, 0xFF0000, fsBold, true, 1, 1},
      {"Title3", "楷体_GB2312", 11, 0xFF0000, 0, true, 2, 2},
      {"Text1", "楷体_GB2312", 9, 0x000000, 0, false, 1, 1},
      {"Text2", "楷体_GB2312", 8, 0x808000, 0, true, 1, 1},
  };
  fonts.BeginUpdate();
  for (const auto& d : kDefaults)
    fonts.AddFont(d.name, d.face, d.size, d.color, d.style, d.shadow, d.offsetX, d.offsetY);
  fonts.EndUpdate();
}

// ---- Layout ----

void ApplyMarkup(std::string& line, TMarkupState& state, const TMarkupState& base,
                 TLabelEffect labelEffect, const TFontLabels& fonts, const TUserLabels& labels) {
  if (labelEffect == leOnlyALine) state = base;
  fonts.ApplyFontTags(line, &state.Font, &state.Effect);
  labels.ApplyUserTags(line, state.Alignment);
}

}  // namespace tessary
