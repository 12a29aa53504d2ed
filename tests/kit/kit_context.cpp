#include "kit_context.h"

#include "printer_names.h"

namespace kit {

bool RunsUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string narrow(size > 0 ? size : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), size,
                      nullptr, nullptr);
  return narrow;
}

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(size > 0 ? size : 0, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

std::string SystemError(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring said = length ? std::wstring(text, length) : L"";
  LocalFree(text);
  while (!said.empty() && (said.back() == L'\n' || said.back() == L'\r' || said.back() == L'.')) {
    said.pop_back();
  }
  return "system error " + std::to_string(error) + (said.empty() ? "" : " (" + Utf8(said) + ")");
}

// RtlGetVersion: https://learn.microsoft.com/en-us/windows-hardware/drivers/ddi/wdm/nf-wdm-rtlgetversion
DWORD WindowsBuild() {
  using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
  const auto get = reinterpret_cast<RtlGetVersionFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  return get && get(&version) == 0 ? version.dwBuildNumber : 0;
}

std::wstring Expanded(const wchar_t* text) {
  wchar_t expanded[MAX_PATH];
  const DWORD length = ExpandEnvironmentStringsW(text, expanded, MAX_PATH);
  return length && length <= MAX_PATH ? expanded : L"";
}

bool PrinterInstalled() {
  for (const std::wstring& name : support::PrinterNames()) {
    if (name == L"Quellmark PDF Setup") return true;
  }
  return false;
}

// RemoveDirectory and DeleteFile on a link remove the link.
std::string RemoveTree(const std::filesystem::path& root) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(root, error)) {
    const DWORD attributes = GetFileAttributesW(entry.path().c_str());
    const bool folder = attributes & FILE_ATTRIBUTE_DIRECTORY;
    if (folder && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      const std::string left = RemoveTree(entry.path());
      if (!left.empty()) return left;
    } else if (!(folder ? RemoveDirectoryW(entry.path().c_str())
                        : DeleteFileW(entry.path().c_str()))) {
      return Utf8(entry.path().wstring()) + ": " + SystemError(GetLastError());
    }
  }
  if (error) return Utf8(root.wstring()) + ": " + error.message();
  return RemoveDirectoryW(root.c_str()) ? ""
                                        : Utf8(root.wstring()) + ": " + SystemError(GetLastError());
}

std::set<std::wstring> NamesIn(const std::filesystem::path& folder) {
  std::set<std::wstring> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    names.insert(entry.path().filename().wstring());
  }
  return names;
}

std::string CopyProgramWithDeploy(const Context& context, Cleanup& cleanup,
                                  const std::filesystem::path& app) {
  if (!CreateDirectoryW(app.c_str(), nullptr)) {
    return "could not make " + Utf8(app.wstring()) + ": " + SystemError(GetLastError());
  }
  cleanup.Add(Utf8(app.wstring()), [app] { return RemoveTree(app); });
  const std::filesystem::path kit = context.folder;
  std::error_code copied;
  std::filesystem::copy(kit / L"program", app, std::filesystem::copy_options::recursive, copied);
  if (!copied) std::filesystem::copy_file(kit / L"package" / L"deploy.cmd", app / L"deploy.cmd", copied);
  return copied ? "could not copy the program and deploy.cmd: " + copied.message() : "";
}

}  // namespace kit
