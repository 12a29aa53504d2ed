// What a started program is given besides its command line: its own folder
// as the current folder, and this process's environment without the PATH
// folders another account could put a DLL in. Windows looks for a DLL the
// program does not find elsewhere in the current folder and then along PATH,
// so neither may be a folder another account can change. This holds for
// every start, privileged or not: the checks cost a few opens, and a
// program started by a user gains nothing from such folders either.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win32_common/bounded_open.h"

namespace tarnwell {

struct ChildEnvironment {
  std::wstring folder;           // the current folder: the program's own
  std::vector<wchar_t> block;    // for CreateProcessW with CREATE_UNICODE_ENVIRONMENT
  std::vector<std::wstring> left_out;  // the PATH folders left out, with why
};

// For `program`, a full path; the PATH folders are checked by `deadline`.
ChildEnvironment EnvironmentFor(const std::wstring& program, const Deadline& deadline);

}  // namespace tarnwell
