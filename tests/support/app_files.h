// The files of an application folder, as the build lays them out in its
// dist folder: the program, its cursor file and the printer package's folder.
#pragma once

#include <string>

namespace support {

inline constexpr wchar_t kProgramFile[] = L"Tarnwell PDF Printer Software.exe";
inline constexpr wchar_t kCursorFile[] = L"HAND-M.CUR";
inline constexpr wchar_t kPackageName[] = L"Quellmark PDF Setup";

// Copies the program, the cursor file and the package's folder from `dist`
// into `folder`, which must exist. False when a copy fails.
bool CopyApplicationFiles(const std::wstring& dist, const std::wstring& folder);

// Puts `stand_in` in place of the package's setup.exe in `package_folder`,
// keeping the real one beside it as real-setup.exe. False on failure.
bool ReplaceSetup(const std::wstring& package_folder, const std::wstring& stand_in);

}  // namespace support
