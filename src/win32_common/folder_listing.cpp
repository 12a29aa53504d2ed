#include "win32_common/folder_listing.h"

#include <cstdint>

namespace tarnwell {

DWORD ListOpenFolder(HANDLE folder, std::size_t most, std::vector<FolderEntry>& entries,
                     bool& over) {
  std::vector<std::uint64_t> buffer(8192);  // 64 KiB, aligned for the records
  const DWORD size = static_cast<DWORD>(buffer.size() * sizeof(buffer[0]));
  FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
  std::size_t added = 0;
  while (GetFileInformationByHandleEx(folder, kind, buffer.data(), size)) {
    kind = FileIdBothDirectoryInfo;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(buffer.data());
    for (DWORD at = 0;;) {
      const auto* record = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes + at);
      std::wstring name(record->FileName, record->FileNameLength / sizeof(wchar_t));
      if (name != L"." && name != L"..") {
        if (added == most) {
          over = true;
          return ERROR_SUCCESS;
        }
        entries.push_back({std::move(name), (record->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                           (record->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
        ++added;
      }
      if (record->NextEntryOffset == 0) break;
      at += record->NextEntryOffset;
    }
  }
  const DWORD error = GetLastError();
  return error == ERROR_NO_MORE_FILES ? ERROR_SUCCESS : error;
}

}  // namespace tarnwell
