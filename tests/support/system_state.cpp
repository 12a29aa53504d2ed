#include "system_state.h"

#include <aclapi.h>
#include <sddl.h>
#include <tlhelp32.h>
#include <winspool.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "app_files.h"
#include "printer_names.h"
#include "processes.h"
#include "win32_common/scoped_handle.h"

namespace fs = std::filesystem;

namespace e2e {
namespace {

using support::PrinterNames;
using support::RunToEnd;

constexpr wchar_t kUninstallKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quellmark PDF Setup";

// Processes whose program file lies under `folder`.
std::vector<DWORD> ProcessesUnder(const std::wstring& folder) {
  std::wstring prefix = folder + L"\\";
  CharLowerW(prefix.data());
  std::vector<DWORD> found;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{sizeof entry};
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
    wchar_t image[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    if (process && QueryFullProcessImageNameW(process, 0, image, &size) &&
        std::wstring_view(CharLowerW(image)).starts_with(prefix)) {
      found.push_back(entry.th32ProcessID);
    }
    if (process) CloseHandle(process);
  }
  CloseHandle(snapshot);
  return found;
}

}  // namespace

bool PrinterExists(const std::wstring& name) {
  const auto names = PrinterNames();
  return std::find(names.begin(), names.end(), name) != names.end();
}

void DeletePrinterNamed(const std::wstring& name) {
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE printer = nullptr;
  if (!OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &printer, &defaults)) return;
  DeletePrinter(printer);
  ClosePrinter(printer);
}

bool AddPrinterLike(const std::wstring& name, const std::wstring& model) {
  HANDLE source = nullptr;
  if (!OpenPrinterW(const_cast<wchar_t*>(model.c_str()), &source, nullptr)) return false;
  DWORD needed = 0;
  GetPrinterW(source, 2, nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed + 1);
  const bool read = GetPrinterW(source, 2, buffer.data(), needed, &needed);
  ClosePrinter(source);
  if (!read) return false;
  PRINTER_INFO_2W info = *reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
  info.pPrinterName = const_cast<wchar_t*>(name.c_str());
  info.pShareName = nullptr;
  HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
  if (added) ClosePrinter(added);
  return added != nullptr;
}

std::wstring DefaultPrinter() {
  wchar_t name[512] = {};
  DWORD size = 512;
  return GetDefaultPrinterW(name, &size) ? name : L"";
}

std::wstring InstalledPackageFolder() {
  wchar_t folder[MAX_PATH] = {};
  GetEnvironmentVariableW(L"ProgramFiles", folder, MAX_PATH);
  return std::wstring(folder) + L"\\" + kPackageName;
}

bool PathExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::wstring& path) {
  std::error_code ignored;
  fs::remove_all(path, ignored);
}

bool LetEveryoneChange(const std::wstring& folder) {
  tarnwell::UniqueLocal<PSECURITY_DESCRIPTOR> everyone;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
          L"D:P(A;OICI;FA;;;WD)(A;OICI;FA;;;BA)", SDDL_REVISION_1, everyone.put(), nullptr)) {
    return false;
  }
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  GetSecurityDescriptorDacl(everyone.get(), &present, &dacl, &defaulted);
  return SetNamedSecurityInfoW(const_cast<wchar_t*>(folder.c_str()), SE_FILE_OBJECT,
                               DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                               nullptr, nullptr, dacl, nullptr) == ERROR_SUCCESS;
}

bool RegistrationExists() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | KEY_WOW64_32KEY, &key)) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

std::optional<std::wstring> RegisteredUninstallString() {
  wchar_t value[1024] = {};
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", RRF_RT_REG_SZ, nullptr,
                   value, &size)) {
    return std::nullopt;
  }
  return value;
}

std::wstring RegisteredVersion() {
  wchar_t value[64] = L"(none)";
  DWORD size = sizeof value;
  RegGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayVersion",
               RRF_RT_REG_SZ | RRF_SUBKEY_WOW6432KEY, nullptr, value, &size);
  return value;
}

void WriteUninstallString(const std::wstring& command_line) {
  RegSetKeyValueW(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", REG_SZ,
                  command_line.c_str(),
                  static_cast<DWORD>((command_line.size() + 1) * sizeof(wchar_t)));
}

void DeleteRegistration() {
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY, 0);
}

bool SetProtectedPrintPolicy(std::optional<DWORD> value) {
  const wchar_t* key_path = L"SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers\\WPP";
  const wchar_t* name = L"WindowsProtectedPrintGroupPolicyState";
  if (!value) {
    HKEY key = nullptr;
    const LONG opened =
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_path, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &key);
    if (opened == ERROR_FILE_NOT_FOUND) return true;
    if (opened != ERROR_SUCCESS) return false;
    const LONG deleted = RegDeleteValueW(key, name);
    RegCloseKey(key);
    return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
  }
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_path, 0, nullptr, 0,
                      KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const DWORD data = *value;
  const LONG status = RegSetValueExW(key, name, 0, REG_DWORD,
                                     reinterpret_cast<const BYTE*>(&data), sizeof(data));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

void ResetMachine() {
  SetProtectedPrintPolicy(std::nullopt);
  EndProcessesUnder(InstalledPackageFolder());
  for (const std::wstring& name : PrinterNames()) {
    if (name == kPackageName || name.starts_with(L"E2E ")) DeletePrinterNamed(name);
  }
  RemoveTree(InstalledPackageFolder());
  DeleteRegistration();
  // The program's count of "in use" answers: one scenario's must not count
  // into the next.
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Quellmark\\Tarnwell PDF Printer Software", 0,
                    KEY_SET_VALUE | KEY_WOW64_32KEY, &key) == ERROR_SUCCESS) {
    RegDeleteValueW(key, L"FileInUse");
    RegCloseKey(key);
  }
}

bool ProcessRunsUnder(const std::wstring& folder) { return !ProcessesUnder(folder).empty(); }

std::size_t ProcessesRunning(const std::wstring& program) {
  std::wstring folder = program.substr(0, program.find_last_of(L'\\'));
  std::size_t count = 0;
  for (DWORD pid : ProcessesUnder(folder)) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    wchar_t image[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    if (process && QueryFullProcessImageNameW(process, 0, image, &size) &&
        lstrcmpiW(image, program.c_str()) == 0) {
      ++count;
    }
    if (process) CloseHandle(process);
  }
  return count;
}

void EndProcessesUnder(const std::wstring& folder) {
  for (DWORD pid : ProcessesUnder(folder)) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!process) continue;
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
  }
}

AppFolder::AppFolder(const std::wstring& name) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  path_ = std::wstring(temp) + L"Tarnwell e2e\\" + name;
  RemoveTree(path_);
  fs::create_directories(path_);
  // Wine shows the Unix root as drive Z:.
  const std::wstring dist = L"Z:" + fs::path(E2E_DIST_DIR).make_preferred().wstring();
  if (!support::CopyApplicationFiles(dist, path_)) {
    throw std::runtime_error("the application folder could not be laid out from the dist folder");
  }
}

AppFolder::~AppFolder() {
  EndProcessesUnder(path_);
  RemoveTree(path_);
}

bool AppFolder::InstallPackageDirectly() const {
  RunToEnd(L"\"" + Package() + L"\\setup.exe\" -s -c");
  return PrinterExists(kPackageName);
}

void AppFolder::UseSetupFixture(const std::wstring& fixture_file) const {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const fs::path fixture = fs::path(self).parent_path() / fixture_file;
  if (!support::ReplaceSetup(Package(), fixture.wstring())) {
    throw std::runtime_error("the setup could not be replaced by a fixture");
  }
}

}  // namespace e2e
