// The main window's start-up and pointer handlers. The window's two commands
// sit beside them (install_command.h, uninstall_command.h).
#pragma once

#include "core/app/app.h"

namespace tarnwell {

inline constexpr wchar_t kFormLoadLocation[] =
    L"TarnwellPDFPrinter2021/08/31.Form1.Form_Load";
inline constexpr wchar_t kCursorFile[] = L"\\HAND-M.CUR";

// The start-up sequence; runs before the window is shown.
void Form_Load(App& app);

// Pointer over the window's own surface or over Frame1.
void Form_MouseMove(App& app);
// Pointer over PushButton13 or PushButton1.
void PushButton_MouseMove(App& app);

}  // namespace tarnwell
