// SPDX-License-Identifier: MIT
// The effect settings: defaults, change reports, copying and the ini record.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "aaeffect.h"
#include "inifile.h"
#include "testutil/tempfolder.h"

namespace tessary {
namespace {

// Counts the reports of one object and remembers who sent them.
struct TRecorder {
  int Count = 0;
  TNotifyClass* Last = nullptr;
  TNotifyEvent Event() {
    return [this](TNotifyClass* sender) {
      ++Count;
      Last = sender;
    };
  }
};

TEST(AAEffectTest, DefaultsAreThoseOfANewEffect) {
  const TAAEffect effect;
  EXPECT_EQ(effect.Alpha(), 100);
  EXPECT_EQ(effect.Blur(), 0);
  EXPECT_EQ(effect.Angle(), 0);
  EXPECT_EQ(effect.Noise(), 0);
  EXPECT_EQ(effect.Spray(), 0);
  EXPECT_FALSE(effect.Outline() || effect.HorzMirror() || effect.VertMirror());
  const TAAShadow& shadow = effect.Shadow();
  EXPECT_FALSE(shadow.Enabled());
  EXPECT_EQ(shadow.Blur(), 80);
  EXPECT_EQ(shadow.Alpha(), 70);
  EXPECT_EQ(shadow.Color(), 0x444444);
  EXPECT_EQ(shadow.OffsetX(), 2);
  EXPECT_EQ(shadow.OffsetY(), 2);
  EXPECT_FALSE(effect.Gradual().Enabled());
  EXPECT_EQ(effect.Gradual().Style(), gsLeftToRight);
  EXPECT_EQ(effect.Gradual().StartColor(), 0xFFFFFF);
  EXPECT_EQ(effect.Gradual().EndColor(), 0x000000);
  EXPECT_FALSE(effect.Texture().Enabled());
  EXPECT_EQ(effect.Texture().Mode(), tmTiled);
  EXPECT_TRUE(effect.Texture().Picture().isNull());
}

TEST(AAEffectTest, SettersReportOnlyARealChange) {
  TRecorder recorder;
  TAAEffect effect(recorder.Event());
  effect.SetAlpha(100);
  effect.SetOutline(false);
  EXPECT_EQ(recorder.Count, 0);
  effect.SetAlpha(40);
  effect.SetBlur(3);
  effect.SetAngle(-90);
  effect.SetNoise(9);
  effect.SetSpray(5);
  effect.SetOutline(true);
  effect.SetHorzMirror(true);
  effect.SetVertMirror(true);
  EXPECT_EQ(recorder.Count, 8);
  EXPECT_EQ(recorder.Last, &effect);
}

TEST(AAEffectTest, SettersKeepValuesInTheirRanges) {
  TAAEffect effect;
  struct TCase {
    void (TAAEffect::*Set)(int);
    int (TAAEffect::*Get)() const;
    int Given, Stored;
  };
  const std::vector<TCase> cases = {
      {&TAAEffect::SetAlpha, &TAAEffect::Alpha, 101, 100},
      {&TAAEffect::SetAlpha, &TAAEffect::Alpha, -1, 0},
      {&TAAEffect::SetBlur, &TAAEffect::Blur, 500, 100},
      {&TAAEffect::SetSpray, &TAAEffect::Spray, 101, 100},
      {&TAAEffect::SetAngle, &TAAEffect::Angle, 361, 360},
      {&TAAEffect::SetAngle, &TAAEffect::Angle, -400, -360},
      {&TAAEffect::SetNoise, &TAAEffect::Noise, 256, 255},
  };
  for (const TCase& c : cases) {
    (effect.*c.Set)(c.Given);
    EXPECT_EQ((effect.*c.Get)(), c.Stored) << c.Given;
  }
  effect.Shadow().SetOffsetX(-21);
  effect.Shadow().SetOffsetY(99);
  EXPECT_EQ(effect.Shadow().OffsetX(), -20);
  EXPECT_EQ(effect.Shadow().OffsetY(), 20);
}

TEST(AAEffectTest, APartReportsThroughTheEffectOnlyWhileEnabled) {
  TRecorder recorder;
  TAAEffect effect(recorder.Event());
  effect.Shadow().SetBlur(10);  // switched off: silent
  effect.Gradual().SetStyle(gsCenterToTB);
  EXPECT_EQ(recorder.Count, 0);
  effect.Shadow().SetEnabled(true);
  EXPECT_EQ(recorder.Count, 1);
  effect.Shadow().SetAlpha(20);
  EXPECT_EQ(recorder.Count, 2);
  effect.Shadow().SetEnabled(false);  // switching off reports too
  EXPECT_EQ(recorder.Count, 3);
  EXPECT_EQ(recorder.Last, &effect);
  EXPECT_EQ(effect.Shadow().Blur(), 10);
}

TEST(AAEffectTest, EnabledClassOnItsOwn) {
  TRecorder recorder;
  TAAGradual gradual(recorder.Event());
  gradual.SetEndColor(0x123456);
  gradual.Changed();
  EXPECT_EQ(recorder.Count, 0);
  gradual.SetEnabled(true);
  gradual.SetEnabled(true);
  gradual.SetEndColor(0x654321);
  EXPECT_EQ(recorder.Count, 2);
  EXPECT_EQ(recorder.Last, &gradual);
}

TAAEffect Decorated() {
  TAAEffect effect;
  effect.SetAlpha(55);
  effect.SetBlur(7);
  effect.SetAngle(45);
  effect.SetNoise(30);
  effect.SetSpray(4);
  effect.SetOutline(true);
  effect.SetVertMirror(true);
  effect.Shadow().SetEnabled(true);
  effect.Shadow().SetBlur(12);
  effect.Shadow().SetAlpha(33);
  effect.Shadow().SetColor(0x010203);
  effect.Shadow().SetOffsetX(-3);
  effect.Shadow().SetOffsetY(4);
  effect.Gradual().SetEnabled(true);
  effect.Gradual().SetStyle(gsCenterToLR);
  effect.Gradual().SetStartColor(0x0000FF);
  effect.Gradual().SetEndColor(0xFF0000);
  effect.Texture().SetMode(tmCenter);
  return effect;
}

void ExpectSame(const TAAEffect& a, const TAAEffect& b) {
  EXPECT_EQ(a.Alpha(), b.Alpha());
  EXPECT_EQ(a.Blur(), b.Blur());
  EXPECT_EQ(a.Angle(), b.Angle());
  EXPECT_EQ(a.Noise(), b.Noise());
  EXPECT_EQ(a.Spray(), b.Spray());
  EXPECT_EQ(a.Outline(), b.Outline());
  EXPECT_EQ(a.HorzMirror(), b.HorzMirror());
  EXPECT_EQ(a.VertMirror(), b.VertMirror());
  EXPECT_EQ(a.Shadow().Enabled(), b.Shadow().Enabled());
  EXPECT_EQ(a.Shadow().Blur(), b.Shadow().Blur());
  EXPECT_EQ(a.Shadow().Alpha(), b.Shadow().Alpha());
  EXPECT_EQ(a.Shadow().Color(), b.Shadow().Color());
  EXPECT_EQ(a.Shadow().OffsetX(), b.Shadow().OffsetX());
  EXPECT_EQ(a.Shadow().OffsetY(), b.Shadow().OffsetY());
  EXPECT_EQ(a.Gradual().Enabled(), b.Gradual().Enabled());
  EXPECT_EQ(a.Gradual().Style(), b.Gradual().Style());
  EXPECT_EQ(a.Gradual().StartColor(), b.Gradual().StartColor());
  EXPECT_EQ(a.Gradual().EndColor(), b.Gradual().EndColor());
  EXPECT_EQ(a.Texture().Enabled(), b.Texture().Enabled());
  EXPECT_EQ(a.Texture().Mode(), b.Texture().Mode());
}

TEST(AAEffectTest, AssignCopiesEveryValueWithoutReporting) {
  const TAAEffect source = Decorated();
  TRecorder recorder;
  TAAEffect copy(recorder.Event());
  copy.Assign(source);
  ExpectSame(copy, source);
  EXPECT_EQ(recorder.Count, 0);
  // The copy's parts still report to the copy, not to the source.
  copy.Shadow().SetBlur(1);
  EXPECT_EQ(recorder.Count, 1);
  EXPECT_EQ(source.Shadow().Blur(), 12);
}

TEST(AAEffectTest, ATexturePictureCopyReportsWhileTheTextureIsOn) {
  TAAEffect source;
  QImage picture(2, 2, QImage::Format_BGR888);
  picture.fill(Qt::red);
  source.Texture().SetPicture(picture);
  TRecorder recorder;
  TAAEffect copy(recorder.Event());
  copy.Assign(source);
  EXPECT_EQ(recorder.Count, 0);
  source.Texture().SetEnabled(true);
  copy.Assign(source);
  EXPECT_EQ(recorder.Count, 1);
  EXPECT_EQ(copy.Texture().Picture(), picture);
}

TEST(AAEffectTest, SettingAPartCopiesItAndReports) {
  TRecorder recorder;
  TAAEffect effect(recorder.Event());
  TAAShadow shadow;
  shadow.SetOffsetX(-5);
  effect.SetShadow(shadow);
  EXPECT_EQ(recorder.Count, 1);
  EXPECT_EQ(effect.Shadow().OffsetX(), -5);
  shadow.SetOffsetX(6);  // a copy, not the same object
  EXPECT_EQ(effect.Shadow().OffsetX(), -5);
  TAAGradual gradual;
  gradual.SetStyle(gsBottomToTop);
  effect.SetGradual(gradual);
  EXPECT_EQ(effect.Gradual().Style(), gsBottomToTop);
  EXPECT_EQ(recorder.Count, 2);
}

class AAEffectIniTest : public testing::TTempFolderTest {};

TEST_F(AAEffectIniTest, SavesTheTwentyKeysInOrderAndReadsThemBack) {
  const std::string path = PathOf("effect.ini");
  const TAAEffect source = Decorated();
  {
    platform::TIniFile ini(path);
    source.SaveToIni(ini, "Title1");
    ini.UpdateFile();
  }
  EXPECT_EQ(Get(path),
            "[Title1]\nAlpha=55\nBlur=7\nNoise=30\nSpray=4\nAngle=45\nOutline=1\nHorzMirror=0\n"
            "VertMirror=1\nShadow=1\nShadowAlpha=33\nShadowBlur=12\nShadowColor=66051\n"
            "ShadowOffsetX=-3\nShadowOffsetY=4\nGradual=1\nGradualStartColor=255\n"
            "GradualEndColor=16711680\nGradualStyle=4\nTexture=0\nTextureMode=2\n");
  TRecorder recorder;
  TAAEffect loaded(recorder.Event());
  loaded.LoadFromIni(platform::TIniFile(path), "Title1");
  ExpectSame(loaded, source);
  EXPECT_EQ(recorder.Count, 0);
}

TEST_F(AAEffectIniTest, LoadingKeepsMissingKeysAndMendsOddValues) {
  const std::string path = PathOf("effect.ini");
  Put(path,
      "[E]\nGradualStyle=9\nTextureMode=4\nOutline=TRUE\nHorzMirror=false\nShadow=yes\n"
      "Alpha=300\nBlur=101\nNoise=-1\nAngle=400\nShadowOffsetX=-21\nShadowOffsetY=$7F\n"
      "ShadowColor=-16777201\nGradualEndColor=$FF0000\nSpray=x\n");
  TAAEffect effect = Decorated();
  effect.SetHorzMirror(true);
  effect.LoadFromIni(platform::TIniFile(path), "E");
  EXPECT_EQ(effect.Gradual().Style(), gsLeftToRight);  // above the last style
  EXPECT_EQ(effect.Texture().Mode(), tmTiled);
  EXPECT_TRUE(effect.Outline());
  EXPECT_FALSE(effect.HorzMirror());
  EXPECT_TRUE(effect.Shadow().Enabled());  // not a truth value: the current one stays
  EXPECT_EQ(effect.Alpha(), 44);           // 300 in a byte
  EXPECT_EQ(effect.Blur(), 100);           // in the byte, but past the range
  EXPECT_EQ(effect.Noise(), 255);
  EXPECT_EQ(effect.Angle(), 360);
  EXPECT_EQ(effect.Shadow().OffsetX(), -20);
  EXPECT_EQ(effect.Shadow().OffsetY(), 20);
  EXPECT_EQ(effect.Shadow().Color(), clBtnFace);
  EXPECT_EQ(effect.Gradual().EndColor(), 0xFF0000);
  EXPECT_EQ(effect.Spray(), 4);          // unreadable: the current value stays
  EXPECT_EQ(effect.VertMirror(), true);  // missing: the current value stays
  EXPECT_EQ(effect.Gradual().StartColor(), 0x0000FF);
}

}  // namespace
}  // namespace tessary
