#include "core/look/apply_skin.h"

#include "core/app/shared_routines.h"
#include "core/look/skin_framework.h"

namespace tarnwell {

namespace {

// The main window's controls in its control order, Frame1's option buttons
// included.
constexpr Control kControlOrder[] = {Control::Text1,   Control::Frame1,       Control::Option1,
                                     Control::Option2, Control::PushButton13, Control::PushButton1};

ControlKind KindOf(Control control) {
  switch (control) {
    case Control::Form1: return ControlKind::Window;
    case Control::Text1: return ControlKind::TextBox;
    case Control::Frame1: return ControlKind::Frame;
    case Control::Option1:
    case Control::Option2: return ControlKind::OptionButton;
    case Control::PushButton13:
    case Control::PushButton1: return ControlKind::PushButton;
  }
  return ControlKind::Window;
}

// The kinds designed white that a skin turns to the button face; text boxes
// and push buttons keep their own colours.
bool TakesButtonFace(ControlKind kind) {
  return kind == ControlKind::OptionButton || kind == ControlKind::Frame;
}

}  // namespace

void ApplySkin(App& app) {
  Machine& m = app.machine;
  if (!FindOrdinaryFile(m, m.ApplicationFolder() + kSkinFile)) return;

  m.SetBackColour(Control::Form1, kButtonFaceColour);
  for (const Control control : kControlOrder) {
    if (TakesButtonFace(KindOf(control))) m.SetBackColour(control, kButtonFaceColour);
  }

  SkinFramework own_component(m);
  SkinComponent& skin = app.skin ? *app.skin : own_component;
  skin.LoadSkin(m.ApplicationFolder() + kSkinFile, L"");
  skin.SetOptionFlags(skin.OptionFlags() | kSkinChildControls);
  skin.SetSkinEnabled(true);
  skin.SetSkinPushButtons(true);
  skin.ApplyToMainWindow();
}

}  // namespace tarnwell
