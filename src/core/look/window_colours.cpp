#include "core/look/window_colours.h"

#include <algorithm>
#include <cmath>

namespace tarnwell {
namespace {

constexpr OleColour kKindMask = 0xFF000000;
constexpr OleColour kSystemKind = 0x80000000;
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
// A plain push button's face under the pointer: a light blue.
constexpr Rgb kPlainHover{229, 241, 251};

double Linear(std::uint8_t channel) {
  const double c = channel / 255.0;
  return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(Rgb colour) {
  return 0.2126 * Linear(colour.red) + 0.7152 * Linear(colour.green) +
         0.0722 * Linear(colour.blue);
}

double WorstContrast(Rgb text, Rgb face, Rgb hover) {
  return std::min(ContrastRatio(text, face), ContrastRatio(text, hover));
}

// The first candidate readable on both faces; when none is, the one that
// comes closest.
Rgb ReadableCaption(std::initializer_list<Rgb> candidates, Rgb face, Rgb hover) {
  Rgb best = *candidates.begin();
  for (const Rgb candidate : candidates) {
    if (WorstContrast(candidate, face, hover) >= kReadableContrast) return candidate;
    if (WorstContrast(candidate, face, hover) > WorstContrast(best, face, hover)) best = candidate;
  }
  return best;
}

SurfaceColours HighContrastSurface(const SystemColours& system) {
  return {system[system_colour::kWindow], system[system_colour::kWindowText]};
}

PushButtonColours HighContrastPushButton(const SystemColours& system) {
  using namespace system_colour;
  return {system[kButtonFace], system[kButtonText], system[kHighlight], system[kHighlightText],
          system[kGrayText],   system[kButtonText], system[kGrayText],  system[kButtonText]};
}

SurfaceColours SkinnedSurface(const SurfaceLook& look, const SystemColours& system) {
  return {ResolveColour(look.face, system), look.text};
}

PushButtonColours SkinnedPushButton(const PushButtonLook& look, const SystemColours& system) {
  using namespace system_colour;
  PushButtonColours colours{};
  colours.face = ResolveColour(look.face, system);
  colours.hover = look.hover.value_or(kPlainHover);
  colours.text = ReadableCaption(
      {look.text.value_or(system[kButtonText]), system[kWindowText], kBlack, kWhite},
      colours.face, colours.hover);
  colours.hover_text = colours.text;
  colours.disabled_text = look.disabled_text.value_or(system[kGrayText]);
  colours.edge = system[kButtonShadow];
  colours.disabled_edge = system[kButtonFace];
  return colours;
}

}  // namespace

bool IsColour(OleColour colour) {
  const OleColour kind = colour & kKindMask;
  return kind == 0 || (kind == kSystemKind && (colour & ~kKindMask) < system_colour::kCount);
}

Rgb ResolveColour(OleColour colour, const SystemColours& system) {
  if (!IsColour(colour)) return kBlack;
  if (colour & kKindMask) return system[static_cast<int>(colour & ~kKindMask)];
  return {static_cast<std::uint8_t>(colour & 0xFF), static_cast<std::uint8_t>((colour >> 8) & 0xFF),
          static_cast<std::uint8_t>((colour >> 16) & 0xFF)};
}

double ContrastRatio(Rgb a, Rgb b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

WindowColours ChooseWindowColours(const WindowLook& look, const SystemColours& system) {
  if (system.high_contrast) {
    const SurfaceColours surface = HighContrastSurface(system);
    const PushButtonColours button = HighContrastPushButton(system);
    return {surface, surface, surface, surface, button, button};
  }
  return {SkinnedSurface(look.form, system),          SkinnedSurface(look.frame, system),
          SkinnedSurface(look.option1, system),       SkinnedSurface(look.option2, system),
          SkinnedPushButton(look.push_button13, system), SkinnedPushButton(look.push_button1, system)};
}

}  // namespace tarnwell
