#include "core/main_window/uninstall_command.h"

#include "core/app/shared_routines.h"
#include "core/app/step_runner.h"
#include "core/main_window/busy_state.h"
#include "core/main_window/command_guard.h"
#include "core/printer/package.h"
#include "core/printer/package_commands.h"
#include "core/printer/package_result.h"
#include "core/printer/printer_search.h"
#include "core/printer/registry.h"
#include "core/printer/run_and_wait.h"

namespace tarnwell {

void PushButton1_Click(App& app) {
  Machine& m = app.machine;
  PrinterWalk walk(m);
  bool found = false;
  std::wstring uninstall_command;
  bool started = true;
  // Held from the first step until the uninstaller's wait has ended; every
  // other way out of the command lets go of it when the command returns.
  std::unique_ptr<CommandLock> lock;

  auto message_step = [&](int line, TextId text, MessageKind kind = kNotice) {
    return Step{line,
                [&app, text, kind] {
                  MsgBox(app, text, kind);
                  return Flow::End();
                },
                Flow::End()};
  };

  std::vector<Step> steps = {
      CommandGuardStep(app, 98, lock),
      {100, [&] { found = false; return Flow::Next(); }},
      {102, [&] { return walk.Start() ? Flow::Next() : Flow::Goto(110); }},
      {104, [&] { return walk.CurrentIs(package::kName) ? Flow::Next() : Flow::Goto(108); }},
      {106, [&] { found = true; return Flow::Goto(110); }, Flow::Goto(110)},
      {108, [&] { return walk.Next() ? Flow::Goto(104) : Flow::Goto(110); }},
      {110, [&] { return found ? Flow::Next() : Flow::Goto(146); }},
      {112,
       [&] {
         const std::wstring folder =
             package::InstalledFolder(m.EnvironmentVariable(package::kProgramFilesVariable));
         return FindVisibleEntry(m, folder) ? Flow::Next() : Flow::Goto(144);
       }},
      {114,
       [&] {
         uninstall_command = RegistryValueText(
             ReadRegistryValue(m, RegRoot::LocalMachine, package::UninstallKeyPath(),
                               package::kUninstallValue));
         return Flow::Next();
       }},
      {116, [&] { return uninstall_command.empty() ? Flow::Goto(142) : Flow::Next(); }},
      // 118-126: the busy state.
      {128,
       [&] {
         // The platform never sees text after a NUL; neither does the path check.
         const std::wstring command = uninstall_command.substr(0, uninstall_command.find(L'\0'));
         const auto resolved = ResolveUninstallProgram(m, command);
         started = resolved && RunAndWait(m, resolved->command_line, std::nullopt,
                                          [&m] { return PackageRemoved(m); })
                                   .started;
         lock.reset();
         return Flow::Next();
       }},
      // 130-138: back from the busy state.
      {140,
       [&] {
         if (started) {
           MsgBox(app, TextId::UninstallDone);
         } else {
           MsgBox(app, TextId::UninstallerNotStarted, kWarning);
         }
         return Flow::End();
       },
       Flow::End()},
      message_step(142, TextId::InstallPathNotFound),
      message_step(144, TextId::InstallPathNotFound),
      message_step(146, TextId::PrinterNotInstalled),
  };
  InsertBefore(steps, 128, EnterBusyState(m, 118));
  InsertBefore(steps, 140, LeaveBusyState(m, 130));
  RunSteps(app, kUninstallLocation, steps);
}

}  // namespace tarnwell
