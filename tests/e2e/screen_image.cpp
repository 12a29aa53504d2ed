#include "screen_image.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace e2e {
namespace {

double Luminance(Rgb colour) {
  const auto linear = [](Rgb channel) {
    const double c = channel / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(colour >> 16 & 0xFF) + 0.7152 * linear(colour >> 8 & 0xFF) +
         0.0722 * linear(colour & 0xFF);
}

}  // namespace

std::string Hex(Rgb colour) {
  char text[8];
  snprintf(text, sizeof text, "#%06lX", static_cast<unsigned long>(colour));
  return text;
}

double Contrast(Rgb a, Rgb b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Rgb ToRgb(COLORREF colour) {
  return GetRValue(colour) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
}

ScreenImage::ScreenImage(HWND window) : window_(window) {
  RECT r;
  GetClientRect(window, &r);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
  width_ = r.right - r.left;
  const int height = r.bottom - r.top;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width_, height, screen, r.left, r.top, SRCCOPY);
  const auto* pixels = static_cast<const Rgb*>(bits);
  for (int i = 0; i < width_ * height; ++i) pixels_.push_back(pixels[i] & 0xFFFFFF);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

RECT ScreenImage::RectOf(HWND control) const {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::map<Rgb, int> ScreenImage::Colours(HWND control) const {
  const RECT r = RectOf(control);
  std::map<Rgb, int> count;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) ++count[At({x, y})];
  }
  return count;
}

std::string ScreenImage::Face(HWND control) const {
  const auto count = Colours(control);
  return Hex(std::max_element(count.begin(), count.end(), [](auto& a, auto& b) {
               return a.second < b.second;
             })->first);
}

}  // namespace e2e
