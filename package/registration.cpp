#include "registration.h"

#include "win32_common/scoped_handle.h"
#include "core/printer/package.h"

namespace tarnwell::standin {
namespace {

LSTATUS SetText(HKEY key, const wchar_t* name, const std::wstring& text) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

std::wstring RegistrationKeyPath() {
  return package::UninstallKeyPath();
}

DWORD WriteRegistration(const std::wstring& uninstaller, const std::wstring& version,
                        bool* created) {
  *created = false;
  HKEY raw = nullptr;
  DWORD disposition = 0;
  const LSTATUS opened = RegCreateKeyExW(HKEY_LOCAL_MACHINE, RegistrationKeyPath().c_str(), 0,
                                         nullptr, REG_OPTION_NON_VOLATILE,
                                         KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &raw,
                                         &disposition);
  if (opened != ERROR_SUCCESS) return static_cast<DWORD>(opened);
  const UniqueKey key(raw);
  *created = disposition == REG_CREATED_NEW_KEY;
  if (const LSTATUS status =
          SetText(key.get(), package::kUninstallValue, L"\"" + uninstaller + L"\"")) {
    return static_cast<DWORD>(status);
  }
  if (const LSTATUS status = SetText(key.get(), package::kDisplayNameValue, package::kName)) {
    return static_cast<DWORD>(status);
  }
  return static_cast<DWORD>(SetText(key.get(), package::kDisplayVersionValue, version));
}

DWORD RemoveRegistration() {
  const LSTATUS status =
      RegDeleteKeyExW(HKEY_LOCAL_MACHINE, RegistrationKeyPath().c_str(), KEY_WOW64_32KEY, 0);
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : static_cast<DWORD>(status);
}

}  // namespace tarnwell::standin
