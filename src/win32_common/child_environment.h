// What a started program is given besides its command line: the system
// folder as its current folder, and this process's environment without the
// PATH folders another account could put a DLL in. Windows looks for a DLL
// the program does not find beside itself or in Windows' folders in the
// current folder and then along PATH, so neither may be a folder another
// account can change. The system folder passes that rule on every PC, is
// searched before the current folder anyway, and is never what a program
// removes: a program's own folder, kept open as its current folder, could
// not be removed by its uninstaller. This holds for every start, privileged
// or not: the checks cost a few opens, and a program started by a user
// gains nothing from such folders either.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win32_common/bounded_open.h"

namespace tarnwell {

struct ChildEnvironment {
  std::wstring folder;           // the current folder; empty when it could not be found
  std::vector<wchar_t> block;    // for CreateProcessW with CREATE_UNICODE_ENVIRONMENT
  std::vector<std::wstring> left_out;  // the PATH folders left out, with why
};

// The PATH folders are checked by `deadline`.
ChildEnvironment SafeChildEnvironment(const Deadline& deadline);

}  // namespace tarnwell
