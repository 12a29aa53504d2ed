// The main window's push button: a flat button with a white face and a large
// caption, drawn by the program itself.
//
// It behaves like a standard push button for the keyboard (Tab stop, Enter
// and Space, focus rectangle) and the mouse (press, drag out, release inside),
// answers BM_CLICK, and tells its parent WM_COMMAND BN_CLICKED on a click and
// WM_COMMAND ids::kPushButtonMouseMove whenever the pointer moves over it.
#pragma once

#include <windows.h>

#include "win32/window/base_window.h"

namespace tarnwell {

struct PushButtonColours {
  COLORREF face = RGB(255, 255, 255);
  COLORREF text = GetSysColor(COLOR_BTNTEXT);
  COLORREF face_under_pointer = RGB(229, 241, 251);
  COLORREF disabled_text = GetSysColor(COLOR_GRAYTEXT);
};

class PushButton : public BaseWindow<PushButton> {
 public:
  static bool Register(HINSTANCE instance);

  // Creates the button as child `id` of `parent`, visible, a tab stop.
  bool Create(HWND parent, int id, const wchar_t* caption, DWORD extra_style);

  void SetColours(const PushButtonColours& colours);
  const PushButtonColours& colours() const { return colours_; }

 private:
  friend class BaseWindow<PushButton>;
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  // Face, caption, pressed and disabled looks, focus rectangle.
  // Everything is drawn here, so erasing the background is skipped.
  void OnPaint();
  // Tells the dialog manager to leave Enter to the button and to treat it
  // as a push button otherwise (Tab moves on, Space reaches the button).
  LRESULT OnGetDlgCode(const MSG* message);
  // Pressing starts a click: the button takes the focus and the mouse.
  // The press shows as long as the pointer stays inside.
  void OnLButtonDown();
  // Releasing inside the button clicks it; outside it only ends the press.
  // The capture is released first, so the click's handler starts clean.
  void OnLButtonUp(LPARAM lparam);
  // Every move is reported to the parent; it also keeps the hover look
  // and the pressed look in step with where the pointer is.
  void OnMouseMove(LPARAM lparam);
  // The pointer has left: back to the plain face.
  // Hover tracking is asked for again on the next move.
  void OnMouseLeave();
  // Space presses the button, Enter clicks at once (as a standard button).
  // Key repeats are ignored.
  void OnKeyDown(WPARAM key, LPARAM flags);
  // Letting go of Space clicks the button it pressed.
  // Other keys do nothing.
  void OnKeyUp(WPARAM key);
  // Losing the capture or the focus, or being disabled, cancels a press.
  // Nothing is clicked then.
  void CancelPress();

  // Sends BN_CLICKED to the parent, unless the button is disabled.
  void Click();
  void NotifyParent(WORD code);
  bool ContainsClientPoint(LPARAM lparam) const;
  void Redraw() { InvalidateRect(hwnd_, nullptr, FALSE); }

  PushButtonColours colours_;
  HFONT font_ = nullptr;  // owned by the parent
  bool mouse_pressing_ = false;
  bool space_pressing_ = false;
  bool looks_pressed_ = false;
  bool under_pointer_ = false;
};

}  // namespace tarnwell
