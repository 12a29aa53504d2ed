#include "app_files.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace support {

bool CopyApplicationFiles(const std::wstring& dist, const std::wstring& folder) {
  const fs::path from(dist);
  std::error_code error;
  for (const wchar_t* file : {kProgramFile, kCursorFile}) {
    fs::copy_file(from / file, fs::path(folder) / file, error);
    if (error) return false;
  }
  fs::copy(from / kPackageName, fs::path(folder) / kPackageName, fs::copy_options::recursive,
           error);
  return !error;
}

bool ReplaceSetup(const std::wstring& package_folder, const std::wstring& stand_in) {
  std::error_code error;
  fs::rename(package_folder + L"\\setup.exe", package_folder + L"\\real-setup.exe", error);
  if (error) return false;
  fs::copy_file(stand_in, package_folder + L"\\setup.exe", error);
  return !error;
}

}  // namespace support
