// The uninstall command: PushButton1_Click.
#pragma once

#include "core/app/app.h"

namespace tarnwell {

inline constexpr wchar_t kUninstallLocation[] =
    L"in TarnwellPDFPrinter2021/08/31.Form1.PushButton1_Click ";
inline constexpr wchar_t kPrinterNotInstalled[] = L"PDF Printer is not yet installed.";
inline constexpr wchar_t kInstallPathNotFound[] = L"Install path not found.";
inline constexpr wchar_t kUninstallDone[] = L"Done.";
inline constexpr wchar_t kUninstallerNotStarted[] = L"Uninstaller could not be started.";

void PushButton1_Click(App& app);

}  // namespace tarnwell
