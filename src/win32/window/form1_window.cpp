#include "win32/window/form1_window.h"

#include <commctrl.h>
#include <uxtheme.h>
#include <windowsx.h>

#include <cwchar>
#include <initializer_list>
#include <string>
#include <utility>

#include "core/app/form1_handlers.h"
#include "win32/window/control_ids.h"
#include "win32/window/dpi.h"
#include "win32_common/system_library.h"
#include "core/printer/install_command.h"
#include "core/printer/uninstall_command.h"

namespace tarnwell {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kExStyle = 0;

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

bool RegisterForm1Class(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = ids::kForm1Class;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool RegisterPushButtonClass(HINSTANCE instance) {
  return PushButton::Register(instance) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void Place(HWND control, const Placement& place, UINT dpi) {
  SetWindowPos(control, nullptr, TwipsToPixels(place.left, dpi), TwipsToPixels(place.top, dpi),
               TwipsToPixels(place.width, dpi), TwipsToPixels(place.height, dpi),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

bool Form1Window::Register(HINSTANCE instance) {
  return RegisterForm1Class(instance, WindowProc) && RegisterPushButtonClass(instance);
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

void Form1Window::SetIcons(UniqueIcon big, UniqueIcon small) {
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
  big_icon_ = std::move(big);
  small_icon_ = std::move(small);
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
  for (Surface* surface : {&form_surface_, &frame_surface_, &option1_surface_, &option2_surface_}) {
    surface->brush.reset(CreateSolidBrush(surface->face));
    if (!surface->brush) return -1;
  }
  if (!CreateControls()) return -1;
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
}

LRESULT Form1Window::OnSetCursor(UINT message, WPARAM wparam, LPARAM lparam) {
  if (LOWORD(lparam) != HTCLIENT) return Default(message, wparam, lparam);
  SetCursor(CurrentCursor());
  return TRUE;
}

void Form1Window::OnMouseMove() { Form_MouseMove(app_); }

void Form1Window::OnCommand(int id, int code, HWND control) {
  if (!control || (id != ids::kPushButton13 && id != ids::kPushButton1)) return;
  if (code == ids::kPushButtonMouseMove) {
    PushButton_MouseMove(app_);
    return;
  }
  if (code != BN_CLICKED) return;
  if (id == ids::kPushButton13) {
    PushButton13_Click(app_);
  } else {
    PushButton1_Click(app_);
  }
  // Disabling the button during the command took its focus away; give it
  // back, so the keyboard still works in the window.
  if (!GetFocus() && GetActiveWindow() == hwnd_ && IsWindowEnabled(control)) SetFocus(control);
}

LRESULT Form1Window::OnCtlColor(UINT message, HDC dc, HWND control) {
  const Surface* surface = SurfaceOf(control);
  if (!surface) {
    return Default(message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  }
  SetBkColor(dc, surface->face);
  if (surface->text) SetTextColor(dc, *surface->text);
  return reinterpret_cast<LRESULT>(surface->brush.get());
}

LRESULT Form1Window::OnEraseBackground(HDC dc) {
  RECT client;
  GetClientRect(hwnd_, &client);
  FillRect(dc, &client, form_surface_.brush.get());
  RECT frame;
  if (GetWindowRect(frame1_, &frame)) {
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&frame), 2);
    FillRect(dc, &frame, frame_surface_.brush.get());
  }
  return 1;
}

bool Form1Window::SetFaceColour(Control control, COLORREF colour) {
  if (control == Control::PushButton13 || control == Control::PushButton1) {
    PushButton& button = control == Control::PushButton13 ? push_button13_ : push_button1_;
    PushButtonColours colours = button.colours();
    colours.face = colour;
    button.SetColours(colours);
    return true;
  }
  Surface* surface = SurfaceOf(control);
  if (!surface) return false;
  UniqueBrush brush(CreateSolidBrush(colour));
  if (!brush) return false;
  surface->face = colour;
  surface->brush = std::move(brush);
  RedrawWindow(ControlWindow(control), nullptr, nullptr,
               RDW_ERASE | RDW_INVALIDATE | (control == Control::Form1 ? RDW_ALLCHILDREN : 0));
  return true;
}

bool Form1Window::SetTextColour(Control control, COLORREF colour) {
  Surface* surface = SurfaceOf(control);
  if (!surface) return false;
  surface->text = colour;
  const HWND window = ControlWindow(control);
  if (control == Control::Frame1) {
    // Not every system lets a group box drop its visual style, so the
    // window draws this one itself.
    SetWindowSubclass(window, FrameProc, 0, reinterpret_cast<DWORD_PTR>(this));
  } else if (control != Control::Form1) {
    // Empty names leave the control to the classic drawing, which takes
    // its text colour from WM_CTLCOLORSTATIC.
    static const auto set_window_theme =
        SystemFunction<decltype(&SetWindowTheme)>(L"uxtheme.dll", "SetWindowTheme");
    set_window_theme(window, L"", L"");
  }
  InvalidateRect(window, nullptr, TRUE);
  return true;
}

void Form1Window::SetPushButtonColours(const PushButtonColours& colours) {
  push_button13_.SetColours(colours);
  push_button1_.SetColours(colours);
}

void Form1Window::Repaint() {
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

Form1Window::Surface* Form1Window::SurfaceOf(Control control) {
  switch (control) {
    case Control::Form1: return &form_surface_;
    case Control::Frame1: return &frame_surface_;
    case Control::Option1: return &option1_surface_;
    case Control::Option2: return &option2_surface_;
    default: return nullptr;
  }
}

Form1Window::Surface* Form1Window::SurfaceOf(HWND control) {
  if (control == frame1_) return &frame_surface_;
  if (control == option1_) return &option1_surface_;
  if (control == option2_) return &option2_surface_;
  return nullptr;
}

LRESULT Form1Window::OnActivate(WPARAM wparam, LPARAM lparam) {
  if (LOWORD(wparam) == WA_INACTIVE) {
    const HWND focus = GetFocus();
    if (focus && IsChild(hwnd_, focus)) focus_ = focus;
    return 0;
  }
  if (focus_ && IsChild(hwnd_, focus_) && IsWindowEnabled(focus_)) {
    SetFocus(focus_);
    return 0;
  }
  return Default(WM_ACTIVATE, wparam, lparam);
}

void Form1Window::PaintFrame(HDC dc) {
  RECT client;
  GetClientRect(frame1_, &client);
  FillRect(dc, &client, frame_surface_.brush.get());
  const ScopedSelectObject font(dc, form_font_.get());
  TEXTMETRICW metrics;
  GetTextMetricsW(dc, &metrics);
  // The edge runs through the middle of the caption line, as in a plain group box.
  RECT edge = client;
  edge.top += metrics.tmHeight / 2 - 1;
  DrawEdge(dc, &edge, EDGE_ETCHED, BF_RECT);

  std::wstring caption(static_cast<std::size_t>(GetWindowTextLengthW(frame1_)) + 1, L'\0');
  caption.resize(static_cast<std::size_t>(
      GetWindowTextW(frame1_, caption.data(), static_cast<int>(caption.size()))));
  if (!caption.empty()) {
    constexpr int kCaptionIndent = 7;
    RECT label{client.left + kCaptionIndent, client.top, client.right - kCaptionIndent,
               client.top + metrics.tmHeight};
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &label,
              DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    RECT behind = label;
    InflateRect(&behind, 1, 0);
    FillRect(dc, &behind, frame_surface_.brush.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, frame_surface_.text.value_or(GetSysColor(COLOR_BTNTEXT)));
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &label,
              DT_SINGLELINE | DT_NOPREFIX);
  }
}

LRESULT CALLBACK Form1Window::FrameProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                        UINT_PTR id, DWORD_PTR self) {
  switch (message) {
    case WM_PAINT:
    case WM_PRINTCLIENT: {
      Form1Window& window = *reinterpret_cast<Form1Window*>(self);
      if (wparam) {
        window.PaintFrame(reinterpret_cast<HDC>(wparam));
      } else {
        const ScopedPaint paint(hwnd);
        window.PaintFrame(paint.get());
      }
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, FrameProc, id);
      break;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
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
  option1_ = child(L"BUTTON", L"Install PDF Printer and set as default printer",
                   BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0, ids::kOption1);
  option2_ = child(L"BUTTON", L"Install PDF Printer but do not set as default printer",
                   BS_AUTORADIOBUTTON, 0, ids::kOption2);
  const bool buttons_made =
      push_button13_.Create(hwnd_, ids::kPushButton13, L"Install PDF Printer", WS_GROUP) &&
      push_button1_.Create(hwnd_, ids::kPushButton1, L"Uninstall PDF Printer", WS_GROUP);
  frame1_ = child(L"BUTTON", L"Install Options", BS_GROUPBOX | WS_GROUP, 0, ids::kFrame1);
  if (!text1_ || !option1_ || !option2_ || !buttons_made || !frame1_) return false;
  SendMessageW(option1_, BM_SETCHECK, BST_CHECKED, 0);
  return true;
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
