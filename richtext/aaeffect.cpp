// SPDX-License-Identifier: MIT
#include "aaeffect.h"

#include <algorithm>
#include <charconv>

#include "inifile.h"
#include "textutil.h"

namespace tessary {

namespace {

// Integers as the classic ini functions read them: decimal with a sign, or
// hexadecimal after "$" or "0x"; anything else gives the default.
int ParseInt(const std::string& text, int defaultValue) {
  std::string_view s(text);
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (s.starts_with('$')) {
    base = 16;
    s.remove_prefix(1);
  } else if (s.starts_with("0x") || s.starts_with("0X")) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return defaultValue;
  long long value = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value, base);
  if (error != std::errc() || end != s.data() + s.size()) return defaultValue;
  if (negative) value = -value;
  // Hexadecimal colours such as $FF000008 read as the 32-bit pattern they spell.
  if (value < -2147483648LL || value > 4294967295LL) return defaultValue;
  return static_cast<int>(static_cast<std::uint32_t>(value));
}

int ReadInt(const platform::TIniFile& ini, const std::string& section, const char* key,
            int defaultValue) {
  return ParseInt(ini.ReadString(section, key, ""), defaultValue);
}

bool ReadBool(const platform::TIniFile& ini, const std::string& section, const char* key,
              bool defaultValue) {
  const std::string text = AsciiLower(ini.ReadString(section, key, ""));
  if (text == "true") return true;
  if (text == "false") return false;
  return ParseInt(text, defaultValue ? 1 : 0) != 0;
}

void WriteInt(platform::TIniFile& ini, const std::string& section, const char* key, int value) {
  ini.WriteString(section, key, std::to_string(value));
}

void WriteBool(platform::TIniFile& ini, const std::string& section, const char* key, bool value) {
  ini.WriteString(section, key, value ? "1" : "0");
}

// A value read from a file lands in its field's width, and then in the
// property's range: the pixel arithmetic relies on the ranges.
int ByteRange(int value, int high) {
  return std::min(static_cast<int>(static_cast<std::uint8_t>(value)), high);
}
int OffsetRange(int value) {
  return std::clamp(static_cast<int>(static_cast<std::int8_t>(value)), -20, 20);
}
int AngleRange(int value) {
  return std::clamp(static_cast<int>(static_cast<std::int16_t>(value)), -360, 360);
}

}  // namespace

// ---- TNotifyClass, TEnabledClass ----

void TNotifyClass::Changed() {
  if (FOnChange) FOnChange(this);
}

void TEnabledClass::SetEnabled(bool value) {
  if (FEnabled == value) return;
  FEnabled = value;
  if (FOnChange) FOnChange(this);  // switching off is news too
}

void TEnabledClass::Changed() {
  if (FEnabled) TNotifyClass::Changed();
}

// ---- TAAShadow ----

void TAAShadow::SetBlur(int value) { Store(*this, FBlur, std::clamp(value, 0, 100)); }
void TAAShadow::SetAlpha(int value) { Store(*this, FAlpha, std::clamp(value, 0, 100)); }
void TAAShadow::SetColor(TColor value) { Store(*this, FColor, value); }
void TAAShadow::SetOffsetX(int value) { Store(*this, FOffsetX, std::clamp(value, -20, 20)); }
void TAAShadow::SetOffsetY(int value) { Store(*this, FOffsetY, std::clamp(value, -20, 20)); }

void TAAShadow::Assign(const TAAShadow& other) {
  FEnabled = other.FEnabled;
  FBlur = other.FBlur;
  FAlpha = other.FAlpha;
  FColor = other.FColor;
  FOffsetX = other.FOffsetX;
  FOffsetY = other.FOffsetY;
}

// ---- TAAGradual ----

void TAAGradual::SetStyle(TGradualStyle value) {
  Store(*this, FStyle, (value >= gsLeftToRight && value <= gsCenterToTB) ? value : gsLeftToRight);
}
void TAAGradual::SetStartColor(TColor value) { Store(*this, FStartColor, value); }
void TAAGradual::SetEndColor(TColor value) { Store(*this, FEndColor, value); }

void TAAGradual::Assign(const TAAGradual& other) {
  FEnabled = other.FEnabled;
  FStyle = other.FStyle;
  FStartColor = other.FStartColor;
  FEndColor = other.FEndColor;
}

// ---- TAATexture ----

void TAATexture::SetMode(TTextureMode value) {
  Store(*this, FMode, (value >= tmTiled && value <= tmNormal) ? value : tmTiled);
}

void TAATexture::SetPicture(const QImage& picture) {
  // Like a picture object's own change event: every assignment reports.
  FPicture = picture;
  Changed();
}

void TAATexture::Assign(const TAATexture& other) {
  FEnabled = other.FEnabled;
  FMode = other.FMode;
  SetPicture(other.FPicture);
}

// ---- TAAEffect ----

TAAEffect::TAAEffect(TNotifyEvent onChange, void* owner)
    : TNotifyClass(std::move(onChange), owner) {
  Wire();
}

TAAEffect::TAAEffect(const TAAEffect& other) : TNotifyClass(nullptr, nullptr) {
  Wire();
  Assign(other);
}

TAAEffect& TAAEffect::operator=(const TAAEffect& other) {
  Assign(other);
  return *this;
}

void TAAEffect::Wire() {
  const auto forward = [this](TNotifyClass*) { Changed(); };
  FShadow.SetOnChange(forward);
  FGradual.SetOnChange(forward);
  FTexture.SetOnChange(forward);
}

void TAAEffect::SetShadow(const TAAShadow& value) {
  FShadow.Assign(value);
  Changed();
}

void TAAEffect::SetGradual(const TAAGradual& value) {
  FGradual.Assign(value);
  Changed();
}

void TAAEffect::SetTexture(const TAATexture& value) {
  FTexture.Assign(value);
  Changed();
}

void TAAEffect::SetAlpha(int value) { Store(*this, FAlpha, std::clamp(value, 0, 100)); }
void TAAEffect::SetBlur(int value) { Store(*this, FBlur, std::clamp(value, 0, 100)); }
void TAAEffect::SetAngle(int value) { Store(*this, FAngle, std::clamp(value, -360, 360)); }
void TAAEffect::SetNoise(int value) { Store(*this, FNoise, std::clamp(value, 0, 255)); }
void TAAEffect::SetSpray(int value) { Store(*this, FSpray, std::clamp(value, 0, 100)); }
void TAAEffect::SetOutline(bool value) { Store(*this, FOutline, value); }
void TAAEffect::SetHorzMirror(bool value) { Store(*this, FHorzMirror, value); }
void TAAEffect::SetVertMirror(bool value) { Store(*this, FVertMirror, value); }

void TAAEffect::Assign(const TAAEffect& other) {
  if (&other == this) return;
  FShadow.Assign(other.FShadow);
  FGradual.Assign(other.FGradual);
  FTexture.Assign(other.FTexture);  // the picture's copy notifies while switched on
  FAlpha = other.FAlpha;
  FBlur = other.FBlur;
  FAngle = other.FAngle;
  FNoise = other.FNoise;
  FSpray = other.FSpray;
  FOutline = other.FOutline;
  FHorzMirror = other.FHorzMirror;
  FVertMirror = other.FVertMirror;
}

void TAAEffect::LoadFromIni(const platform::TIniFile& ini, const std::string& section) {
  FAlpha = ByteRange(ReadInt(ini, section, "Alpha", FAlpha), 100);
  FBlur = ByteRange(ReadInt(ini, section, "Blur", FBlur), 100);
  FNoise = static_cast<std::uint8_t>(ReadInt(ini, section, "Noise", FNoise));
  FSpray = ByteRange(ReadInt(ini, section, "Spray", FSpray), 100);
  FAngle = static_cast<std::int16_t>(AngleRange(ReadInt(ini, section, "Angle", FAngle)));
  FOutline = ReadBool(ini, section, "Outline", FOutline);
  FHorzMirror = ReadBool(ini, section, "HorzMirror", FHorzMirror);
  FVertMirror = ReadBool(ini, section, "VertMirror", FVertMirror);
  FShadow.FEnabled = ReadBool(ini, section, "Shadow", FShadow.FEnabled);
  FShadow.FAlpha = ByteRange(ReadInt(ini, section, "ShadowAlpha", FShadow.FAlpha), 100);
  FShadow.FBlur = ByteRange(ReadInt(ini, section, "ShadowBlur", FShadow.FBlur), 100);
  FShadow.FColor = ReadInt(ini, section, "ShadowColor", FShadow.FColor);
  FShadow.FOffsetX = static_cast<std::int8_t>(
      OffsetRange(ReadInt(ini, section, "ShadowOffsetX", FShadow.FOffsetX)));
  FShadow.FOffsetY = static_cast<std::int8_t>(
      OffsetRange(ReadInt(ini, section, "ShadowOffsetY", FShadow.FOffsetY)));
  FGradual.FEnabled = ReadBool(ini, section, "Gradual", FGradual.FEnabled);
  FGradual.FStartColor = ReadInt(ini, section, "GradualStartColor", FGradual.FStartColor);
  FGradual.FEndColor = ReadInt(ini, section, "GradualEndColor", FGradual.FEndColor);
  const int style =
      static_cast<std::uint8_t>(ReadInt(ini, section, "GradualStyle", FGradual.FStyle));
  FGradual.FStyle = style > gsCenterToTB ? gsLeftToRight : static_cast<TGradualStyle>(style);
  FTexture.FEnabled = ReadBool(ini, section, "Texture", FTexture.FEnabled);
  const int mode = static_cast<std::uint8_t>(ReadInt(ini, section, "TextureMode", FTexture.FMode));
  FTexture.FMode = mode > tmNormal ? tmTiled : static_cast<TTextureMode>(mode);
}

void TAAEffect::SaveToIni(platform::TIniFile& ini, const std::string& section) const {
  WriteInt(ini, section, "Alpha", FAlpha);
  WriteInt(ini, section, "Blur", FBlur);
  WriteInt(ini, section, "Noise", FNoise);
  WriteInt(ini, section, "Spray", FSpray);
  WriteInt(ini, section, "Angle", FAngle);
  WriteBool(ini, section, "Outline", FOutline);
  WriteBool(ini, section, "HorzMirror", FHorzMirror);
  WriteBool(ini, section, "VertMirror", FVertMirror);
  WriteBool(ini, section, "Shadow", FShadow.FEnabled);
  WriteInt(ini, section, "ShadowAlpha", FShadow.FAlpha);
  WriteInt(ini, section, "ShadowBlur", FShadow.FBlur);
  WriteInt(ini, section, "ShadowColor", FShadow.FColor);
  WriteInt(ini, section, "ShadowOffsetX", FShadow.FOffsetX);
  WriteInt(ini, section, "ShadowOffsetY", FShadow.FOffsetY);
  WriteBool(ini, section, "Gradual", FGradual.FEnabled);
  WriteInt(ini, section, "GradualStartColor", FGradual.FStartColor);
  WriteInt(ini, section, "GradualEndColor", FGradual.FEndColor);
  WriteInt(ini, section, "GradualStyle", FGradual.FStyle);
  WriteBool(ini, section, "Texture", FTexture.FEnabled);
  WriteInt(ini, section, "TextureMode", FTexture.FMode);
}

}  // namespace tessary
