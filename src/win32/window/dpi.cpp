#include "win32/window/dpi.h"

#include "win32_common/scoped_handle.h"

namespace tarnwell {
namespace {

template <typename Function>
Function User32Function(const char* name) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  const FARPROC proc = user32 ? GetProcAddress(user32, name) : nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(proc));
}

UINT SystemDpi() {
  const ScopedGetDC screen(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : USER_DEFAULT_SCREEN_DPI;
  return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

UINT WindowDpi(HWND hwnd) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get_dpi_for_window = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  if (get_dpi_for_window && hwnd) {
    const UINT dpi = get_dpi_for_window(hwnd);
    if (dpi) return dpi;
  }
  return SystemDpi();
}

void AdjustWindowRectForDpi(RECT* rect, DWORD style, DWORD ex_style, UINT dpi) {
  using AdjustFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto adjust = User32Function<AdjustFn>("AdjustWindowRectExForDpi");
  if (adjust && adjust(rect, style, FALSE, ex_style, dpi)) return;
  AdjustWindowRectEx(rect, style, FALSE, ex_style);
}

int SystemMetricForDpi(int index, UINT dpi) {
  using MetricFn = int(WINAPI*)(int, UINT);
  static const auto metric = User32Function<MetricFn>("GetSystemMetricsForDpi");
  return metric ? metric(index, dpi) : GetSystemMetrics(index);
}

}  // namespace tarnwell
