#include "core/app/error_report.h"

#ifndef TARNWELL_SUPPORT_EMAIL
#define TARNWELL_SUPPORT_EMAIL "support@example.com"
#endif

namespace tarnwell {
namespace {

#define TARNWELL_WIDEN2(x) L##x
#define TARNWELL_WIDEN(x) TARNWELL_WIDEN2(x)

}  // namespace

const wchar_t* SupportEmailAddress() { return TARNWELL_WIDEN(TARNWELL_SUPPORT_EMAIL); }

std::wstring BuildErrorReportText(const std::wstring& location, const std::wstring& description,
                                  int line) {
  return description + L"\r\n" + location + L"at line " + std::to_wstring(line) + L"\r\r" +
         L"Please email screenshot of this message to " + SupportEmailAddress();
}

void ShowErrorReport(App& app, const std::wstring& location, const std::wstring& description,
                     int line) {
  app.machine.ShowMessage(BuildErrorReportText(location, description, line), kErrorReportCaption,
                          kWarning);
}

}  // namespace tarnwell
