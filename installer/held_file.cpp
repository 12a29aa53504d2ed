#include "held_file.h"

#include <windows.h>

#include <vector>

#include "core/unattended/in_use_count.h"
#include "core/unattended/shipped_version.h"
#include "win32_common/scoped_handle.h"

namespace tarnwell {
namespace {

// The program's view of its key: the 32-bit one, as it reads and writes it.
std::optional<InUseRecord> KeptRecord() {
  UniqueKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProgramKey, 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY,
                    key.put()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::vector<wchar_t> text(1024, L'\0');
  DWORD type = 0;
  DWORD bytes = static_cast<DWORD>((text.size() - 1) * sizeof(wchar_t));
  if (RegQueryValueExW(key.get(), kInUseValue, nullptr, &type,
                       reinterpret_cast<BYTE*>(text.data()), &bytes) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return std::nullopt;
  }
  return ParseInUseRecord(text.data());
}

}  // namespace

bool CountHeldFile(const std::wstring& file) {
  const unsigned count = NextInUseCount(KeptRecord(), file);
  UniqueKey key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProgramKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, key.put(),
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const std::wstring text = std::to_wstring(count) + L"|" + file;
  if (RegSetValueExW(key.get(), kInUseValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS) {
    return false;
  }
  return count >= kInUseBound;
}

void ForgetHeldFile() {
  if (!KeptRecord()) return;
  UniqueKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProgramKey, 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                    key.put()) == ERROR_SUCCESS) {
    RegDeleteValueW(key.get(), kInUseValue);
  }
}

std::optional<std::wstring> FileHeldForGood() {
  const std::optional<InUseRecord> kept = KeptRecord();
  if (!kept || kept->count < kInUseBound) return std::nullopt;
  return kept->file;
}

}  // namespace tarnwell
