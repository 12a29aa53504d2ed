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

std::wstring BuildErrorReportText(Machine& machine, const std::wstring& location,
                                  const std::wstring& description, int line) {
  return FillIn(machine.Text(TextId::ErrorReport), {{L"description", description},
                                                    {L"location", location},
                                                    {L"line", std::to_wstring(line)},
                                                    {L"email", SupportEmailAddress()}});
}

void ShowErrorReport(App& app, const std::wstring& location, const std::wstring& description,
                     int line) {
  Machine& m = app.machine;
  m.ShowMessage(BuildErrorReportText(m, location, description, line),
                m.Text(TextId::ErrorReportCaption), kWarning);
}

}  // namespace tarnwell
