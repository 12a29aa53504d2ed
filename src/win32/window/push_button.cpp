#include "win32/window/push_button.h"

#include <commctrl.h>

#include <string>

#include "win32/window/control_ids.h"
#include "win32/window/system_colours.h"
#include "win32_common/scoped_handle.h"

namespace tarnwell {
namespace {

constexpr int kFocusInset = 3;
constexpr UINT_PTR kSubclassId = 1;

void FillSolid(HDC dc, const RECT& rect, Rgb colour) {
  SetDCBrushColor(dc, ToColorref(colour));
  FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void FrameSolid(HDC dc, const RECT& rect, Rgb colour) {
  SetDCBrushColor(dc, ToColorref(colour));
  FrameRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// A dotted rectangle in one colour, where the usual inverted one could
// vanish into a high-contrast face.
void DottedFrame(HDC dc, const RECT& rect, Rgb colour) {
  const COLORREF ink = ToColorref(colour);
  for (int x = rect.left; x < rect.right; x += 2) {
    SetPixelV(dc, x, rect.top, ink);
    SetPixelV(dc, x, rect.bottom - 1, ink);
  }
  for (int y = rect.top; y < rect.bottom; y += 2) {
    SetPixelV(dc, rect.left, y, ink);
    SetPixelV(dc, rect.right - 1, y, ink);
  }
}

std::wstring WindowText(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

HGDIOBJ FontOf(HWND hwnd) {
  const auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
  return font ? font : GetStockObject(DEFAULT_GUI_FONT);
}

}  // namespace

bool PushButton::Create(HWND parent, int id, const wchar_t* caption, DWORD extra_style) {
  const DWORD style =
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | BS_OWNERDRAW | extra_style;
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
  hwnd_ = CreateWindowExW(0, L"BUTTON", caption, style, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (!hwnd_) return false;
  return SetWindowSubclass(hwnd_, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

void PushButton::SetColours(const PushButtonColours& colours) {
  colours_ = colours;
  if (hwnd_) Redraw();
}

void PushButton::Draw(const DRAWITEMSTRUCT& item) const {
  const HDC dc = item.hDC;
  const RECT rect = item.rcItem;
  const bool enabled = !(item.itemState & ODS_DISABLED);
  const bool pressed = enabled && (item.itemState & ODS_SELECTED);
  const bool highlighted = enabled && (under_pointer_ || pressed);

  FillSolid(dc, rect, highlighted ? colours_.hover : colours_.face);
  FrameSolid(dc, rect, enabled ? colours_.edge : colours_.disabled_edge);
  if (pressed) {
    RECT inner = rect;
    InflateRect(&inner, -1, -1);
    FrameSolid(dc, inner, colours_.edge);
  }

  RECT text_rect = rect;
  if (pressed) OffsetRect(&text_rect, 1, 1);
  {
    const ScopedSelectObject font(dc, FontOf(hwnd_));
    SetBkMode(dc, TRANSPARENT);
    const Rgb text = !enabled ? colours_.disabled_text : highlighted ? colours_.hover_text
                                                                      : colours_.text;
    SetTextColor(dc, ToColorref(text));
    const std::wstring caption = WindowText(hwnd_);
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text_rect,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }

  const bool hide_focus = SendMessageW(hwnd_, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS;
  if (!enabled || !(item.itemState & ODS_FOCUS) || hide_focus) return;
  RECT focus = rect;
  InflateRect(&focus, -kFocusInset, -kFocusInset);
  if (colours_.focus) {
    DottedFrame(dc, focus, *colours_.focus);
    return;
  }
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, RGB(255, 255, 255));
  DrawFocusRect(dc, &focus);
}

int PushButton::CaptionWidth() const {
  const ScopedGetDC dc(hwnd_);
  if (!dc) return 0;
  const ScopedSelectObject font(dc.get(), FontOf(hwnd_));
  const std::wstring caption = WindowText(hwnd_);
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), caption.c_str(), static_cast<int>(caption.size()), &size);
  // The focus rectangle and a pixel of air on each side stay clear of the text.
  return size.cx + 2 * (kFocusInset + 2);
}

LRESULT CALLBACK PushButton::SubclassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                          UINT_PTR id, DWORD_PTR self) {
  auto& button = *reinterpret_cast<PushButton*>(self);
  switch (message) {
    case WM_MOUSEMOVE:
      button.OnMouseMove();
      break;
    case WM_MOUSELEAVE:
      button.OnMouseLeave();
      break;
    case WM_LBUTTONDBLCLK:
      // An owner-drawn button would report a quick second click as
      // BN_DOUBLECLICKED; a push button takes it as another press.
      return DefSubclassProc(hwnd, WM_LBUTTONDOWN, wparam, lparam);
    case WM_ENABLE:
      button.Redraw();
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, SubclassProc, id);
      button.hwnd_ = nullptr;
      break;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

void PushButton::OnMouseMove() {
  const HWND parent = GetParent(hwnd_);
  SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd_), ids::kPushButtonMouseMove),
               reinterpret_cast<LPARAM>(hwnd_));
  if (under_pointer_) return;
  TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd_, 0};
  if (!TrackMouseEvent(&track)) return;
  under_pointer_ = true;
  Redraw();
}

void PushButton::OnMouseLeave() {
  under_pointer_ = false;
  Redraw();
}

}  // namespace tarnwell
