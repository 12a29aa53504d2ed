#include "test_support.h"

#include <winspool.h>

#include <stdexcept>
#include <vector>

#include "spooler.h"

namespace tarnwell::wine_test {
namespace {

constexpr wchar_t kUninstallKeys[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::wstring FolderOf(const std::wstring& path) {
  return path.substr(0, path.find_last_of(L'\\'));
}

// Under Wine the build's folders are host paths; Wine tells their DOS name.
std::wstring HostPathAsWindowsPath(const char* host_path) {
  using ToDos = LPWSTR(CDECL*)(LPCSTR);
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto to_dos = kernel ? reinterpret_cast<ToDos>(reinterpret_cast<void*>(
                                   GetProcAddress(kernel, "wine_get_dos_file_name")))
                             : nullptr;
  if (to_dos) {
    if (LPWSTR dos = to_dos(host_path)) {
      std::wstring path(dos);
      HeapFree(GetProcessHeap(), 0, dos);
      return path;
    }
  }
  std::wstring path;
  const int length = MultiByteToWideChar(CP_UTF8, 0, host_path, -1, nullptr, 0);
  path.resize(length > 0 ? length - 1 : 0);
  MultiByteToWideChar(CP_UTF8, 0, host_path, -1, path.data(), length);
  for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
  return path;
}

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW entry;
  const UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &entry));
  if (find) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find.get(), &entry));
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

std::wstring TestProgramFolder() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return FolderOf(std::wstring(path, length));
}

std::wstring ChildProgram() { return TestProgramFolder() + L"\\wine_child.exe"; }

std::wstring PackageFolder() { return HostPathAsWindowsPath(TARNWELL_WINE_TEST_PACKAGE_DIR); }

std::wstring UniqueSuffix() {
  static int counter = 0;
  return std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteEmptyFile(const std::wstring& path) {
  const UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw std::runtime_error("cannot create a test file");
}

ScratchFolder::ScratchFolder(const std::wstring& stem) {
  wchar_t temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, temp);
  path_ = std::wstring(temp) + stem + L"-" + UniqueSuffix();
  if (!CreateDirectoryW(path_.c_str(), nullptr)) {
    throw std::runtime_error("cannot create a scratch folder");
  }
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

TestPrinter::TestPrinter() : name_(L"Tarnwell Wine Test Printer " + UniqueSuffix()) {
  bool driver_added = false;
  if (standin::EnsureWinePostScriptDriver(&driver_added) != ERROR_SUCCESS) return;
  added_ = standin::AddPrinterAt(name_, standin::kWinePlace) == ERROR_SUCCESS;
}

TestPrinter::~TestPrinter() {
  if (added_) standin::RemovePrinter(name_);
}

std::wstring CurrentDefaultPrinter() {
  DWORD size = 0;
  GetDefaultPrinterW(nullptr, &size);
  if (size == 0) return {};
  std::vector<wchar_t> name(size);
  if (!GetDefaultPrinterW(name.data(), &size)) return {};
  return name.data();
}

DefaultPrinterKeeper::DefaultPrinterKeeper() : previous_(CurrentDefaultPrinter()) {}

DefaultPrinterKeeper::~DefaultPrinterKeeper() {
  if (!previous_.empty()) SetDefaultPrinterW(previous_.c_str());
}

TestRegistryKey::TestRegistryKey() : path_(kUninstallKeys + (L"TarnwellWineTest-" + UniqueSuffix())) {
  HKEY raw = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &raw, nullptr) != ERROR_SUCCESS) {
    throw std::runtime_error("cannot create the test registry key");
  }
  key_.reset(raw);
}

TestRegistryKey::~TestRegistryKey() {
  key_.reset();
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), KEY_WOW64_32KEY, 0);
}

void TestRegistryKey::Set(const std::wstring& name, DWORD type, const void* data, DWORD bytes) {
  if (RegSetValueExW(key_.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), bytes) !=
      ERROR_SUCCESS) {
    throw std::runtime_error("cannot write a test registry value");
  }
}

HoldingChild::HoldingChild(const std::wstring& what) {
  const std::wstring event = L"Local\\Tarnwell wine test holds " + UniqueSuffix();
  const UniqueHandle ready(CreateEventW(nullptr, TRUE, FALSE, event.c_str()));
  std::wstring line = L"\"" + ChildProgram() + L"\" " + what + L" \"" + event + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!ready || !CreateProcessW(ChildProgram().c_str(), line.data(), nullptr, nullptr, FALSE, 0,
                                nullptr, nullptr, &startup, &info)) {
    return;
  }
  CloseHandle(info.hThread);
  process_.reset(info.hProcess);
  const HANDLE either[] = {ready.get(), process_.get()};
  held_ = WaitForMultipleObjects(2, either, FALSE, 20000) == WAIT_OBJECT_0;
}

HoldingChild::~HoldingChild() {
  if (!process_) return;
  TerminateProcess(process_.get(), 0);
  WaitForSingleObject(process_.get(), 10000);
}

}  // namespace tarnwell::wine_test
