// SPDX-License-Identifier: MIT
#pragma once

// The markup of the rich text controls: font labels ("<Title1>" switches the
// font and font effect) and user labels ("<Center>" switches the alignment,
// "<Owner>" is replaced by a text), kept in the two collections a text
// control owns.
//
// Names, texts and lines are UTF-8, as the controls hold their text. A tag
// is matched after ASCII upper-casing of line and name (letters a-z only),
// which treats every byte of a multibyte character as it is, just as it
// would on code page 936 text; the byte-exact wrap rule converts where it
// applies (wrapline.h).

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "aaeffect.h"
#include "fontdesc.h"

namespace tessary {

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// How long a tag's font, effect and alignment hold: for the rest of its
// source line, or until another tag changes them.
enum TLabelEffect { leOnlyALine, leUntilNextLabel };

enum TLabelStyle {
  lsLeftJustify,
  lsCenter,
  lsRightJustify,
  lsRegOwner,
  lsRegOrganization,
  lsAppTitle,
  lsDate,
  lsTime,
  lsCustom
};

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;  // TFontStyle values or-ed together

// Renaming a label to the name of another label of its collection.
class EDuplicateString : public std::runtime_error {
 public:
  EDuplicateString() : std::runtime_error("重复的字符串!") {}
};

using TChangeEvent = std::function<void()>;

// What the two collections share: owned items in order, an owner, and one
// change callback that every change of the collection or of an item calls.
template <class TItem, class TSelf>
class TLabelCollection {
 public:
  TLabelCollection(const TLabelCollection&) = delete;
  TLabelCollection& operator=(const TLabelCollection&) = delete;

  void* Owner() const { return FOwner; }
  void SetOnChange(TChangeEvent onChange) { FOnChange = std::move(onChange); }

  int Count() const { return static_cast<int>(FItems.size()); }
  TItem& Items(int index) const { return *FItems.at(static_cast<std::size_t>(index)); }
  TItem& operator[](int index) const { return Items(index); }

  // A new unnamed item at the end.
  TItem& Add() {
    FItems.push_back(std::make_unique<TItem>(static_cast<TSelf*>(this)));
    Changed();
    return *FItems.back();
  }
  void Delete(int index) {
    Items(index);  // throws std::out_of_range for a wrong index
    FItems.erase(FItems.begin() + index);
    Changed();
  }
  void Clear() {
    if (FItems.empty()) return;
    FItems.clear();
    Changed();
  }

  // The first item whose name equals name ignoring case; -1 when none.
  int IndexOf(std::string_view name) const;

  // Changes inside Begin/EndUpdate are reported once, at the last EndUpdate.
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0 && FChangedWhileUpdating) Changed();
  }
  void Changed() {
    if (FUpdateCount > 0) {
      FChangedWhileUpdating = true;
      return;
    }
    FChangedWhileUpdating = false;
    if (FOnChange) FOnChange();
  }

 protected:
  TLabelCollection(void* owner, TChangeEvent onChange)
      : FOwner(owner), FOnChange(std::move(onChange)) {}
  ~TLabelCollection() = default;
  // Replaces the items with copies of source's, reporting once.
  void AssignItems(const TSelf& source) {
    if (&source == this) return;
    BeginUpdate();
    FItems.clear();
    for (int i = 0; i < source.Count(); ++i) {
      FItems.push_back(std::make_unique<TItem>(static_cast<TSelf*>(this)));
      FItems.back()->Assign(source.Items(i));
    }
    Changed();
    EndUpdate();
  }

  std::vector<std::unique_ptr<TItem>> FItems;

 private:
  void* FOwner;
  TChangeEvent FOnChange;
  int FUpdateCount = 0;
  bool FChangedWhileUpdating = false;
};

// Name comparison of the collections: case-insensitive beyond ASCII too.
bool SameLabelName(std::string_view a, std::string_view b);

template <class TItem, class TSelf>
int TLabelCollection<TItem, TSelf>::IndexOf(std::string_view name) const {
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (SameLabelName(FItems[i]->Name(), name)) return static_cast<int>(i);
  return -1;
}

class TFontLabels;

class TFontLabel {
 public:
  explicit TFontLabel(TFontLabels* collection = nullptr);
  TFontLabel(const TFontLabel&) = delete;
  TFontLabel& operator=(const TFontLabel&) = delete;

  TFontLabels* Collection() const { return FCollection; }
  const std::string& Name() const { return FName; }
  // Throws EDuplicateString when another label of the collection has the
  // name in any letter case; the old name stays.
  void SetName(const std::string& value);
  const TFontDesc& Font() const { return FFont; }
  void SetFont(const TFontDesc& value);
  // Changes made through Effect() are reported like SetEffect.
  TAAEffect& Effect() { return FEffect; }
  const TAAEffect& Effect() const { return FEffect; }
  void SetEffect(const TAAEffect& value);
  // The name, or the item kind for an unnamed label.
  std::string DisplayName() const;
  // Copies name, font and effect; the name without the duplicate check.
  void Assign(const TFontLabel& source);

 private:
  void Changed();

  TFontLabels* FCollection;
  std::string FName;
  TFontDesc FFont;
  TAAEffect FEffect;
};

class TFontLabels : public TLabelCollection<TFontLabel, TFontLabels> {
 public:
  explicit TFontLabels(void* owner = nullptr, TChangeEvent onChange = nullptr)
      : TLabelCollection(owner, std::move(onChange)) {}
  void Assign(const TFontLabels& source) { AssignItems(source); }

  // A label with that font (size in points) and shadow; nullptr, and no
  // change, when the name is taken.
  TFontLabel* AddFont(const std::string& name, const std::string& fontName, int size, TColor color,
                      TFontStyles style, bool shadowEnabled, int shadowOffsetX, int shadowOffsetY);

  // The font tags of one line: every label's first tag is removed, and the
  // last label in collection order that has a tag in the line sets the font
  // and the effect (each only when given).
  void ApplyFontTags(std::string& line, TFontDesc* font, TAAEffect* effect) const;
};

class TUserLabels;
class TUserLabel;
// Called after a label's text is made; it may replace the text.
using TGetTextEvent = std::function<void(TUserLabel& sender, std::string& text)>;

class TUserLabel {
 public:
  explicit TUserLabel(TUserLabels* collection = nullptr);
  TUserLabel(const TUserLabel&) = delete;
  TUserLabel& operator=(const TUserLabel&) = delete;

  TUserLabels* Collection() const { return FCollection; }
  const std::string& Name() const { return FName; }
  void SetName(const std::string& value);  // as TFontLabel::SetName
  // The text of a custom label; setting it does nothing unless the style is
  // lsCustom, and it is worth storing only then.
  const std::string& Text() const { return FText; }
  void SetText(const std::string& value);
  bool TextStored() const { return FStyle == lsCustom; }
  TLabelStyle Style() const { return FStyle; }
  void SetStyle(TLabelStyle value);
  const TGetTextEvent& OnGetText() const { return FOnGetText; }
  void SetOnGetText(TGetTextEvent handler) { FOnGetText = std::move(handler); }

  // The text the label's tag is replaced by, made now: empty for the
  // alignment styles; the date in the system's short date format, the time
  // as HH:mm:ss on the 24-hour clock.
  std::string GetText();
  std::string DisplayName() const;
  void Assign(const TUserLabel& source);

 private:
  void Changed();

  TUserLabels* FCollection;
  std::string FName;
  std::string FText;
  TLabelStyle FStyle = lsCustom;
  TGetTextEvent FOnGetText;
};

class TUserLabels : public TLabelCollection<TUserLabel, TUserLabels> {
 public:
  // Reads the registered owner and organization once.
  explicit TUserLabels(void* owner = nullptr, TChangeEvent onChange = nullptr);
  void Assign(const TUserLabels& source) { AssignItems(source); }

  // nullptr, and no change, when the name is taken.
  TUserLabel* AddLabel(const std::string& name, const std::string& text, TLabelStyle style);

  // The user tags of one line: each label's first tag is removed; an
  // alignment label sets alignment, any other has its text inserted where
  // the tag stood (where a later label's tag in it is replaced in turn).
  void ApplyUserTags(std::string& line, TAlignment& alignment) const;

  const std::string& RegOwner() const { return FRegOwner; }
  const std::string& RegOrganization() const { return FRegOrganization; }

 private:
  void LoadRegistryInfo();

  std::string FRegOwner;
  std::string FRegOrganization;
};

// The default sets; a label whose name is taken is left as it is.
void CreateDefaultLabels(TUserLabels& labels);
void CreateDefaultFonts(TFontLabels& fonts);

// The state the tags change while a text is laid out.
struct TMarkupState {
  TFontDesc Font;
  TAAEffect Effect;
  TAlignment Alignment = taLeftJustify;
};

// The tag steps of one source line, font tags first. With leOnlyALine the
// state starts from base again; with leUntilNextLabel it carries on from the
// line before.
void ApplyMarkup(std::string& line, TMarkupState& state, const TMarkupState& base,
                 TLabelEffect labelEffect, const TFontLabels& fonts, const TUserLabels& labels);

}  // namespace tessary
