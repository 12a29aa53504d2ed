// The main window Form1: its controls, layout, colours, pointer and the
// events that reach the handlers.
//
// Start-up: Create makes the window hidden with its controls; Start runs the
// load handler (its message boxes appear while the window is still hidden),
// then centres the window on the screen, shows it and gives Text1 the focus.
// Closing the window in any way ends the process at once.
#pragma once

#include <windows.h>

#include "app/app.h"
#include "app/window/base_window.h"
#include "app/window/push_button.h"
#include "machine/unique_handle.h"

namespace tarnwell {

class Form1Window : public BaseWindow<Form1Window> {
 public:
  explicit Form1Window(Machine& machine) : app_(machine) {}
  Form1Window(const Form1Window&) = delete;
  Form1Window& operator=(const Form1Window&) = delete;

  static bool Register(HINSTANCE instance);

  // Creates the window, hidden, with all its controls.
  bool Create(HINSTANCE instance);
  // Runs Form_Load, then shows the window centred, the focus on Text1.
  void Start(int show_command);

  // The window of a control; Control::Form1 is the window itself.
  HWND ControlWindow(Control control) const;

  PointerKind pointer_kind() const { return pointer_kind_; }
  // Shows the new pointer at once when the pointer is over the window.
  void SetPointerKind(PointerKind kind);
  // The image of pointer kind Custom; the window keeps it for its life.
  void SetCustomPointer(UniqueCursor cursor);
  // Big and small window icons; the window keeps them for its life.
  void SetIcons(UniqueIcon big, UniqueIcon small);

  UINT dpi() const { return dpi_; }

 private:
  friend class BaseWindow<Form1Window>;
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  // Makes the fonts and the controls, in tab order, and sizes everything.
  // Returns -1 (creation fails) when a control cannot be made.
  LRESULT OnCreate();
  // The window moved to a monitor with another resolution: new size,
  // new fonts, new control positions, at the suggested place.
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  // One pointer for the whole client area, the controls' included
  // (they pass WM_SETCURSOR up); elsewhere the system decides.
  LRESULT OnSetCursor(UINT message, WPARAM wparam, LPARAM lparam);
  // The pointer moved over the window's own surface or over Frame1,
  // which lets hit tests through to the window.
  void OnMouseMove();
  // Clicks and pointer moves of the push buttons reach their handlers;
  // everything else (option buttons, IDOK/IDCANCEL from the keyboard) is ignored.
  void OnCommand(int id, int code, HWND control);
  // White background behind the frame and the option buttons,
  // as behind the window itself.
  LRESULT OnCtlColor(HDC dc);
  // Paints the window's background colour.
  // Returns nonzero: the background is done.
  LRESULT OnEraseBackground(HDC dc);
  // Remembers which control had the focus when the window is deactivated
  // and gives it back on reactivation, as dialog boxes do.
  LRESULT OnActivate(WPARAM wparam, LPARAM lparam);
  // Closing ends the program at once, whatever it is doing: the close
  // cannot be refused, and a started program runs on by itself.
  [[noreturn]] void OnClose();

  bool CreateControls();
  // New fonts for the resolution; the controls get them before the old go.
  void ApplyFonts();
  // Window size and control positions from the twips layout.
  void Layout();
  // Centres the window on the work area of its monitor.
  void PlaceOnScreen();
  HCURSOR CurrentCursor() const;
  // Updates the pointer on screen when it is over the window.
  void ShowCurrentPointer();

  App app_;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  COLORREF background_ = RGB(255, 255, 255);
  UniqueBrush background_brush_;
  UniqueFont form_font_;
  UniqueFont button_font_;
  UniqueCursor custom_pointer_;
  UniqueIcon big_icon_;
  UniqueIcon small_icon_;
  PointerKind pointer_kind_ = PointerKind::Normal;
  HWND text1_ = nullptr;
  HWND option1_ = nullptr;
  HWND option2_ = nullptr;
  HWND frame1_ = nullptr;
  PushButton push_button13_;
  PushButton push_button1_;
  HWND focus_ = nullptr;  // the control to give the focus back to
};

}  // namespace tarnwell
