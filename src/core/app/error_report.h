// The error report dialog of the working handlers.
#pragma once

#include <string>

#include "core/app/app.h"

namespace tarnwell {

inline constexpr wchar_t kErrorReportCaption[] = L"Application Error";

// The support address whoever ships the program set at build time.
const wchar_t* SupportEmailAddress();

std::wstring BuildErrorReportText(const std::wstring& location, const std::wstring& description,
                                  int line);

// Shows the report (OK, exclamation icon) and returns when it is closed.
void ShowErrorReport(App& app, const std::wstring& location, const std::wstring& description,
                     int line);

}  // namespace tarnwell
