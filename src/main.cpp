// The program: with switches, the unattended commands; otherwise the Win32
// machine, the main window Form1 and the message loop.
#include <windows.h>
#include <commctrl.h>

#include "win32/machine/machine.h"
#include "win32/machine/messages.h"
#include "win32/unattended/unattended_main.h"
#include "win32/window/form1_window.h"
#include "win32_common/system_library.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  tarnwell::LoadDllsFromSystemFolderOnly();
  if (const std::optional<int> code = tarnwell::RunCommandLineIfAny()) return *code;
  const INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  tarnwell::Win32Machine machine;
  tarnwell::Form1Window form(machine);
  machine.AttachWindow(&form);
  if (!form.Create(instance)) {
    const std::wstring reason = tarnwell::DescribeWin32Error(GetLastError());
    MessageBoxW(nullptr, reason.c_str(), tarnwell::kProductName, MB_ICONERROR);
    return 1;
  }
  form.Start(show_command);
  return tarnwell::RunMessageLoop();
}
