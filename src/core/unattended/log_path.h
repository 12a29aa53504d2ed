// Which paths /log may name, and which file a path means.
//
// The program may run as LocalSystem, given its command line by a deployment
// tool; the log path then decides where a privileged process writes. Only a
// fully qualified path of an ordinary disk file is taken: never a device, a
// raw or device-namespace path, a stream, a wildcard or a path that depends
// on the current folder.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace tarnwell {

// The file a folder gets: "<folder>\Tarnwell PDF Printer Software.log".
inline constexpr wchar_t kLogFileName[] = L"Tarnwell PDF Printer Software.log";

// Why `path` may not be a log path, as one sentence for the user; nullopt
// when it may. Accepted: "X:\...", or "\\server\share\..." other than a
// server's "pipe", "IPC$" or "mailslot" share, with "\" or "/".
std::optional<std::wstring> LogPathRefusal(const std::wstring& path);

// The file an accepted path means: a path ending with a separator, or one
// `is_folder` says is an existing folder, gets kLogFileName in it.
std::wstring LogFileOf(const std::wstring& path,
                       const std::function<bool(const std::wstring&)>& is_folder);

}  // namespace tarnwell
