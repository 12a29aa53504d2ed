// The main window Form1: its controls, layout, colours, pointer and the
// events that reach the handlers. Its code is split by concern: messages,
// focus and pointer (form1_window.cpp), layout (form1_layout.cpp) and
// painting (form1_paint.cpp).
//
// Start-up: Create makes the window hidden with its controls; Start runs the
// load handler (its message boxes appear while the window is still hidden),
// then centres the window on the screen, shows it and gives Text1 the focus.
// Closing the window in any way ends the process at once.
#pragma once

#include <windows.h>

#include <optional>

#include "core/app/app.h"
#include "core/look/window_colours.h"
#include "win32/machine/main_window.h"
#include "win32/window/base_window.h"
#include "win32/window/push_button.h"
#include "win32_common/scoped_handle.h"

namespace tarnwell {

class Form1Window : public BaseWindow<Form1Window>, public MainWindow {
 public:
  explicit Form1Window(Machine& machine) : app_(machine) {}
  Form1Window(const Form1Window&) = delete;
  Form1Window& operator=(const Form1Window&) = delete;

  static bool Register(HINSTANCE instance);

  // Creates the window, hidden, with all its controls.
  bool Create(HINSTANCE instance);
  // Runs Form_Load, then shows the window centred, the focus on Text1.
  void Start(int show_command);

  // What the machine asks of the main window (win32/machine/main_window.h).
  HWND Handle() const override { return hwnd_; }
  HWND ControlWindow(Control control) const override;
  PointerKind pointer_kind() const override { return pointer_kind_; }
  void SetPointerKind(PointerKind kind) override;
  void SetCustomPointer(UniqueCursor cursor) override;
  DWORD UseApplicationIcon() override;

  UINT dpi() const { return dpi_; }

  // Colours. The window paints the faces of its own surface, the frame and
  // the option buttons (white at first) and draws the push buttons; what is
  // set here goes through the one colour choice (core/look/window_colours.h)
  // with the system's colours, again whenever those change.
  // Visual styles would draw the texts of the frame and the option buttons
  // in the theme's colour, so once a text colour is set the option buttons
  // drop their styles and the window paints the frame itself.
  bool SetFaceColour(Control control, OleColour colour) override;
  bool SetTextColour(Control control, Rgb colour) override;
  bool SetPushButtonLook(const PushButtonLook& look) override;
  void Repaint() override;

 private:
  friend class BaseWindow<Form1Window>;
  static constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  static constexpr DWORD kExStyle = 0;

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
  // Clicks and pointer moves of the push buttons reach their handlers; Enter
  // (IDOK from the dialog manager) clicks the push button with the focus.
  // Everything else (option buttons, Enter elsewhere, IDCANCEL) is ignored.
  void OnCommand(int id, int code, HWND control);
  // Runs a push button's command, then gives the focus back to that button,
  // or to Text1 when it is disabled: never to the other button.
  void OnPushButtonClicked(HWND button);
  // The push buttons are owner-drawn; each draws itself in its colours.
  void OnDrawItem(const DRAWITEMSTRUCT& item);
  // System colours, settings (high contrast among them) or the theme
  // changed: the colours are chosen afresh and everything repainted.
  void OnSystemLookChanged(UINT message, WPARAM wparam, LPARAM lparam);
  // The frame and the option buttons ask for their face brush and colours;
  // other controls get the system's defaults.
  LRESULT OnCtlColor(UINT message, HDC dc, HWND control);
  // Paints the window's face, and the frame's under the group box, which
  // draws only its edge and caption. Returns nonzero: the background is done.
  LRESULT OnEraseBackground(HDC dc);
  // Remembers which control had the focus when the window is deactivated
  // and gives it back on reactivation, as dialog boxes do; Text1 gets it
  // when that control is disabled now.
  LRESULT OnActivate(WPARAM wparam, LPARAM lparam);
  // The frame with a caption colour of its own: the etched edge, then the
  // caption in the window's font on the frame's face.
  void PaintFrame(HDC dc);
  static LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR id, DWORD_PTR self);
  // Closing ends the program at once, whatever it is doing: the close
  // cannot be refused, and a started program runs on by itself.
  [[noreturn]] void OnClose();

  bool CreateControls();
  // New fonts for the resolution; the controls get them before the old go.
  void ApplyFonts();
  // Window size and control positions from the twips layout, then the
  // captions fitted.
  void Layout();
  // Widens an option or push button whose caption, measured in its font,
  // would be clipped, as far as `right_limit` (client pixels) allows.
  void WidenToFit(HWND control, int needed_width, int right_limit);
  // Centres the window on the work area of its monitor.
  void PlaceOnScreen();
  // The icon at the current resolution. 0, or the system's error code.
  DWORD LoadApplicationIcons();

  // A surface the window paints: what was set, and what is drawn.
  struct Surface {
    SurfaceLook look;
    SurfaceColours colours{{255, 255, 255}, std::nullopt};
    UniqueBrush brush;
    bool draws_own_text = false;  // themes dropped, or painted by the window
  };
  // The surface of Form1, Frame1, Option1 or Option2; nullptr for the others.
  Surface* SurfaceOf(Control control);
  // The surface of the frame or an option button by its window; nullptr for others.
  Surface* SurfaceOf(HWND control);
  // Chooses every colour from what was set and the system's colours now;
  // false when a brush could not be made.
  bool RefreshColours();
  bool ApplySurfaceColours(Control control, const SurfaceColours& colours);
  // The control stops drawing its text in a theme's colour.
  void UseOwnTextColour(Control control);

  HCURSOR CurrentCursor() const;
  // Updates the pointer on screen when it is over the window.
  void ShowCurrentPointer();

  App app_;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  Surface form_surface_;
  Surface frame_surface_;
  Surface option1_surface_;
  Surface option2_surface_;
  UniqueFont form_font_;
  UniqueFont button_font_;
  UniqueCursor custom_pointer_;
  UniqueIcon big_icon_;
  UniqueIcon small_icon_;
  bool uses_application_icon_ = false;
  PointerKind pointer_kind_ = PointerKind::Normal;
  HWND text1_ = nullptr;
  HWND option1_ = nullptr;
  HWND option2_ = nullptr;
  HWND frame1_ = nullptr;
  PushButtonLook push_button13_look_;
  PushButtonLook push_button1_look_;
  PushButton push_button13_;
  PushButton push_button1_;
  HWND focus_ = nullptr;  // the control to give the focus back to
};

}  // namespace tarnwell
