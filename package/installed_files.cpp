#include "installed_files.h"

#include <vector>

#include "win32_common/files.h"
#include "win32_common/scoped_handle.h"
#include "core/printer/package.h"

namespace tarnwell::standin {
namespace {

bool IsDotEntry(const wchar_t* name) {
  return (name[0] == L'.' && name[1] == L'\0') ||
         (name[0] == L'.' && name[1] == L'.' && name[2] == L'\0');
}

// A running program cannot be deleted, but it can be renamed: moving it to
// the temporary folder empties the package folder now and leaves only a
// temporary file for the next restart. Fails when the temporary folder is on
// another volume.
bool MoveAsideForRestart(const std::wstring& file) {
  wchar_t directory[MAX_PATH + 1];
  wchar_t temporary[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, directory);
  if (length == 0 || length > MAX_PATH) return false;
  if (!GetTempFileNameW(directory, L"qmp", 0, temporary)) return false;
  if (!MoveFileExW(file.c_str(), temporary, MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileW(temporary);
    return false;
  }
  MoveFileExW(temporary, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return true;
}

// Returns the error number, 0 when the file is gone or will go; `deferred`
// is set when it stays in place until the next restart.
DWORD RemoveFile(const std::wstring& file, bool* deferred) {
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (DeleteFileW(file.c_str())) return ERROR_SUCCESS;
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (MoveAsideForRestart(file)) return ERROR_SUCCESS;
  if (MoveFileExW(file.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
    *deferred = true;
    return ERROR_SUCCESS;
  }
  return error;
}

DWORD RemoveTree(const std::wstring& folder, bool* deferred) {
  DWORD first_error = ERROR_SUCCESS;
  WIN32_FIND_DATAW entry;
  {
    const UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (find) {
      do {
        if (IsDotEntry(entry.cFileName)) continue;
        const std::wstring path = folder + L"\\" + entry.cFileName;
        const DWORD error = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                                ? RemoveTree(path, deferred)
                                : RemoveFile(path, deferred);
        if (!first_error) first_error = error;
      } while (FindNextFileW(find.get(), &entry));
    }
  }
  SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (RemoveDirectoryW(folder.c_str())) return first_error;
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return first_error;
  // The restart removes the folder after the files scheduled before it.
  if (*deferred && MoveFileExW(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
    return first_error;
  }
  return first_error ? first_error : error;
}

}  // namespace

std::wstring InstalledFolder() {
  const std::wstring programs = EnvironmentValue(package::kProgramFilesVariable);
  if (programs.empty()) return {};
  return package::InstalledFolder(programs);
}

std::wstring OwnFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  while (true) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), size);
    if (length == 0) return {};
    if (length < size) {
      std::wstring path(buffer.data(), length);
      const std::size_t separator = path.find_last_of(L'\\');
      path.resize(separator == std::wstring::npos ? 0 : separator);
      return path;
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool PathExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

DWORD RemoveFolderTree(const std::wstring& folder) {
  bool deferred = false;
  return RemoveTree(folder, &deferred);
}

}  // namespace tarnwell::standin
