// Screen resolution helpers. The per-monitor functions of Windows 10 are
// looked up at run time, so the program still starts on older systems, where
// the system-wide resolution serves instead.
#pragma once

#include <windows.h>

namespace tarnwell {

inline constexpr int kTwipsPerInch = 1440;

// Twips (1/1440 inch) to pixels at `dpi`.
inline int TwipsToPixels(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), kTwipsPerInch); }

// Dots per inch of the monitor the window is on.
UINT WindowDpi(HWND hwnd);

// AdjustWindowRectEx at `dpi`.
void AdjustWindowRectForDpi(RECT* rect, DWORD style, DWORD ex_style, UINT dpi);

// GetSystemMetrics at `dpi`.
int SystemMetricForDpi(int index, UINT dpi);

}  // namespace tarnwell
