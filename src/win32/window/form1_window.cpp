#include "win32/window/form1_window.h"

#include <commctrl.h>
#include <uxtheme.h>
#include <windowsx.h>

#include <algorithm>
#include <cwchar>
#include <initializer_list>
#include <string>
#include <utility>

#include "core/main_window/form1_handlers.h"
#include "core/main_window/install_command.h"
#include "core/main_window/uninstall_command.h"
#include "win32/window/control_ids.h"
#include "win32/window/dpi.h"
#include "win32/window/system_colours.h"
#include "win32_common/system_library.h"

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
// A widened control keeps this far from the frame's or the window's right edge.
constexpr int kRightMargin = 120;
constexpr int kApplicationIcon = 1;

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

void Form1Window::OnDrawItem(const DRAWITEMSTRUCT& item) {
  if (item.hwndItem == push_button13_.hwnd()) push_button13_.Draw(item);
  if (item.hwndItem == push_button1_.hwnd()) push_button1_.Draw(item);
}

void Form1Window::OnSystemLookChanged(UINT message, WPARAM wparam, LPARAM lparam) {
  // Common controls hear of colour changes only from their parent.
  if (message == WM_SYSCOLORCHANGE) {
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      SendMessageW(child, message, wparam, lparam);
    }
  }
  RefreshColours();
  Repaint();
}

LRESULT Form1Window::OnCtlColor(UINT message, HDC dc, HWND control) {
  const Surface* surface = SurfaceOf(control);
  if (!surface) {
    return Default(message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  }
  SetBkColor(dc, ToColorref(surface->colours.face));
  if (surface->colours.text) SetTextColor(dc, ToColorref(*surface->colours.text));
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

bool Form1Window::SetFaceColour(Control control, OleColour colour) {
  if (control == Control::PushButton13) {
    push_button13_look_.face = colour;
  } else if (control == Control::PushButton1) {
    push_button1_look_.face = colour;
  } else if (Surface* surface = SurfaceOf(control)) {
    surface->look.face = colour;
  } else {
    return false;
  }
  if (!RefreshColours()) return false;
  RedrawWindow(ControlWindow(control), nullptr, nullptr,
               RDW_ERASE | RDW_INVALIDATE | (control == Control::Form1 ? RDW_ALLCHILDREN : 0));
  return true;
}

bool Form1Window::SetTextColour(Control control, Rgb colour) {
  Surface* surface = SurfaceOf(control);
  if (!surface) return false;
  surface->look.text = colour;
  RefreshColours();
  InvalidateRect(ControlWindow(control), nullptr, TRUE);
  return true;
}

bool Form1Window::SetPushButtonLook(const PushButtonLook& look) {
  push_button13_look_ = look;
  push_button1_look_ = look;
  return RefreshColours();
}

bool Form1Window::RefreshColours() {
  const WindowLook look{form_surface_.look,    frame_surface_.look, option1_surface_.look,
                        option2_surface_.look, push_button13_look_, push_button1_look_};
  const WindowColours colours = ChooseWindowColours(look, ReadSystemColours());
  push_button13_.SetColours(colours.push_button13);
  push_button1_.SetColours(colours.push_button1);
  return ApplySurfaceColours(Control::Form1, colours.form) &&
         ApplySurfaceColours(Control::Frame1, colours.frame) &&
         ApplySurfaceColours(Control::Option1, colours.option1) &&
         ApplySurfaceColours(Control::Option2, colours.option2);
}

bool Form1Window::ApplySurfaceColours(Control control, const SurfaceColours& colours) {
  Surface& surface = *SurfaceOf(control);
  UniqueBrush brush(CreateSolidBrush(ToColorref(colours.face)));
  if (!brush) return false;
  surface.colours = colours;
  surface.brush = std::move(brush);
  if (colours.text && !surface.draws_own_text) {
    UseOwnTextColour(control);
    surface.draws_own_text = true;
  }
  return true;
}

void Form1Window::UseOwnTextColour(Control control) {
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
    const std::optional<Rgb> text = frame_surface_.colours.text;
    SetTextColor(dc, text ? ToColorref(*text) : GetSysColor(COLOR_BTNTEXT));
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
