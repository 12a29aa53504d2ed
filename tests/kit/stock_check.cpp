// The stock picture, measured: each row of stock-windows.txt whose folder
// exists on this PC is compared with the owner and access list read there,
// and the program's rules are run on both; any difference fails the check,
// since the native tests take the table's rows for what Windows ships.
#include <aclapi.h>
#include <sddl.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "kit_context.h"
#include "sddl_reader.h"
#include "stock_compare.h"
#include "win32_common/scoped_handle.h"

namespace kit {
namespace {

// Administrators hold the backup privilege; with it, and a handle opened
// with backup semantics, the lists of folders only SYSTEM may read
// (Windows\SystemTemp) can be read too.
// https://learn.microsoft.com/en-us/windows/win32/api/fileapi/nf-fileapi-createfilew (backup semantics)
// https://learn.microsoft.com/en-us/windows/win32/secauthz/privilege-constants (SE_BACKUP_NAME)
void EnableBackupPrivilege() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) return;
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (LookupPrivilegeValueW(nullptr, SE_BACKUP_NAME, &privileges.Privileges[0].Luid)) {
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
  }
  CloseHandle(token);
}

// The folder's owner and list in SDDL, read through a handle on the folder
// itself (a link is read, not followed), or why not.
// https://learn.microsoft.com/en-us/windows/win32/api/aclapi/nf-aclapi-getsecurityinfo
// https://learn.microsoft.com/en-us/windows/win32/api/sddl/nf-sddl-convertsecuritydescriptortostringsecuritydescriptorw
std::optional<std::string> ReadSddl(const std::wstring& path, std::string& why) {
  tarnwell::UniqueFile folder(CreateFileW(
      path.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!folder) {
    why = "could not open it: " + SystemError(GetLastError());
    return std::nullopt;
  }
  const SECURITY_INFORMATION parts = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD read = GetSecurityInfo(folder.get(), SE_FILE_OBJECT, parts, nullptr, nullptr,
                                     nullptr, nullptr, &descriptor);
  if (read != ERROR_SUCCESS) {
    why = "could not read its list: " + SystemError(read);
    return std::nullopt;
  }
  wchar_t* text = nullptr;
  const bool converted = ConvertSecurityDescriptorToStringSecurityDescriptorW(
      descriptor, SDDL_REVISION_1, parts, &text, nullptr);
  const DWORD error = GetLastError();
  LocalFree(descriptor);
  if (!converted) {
    why = "could not write its list as SDDL: " + SystemError(error);
    return std::nullopt;
  }
  const std::string sddl = Utf8(text);
  LocalFree(text);
  return sddl;
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

Outcome StockPictureMeasured(const Context& context, Cleanup&) {
  if (context.under_wine) {
    return Skipped("Wine keeps no access lists: a folder's owner and list come from its Unix "
                   "mode bits, so nothing of Windows' own can be measured");
  }
  std::ifstream file(std::filesystem::path(context.folder) / L"stock-windows.txt");
  if (!file) return Failed("stock-windows.txt is missing from the kit's folder");
  const auto rows = tarnwell::testing::ReadStockWindows(file);
  EnableBackupPrivilege();
  std::vector<std::string> details;
  int measured = 0;
  int differing = 0;
  for (const auto& [name, row] : rows) {
    const std::wstring path = Wide(row.path);
    if (!IsFolder(path)) {
      details.push_back("not on this PC: " + name + " (" + row.path + ")");
      continue;
    }
    std::string why;
    const std::optional<std::string> sddl = ReadSddl(path, why);
    std::vector<std::string> differences;
    std::string spelt;
    if (!sddl) {
      differences.push_back(why);
    } else {
      try {
        spelt = InTableSpelling(*sddl);
        differences = SddlDifferences(row.sddl, spelt);
        const auto verdicts = VerdictDifferences(row.list, tarnwell::testing::FromSddl(spelt));
        differences.insert(differences.end(), verdicts.begin(), verdicts.end());
      } catch (const std::exception& error) {
        differences.push_back(std::string("its list cannot be read as the table's: ") +
                              error.what() + " in " + *sddl);
      }
    }
    ++measured;
    if (differences.empty()) {
      details.push_back("as the table says: " + name + " (" + row.path + ")");
      continue;
    }
    ++differing;
    details.push_back("DIFFERS: " + name + " (" + row.path + ")" +
                      (spelt.empty() ? "" : ", measured " + spelt));
    for (const std::string& difference : differences) details.push_back("  " + difference);
  }
  const std::string counted = std::to_string(differing) + " of the " + std::to_string(measured) +
                              " rows found on this PC differ";
  if (measured == 0) return Failed("no row's folder was found on this PC", details);
  return differing ? Failed(counted, details) : Passed(details);
}

}  // namespace kit
