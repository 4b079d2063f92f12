// SPDX-License-Identifier: MIT
#pragma once

// The settings of the font effect renderer: persistent objects that store a
// value only when it differs and then report the change to their owner.

#include <QImage>

#include <cstdint>
#include <functional>
#include <string>

#include "aacolor.h"

namespace tessary {

namespace platform {
class TIniFile;
}

class TNotifyClass;
using TNotifyEvent = std::function<void(TNotifyClass* sender)>;

class TNotifyClass {
 public:
  explicit TNotifyClass(TNotifyEvent onChange = nullptr, void* owner = nullptr)
      : FOnChange(std::move(onChange)), FOwner(owner) {}
  virtual ~TNotifyClass() = default;
  void SetOnChange(TNotifyEvent onChange) { FOnChange = std::move(onChange); }
  void* Owner() const { return FOwner; }
  virtual void Changed();

 protected:
  TNotifyEvent FOnChange;
  void* FOwner;
};

// Stores value when it differs and reports it: the one rule of every setter
// of the settings objects.
template <typename T, typename U>
void Store(TNotifyClass& self, T& field, U value) {
  if (field == static_cast<T>(value)) return;
  field = static_cast<T>(value);
  self.Changed();
}

class TEnabledClass : public TNotifyClass {
 public:
  using TNotifyClass::TNotifyClass;
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  void Changed() override;  // reports only while enabled

 protected:
  bool FEnabled = false;
};

class TAAShadow : public TEnabledClass {
 public:
  using TEnabledClass::TEnabledClass;
  int Blur() const { return FBlur; }  // 0..100
  void SetBlur(int value);
  int Alpha() const { return FAlpha; }  // 0..100
  void SetAlpha(int value);
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  int OffsetX() const { return FOffsetX; }  // -20..20
  void SetOffsetX(int value);
  int OffsetY() const { return FOffsetY; }
  void SetOffsetY(int value);
  void Assign(const TAAShadow& other);  // copies without notifying

 private:
  friend class TAAEffect;
  int FBlur = 80;
  int FAlpha = 70;
  TColor FColor = 0x444444;
  std::int8_t FOffsetX = 2;
  std::int8_t FOffsetY = 2;
};

enum TGradualStyle {
  gsLeftToRight,
  gsRightToLeft,
  gsTopToBottom,
  gsBottomToTop,
  gsCenterToLR,
  gsCenterToTB
};

class TAAGradual : public TEnabledClass {
 public:
  using TEnabledClass::TEnabledClass;
  TGradualStyle Style() const { return FStyle; }
  void SetStyle(TGradualStyle value);
  TColor StartColor() const { return FStartColor; }
  void SetStartColor(TColor value);
  TColor EndColor() const { return FEndColor; }
  void SetEndColor(TColor value);
  void Assign(const TAAGradual& other);

 private:
  friend class TAAEffect;
  TGradualStyle FStyle = gsLeftToRight;
  TColor FStartColor = 0xFFFFFF;
  TColor FEndColor = 0x000000;
};

enum TTextureMode { tmTiled, tmStretched, tmCenter, tmNormal };

class TAATexture : public TEnabledClass {
 public:
  using TEnabledClass::TEnabledClass;
  TTextureMode Mode() const { return FMode; }
  void SetMode(TTextureMode value);
  const QImage& Picture() const { return FPicture; }
  void SetPicture(const QImage& picture);  // a change of the picture notifies
  void Assign(const TAATexture& other);

 private:
  friend class TAAEffect;
  TTextureMode FMode = tmTiled;
  QImage FPicture;
};

class TAAEffect : public TNotifyClass {
 public:
  explicit TAAEffect(TNotifyEvent onChange = nullptr, void* owner = nullptr);
  TAAEffect(const TAAEffect& other);
  TAAEffect& operator=(const TAAEffect& other);  // Assign: copies, does not notify

  TAAShadow& Shadow() { return FShadow; }
  const TAAShadow& Shadow() const { return FShadow; }
  void SetShadow(const TAAShadow& value);  // copies, then Changed
  TAAGradual& Gradual() { return FGradual; }
  const TAAGradual& Gradual() const { return FGradual; }
  void SetGradual(const TAAGradual& value);
  TAATexture& Texture() { return FTexture; }
  const TAATexture& Texture() const { return FTexture; }
  void SetTexture(const TAATexture& value);

  int Alpha() const { return FAlpha; }  // 0..100
  void SetAlpha(int value);
  int Blur() const { return FBlur; }  // 0..100
  void SetBlur(int value);
  int Angle() const { return FAngle; }  // -360..360
  void SetAngle(int value);
  int Noise() const { return FNoise; }  // 0..255
  void SetNoise(int value);
  int Spray() const { return FSpray; }  // 0..100
  void SetSpray(int value);
  bool Outline() const { return FOutline; }
  void SetOutline(bool value);
  bool HorzMirror() const { return FHorzMirror; }
  void SetHorzMirror(bool value);
  bool VertMirror() const { return FVertMirror; }
  void SetVertMirror(bool value);

  void Assign(const TAAEffect& other);
  // The 20-key record, "Alpha" to "TextureMode"; the picture is not in it.
  virtual void LoadFromIni(const platform::TIniFile& ini, const std::string& section);
  virtual void SaveToIni(platform::TIniFile& ini, const std::string& section) const;

 private:
  void Wire();
  TAAShadow FShadow;
  TAAGradual FGradual;
  TAATexture FTexture;
  int FAlpha = 100;
  int FBlur = 0;
  std::int16_t FAngle = 0;
  std::uint8_t FNoise = 0;
  int FSpray = 0;
  bool FOutline = false;
  bool FHorzMirror = false;
  bool FVertMirror = false;
};

}  // namespace tessary
