// The install command: PushButton13_Click.
#pragma once

#include <string>

#include "core/app/app.h"

namespace tarnwell {

inline constexpr wchar_t kInstallLocation[] =
    L"TarnwellPDFPrinter2021/08/31.Form1.PushButton13_Click";

// The line-136 question, two carriage returns between its sentences.
std::wstring ViewPrintersQuestion(Machine& machine);

void PushButton13_Click(App& app);

}  // namespace tarnwell
