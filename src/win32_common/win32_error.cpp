#include "win32_common/win32_error.h"

#include "core/port/run_error.h"
#include "win32_common/scoped_handle.h"

namespace tarnwell {

std::wstring DescribeWin32Error(DWORD error) {
  UniqueLocal<wchar_t*> buffer;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(buffer.put()), 0, nullptr);
  if (length == 0 || !buffer) return L"System error " + std::to_wstring(error) + L".";
  std::wstring text(buffer.get(), length);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n')) text.pop_back();
  return text;
}

void ThrowWin32Error(DWORD error) { throw RunError(DescribeWin32Error(error), error); }

void ThrowLastError() { ThrowWin32Error(GetLastError()); }

}  // namespace tarnwell
