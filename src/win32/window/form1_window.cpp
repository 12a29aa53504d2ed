// Form1's messages, focus and pointer: creation and start-up, the window
// procedure's switch, the events that reach the handlers, the focus kept as
// dialog boxes keep it, and the pointer shown over the client area.
#include "win32/window/form1_window.h"

#include <utility>

#include "core/main_window/form1_handlers.h"
#include "core/main_window/install_command.h"
#include "core/main_window/uninstall_command.h"
#include "win32/window/control_ids.h"
#include "win32/window/dpi.h"

namespace tarnwell {
namespace {

bool RegisterForm1Class(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = ids::kForm1Class;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

bool Form1Window::Register(HINSTANCE instance) {
  return RegisterForm1Class(instance, WindowProc);
}

bool Form1Window::Create(HINSTANCE instance) {
  if (!Register(instance)) return false;
  CreateWindowExW(kExStyle, ids::kForm1Class, L"Form1", kStyle, CW_USEDEFAULT, CW_USEDEFAULT, 0,
                  0, nullptr, nullptr, instance, this);
  return hwnd_ != nullptr;
}

void Form1Window::Start(int show_command) {
  Form_Load(app_);
  PlaceOnScreen();
  focus_ = text1_;
  ShowWindow(hwnd_, show_command);
  UpdateWindow(hwnd_);
  SetFocus(text1_);
}

HWND Form1Window::ControlWindow(Control control) const {
  switch (control) {
    case Control::Form1:
      return hwnd_;
    case Control::Text1:
      return text1_;
    case Control::Frame1:
      return frame1_;
    case Control::Option1:
      return option1_;
    case Control::Option2:
      return option2_;
    case Control::PushButton13:
      return push_button13_.hwnd();
    case Control::PushButton1:
      return push_button1_.hwnd();
  }
  return nullptr;
}

void Form1Window::SetPointerKind(PointerKind kind) {
  if (kind == pointer_kind_) return;
  pointer_kind_ = kind;
  ShowCurrentPointer();
}

void Form1Window::SetCustomPointer(UniqueCursor cursor) {
  // The old image goes only after the new one is on screen.
  const UniqueCursor old = std::exchange(custom_pointer_, std::move(cursor));
  if (pointer_kind_ == PointerKind::Custom) ShowCurrentPointer();
}


LRESULT Form1Window::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate();
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_SETCURSOR:
      return OnSetCursor(message, wparam, lparam);
    case WM_MOUSEMOVE:
      OnMouseMove();
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
      return 0;
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      return TRUE;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
      OnSystemLookChanged(message, wparam, lparam);
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return OnCtlColor(message, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_ERASEBKGND:
      return OnEraseBackground(reinterpret_cast<HDC>(wparam));
    case WM_ACTIVATE:
      return OnActivate(wparam, lparam);
    case WM_ENDSESSION:
      if (wparam) OnClose();
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return Default(message, wparam, lparam);
  }
}

LRESULT Form1Window::OnCreate() {
  dpi_ = WindowDpi(hwnd_);
  if (!CreateControls() || !RefreshColours()) return -1;
  ApplyFonts();
  Layout();
  return 0;
}

void Form1Window::OnDpiChanged(UINT dpi, const RECT& suggested) {
  dpi_ = dpi;
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ApplyFonts();
  Layout();
  if (uses_application_icon_) LoadApplicationIcons();
}

LRESULT Form1Window::OnSetCursor(UINT message, WPARAM wparam, LPARAM lparam) {
  if (LOWORD(lparam) != HTCLIENT) return Default(message, wparam, lparam);
  SetCursor(CurrentCursor());
  return TRUE;
}

void Form1Window::OnMouseMove() { Form_MouseMove(app_); }

void Form1Window::OnCommand(int id, int code, HWND control) {
  const HWND focus = GetFocus();
  const bool on_push_button = focus == push_button13_.hwnd() || focus == push_button1_.hwnd();
  if (id == IDOK && !control) {
    if (on_push_button) OnPushButtonClicked(focus);
    return;
  }
  if (!control || (id != ids::kPushButton13 && id != ids::kPushButton1)) return;
  if (code == ids::kPushButtonMouseMove) {
    PushButton_MouseMove(app_);
    return;
  }
  if (code == BN_CLICKED) OnPushButtonClicked(control);
}

void Form1Window::OnPushButtonClicked(HWND button) {
  // BM_CLICK reaches a disabled system button too.
  if (!IsWindowEnabled(button)) return;
  // Message boxes during the command give the focus back to focus_ on
  // closing; it must be this button, not whatever had the focus before.
  focus_ = button;
  if (button == push_button13_.hwnd()) {
    PushButton13_Click(app_);
  } else {
    PushButton1_Click(app_);
  }
  focus_ = IsWindowEnabled(button) ? button : text1_;
  if (GetActiveWindow() == hwnd_) SetFocus(focus_);
}


LRESULT Form1Window::OnActivate(WPARAM wparam, LPARAM) {
  if (LOWORD(wparam) == WA_INACTIVE) {
    const HWND focus = GetFocus();
    if (focus && IsChild(hwnd_, focus)) focus_ = focus;
    return 0;
  }
  const bool usable = focus_ && IsChild(hwnd_, focus_) && IsWindowEnabled(focus_);
  SetFocus(usable ? focus_ : text1_);
  return 0;
}

void Form1Window::OnClose() { ExitProcess(0); }

bool Form1Window::CreateControls() {
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE));
  const auto child = [&](const wchar_t* window_class, const wchar_t* text, DWORD style,
                         DWORD ex_style, int id) {
    return CreateWindowExW(ex_style, window_class, text,
                           WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, 0, 0, 0, 0, hwnd_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  };
  // Creation order is the tab order and the z-order, top first; the frame
  // comes last, under the option buttons that lie on it.
  text1_ = child(L"EDIT", L"Text1", WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                 ids::kText1);
  Machine& m = app_.machine;
  option1_ = child(L"BUTTON", m.Text(TextId::Option1Caption).c_str(),
                   BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0, ids::kOption1);
  option2_ = child(L"BUTTON", m.Text(TextId::Option2Caption).c_str(), BS_AUTORADIOBUTTON, 0,
                   ids::kOption2);
  const bool buttons_made =
      push_button13_.Create(hwnd_, ids::kPushButton13,
                            m.Text(TextId::PushButton13Caption).c_str(), WS_GROUP) &&
      push_button1_.Create(hwnd_, ids::kPushButton1, m.Text(TextId::PushButton1Caption).c_str(),
                           WS_GROUP);
  frame1_ = child(L"BUTTON", m.Text(TextId::Frame1Caption).c_str(), BS_GROUPBOX | WS_GROUP, 0,
                  ids::kFrame1);
  if (!text1_ || !option1_ || !option2_ || !buttons_made || !frame1_) return false;
  SendMessageW(option1_, BM_SETCHECK, BST_CHECKED, 0);
  return true;
}


HCURSOR Form1Window::CurrentCursor() const {
  switch (pointer_kind_) {
    case PointerKind::Hourglass:
      return LoadCursorW(nullptr, IDC_WAIT);
    case PointerKind::Custom:
      if (custom_pointer_) return custom_pointer_.get();
      break;
    case PointerKind::Normal:
      break;
  }
  return LoadCursorW(nullptr, IDC_ARROW);
}

void Form1Window::ShowCurrentPointer() {
  POINT point;
  if (!GetCursorPos(&point)) return;
  const HWND under = WindowFromPoint(point);
  if (!under || (under != hwnd_ && !IsChild(hwnd_, under))) return;
  // The same path as a real pointer move, so the window's rule applies.
  const auto hit = static_cast<WORD>(
      SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y)));
  SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(hit, WM_MOUSEMOVE));
}

}  // namespace tarnwell
