// What every check of the kit's runner is given, and the small Windows
// helpers they share.
#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "check_runner.h"
#include "processes.h"

namespace kit {

struct Context {
  std::wstring folder;      // the kit's folder, where the runner lies
  std::wstring report;      // the report's path; files a check keeps go beside it
  bool under_wine = false;  // Wine's ntdll exports wine_get_version
};

bool RunsUnderWine();
std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& text);
// "system error N (text)" for a Win32 error code.
std::string SystemError(DWORD error);
// Windows' build number as the kernel reports it (GetVersionEx answers what
// the manifest claims instead).
DWORD WindowsBuild();
// `text` with its %variables% expanded; empty when it cannot be.
std::wstring Expanded(const wchar_t* text);
// Whether the printer "Quellmark PDF Setup" is installed.
bool PrinterInstalled();
// Removes a folder and what is in it, links as links (never what they lead
// to); why not, or empty.
std::string RemoveTree(const std::filesystem::path& root);

// The names in `folder` (none when it cannot be read).
std::set<std::wstring> NamesIn(const std::filesystem::path& folder);
// Makes the folder `app` (removed again by `cleanup`) with a copy of the
// kit's program folder and deploy.cmd in it; why not, or empty.
std::string CopyProgramWithDeploy(const Context& context, Cleanup& cleanup,
                                  const std::filesystem::path& app);

// The checks Windows can show and Wine cannot, in the order of their value.
std::vector<Check> WindowsOnlyChecks(const Context& context);

// One check each: stock_check.cpp, protected_print_check.cpp,
// high_contrast_check.cpp, links_check.cpp, local_system_check.cpp,
// second_account_check.cpp, upgrade_check.cpp.
Outcome StockPictureMeasured(const Context& context, Cleanup& cleanup);
Outcome DeployAsLocalSystem(const Context& context, Cleanup& cleanup);
// What the scheduled task runs as SYSTEM: run-checks.exe --system-step COMMAND.
int SystemStep(const Context& context, const std::wstring& command);
Outcome SecondAccountCannotStall(const Context& context, Cleanup& cleanup);
// What that check starts as the account: run-checks.exe --second-account
// ACTION TARGET EVENT (plant, lock, squat, hold, oplock); the exit code is
// the Windows error met.
int SecondAccountStep(const std::wstring& action, const std::wstring& target,
                      const std::wstring& event);
Outcome FailedUpgradeRollsBack(const Context& context, Cleanup& cleanup);
Outcome LinksRefusedNotFollowed(const Context& context, Cleanup& cleanup);
Outcome WindowInHighContrast(const Context& context, Cleanup& cleanup);
Outcome PolicyIn64BitViewAndProtectedPrintApi(const Context& context, Cleanup& cleanup);

}  // namespace kit
