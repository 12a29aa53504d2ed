#include "core/main_window/busy_state.h"

namespace tarnwell {
namespace {

Step EnableStep(Machine& m, int line, Control control, bool enabled) {
  return {line, [&m, control, enabled] {
            m.SetEnabled(control, enabled);
            return Flow::Next();
          }};
}

Step PointerStep(Machine& m, int line, PointerKind kind) {
  return {line, [&m, kind] {
            m.SetPointerKind(kind);
            return Flow::Next();
          }};
}

}  // namespace

std::vector<Step> EnterBusyState(Machine& m, int first_line) {
  return {PointerStep(m, first_line, PointerKind::Hourglass),
          EnableStep(m, first_line + 2, Control::PushButton13, false),
          EnableStep(m, first_line + 4, Control::PushButton1, false),
          EnableStep(m, first_line + 6, Control::Option1, false),
          EnableStep(m, first_line + 8, Control::Option2, false)};
}

std::vector<Step> LeaveBusyState(Machine& m, int first_line) {
  return {EnableStep(m, first_line, Control::Option1, true),
          EnableStep(m, first_line + 2, Control::Option2, true),
          EnableStep(m, first_line + 4, Control::PushButton13, true),
          EnableStep(m, first_line + 6, Control::PushButton1, true),
          PointerStep(m, first_line + 8, PointerKind::Normal)};
}

}  // namespace tarnwell
