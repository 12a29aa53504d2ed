// The main window's push button: a control of the system's button class,
// owner-drawn, so assistive technology knows it as a push button while it
// keeps the program's flat look (face, large caption, hover face, disabled
// text, focus rectangle).
//
// The system button does the keyboard (Space; Enter comes to the parent as
// IDOK from the dialog manager), the mouse and BM_CLICK, and tells its parent
// WM_COMMAND BN_CLICKED. A subclass adds the hover look and tells the parent
// WM_COMMAND ids::kPushButtonMouseMove whenever the pointer moves over it.
#pragma once

#include <windows.h>

#include "core/look/window_colours.h"

namespace tarnwell {

class PushButton {
 public:
  PushButton() = default;
  PushButton(const PushButton&) = delete;
  PushButton& operator=(const PushButton&) = delete;

  // Creates the button as child `id` of `parent`, visible, a tab stop.
  bool Create(HWND parent, int id, const wchar_t* caption, DWORD extra_style);
  HWND hwnd() const { return hwnd_; }

  void SetColours(const PushButtonColours& colours);
  // Draws the whole button in the state WM_DRAWITEM gives, whatever part
  // it asks for: face, outline, caption, pressed and disabled looks, focus.
  void Draw(const DRAWITEMSTRUCT& item) const;
  // Width the caption needs in the button's font, its margins included.
  int CaptionWidth() const;

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                       UINT_PTR id, DWORD_PTR self);
  // Reports the move to the parent and shows the hover face until the
  // pointer leaves.
  void OnMouseMove();
  void OnMouseLeave();
  void Redraw() const { InvalidateRect(hwnd_, nullptr, FALSE); }

  HWND hwnd_ = nullptr;
  PushButtonColours colours_{};
  bool under_pointer_ = false;
};

}  // namespace tarnwell
