// Every colour the main window draws, chosen in one place.
//
// The window remembers what was set on it (faces as back colours, which may
// name a system colour; the texts a skin gives) and asks here, with the
// system's colours of the moment, what to draw. Under high contrast the
// system's colours win and the skin is ignored; otherwise the set colours
// stand, except that a push button's caption never takes a colour too close
// to its faces.
#pragma once

#include <array>
#include <optional>

#include "core/port/machine.h"

namespace tarnwell {

// The system colours the window draws with, by the platform's index.
namespace system_colour {
inline constexpr int kWindow = 5;
inline constexpr int kWindowText = 8;
inline constexpr int kHighlight = 13;
inline constexpr int kHighlightText = 14;
inline constexpr int kButtonFace = 15;
inline constexpr int kButtonShadow = 16;
inline constexpr int kGrayText = 17;
inline constexpr int kButtonText = 18;
inline constexpr int kCount = 31;  // indexes 0 to 30
}  // namespace system_colour

// The system's colours and its high-contrast setting, read at one moment.
struct SystemColours {
  std::array<Rgb, system_colour::kCount> colours{};
  bool high_contrast = false;
  Rgb operator[](int index) const { return colours[static_cast<std::size_t>(index)]; }
};

inline constexpr OleColour kWhiteColour = 0x00FFFFFF;

// Whether a back colour is a colour: 0x00BBGGRR, or 0x800000nn naming a
// system colour that exists.
bool IsColour(OleColour colour);
// The colour a back colour stands for now; black for what IsColour rejects.
Rgb ResolveColour(OleColour colour, const SystemColours& system);

// The contrast ratio of two colours, 1 to 21, by the relative luminance of
// the usual accessibility guideline.
double ContrastRatio(Rgb a, Rgb b);
// The ratio captions must reach against their faces.
inline constexpr double kReadableContrast = 4.5;

// What has been set on a surface the window paints (the window itself, the
// frame, an option button); no text: the control draws its own.
struct SurfaceLook {
  OleColour face = kWhiteColour;
  std::optional<Rgb> text;
};

// What has been set on a push button; unset colours are the plain look's.
struct PushButtonLook {
  OleColour face = kWhiteColour;
  std::optional<Rgb> text;
  std::optional<Rgb> hover;
  std::optional<Rgb> disabled_text;
};

struct WindowLook {
  SurfaceLook form, frame, option1, option2;
  PushButtonLook push_button13, push_button1;
};

struct SurfaceColours {
  Rgb face;
  std::optional<Rgb> text;  // unset: the control's own text colour
  bool operator==(const SurfaceColours&) const = default;
};

struct PushButtonColours {
  Rgb face, text;               // plain
  Rgb hover, hover_text;        // under the pointer or pressed
  Rgb disabled_text;
  Rgb edge, disabled_edge;      // the outline; a press adds a second line in `edge`
  std::optional<Rgb> focus;     // unset: the usual dotted inversion
  bool operator==(const PushButtonColours&) const = default;
};

struct WindowColours {
  SurfaceColours form, frame, option1, option2;
  PushButtonColours push_button13, push_button1;
  bool operator==(const WindowColours&) const = default;
};

WindowColours ChooseWindowColours(const WindowLook& look, const SystemColours& system);

}  // namespace tarnwell
