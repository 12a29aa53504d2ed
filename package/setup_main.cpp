// setup.exe of the stand-in printer package: installs the printer
// "Quellmark PDF Setup", its folder in the programs folder holding the
// uninstaller, and the uninstall registration.
//
// Switches: -s installs silently (no message box); -c is accepted as the
// program that runs the package passes it. Exit code 0 on success, or when
// everything was already installed; otherwise one of SetupFailure, with
// whatever this run had changed undone.
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

#include "installed_files.h"
#include "core/port/run_error.h"
#include "core/printer/package.h"
#include "registration.h"
#include "spooler.h"
#include "win32_common/scoped_handle.h"
#include "win32_common/system_library.h"

namespace tarnwell::standin {
namespace {

enum SetupFailure : int {
  kNoProgramsFolder = 10,
  kFolderNotCreated = 11,
  kUninstallerNotCopied = 12,
  kNotRegistered = 13,
  kDriverNotAdded = 14,
  kPrinterNotAdded = 15,
  kPortNotAdded = 16,
};

// What this run changed, undone in reverse order unless the run completes.
class Changes {
 public:
  Changes() = default;
  Changes(const Changes&) = delete;
  Changes& operator=(const Changes&) = delete;
  ~Changes() {
    if (kept_) return;
    for (auto undo = undo_.rbegin(); undo != undo_.rend(); ++undo) (*undo)();
  }
  void Made(std::function<void()> undo) { undo_.push_back(std::move(undo)); }
  void Keep() { kept_ = true; }

 private:
  std::vector<std::function<void()>> undo_;
  bool kept_ = false;
};

int MakeFolder(const std::wstring& folder, Changes& changes) {
  if (CreateDirectoryW(folder.c_str(), nullptr)) {
    changes.Made([folder] { RemoveDirectoryW(folder.c_str()); });
    return 0;
  }
  return GetLastError() == ERROR_ALREADY_EXISTS ? 0 : kFolderNotCreated;
}

int CopyUninstaller(const std::wstring& target, Changes& changes) {
  if (PathExists(target)) return 0;
  const std::wstring source = OwnFolder() + L"\\" + kUninstallProgram;
  if (!CopyFileW(source.c_str(), target.c_str(), TRUE)) return kUninstallerNotCopied;
  changes.Made([target] { DeleteFileW(target.c_str()); });
  return 0;
}

// The package's version, as its version resource has it (package.rc).
#define PACKAGE_TEXT_(major, minor) L"" #major "." #minor ".0.0"
#define PACKAGE_TEXT(major, minor) PACKAGE_TEXT_(major, minor)
constexpr wchar_t kVersion[] = PACKAGE_TEXT(PACKAGE_VERSION_MAJOR, PACKAGE_VERSION_MINOR);

int Register(const std::wstring& uninstaller, Changes& changes) {
  bool created = false;
  const DWORD error = WriteRegistration(uninstaller, kVersion, &created);
  if (created) changes.Made([] { RemoveRegistration(); });
  return error ? kNotRegistered : 0;
}

// Over a partly removed printer, the driver and the port come back first.
// A port added here stays when the setup fails: others may print to it.
int AddPackagePrinter(Changes& changes) {
  if (PrinterExists(package::kName)) return 0;
  const PrinterPlace place = PlaceForThisSystem();
  if (RunningUnderWine()) {
    bool added = false;
    if (EnsureWinePostScriptDriver(&added)) return kDriverNotAdded;
    if (added) changes.Made([] { RemoveDriver(kWinePostScriptDriver); });
  }
  if (EnsurePort(place.port)) return kPortNotAdded;
  return AddPrinterAt(package::kName, place) ? kPrinterNotAdded : 0;
}

int Install() {
  const std::wstring folder = InstalledFolder();
  if (folder.empty()) return kNoProgramsFolder;
  const std::wstring uninstaller = folder + L"\\" + kUninstallProgram;

  Changes changes;
  if (const int failure = MakeFolder(folder, changes)) return failure;
  if (const int failure = CopyUninstaller(uninstaller, changes)) return failure;
  if (const int failure = Register(uninstaller, changes)) return failure;
  if (const int failure = AddPackagePrinter(changes)) return failure;
  changes.Keep();
  return 0;
}

bool SilentRequested() {
  int count = 0;
  UniqueLocal<wchar_t**> arguments;
  try {
    arguments.reset(SystemFunction<decltype(&CommandLineToArgvW)>(L"shell32.dll",
                                                                 "CommandLineToArgvW")(
        GetCommandLineW(), &count));
  } catch (const RunError&) {
  }
  if (!arguments) return false;
  for (int i = 1; i < count; ++i) {
    const wchar_t* word = arguments.get()[i];
    if (lstrcmpiW(word, L"-s") == 0 || lstrcmpiW(word, L"/s") == 0) return true;
  }
  return false;
}

void Report(int outcome) {
  const std::wstring text =
      outcome == 0 ? std::wstring(package::kName) + L" has been installed."
                   : std::wstring(package::kName) + L" could not be installed (code " +
                         std::to_wstring(outcome) + L").";
  MessageBoxW(nullptr, text.c_str(), package::kName,
              outcome == 0 ? MB_ICONINFORMATION : MB_ICONEXCLAMATION);
}

}  // namespace
}  // namespace tarnwell::standin

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  tarnwell::LoadDllsFromSystemFolderOnly();
  const int outcome = tarnwell::standin::Install();
  if (!tarnwell::standin::SilentRequested()) tarnwell::standin::Report(outcome);
  return outcome;
}
