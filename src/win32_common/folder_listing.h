// Listing a folder through a handle already open on it, so that what is
// listed is the folder that was checked or is held, not whatever its name
// leads to a moment later.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace tarnwell {

struct FolderEntry {
  std::wstring name;
  bool folder = false;
  bool link = false;  // a reparse point: a link, junction or mount point
};

// Adds what the folder `folder` is open on holds to `entries` ("." and ".."
// left out), no more than `most` of them: `over` is set when there are
// more, and the listing stops there. ERROR_SUCCESS, or Windows' error when
// the folder could not be read.
DWORD ListOpenFolder(HANDLE folder, std::size_t most, std::vector<FolderEntry>& entries,
                     bool& over);

}  // namespace tarnwell
