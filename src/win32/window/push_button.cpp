#include "win32/window/push_button.h"

#include <windowsx.h>

#include <string>

#include "win32/window/control_ids.h"
#include "win32_common/scoped_handle.h"

namespace tarnwell {
namespace {

constexpr int kFocusInset = 3;

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
  SetDCBrushColor(dc, colour);
  FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void FrameSolid(HDC dc, const RECT& rect, COLORREF colour) {
  SetDCBrushColor(dc, colour);
  FrameRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

std::wstring WindowText(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace

bool PushButton::Register(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  // No class cursor: the parent chooses the pointer (WM_SETCURSOR).
  wc.lpszClassName = ids::kPushButtonClass;
  return RegisterClassExW(&wc) != 0;
}

bool PushButton::Create(HWND parent, int id, const wchar_t* caption, DWORD extra_style) {
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | extra_style;
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
  CreateWindowExW(0, ids::kPushButtonClass, caption, style, 0, 0, 0, 0, parent,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, this);
  return hwnd_ != nullptr;
}

void PushButton::SetColours(const PushButtonColours& colours) {
  colours_ = colours;
  if (hwnd_) Redraw();
}

LRESULT PushButton::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_GETDLGCODE:
      return OnGetDlgCode(reinterpret_cast<const MSG*>(lparam));
    case WM_LBUTTONDOWN:
      OnLButtonDown();
      return 0;
    case WM_LBUTTONUP:
      OnLButtonUp(lparam);
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(lparam);
      return 0;
    case WM_MOUSELEAVE:
      OnMouseLeave();
      return 0;
    case WM_KEYDOWN:
      OnKeyDown(wparam, lparam);
      return 0;
    case WM_KEYUP:
      OnKeyUp(wparam);
      return 0;
    case WM_CAPTURECHANGED:
      if (mouse_pressing_) CancelPress();
      return 0;
    case WM_KILLFOCUS:
      CancelPress();
      Redraw();
      return 0;
    case WM_SETFOCUS:
      Redraw();
      return 0;
    case WM_ENABLE:
      if (!wparam) CancelPress();
      Redraw();
      return 0;
    case BM_CLICK:
      Click();
      return 0;
    case WM_SETFONT:
      font_ = reinterpret_cast<HFONT>(wparam);
      if (LOWORD(lparam)) Redraw();
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    case WM_SETTEXT: {
      // The caption is kept by the system, so other programs can read it.
      const LRESULT result = Default(message, wparam, lparam);
      Redraw();
      return result;
    }
    case WM_UPDATEUISTATE: {
      const LRESULT result = Default(message, wparam, lparam);
      Redraw();
      return result;
    }
    default:
      return Default(message, wparam, lparam);
  }
}

void PushButton::OnPaint() {
  const ScopedPaint paint(hwnd_);
  const HDC dc = paint.get();
  RECT rect;
  GetClientRect(hwnd_, &rect);
  const bool enabled = IsWindowEnabled(hwnd_);
  const bool pressed = enabled && looks_pressed_;

  const bool highlighted = enabled && (under_pointer_ || pressed);
  FillSolid(dc, rect, highlighted ? colours_.face_under_pointer : colours_.face);
  FrameSolid(dc, rect, GetSysColor(enabled ? COLOR_BTNSHADOW : COLOR_BTNFACE));
  if (pressed) {
    RECT inner = rect;
    InflateRect(&inner, -1, -1);
    FrameSolid(dc, inner, GetSysColor(COLOR_BTNSHADOW));
  }

  RECT text_rect = rect;
  if (pressed) OffsetRect(&text_rect, 1, 1);
  {
    const ScopedSelectObject font(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, enabled ? colours_.text : colours_.disabled_text);
    const std::wstring caption = WindowText(hwnd_);
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text_rect,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }

  const bool hide_focus = SendMessageW(hwnd_, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS;
  if (enabled && GetFocus() == hwnd_ && !hide_focus) {
    RECT focus = rect;
    InflateRect(&focus, -kFocusInset, -kFocusInset);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, &focus);
  }
}

LRESULT PushButton::OnGetDlgCode(const MSG* message) {
  LRESULT code = DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
  if (message && message->message == WM_KEYDOWN && message->wParam == VK_RETURN) {
    code |= DLGC_WANTMESSAGE;
  }
  return code;
}

void PushButton::OnLButtonDown() {
  SetFocus(hwnd_);
  SetCapture(hwnd_);
  mouse_pressing_ = true;
  looks_pressed_ = true;
  Redraw();
}

void PushButton::OnLButtonUp(LPARAM lparam) {
  if (!mouse_pressing_) return;
  const bool inside = ContainsClientPoint(lparam);
  mouse_pressing_ = false;
  looks_pressed_ = false;
  ReleaseCapture();
  Redraw();
  if (inside) Click();
}

void PushButton::OnMouseMove(LPARAM lparam) {
  NotifyParent(ids::kPushButtonMouseMove);
  if (!under_pointer_) {
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd_, 0};
    if (TrackMouseEvent(&track)) {
      under_pointer_ = true;
      Redraw();
    }
  }
  if (mouse_pressing_) {
    const bool inside = ContainsClientPoint(lparam);
    if (inside != looks_pressed_) {
      looks_pressed_ = inside;
      Redraw();
    }
  }
}

void PushButton::OnMouseLeave() {
  under_pointer_ = false;
  Redraw();
}

void PushButton::OnKeyDown(WPARAM key, LPARAM flags) {
  const bool repeat = flags & (1 << 30);
  if (key == VK_RETURN && !repeat) {
    Click();
  } else if (key == VK_SPACE && !repeat && !mouse_pressing_) {
    space_pressing_ = true;
    looks_pressed_ = true;
    Redraw();
  }
}

void PushButton::OnKeyUp(WPARAM key) {
  if (key != VK_SPACE || !space_pressing_) return;
  space_pressing_ = false;
  looks_pressed_ = false;
  Redraw();
  Click();
}

void PushButton::CancelPress() {
  const bool was_pressing = mouse_pressing_;
  mouse_pressing_ = false;
  space_pressing_ = false;
  looks_pressed_ = false;
  if (was_pressing && GetCapture() == hwnd_) ReleaseCapture();
  Redraw();
}

void PushButton::Click() {
  if (!IsWindowEnabled(hwnd_)) return;
  NotifyParent(BN_CLICKED);
}

void PushButton::NotifyParent(WORD code) {
  const HWND parent = GetParent(hwnd_);
  const int id = GetDlgCtrlID(hwnd_);
  SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(hwnd_));
}

bool PushButton::ContainsClientPoint(LPARAM lparam) const {
  RECT rect;
  GetClientRect(hwnd_, &rect);
  const POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  return PtInRect(&rect, point);
}

}  // namespace tarnwell
