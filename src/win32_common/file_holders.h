// Which processes hold a file open, as Restart Manager reports them, for a
// log line a person can act on.
#pragma once

#include <string>

namespace tarnwell {

// ", held by <name> (process <id>)[, <name> (process <id>)...]" for the
// processes Restart Manager finds with `path` open; empty when it names
// none or cannot be asked (rstrtmgr.dll is loaded from the system folder on
// first use).
std::wstring HoldersOf(const std::wstring& path);

}  // namespace tarnwell
