// Form1's painting: the colours chosen from what was set and the system's,
// the faces and texts of its surfaces, the frame drawn by the window, and the
// owner-drawn push buttons.
#include "win32/window/form1_window.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <optional>
#include <string>
#include <utility>

#include "win32/window/system_colours.h"
#include "win32_common/system_library.h"

namespace tarnwell {

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

}  // namespace tarnwell
