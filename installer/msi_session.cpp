#include "msi_session.h"

#include <msiquery.h>

#include <vector>

#include "win32_common/scoped_handle.h"

namespace tarnwell {

std::wstring MsiProperty(MSIHANDLE install, const wchar_t* name) {
  DWORD size = 0;
  wchar_t empty[1] = L"";
  if (MsiGetPropertyW(install, name, empty, &size) != ERROR_MORE_DATA) return {};
  std::vector<wchar_t> value(++size);
  if (MsiGetPropertyW(install, name, value.data(), &size) != ERROR_SUCCESS) return {};
  return std::wstring(value.data(), size);
}

namespace {

void SendMessage(MSIHANDLE install, INSTALLMESSAGE kind, const std::wstring& text) {
  const unique_handle<MSIHANDLE, MsiCloseHandle> record(MsiCreateRecord(1));
  if (!record) return;
  // The text goes in as a field, not as the template, so brackets in a path
  // are not taken for properties.
  MsiRecordSetStringW(record.get(), 0, L"[1]");
  MsiRecordSetStringW(record.get(), 1, text.c_str());
  MsiProcessMessage(install, kind, record.get());
}

}  // namespace

void LogToMsi(MSIHANDLE install, const std::wstring& text) {
  SendMessage(install, INSTALLMESSAGE_INFO, text);
}

// MsiProcessMessage is one of the calls a deferred action may make
// (https://learn.microsoft.com/en-us/windows/win32/msi/obtaining-context-information-for-deferred-execution-custom-actions).
void ShowMsiError(MSIHANDLE install, const std::wstring& text) {
  SendMessage(install, static_cast<INSTALLMESSAGE>(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR),
              text);
}

}  // namespace tarnwell
