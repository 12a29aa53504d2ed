// The program's window as the screen shows it, pixel by pixel.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace e2e {

using Rgb = DWORD;  // 0xRRGGBB, as skin files write colours and screen bitmaps hold them

std::string Hex(Rgb colour);
// The contrast ratio of two colours (1 to 21) by relative luminance.
double Contrast(Rgb a, Rgb b);
Rgb ToRgb(COLORREF colour);

// The main window's client area as the screen shows it.
class ScreenImage {
 public:
  explicit ScreenImage(HWND window);
  bool operator==(const ScreenImage&) const = default;

  Rgb At(POINT p) const { return pixels_[p.y * width_ + p.x]; }
  // A control's rectangle in the window's client area.
  RECT RectOf(HWND control) const;
  // How often each colour appears over `control`.
  std::map<Rgb, int> Colours(HWND control) const;
  // A control's background: its most frequent colour.
  std::string Face(HWND control) const;
  bool Shows(HWND control, Rgb colour) const { return Colours(control).contains(colour); }

 private:
  HWND window_;
  int width_ = 0;
  std::vector<Rgb> pixels_;
};

}  // namespace e2e
