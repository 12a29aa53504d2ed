// Registry reads: keys are opened to query values only, in the 32-bit view,
// so a standard user can read HKEY_LOCAL_MACHINE and a build of any word size
// sees the keys a 32-bit installer wrote. The one write, the program's own
// record, goes to the same view.
#include "win32/machine/machine.h"

#include <vector>

#include "win32_common/scoped_handle.h"

namespace tarnwell {
namespace {

constexpr REGSAM kReadAccess = KEY_QUERY_VALUE | KEY_WOW64_32KEY;

HKEY RootKey(RegRoot root) {
  switch (root) {
    case RegRoot::LocalMachine:
      return HKEY_LOCAL_MACHINE;
  }
  return nullptr;
}

// The two-query read of a key that is open: type and size first, then the
// data into a buffer of that size. A value that changes size in between
// fails with ERROR_MORE_DATA rather than coming back cut.
RegistryData QueryOpenKeyValue(HKEY key, const std::wstring& name) {
  RegistryData data;
  DWORD type = 0;
  DWORD size = 0;
  data.status = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
  if (data.status != ERROR_SUCCESS) return data;
  // Room for a terminator more than asked, so the platform never writes
  // past the buffer.
  std::vector<std::uint8_t> bytes(size + sizeof(wchar_t));
  DWORD got = size;
  DWORD type_again = 0;
  data.status = RegQueryValueExW(key, name.c_str(), nullptr, &type_again, bytes.data(), &got);
  if (data.status != ERROR_SUCCESS) return data;
  if (got != size || type_again != type) {
    data.status = ERROR_MORE_DATA;
    return data;
  }
  bytes.resize(got);
  data.type = type;
  data.bytes = std::move(bytes);
  return data;
}

}  // namespace

LONG OpenKeyForQuerying(RegRoot root, const std::wstring& key_path, UniqueKey& key) {
  return RegOpenKeyExW(RootKey(root), key_path.c_str(), 0, kReadAccess, key.put());
}

// A key that cannot be opened is neither queried nor closed.
RegistryData Win32Machine::QueryRegistryValue(RegRoot root, const std::wstring& key_path,
                                              const std::wstring& value_name) {
  UniqueKey key;
  const LONG status = OpenKeyForQuerying(root, key_path, key);
  if (status != ERROR_SUCCESS) return {status, reg::kNone, {}};
  return QueryOpenKeyValue(key.get(), value_name);
}

// A key made here takes its access list from its parent, as the package's
// own keys do.
bool Win32Machine::WriteRegistryText(RegRoot root, const std::wstring& key_path,
                                     const std::wstring& value_name, const std::wstring& text) {
  UniqueKey key;
  if (RegCreateKeyExW(RootKey(root), key_path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, key.put(),
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(key.get(), value_name.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(text.c_str()), bytes) == ERROR_SUCCESS;
}

// Policies are read where Windows' policy engine writes them: on 64-bit
// Windows it is a 64-bit process, so the 64-bit view; on 32-bit Windows
// KEY_WOW64_64KEY is ignored and the only view is read
// (https://learn.microsoft.com/en-us/windows/win32/winprog64/accessing-an-alternate-registry-view).
RegistryData Win32Machine::QueryMachinePolicyValue(const std::wstring& key_path,
                                                   const std::wstring& value_name) {
  UniqueKey key;
  const LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_path.c_str(), 0,
                                    KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.put());
  if (status != ERROR_SUCCESS) return {status, reg::kNone, {}};
  return QueryOpenKeyValue(key.get(), value_name);
}

}  // namespace tarnwell
