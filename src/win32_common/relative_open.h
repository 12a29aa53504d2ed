// Opens by name inside a folder that is already open. A name looked up from
// a held folder handle cannot be led elsewhere by a rename or a link on the
// way from the drive, as a full path could be between a check and an open.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "win32_common/bounded_open.h"

namespace tarnwell {

enum class OpenAs { Folder, File };
enum class OpenMode { Existing, OpenOrCreate, CreateNew };

// Opens `name` (one name, no separator) in the folder `folder` is open on,
// as itself: a link or junction there is opened, not followed. A Folder
// open fails on a file and a File open on a folder. `security` is a new
// entry's descriptor, or null. Ends by `deadline`, as OpenBefore does: an
// open another account holds up with an opportunistic lock is cancelled
// then. As CreateFileW does, `error` is ERROR_ALREADY_EXISTS when
// OpenOrCreate found the entry.
BoundedOpen OpenInFolder(const Deadline& deadline, HANDLE folder, const std::wstring& name,
                         OpenAs kind, OpenMode mode, DWORD access, DWORD share,
                         std::shared_ptr<void> security = nullptr);

}  // namespace tarnwell
