#include "restart_request.h"

#include <msiquery.h>
#include <ntsecapi.h>

#include <string>
#include <vector>

#include "msi_session.h"
#include "win32_common/scoped_handle.h"
#include "win32_common/win32_error.h"

namespace {

using tarnwell::LogToMsi;

// The product's own key, where the package keeps its choices too.
constexpr wchar_t kProductKey[] = L"Software\\Quellmark\\Tarnwell PDF Printer Software";
constexpr wchar_t kValuePrefix[] = L"RestartRequest ";
constexpr wchar_t kNonceProperty[] = L"RestartRequestNonce";
constexpr std::size_t kNonceDigits = 32;
// A key holds few values; the bound keeps a faulty key from holding the
// installation.
constexpr DWORD kMostValues = 256;

std::wstring ValueName(const std::wstring& nonce) { return kValuePrefix + nonce; }

bool IsNonce(const std::wstring& text) {
  if (text.size() != kNonceDigits) return false;
  for (const wchar_t c : text) {
    if (!((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F'))) return false;
  }
  return true;
}

// 128 random bits from the system's generator, as hex digits; empty when
// there are none.
std::wstring NewNonce() {
  unsigned char bytes[kNonceDigits / 2] = {};
  if (!RtlGenRandom(bytes, sizeof bytes)) return {};
  std::wstring text;
  for (const unsigned char byte : bytes) {
    text += L"0123456789ABCDEF"[byte >> 4];
    text += L"0123456789ABCDEF"[byte & 0xF];
  }
  return text;
}

LSTATUS OpenProductKey(REGSAM access, tarnwell::UniqueKey& key) {
  return RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, access | KEY_WOW64_32KEY, key.put());
}

// Deletes every request value under the product's key, each with its
// outcome in the log. As a standard user (a repair started by one) the
// deletion is refused: the value stays, and asks for nothing, since no
// later run has its name.
void DeleteRequests(MSIHANDLE install, const std::wstring& step) {
  tarnwell::UniqueKey key;
  const LSTATUS opened = OpenProductKey(KEY_QUERY_VALUE | KEY_SET_VALUE, key);
  if (opened == ERROR_FILE_NOT_FOUND) return;
  if (opened != ERROR_SUCCESS) {
    LogToMsi(install, step + L": the product's key could not be opened to delete restart "
                             L"requests: " + tarnwell::DescribeWin32Error(opened));
    return;
  }
  std::vector<std::wstring> requests;
  for (DWORD index = 0; index < kMostValues; ++index) {
    wchar_t name[256] = {};
    DWORD length = 256;
    const LSTATUS found =
        RegEnumValueW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (found == ERROR_NO_MORE_ITEMS) break;
    if (found != ERROR_SUCCESS) continue;
    const std::wstring value(name, length);
    if (value.rfind(kValuePrefix, 0) == 0) requests.push_back(value);
  }
  for (const std::wstring& value : requests) {
    const LSTATUS deleted = RegDeleteValueW(key.get(), value.c_str());
    LogToMsi(install, step + L": deleting the restart request \"" + value + L"\": " +
                          tarnwell::DescribeWin32Error(deleted));
  }
  // A removal leaves the key empty once the request is gone (Windows
  // Installer removed its own values before the request's): it goes too.
  DWORD subkeys = 1, values = 1;
  if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                       nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
      subkeys == 0 && values == 0) {
    key.reset();
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_32KEY, 0);
  }
}

}  // namespace

namespace tarnwell {

std::wstring TakeRestartNonce(std::wstring& data) {
  const std::size_t last = data.rfind(L'|');
  if (last == std::wstring::npos) return {};
  std::size_t separators = 0;
  for (const wchar_t c : data) separators += c == L'|';
  const std::wstring nonce = data.substr(last + 1);
  if (separators < 3 || !IsNonce(nonce)) return {};
  data.resize(last);
  return nonce;
}

void RecordRestartRequest(MSIHANDLE install, const std::wstring& nonce) {
  if (!IsNonce(nonce)) {
    LogToMsi(install, L"Restart request: this run has no request name (RestartRequestNonce); "
                      L"Windows Installer will not ask for the restart; restart the PC after "
                      L"the installation.");
    return;
  }
  const std::wstring name = ValueName(nonce);
  UniqueKey key;
  LSTATUS result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, 0,
                                   KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, key.put(), nullptr);
  if (result == ERROR_SUCCESS) {
    const DWORD one = 1;
    result = RegSetValueExW(key.get(), name.c_str(), 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&one), sizeof one);
  }
  if (result == ERROR_SUCCESS) {
    LogToMsi(install, L"Restart request: recorded as \"" + name + L"\" under HKLM\\" +
                          kProductKey + L" (32-bit view); the action RestartIfRequested asks "
                          L"for the restart after InstallFinalize.");
  } else {
    LogToMsi(install, L"Restart request: \"" + name + L"\" could not be recorded: " +
                          DescribeWin32Error(result) +
                          L" Windows Installer will not ask for the restart; restart the PC "
                          L"after the installation.");
  }
}

}  // namespace tarnwell

extern "C" UINT WINAPI PrepareRestartRequest(MSIHANDLE install) {
  DeleteRequests(install, L"PrepareRestartRequest");
  const std::wstring nonce = NewNonce();
  MsiSetPropertyW(install, kNonceProperty, nonce.c_str());
  LogToMsi(install, nonce.empty()
                        ? L"PrepareRestartRequest: no random name could be made; a restart the "
                          L"printer step needs will not be asked for."
                        : L"PrepareRestartRequest: this run's restart request is named \"" +
                              ValueName(nonce) + L"\".");
  return ERROR_SUCCESS;
}

extern "C" UINT WINAPI RestartIfRequested(MSIHANDLE install) {
  const std::wstring nonce = tarnwell::MsiProperty(install, kNonceProperty);
  bool requested = false;
  if (IsNonce(nonce)) {
    tarnwell::UniqueKey key;
    requested = OpenProductKey(KEY_QUERY_VALUE, key) == ERROR_SUCCESS &&
                RegQueryValueExW(key.get(), ValueName(nonce).c_str(), nullptr, nullptr, nullptr,
                                 nullptr) == ERROR_SUCCESS;
  }
  // Requests of other runs are stale: they go without asking for anything.
  DeleteRequests(install, L"RestartIfRequested");
  if (!requested) {
    LogToMsi(install, L"RestartIfRequested: this run recorded no restart request.");
    return ERROR_SUCCESS;
  }
  const UINT result = MsiSetMode(install, MSIRUNMODE_REBOOTATEND, TRUE);
  LogToMsi(install, L"RestartIfRequested: MsiSetMode(MSIRUNMODE_REBOOTATEND) answered " +
                        std::to_wstring(result) +
                        (result == ERROR_SUCCESS
                             ? L": Windows Installer asks for a restart at the end "
                               L"(3010 with /norestart)."
                             : L" (" + tarnwell::DescribeWin32Error(result) +
                                   L"): restart the PC after the installation."));
  return ERROR_SUCCESS;
}
