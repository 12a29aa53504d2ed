// Registry reads: keys are opened to query values only, in the 32-bit view,
// so a standard user can read HKEY_LOCAL_MACHINE and a build of any word size
// sees the keys a 32-bit installer wrote.
#include "win32/machine/win32_machine.h"

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

HKEY AsKey(RegKey key) { return reinterpret_cast<HKEY>(key); }

}  // namespace

long Win32Machine::RegOpenKeyForRead(RegRoot root, const std::wstring& path, RegKey* key) {
  HKEY opened = nullptr;
  const LONG status = RegOpenKeyExW(RootKey(root), path.c_str(), 0, kReadAccess, &opened);
  *key = status == ERROR_SUCCESS ? reinterpret_cast<RegKey>(opened) : 0;
  return status;
}

long Win32Machine::QueryRegValue(RegKey key, const std::wstring& name, std::uint32_t* type,
                                 void* data, std::uint32_t* size) {
  DWORD value_type = 0;
  DWORD value_size = size ? *size : 0;
  const LONG status = RegQueryValueExW(AsKey(key), name.c_str(), nullptr, &value_type,
                                       static_cast<BYTE*>(data), size ? &value_size : nullptr);
  if (type) *type = value_type;
  if (size) *size = value_size;
  return status;
}

long Win32Machine::RegCloseKey(RegKey key) { return ::RegCloseKey(AsKey(key)); }

}  // namespace tarnwell
