#include "package_state.h"

#include <msi.h>
#include <msiquery.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "system_state.h"
#include "win32_common/scoped_handle.h"

namespace fs = std::filesystem;

namespace msi {
namespace {

constexpr wchar_t kUpgradeCode[] = L"{8EC25168-BBE5-415A-AA82-DC032266B827}";
constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr wchar_t kShortcutName[] = L"Tarnwell PDF Printer Software.lnk";

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH] = {};
  GetSystemDirectoryW(folder, MAX_PATH);
  return folder;
}

std::wstring Folder(int csidl) {
  wchar_t folder[MAX_PATH] = {};
  return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, folder)) ? folder : L"";
}

std::vector<std::wstring> ShortcutPlaces() {
  return {Folder(CSIDL_COMMON_PROGRAMS) + L"\\" + kShortcutName,
          Folder(CSIDL_PROGRAMS) + L"\\" + kShortcutName};
}

std::wstring RegistryText(HKEY key, const wchar_t* name) {
  wchar_t value[512] = {};
  DWORD size = sizeof value;
  return RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, value, &size) ? L"" : value;
}

DWORD RegistryNumber(HKEY key, const wchar_t* name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  return RegGetValueW(key, nullptr, name, RRF_RT_REG_DWORD, nullptr, &value, &size) ? 0 : value;
}

// The entries of one registry view; Windows keeps a 32-bit package's entry
// in the native view, and the two views may be one.
void AddEntries(REGSAM view, std::set<std::wstring>& seen, std::vector<Entry>& entries) {
  tarnwell::UniqueKey uninstall;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | view, uninstall.put())) return;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    if (RegEnumKeyExW(uninstall.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr)) break;
    tarnwell::UniqueKey entry;
    if (RegOpenKeyExW(uninstall.get(), name, 0, KEY_READ | view, entry.put())) continue;
    if (RegistryText(entry.get(), L"DisplayName") != kProductName) continue;
    if (!seen.insert(name).second) continue;
    entries.push_back({name, RegistryText(entry.get(), L"Publisher"),
                       RegistryText(entry.get(), L"DisplayVersion"),
                       RegistryNumber(entry.get(), L"NoModify"),
                       RegistryText(entry.get(), L"Contact"),
                       RegistryText(entry.get(), L"InstallLocation")});
  }
}

// Products of this package's family, and whatever Programs and Features
// shows under its name.
std::set<std::wstring> InstalledProducts() {
  std::set<std::wstring> codes;
  wchar_t code[39];
  for (DWORD i = 0; MsiEnumRelatedProductsW(kUpgradeCode, 0, i, code) == ERROR_SUCCESS; ++i) {
    codes.insert(code);
  }
  for (const Entry& entry : Entries()) codes.insert(entry.product_code);
  return codes;
}

std::vector<DWORD> ProcessesNamed(const wchar_t* image) {
  std::vector<DWORD> found;
  const tarnwell::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    if (lstrcmpiW(entry.szExeFile, image) == 0) found.push_back(entry.th32ProcessID);
  }
  return found;
}

// What a stuck installation leaves running: its installer processes (only
// this test starts any in the test prefix) and programs from its folder.
void EndStrayProcesses() {
  e2e::EndProcessesUnder(InstallFolder());
  for (DWORD pid : ProcessesNamed(L"msiexec.exe")) {
    const tarnwell::UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (!process) continue;
    TerminateProcess(process.get(), 1);
    WaitForSingleObject(process.get(), 5000);
  }
}

}  // namespace

std::wstring InstallFolder() {
  wchar_t program_files[MAX_PATH] = {};
  GetEnvironmentVariableW(L"ProgramFiles", program_files, MAX_PATH);
  return std::wstring(program_files) + L"\\" + kProductName;
}

std::wstring ProgramLog() {
  return Folder(CSIDL_COMMON_APPDATA) +
         L"\\Tarnwell PDF Printer Software\\Logs\\Tarnwell PDF Printer Software.log";
}

std::vector<std::wstring> FreshLogFolders() {
  const std::wstring product = Folder(CSIDL_COMMON_APPDATA) + L"\\" + kProductName;
  std::vector<std::wstring> found;
  WIN32_FIND_DATAW entry{};
  const HANDLE search = FindFirstFileW((product + L"-*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    found.push_back(Folder(CSIDL_COMMON_APPDATA) + L"\\" + entry.cFileName);
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  return found;
}

std::optional<std::wstring> RememberedChoice() {
  wchar_t value[16] = {};
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Quellmark\\Tarnwell PDF Printer Software",
                   L"InstallPrinter", RRF_RT_REG_SZ | RRF_SUBKEY_WOW6432KEY, nullptr, value,
                   &size)) {
    return std::nullopt;
  }
  return value;
}

std::wstring MsiLog(const std::wstring& name) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"Tarnwell msi";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring path = folder + L"\\" + name + L".log";
  DeleteFileW(path.c_str());
  return path;
}

std::wstring ReadLogLowerCase(const std::wstring& path) {
  std::ifstream file{fs::path(path), std::ios::binary};
  const std::string bytes{std::istreambuf_iterator<char>(file), {}};
  std::wstring text(bytes.size(), L'\0');
  text.resize(MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                  text.data(), static_cast<int>(text.size())));
  CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

std::optional<DWORD> Msiexec(const std::wstring& arguments, DWORD timeout_ms) {
  const std::optional<DWORD> code = RunSystemProgram(L"msiexec.exe", arguments, timeout_ms);
  if (!code) EndStrayProcesses();
  return code;
}

std::optional<DWORD> RunSystemProgram(const std::wstring& name, const std::wstring& arguments,
                                      DWORD timeout_ms) {
  const std::wstring program = SystemFolder() + L"\\" + name;
  std::wstring command_line = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &info)) {
    return std::nullopt;
  }
  const tarnwell::UniqueHandle process(info.hProcess);
  const tarnwell::UniqueHandle thread(info.hThread);
  DWORD code = 0;
  if (WaitForSingleObject(process.get(), timeout_ms) == WAIT_OBJECT_0 &&
      GetExitCodeProcess(process.get(), &code)) {
    return code;
  }
  TerminateProcess(process.get(), 1);
  return std::nullopt;
}

std::map<std::wstring, Step> ExecuteSequence(const std::wstring& package) {
  using UniqueMsi = tarnwell::unique_handle<MSIHANDLE, MsiCloseHandle>;
  std::map<std::wstring, Step> steps;
  UniqueMsi database;
  if (MsiOpenDatabaseW(package.c_str(), MSIDBOPEN_READONLY, database.put())) return steps;
  const auto rows = [&](const wchar_t* query, auto&& take) {
    UniqueMsi view;
    if (MsiDatabaseOpenViewW(database.get(), query, view.put()) ||
        MsiViewExecute(view.get(), 0)) {
      return;
    }
    for (UniqueMsi record; MsiViewFetch(view.get(), record.put()) == ERROR_SUCCESS;) {
      wchar_t name[80] = {};
      DWORD size = 80;
      MsiRecordGetStringW(record.get(), 1, name, &size);
      take(std::wstring(name), MsiRecordGetInteger(record.get(), 2));
    }
  };
  rows(L"SELECT `Action`, `Sequence` FROM `InstallExecuteSequence`",
       [&](const std::wstring& action, int sequence) { steps[action].sequence = sequence; });
  rows(L"SELECT `Action`, `Type` FROM `CustomAction`", [&](const std::wstring& action, int type) {
    if (steps.count(action)) steps[action].type = type;
  });
  return steps;
}

std::vector<Entry> Entries() {
  std::set<std::wstring> seen;
  std::vector<Entry> entries;
  AddEntries(KEY_WOW64_64KEY, seen, entries);
  AddEntries(KEY_WOW64_32KEY, seen, entries);
  return entries;
}

std::wstring ProductIcon(const std::wstring& product_code) {
  wchar_t icon[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  return MsiGetProductInfoW(product_code.c_str(), INSTALLPROPERTY_PRODUCTICON, icon, &size)
             ? L""
             : icon;
}

std::optional<std::wstring> ShortcutTarget() {
  for (const std::wstring& place : ShortcutPlaces()) {
    if (!e2e::PathExists(place)) continue;
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::wstring target;
    {
      tarnwell::ComPtr<IShellLinkW> link;
      tarnwell::ComPtr<IPersistFile> file;
      wchar_t path[MAX_PATH] = {};
      if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IShellLinkW, link.put_void())) &&
          SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.put_void())) &&
          SUCCEEDED(file->Load(place.c_str(), STGM_READ)) &&
          SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0))) {
        target = path;
      }
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return target;
  }
  return std::nullopt;
}

std::vector<std::wstring> FilesUnder(const std::wstring& root) {
  std::vector<std::wstring> files;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(root, error); !error && it != fs::end(it);
       it.increment(error)) {
    if (it->is_regular_file()) files.push_back(fs::relative(it->path(), root).wstring());
  }
  return files;
}

void ResetMachine() {
  EndStrayProcesses();
  for (const std::wstring& code : InstalledProducts()) {
    Msiexec(L"/x " + code + L" /qn REMOVEPRINTER=0");
  }
  e2e::RemoveTree(InstallFolder());
  for (const std::wstring& place : ShortcutPlaces()) DeleteFileW(place.c_str());
  // The log folders go too, and the folders made beside a taken name,
  // which a later run would otherwise find and use again.
  e2e::RemoveTree(Folder(CSIDL_COMMON_APPDATA) + L"\\" + kProductName);
  for (const std::wstring& fresh : FreshLogFolders()) e2e::RemoveTree(fresh);
  e2e::ResetMachine();
}

}  // namespace msi
