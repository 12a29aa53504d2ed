// Form1's layout: the twips placements turned into pixels at the window's
// resolution, its fonts, the captions widened to fit, and the icon.
#include "win32/window/form1_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <utility>

#include "win32/window/dpi.h"

namespace tarnwell {
namespace {

constexpr int kApplicationIcon = 1;

// Positions and sizes in twips, within Form1's client area.
struct Placement {
  int left, top, width, height;
};
constexpr int kClientWidth = 8040;
constexpr int kClientHeight = 2310;
// Below the client area: never seen, but first in the tab order.
constexpr Placement kText1Place{2640, 2850, 1215, 525};
constexpr Placement kFrame1Place{120, 120, 7800, 1035};
// The option buttons sit in the frame but are the window's own children, so
// their notifications reach the window; hence the frame's origin is added.
constexpr Placement kOption1Place{kFrame1Place.left + 240, kFrame1Place.top + 300, 4455, 255};
constexpr Placement kOption2Place{kFrame1Place.left + 240, kFrame1Place.top + 650, 4575, 255};
constexpr Placement kPushButton13Place{120, 1280, 7800, 405};
constexpr Placement kPushButton1Place{120, 1790, 7800, 405};
// A widened control keeps this far from the frame's or the window's right edge.
constexpr int kRightMargin = 120;

// Arial bold in the Cyrillic character set, `hundredths_of_point` high at `dpi`.
UniqueFont MakeBoldArial(int hundredths_of_point, UINT dpi) {
  LOGFONTW font{};
  font.lfHeight = -MulDiv(hundredths_of_point, static_cast<int>(dpi), 72 * 100);
  font.lfWeight = FW_BOLD;
  font.lfCharSet = RUSSIAN_CHARSET;
  font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = DEFAULT_QUALITY;
  font.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
  wcscpy(font.lfFaceName, L"Arial");
  return UniqueFont(CreateFontIndirectW(&font));
}

// What an option button needs for its circle, the gap and its caption in
// its font: the control's own answer, or our measure when that is larger.
int OptionButtonWidth(HWND option, UINT dpi) {
  SIZE ideal{};
  SendMessageW(option, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal));
  const ScopedGetDC dc(option);
  if (!dc) return ideal.cx;
  const auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(option, WM_GETFONT, 0, 0));
  const ScopedSelectObject selected(dc.get(), font ? font : GetStockObject(DEFAULT_GUI_FONT));
  std::wstring caption(static_cast<std::size_t>(GetWindowTextLengthW(option)) + 1, L'\0');
  caption.resize(static_cast<std::size_t>(
      GetWindowTextW(option, caption.data(), static_cast<int>(caption.size()))));
  SIZE text{};
  GetTextExtentPoint32W(dc.get(), caption.c_str(), static_cast<int>(caption.size()), &text);
  SIZE zero{};
  GetTextExtentPoint32W(dc.get(), L"0", 1, &zero);
  const int measured = SystemMetricForDpi(SM_CXMENUCHECK, dpi) + zero.cx + text.cx + 2;
  return std::max<int>(ideal.cx, measured);
}

UniqueIcon LoadIconAt(int width_metric, int height_metric, UINT dpi) {
  return UniqueIcon(static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kApplicationIcon), IMAGE_ICON,
                 SystemMetricForDpi(width_metric, dpi), SystemMetricForDpi(height_metric, dpi),
                 LR_DEFAULTCOLOR)));
}

void Place(HWND control, const Placement& place, UINT dpi) {
  SetWindowPos(control, nullptr, TwipsToPixels(place.left, dpi), TwipsToPixels(place.top, dpi),
               TwipsToPixels(place.width, dpi), TwipsToPixels(place.height, dpi),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

DWORD Form1Window::UseApplicationIcon() {
  uses_application_icon_ = true;
  return LoadApplicationIcons();
}

DWORD Form1Window::LoadApplicationIcons() {
  UniqueIcon big = LoadIconAt(SM_CXICON, SM_CYICON, dpi_);
  if (!big) return GetLastError();
  UniqueIcon small = LoadIconAt(SM_CXSMICON, SM_CYSMICON, dpi_);
  if (!small) return GetLastError();
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
  // The window shows the new icons now; the old ones can go.
  big_icon_ = std::move(big);
  small_icon_ = std::move(small);
  return ERROR_SUCCESS;
}

void Form1Window::ApplyFonts() {
  UniqueFont form_font = MakeBoldArial(900, dpi_);
  UniqueFont button_font = MakeBoldArial(1125, dpi_);
  const auto set_font = [](HWND control, const UniqueFont& font) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  };
  for (HWND control : {text1_, option1_, option2_, frame1_}) set_font(control, form_font);
  for (HWND control : {push_button13_.hwnd(), push_button1_.hwnd()}) set_font(control, button_font);
  // The controls hold the new fonts now; the old ones can go.
  form_font_ = std::move(form_font);
  button_font_ = std::move(button_font);
}

void Form1Window::Layout() {
  RECT frame{0, 0, TwipsToPixels(kClientWidth, dpi_), TwipsToPixels(kClientHeight, dpi_)};
  AdjustWindowRectForDpi(&frame, kStyle, kExStyle, dpi_);
  SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Place(text1_, kText1Place, dpi_);
  Place(option1_, kOption1Place, dpi_);
  Place(option2_, kOption2Place, dpi_);
  Place(push_button13_.hwnd(), kPushButton13Place, dpi_);
  Place(push_button1_.hwnd(), kPushButton1Place, dpi_);
  Place(frame1_, kFrame1Place, dpi_);

  const int frame_limit =
      TwipsToPixels(kFrame1Place.left + kFrame1Place.width - kRightMargin, dpi_);
  const int window_limit = TwipsToPixels(kClientWidth - kRightMargin, dpi_);
  WidenToFit(option1_, OptionButtonWidth(option1_, dpi_), frame_limit);
  WidenToFit(option2_, OptionButtonWidth(option2_, dpi_), frame_limit);
  WidenToFit(push_button13_.hwnd(), push_button13_.CaptionWidth(), window_limit);
  WidenToFit(push_button1_.hwnd(), push_button1_.CaptionWidth(), window_limit);
}

void Form1Window::WidenToFit(HWND control, int needed_width, int right_limit) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rect), 2);
  const int width = rect.right - rect.left;
  const int widened = std::min<int>(needed_width, right_limit - rect.left);
  if (widened <= width) return;
  SetWindowPos(control, nullptr, 0, 0, widened, rect.bottom - rect.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form1Window::PlaceOnScreen() {
  RECT window;
  GetWindowRect(hwnd_, &window);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& work = monitor.rcWork;
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
               work.top + (work.bottom - work.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace tarnwell
