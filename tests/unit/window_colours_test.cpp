// The one choice of the window's colours: the plain and skinned looks, the
// push buttons' readable captions, and high contrast.
#include <gtest/gtest.h>

#include "core/look/window_colours.h"

namespace tarnwell::testing {
namespace {

using namespace system_colour;

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kPlainHover{229, 241, 251};

// The usual light scheme, or a dark one with light texts.
SystemColours Scheme(bool dark, bool high_contrast = false) {
  SystemColours system;
  const Rgb face = dark ? kBlack : Rgb{240, 240, 240};
  const Rgb text = dark ? kWhite : kBlack;
  system.colours.fill({128, 128, 128});
  system.colours[kWindow] = dark ? kBlack : kWhite;
  system.colours[kWindowText] = text;
  system.colours[kButtonFace] = face;
  system.colours[kButtonText] = text;
  system.colours[kButtonShadow] = {160, 160, 160};
  system.colours[kGrayText] = dark ? Rgb{0, 255, 0} : Rgb{109, 109, 109};
  system.colours[kHighlight] = dark ? Rgb{26, 235, 255} : Rgb{0, 120, 215};
  system.colours[kHighlightText] = dark ? kBlack : kWhite;
  system.high_contrast = high_contrast;
  return system;
}

// A skin as applying it sets the look: its faces, texts and button colours.
WindowLook Skinned(Rgb face, Rgb text, Rgb button_face, Rgb button_text, Rgb hover) {
  const OleColour surface = static_cast<OleColour>(face.red | face.green << 8 | face.blue << 16);
  const SurfaceLook skinned{surface, text};
  const PushButtonLook button{
      static_cast<OleColour>(button_face.red | button_face.green << 8 | button_face.blue << 16),
      button_text, hover, Rgb{139, 148, 158}};
  return {skinned, skinned, skinned, skinned, button, button};
}

TEST(WindowColours, ContrastRatioFollowsTheGuideline) {
  EXPECT_DOUBLE_EQ(ContrastRatio(kBlack, kWhite), 21.0);
  EXPECT_DOUBLE_EQ(ContrastRatio(kWhite, kBlack), 21.0);
  EXPECT_DOUBLE_EQ(ContrastRatio({61, 90, 128}, {61, 90, 128}), 1.0);
  // #767676 is the lightest grey that is readable on white.
  EXPECT_NEAR(ContrastRatio({118, 118, 118}, kWhite), 4.54, 0.01);
  EXPECT_LT(ContrastRatio({119, 119, 119}, kWhite), kReadableContrast);
}

TEST(WindowColours, PlainLookIsWhiteWithTheSystemsTexts) {
  const SystemColours light = Scheme(false);
  const WindowColours colours = ChooseWindowColours({}, light);
  for (const SurfaceColours& surface : {colours.form, colours.frame, colours.option1, colours.option2}) {
    EXPECT_EQ(surface, (SurfaceColours{kWhite, std::nullopt}));
  }
  const PushButtonColours expected{kWhite, kBlack, kPlainHover, kBlack, light[kGrayText],
                                   light[kButtonShadow], light[kButtonFace], std::nullopt};
  EXPECT_EQ(colours.push_button13, expected);
  EXPECT_EQ(colours.push_button1, expected);
}

TEST(WindowColours, FacesNamingSystemColoursFollowTheSystem) {
  WindowLook look;
  look.form.face = 0x8000000F;  // the button face
  look.push_button1.face = 0x80000005;  // the window colour
  for (const bool dark : {false, true}) {
    const SystemColours system = Scheme(dark);
    const WindowColours colours = ChooseWindowColours(look, system);
    EXPECT_EQ(colours.form.face, system[kButtonFace]);
    EXPECT_EQ(colours.push_button1.face, system[kWindow]);
    EXPECT_EQ(colours.push_button13.face, kWhite);
  }
  EXPECT_TRUE(IsColour(0x8000001E));
  EXPECT_FALSE(IsColour(0x8000001F));
  EXPECT_FALSE(IsColour(0x01000000));
}

TEST(WindowColours, CaptionIsTheFirstColourReadableOnBothFaces) {
  const struct {
    const char* kind;
    WindowLook look;
    SystemColours system;
    Rgb caption;
  } cases[] = {
      {"plain, dark scheme: light texts would vanish on white", {}, Scheme(true), kBlack},
      {"slate: the skin's white reads on both faces",
       Skinned({43, 47, 54}, {232, 234, 237}, {61, 90, 128}, kWhite, {79, 116, 163}),
       Scheme(false), kWhite},
      {"meadow: white is too light for the hover face, the window text serves",
       Skinned({234, 244, 224}, {31, 51, 22}, {94, 140, 49}, kWhite, {118, 168, 68}),
       Scheme(false), kBlack},
      {"dark faces and a dark scheme: white comes after black",
       Skinned(kBlack, kWhite, {20, 20, 20}, {30, 30, 30}, {40, 40, 40}), Scheme(false), kWhite},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    const PushButtonColours button = ChooseWindowColours(c.look, c.system).push_button13;
    EXPECT_EQ(button.text, c.caption);
    EXPECT_EQ(button.hover_text, c.caption);
    EXPECT_GE(ContrastRatio(button.text, button.face), kReadableContrast);
    EXPECT_GE(ContrastRatio(button.text, button.hover), kReadableContrast);
  }

  // The window text comes before black when the button text is unreadable.
  SystemColours navy = Scheme(true);
  navy.colours[kWindowText] = {0, 0, 128};
  EXPECT_EQ(ChooseWindowColours({}, navy).push_button1.text, (Rgb{0, 0, 128}));
}

TEST(WindowColours, HighContrastUsesTheSystemsColoursAndIgnoresTheSkin) {
  const SystemColours system = Scheme(true, true);
  const WindowLook slate =
      Skinned({43, 47, 54}, {232, 234, 237}, {61, 90, 128}, kWhite, {79, 116, 163});
  for (const WindowLook& look : {WindowLook{}, slate}) {
    const WindowColours colours = ChooseWindowColours(look, system);
    for (const SurfaceColours& surface :
         {colours.form, colours.frame, colours.option1, colours.option2}) {
      EXPECT_EQ(surface, (SurfaceColours{system[kWindow], system[kWindowText]}));
    }
    const PushButtonColours expected{system[kButtonFace], system[kButtonText],
                                     system[kHighlight],  system[kHighlightText],
                                     system[kGrayText],   system[kButtonText],
                                     system[kGrayText],   system[kButtonText]};
    EXPECT_EQ(colours.push_button13, expected);
    EXPECT_EQ(colours.push_button1, expected);
  }
}

}  // namespace
}  // namespace tarnwell::testing
