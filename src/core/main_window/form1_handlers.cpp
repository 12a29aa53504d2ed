#include "core/main_window/form1_handlers.h"

#include "core/app/shared_routines.h"
#include "core/app/step_runner.h"
#include "core/look/apply_skin.h"
#include "core/printer/printer_presence.h"

namespace tarnwell {

void Form_Load(App& app) {
  Machine& m = app.machine;
  bool cursor_present = false;
  const std::vector<Step> steps = {
      {102, [&] { ApplySkin(app); return Flow::Next(); }},
      {104, [&] { m.SetCaption(kProductName); return Flow::Next(); }},
      {104, [&] { m.SetApplicationIcon(); return Flow::Next(); }},
      {104, [&] { SetApplicationTitle(app); return Flow::Next(); }},
      {124,
       [&] {
         cursor_present = FileExists(m, m.ApplicationFolder() + kCursorFile);
         return Flow::Next();
       }},
      {126,
       [&] {
         if (cursor_present) m.LoadCustomPointer(m.ApplicationFolder() + kCursorFile);
         return Flow::Next();
       }},
      {126, [&] { CheckPrinterPresence(app); return Flow::Next(); }},
  };
  RunSteps(app, kFormLoadLocation, steps);
}

namespace {
void SetPointerUnlessBusy(Machine& m, PointerKind kind) {
  if (m.GetPointerKind() != PointerKind::Hourglass) m.SetPointerKind(kind);
}
}  // namespace

void Form_MouseMove(App& app) { SetPointerUnlessBusy(app.machine, PointerKind::Normal); }

void PushButton_MouseMove(App& app) { SetPointerUnlessBusy(app.machine, PointerKind::Custom); }

}  // namespace tarnwell
