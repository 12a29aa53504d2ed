// What the machine's user-interface side asks of the main window. The window
// implements it; the machine knows the window only through it, so nothing of
// the window's own code is needed to build or test the machine.
#pragma once

#include <windows.h>

#include "core/look/window_colours.h"
#include "core/port/machine.h"
#include "win32_common/scoped_handle.h"

namespace tarnwell {

class MainWindow {
 public:
  // The window itself; nullptr until it has been made.
  virtual HWND Handle() const = 0;
  // The window of a control; Control::Form1 is the window itself.
  virtual HWND ControlWindow(Control control) const = 0;

  virtual PointerKind pointer_kind() const = 0;
  // Shows the new pointer at once when the pointer is over the window.
  virtual void SetPointerKind(PointerKind kind) = 0;
  // The image of pointer kind Custom; the window keeps it for its life.
  virtual void SetCustomPointer(UniqueCursor cursor) = 0;
  // Gives the window the program's icon at the window's resolution, and
  // again whenever the resolution changes. 0, or the system's error code.
  virtual DWORD UseApplicationIcon() = 0;

  // Sets one control's face as a back colour (IsColour must accept it);
  // false when the window does not paint that control's face (Text1) or no
  // brush could be made.
  virtual bool SetFaceColour(Control control, OleColour colour) = 0;
  // Sets the text colour of the window, the frame's caption or an option
  // button; false for other controls.
  virtual bool SetTextColour(Control control, Rgb colour) = 0;
  // Both push buttons' skin colours, their faces as back colours.
  virtual bool SetPushButtonLook(const PushButtonLook& look) = 0;
  // Repaints the window and every control on it.
  virtual void Repaint() = 0;

 protected:
  ~MainWindow() = default;
};

}  // namespace tarnwell
