// uninstall.exe of the stand-in printer package: removes the printer, the
// package's folder in the programs folder and its uninstall registration.
// It asks nothing. Removing what is already gone is no failure, so a second
// run does no harm. Exit code 0 on success, otherwise one of UninstallFailure.
#include <windows.h>

#include <string>

#include "installed_files.h"
#include "core/printer/package.h"
#include "registration.h"
#include "spooler.h"
#include "win32_common/system_library.h"

namespace tarnwell::standin {
namespace {

enum UninstallFailure : int {
  kPrinterNotRemoved = 20,
  kFolderNotRemoved = 21,
  kRegistrationNotRemoved = 22,
};

// The registration goes last: while anything else is left, it still leads
// to the uninstaller for another try.
int Uninstall() {
  if (RemovePrinter(package::kName)) return kPrinterNotRemoved;
  const std::wstring folder = InstalledFolder();
  if (!folder.empty() && RemoveFolderTree(folder)) return kFolderNotRemoved;
  if (RemoveRegistration()) return kRegistrationNotRemoved;
  return 0;
}

}  // namespace
}  // namespace tarnwell::standin

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  tarnwell::LoadDllsFromSystemFolderOnly();
  return tarnwell::standin::Uninstall();
}
