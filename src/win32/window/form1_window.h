// The main window Form1: its controls, layout, colours, pointer and the
// events that reach the handlers.
//
// Start-up: Create makes the window hidden with its controls; Start runs the
// load handler (its message boxes appear while the window is still hidden),
// then centres the window on the screen, shows it and gives Text1 the focus.
// Closing the window in any way ends the process at once.
#pragma once

#include <windows.h>

#include <optional>

#include "core/app/app.h"
#include "win32/window/base_window.h"
#include "win32/window/push_button.h"
#include "win32_common/scoped_handle.h"

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

  // Colours. The window paints the faces of its own surface, the frame and
  // the option buttons (white at first); the push buttons paint themselves.
  // Set one control's face; false when the window does not paint that
  // control's face (Text1) or no brush could be made.
  bool SetFaceColour(Control control, COLORREF colour);
  // Set the text colour of the window, the frame's caption or an option
  // button. Visual styles would draw those texts in the theme's colour, so
  // the option buttons then drop them and the window paints the frame
  // itself. False for other controls.
  bool SetTextColour(Control control, COLORREF colour);
  void SetPushButtonColours(const PushButtonColours& colours);
  // Repaints the window and every control on it.
  void Repaint();

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
  // The frame and the option buttons ask for their face brush and colours;
  // other controls get the system's defaults.
  LRESULT OnCtlColor(UINT message, HDC dc, HWND control);
  // Paints the window's face, and the frame's under the group box, which
  // draws only its edge and caption. Returns nonzero: the background is done.
  LRESULT OnEraseBackground(HDC dc);
  // Remembers which control had the focus when the window is deactivated
  // and gives it back on reactivation, as dialog boxes do.
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
  // Window size and control positions from the twips layout.
  void Layout();
  // Centres the window on the work area of its monitor.
  void PlaceOnScreen();
  // The colours of a surface the window paints.
  struct Surface {
    COLORREF face = RGB(255, 255, 255);
    std::optional<COLORREF> text;  // unset: the control's own text colour
    UniqueBrush brush;
  };
  // The surface of Form1, Frame1, Option1 or Option2; nullptr for the others.
  Surface* SurfaceOf(Control control);
  // The surface of the frame or an option button by its window; nullptr for others.
  Surface* SurfaceOf(HWND control);

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
