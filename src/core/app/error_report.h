// The error report dialog of the working handlers.
#pragma once

#include <string>

#include "core/app/app.h"

namespace tarnwell {

// The support address whoever ships the program set at build time.
const wchar_t* SupportEmailAddress();

// `location` names the handler ("TarnwellPDFPrinter2021/08/31.Form1.Form_Load"),
// as support knows it, in every language.
std::wstring BuildErrorReportText(Machine& machine, const std::wstring& location,
                                  const std::wstring& description, int line);

// Shows the report (OK, exclamation icon) and returns when it is closed.
void ShowErrorReport(App& app, const std::wstring& location, const std::wstring& description,
                     int line);

}  // namespace tarnwell
