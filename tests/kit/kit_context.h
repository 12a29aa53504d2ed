// What every check of the kit's runner is given, and the small Windows
// helpers they share.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "check_runner.h"

namespace kit {

struct Context {
  std::wstring folder;      // the kit's folder, where the runner lies
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

// The checks Windows can show and Wine cannot, in the order of their value.
std::vector<Check> WindowsOnlyChecks(const Context& context);

// One check each: stock_check.cpp, protected_print_check.cpp.
Outcome StockPictureMeasured(const Context& context, Cleanup& cleanup);
Outcome PolicyIn64BitViewAndProtectedPrintApi(const Context& context, Cleanup& cleanup);

}  // namespace kit
