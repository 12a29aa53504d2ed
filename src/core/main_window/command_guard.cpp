#include "core/main_window/command_guard.h"

#include "core/app/shared_routines.h"

namespace tarnwell {

Step CommandGuardStep(App& app, int line, std::unique_ptr<CommandLock>& lock) {
  return {line, [&app, &lock] {
            lock = app.machine.TakeCommandLock();
            if (lock) return Flow::Next();
            MsgBox(app, TextId::CommandInProgress, kWarning);
            return Flow::End();
          }};
}

}  // namespace tarnwell
