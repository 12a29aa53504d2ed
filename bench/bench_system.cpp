#include "bench_system.h"

#include <windows.h>

#include <filesystem>
#include <system_error>

#include "app_files.h"
#include "processes.h"

namespace fs = std::filesystem;

namespace bench {
namespace {

constexpr wchar_t kWineX11Key[] = L"Software\\Wine\\X11 Driver";
constexpr DWORD kChoreTimeoutMs = 120000;

bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool Chore(const std::wstring& arguments) {
  return support::RunToEnd(L"\"" + OwnFolder() + L"\\bench_printers.exe\" " + arguments,
                           kChoreTimeoutMs) == 0u;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

}  // namespace

bool SetBenchPrinterCount(int count) { return Chore(L"set-count " + std::to_wstring(count)); }

void RemoveBenchPrinters() { Chore(L"remove-all"); }

void ResetPackage() { Chore(L"reset-package"); }

bool PackagePrinterExists() { return Chore(L"package-present"); }

RunSettings::RunSettings(const std::wstring& scratch_folder)
    : default_printer_file_(scratch_folder + L"\\default-printer.txt") {
  if (UnderWine() && RegGetValueW(HKEY_CURRENT_USER, kWineX11Key, L"Managed", RRF_RT_REG_SZ,
                                  nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    managed_value_added_ = RegSetKeyValueW(HKEY_CURRENT_USER, kWineX11Key, L"Managed", REG_SZ,
                                           L"N", 2 * sizeof(wchar_t)) == ERROR_SUCCESS;
  }
  std::error_code ignored;
  fs::create_directories(scratch_folder, ignored);
  Chore(L"save-default " + Quoted(default_printer_file_));
}

RunSettings::~RunSettings() {
  if (managed_value_added_) RegDeleteKeyValueW(HKEY_CURRENT_USER, kWineX11Key, L"Managed");
  Chore(L"restore-default " + Quoted(default_printer_file_));
  DeleteFileW(default_printer_file_.c_str());
}

AppFolder::AppFolder(const std::wstring& root, const std::wstring& name,
                     const std::wstring& dist)
    : path_(root + L"\\" + name) {
  std::error_code error;
  fs::remove_all(path_, error);
  fs::create_directories(path_, error);
  ok_ = !error && support::CopyApplicationFiles(dist, path_);
}

AppFolder::~AppFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

bool AppFolder::InstallPackageDirectly() const {
  return support::RunToEnd(Quoted(Package() + L"\\setup.exe") + L" -s -c", kChoreTimeoutMs) &&
         PackagePrinterExists();
}

bool AppFolder::UseSetupStandIn(const std::wstring& setup_stand_in) const {
  return support::ReplaceSetup(Package(), setup_stand_in);
}

std::wstring OwnFolder() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring folder = self;
  folder.resize(folder.find_last_of(L'\\'));
  return folder;
}

}  // namespace bench
