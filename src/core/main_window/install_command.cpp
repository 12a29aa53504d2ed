#include "core/main_window/install_command.h"

#include "core/app/shared_routines.h"
#include "core/app/step_runner.h"
#include "core/main_window/busy_state.h"
#include "core/main_window/command_guard.h"
#include "core/printer/default_printer.h"
#include "core/printer/package.h"
#include "core/printer/package_commands.h"
#include "core/printer/package_result.h"
#include "core/printer/printer_search.h"
#include "core/printer/protected_print.h"
#include "core/printer/run_and_wait.h"

namespace tarnwell {

std::wstring ViewPrintersQuestion(Machine& machine) {
  return FillIn(machine.Text(TextId::ViewPrintersQuestion), {{L"package", package::kName}});
}

void PushButton13_Click(App& app) {
  Machine& m = app.machine;
  PrinterWalk walk(m);
  // Held from the first step until the setup's wait has ended; every other
  // way out of the command lets go of it when the command returns.
  std::unique_ptr<CommandLock> lock;

  std::vector<Step> steps = {
      CommandGuardStep(app, 98, lock),
      {100,
       [&] {
         return FindOrdinaryFile(m, package::SetupProgramPath(m.ApplicationFolder())) ? Flow::Next() : Flow::Goto(140);
       }},
      {102, [&] { return walk.Start() ? Flow::Next() : Flow::Goto(109); }},
      {104, [&] { return walk.CurrentIs(package::kName) ? Flow::Next() : Flow::Goto(108); }},
      {106,
       [&] {
         MsgBox(app, TextId::PrinterAlreadyInstalled);
         return Flow::End();
       },
       Flow::End()},
      {108, [&] { return walk.Next() ? Flow::Goto(104) : Flow::Goto(109); }},
      {109,
       [&] {
         // With Windows protected print mode on, Windows installs no driver
         // but its own: the setup cannot succeed, so it is not run.
         if (!FindProtectedPrintMode(m).on) return Flow::Next();
         MsgBox(app, TextId::ProtectedPrintOn, kWarning);
         return Flow::End();
       },
       Flow::End()},
      // 110-118: the busy state.
      {120,
       [&] {
         RunAndWait(m, SetupCommandLine(m.ApplicationFolder()), package::kSetupWindowStyle,
                    [&m] { return PackageInstalled(m); });
         lock.reset();
         return Flow::Next();
       }},
      {122, [&] { return m.IsSelected(Control::Option1) ? Flow::Next() : Flow::Goto(126); }},
      {124, [&] { MakeDefaultPrinter(app, package::kName, false); return Flow::Next(); }},
      // 126-134: back from the busy state.
      {136,
       [&] {
         // The setup's outcome is not reported by its exit code, so look for
         // the printer itself before announcing it.
         if (!IsPrinterInstalled(m, package::kName)) {
           MsgBox(app, TextId::PrinterInstallationFailed, kWarning);
           return Flow::End();
         }
         const Answer answer = m.ShowMessage(ViewPrintersQuestion(m), m.Text(TextId::ViewPrintersCaption), kQuestion);
         return answer == Answer::Yes ? Flow::Next() : Flow::End();
       }},
      {138,
       [&] {
         // By its full path, and in the system folder: nothing of the
         // application folder, which anyone may write to, takes part.
         const std::wstring system = m.SystemFolder();
         m.ShellOpen(system + L"\\control.exe", L"Printers", system, 1);
         return Flow::End();
       },
       Flow::End()},
      {140,
       [&] {
         MsgBox(app, FillIn(m.Text(TextId::PackageNotFound), {{L"package", package::kName}}));
         return Flow::End();
       },
       Flow::End()},
  };
  InsertBefore(steps, 120, EnterBusyState(m, 110));
  InsertBefore(steps, 136, LeaveBusyState(m, 126));
  RunSteps(app, kInstallLocation, steps);
}

}  // namespace tarnwell
