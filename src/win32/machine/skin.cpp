// The skin side of the Win32 machine: reading the skin file, back colours,
// and giving the main window a skin's colours.
#include <cstdint>
#include <cwchar>

#include "core/look/window_colours.h"
#include "core/port/run_error.h"
#include "win32/machine/machine.h"
#include "win32_common/files.h"

namespace tarnwell {
namespace {

// A back colour the window can take: a COLORREF as it stands, or system
// colour nn as 0x800000nn, read whenever the window draws.
void CheckColour(OleColour colour) {
  if (IsColour(colour)) return;
  wchar_t hex[9];
  swprintf(hex, 9, L"%08X", static_cast<unsigned>(colour));
  throw RunError(L"Invalid property value: &H" + std::wstring(hex) + L" is not a colour.");
}

OleColour ToOleColour(const Rgb& rgb) { return RGB(rgb.red, rgb.green, rgb.blue); }

void SetFace(MainWindow& window, Control control, OleColour colour) {
  // The window paints every face but Text1's, so only a brush can be missing.
  if (!window.SetFaceColour(control, colour)) throw RunError(L"Out of memory.");
}

}  // namespace

MainWindow& Win32Machine::Window() {
  if (!window_ || !window_->Handle()) throw RunError(L"The main window has not been made yet.");
  return *window_;
}

std::vector<std::uint8_t> Win32Machine::ReadFileBytes(const std::wstring& path,
                                                      std::size_t max_bytes) {
  return ReadFileCapped(path, max_bytes);
}

void Win32Machine::SetBackColour(Control control, OleColour colour) {
  MainWindow& window = Window();
  if (control == Control::Text1) throw RunError(L"Text1 keeps its own back colour.");
  CheckColour(colour);
  SetFace(window, control, colour);
}

void Win32Machine::ApplySkinLook(const SkinLook& look) {
  MainWindow& form = Window();
  const SkinColours& colours = look.colours;
  SetFace(form, Control::Form1, ToOleColour(colours.window_face));
  form.SetTextColour(Control::Form1, colours.window_text);
  if (look.child_controls) {
    SetFace(form, Control::Frame1, ToOleColour(colours.frame_face));
    form.SetTextColour(Control::Frame1, colours.frame_text);
    for (const Control option : {Control::Option1, Control::Option2}) {
      SetFace(form, option, ToOleColour(colours.option_face));
      form.SetTextColour(option, colours.option_text);
    }
  }
  if (look.push_buttons &&
      !form.SetPushButtonLook({ToOleColour(colours.button_face), colours.button_text,
                               colours.button_hover, colours.button_disabled})) {
    throw RunError(L"Out of memory.");
  }
  form.Repaint();
}

}  // namespace tarnwell
