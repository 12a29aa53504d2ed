// The install command: PushButton13_Click.
#pragma once

#include <string>

#include "core/app/app.h"

namespace tarnwell {

inline constexpr wchar_t kInstallLocation[] =
    L"in TarnwellPDFPrinter2021/08/31.Form1.PushButton13_Click ";
inline constexpr wchar_t kPackageNotFound[] = L"Quellmark PDF Setup not found.";
inline constexpr wchar_t kPrinterAlreadyInstalled[] = L"Printer already installed.";
inline constexpr wchar_t kPrinterInstallationFailed[] = L"Printer installation failed.";
inline constexpr wchar_t kViewPrintersCaption[] = L"View Printers";

// The line-136 question, two carriage returns between its sentences.
std::wstring ViewPrintersQuestion();

// "<application folder>\Quellmark PDF Setup\setup.exe" -s -c, the program path quoted.
std::wstring SetupCommandLine(const std::wstring& application_folder);

void PushButton13_Click(App& app);

}  // namespace tarnwell
