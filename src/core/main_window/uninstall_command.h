// The uninstall command: PushButton1_Click.
#pragma once

#include "core/app/app.h"

namespace tarnwell {

inline constexpr wchar_t kUninstallLocation[] =
    L"TarnwellPDFPrinter2021/08/31.Form1.PushButton1_Click";

void PushButton1_Click(App& app);

}  // namespace tarnwell
