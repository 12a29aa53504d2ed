#include "core/installer/printer_step.h"

#include <vector>

#include "core/texts/text.h"
#include "core/printer/command_line.h"
#include "core/unattended/exit_codes.h"
#include "core/unattended/switches.h"

namespace tarnwell {
namespace {

std::vector<std::wstring> Fields(const std::wstring& data) {
  std::vector<std::wstring> fields;
  std::size_t start = 0;
  for (std::size_t bar = data.find(L'|'); bar != std::wstring::npos;
       start = bar + 1, bar = data.find(L'|', start)) {
    fields.push_back(data.substr(start, bar - start));
  }
  fields.push_back(data.substr(start));
  return fields;
}

}  // namespace

std::optional<PrinterStepData> ReadPrinterStepData(const std::wstring& data) {
  const std::vector<std::wstring> fields = Fields(data);
  if (fields.size() < 2) return std::nullopt;
  PrinterStepData step{fields[0], fields[1]};
  if (fields.size() > 2) {
    step.time_limit_seconds = TimeoutSeconds(fields[2]).value_or(kDefaultPrinterStepSeconds);
  }
  step.update = fields.size() > 3 && fields[3] == L"1";
  step.product_was_there = fields.size() > 4 && !fields[4].empty();
  step.printer_was_there = fields.size() > 5 && !fields[5].empty();
  if (!IsFullyQualified(step.program) || !IsFullyQualified(step.log_file)) return std::nullopt;
  return step;
}

PrinterBarrier FindPrinterBarrier(int exit_code, bool spooler_disabled) {
  if (exit_code == exit_code::kProtectedPrint) return PrinterBarrier::kProtectedPrint;
  return spooler_disabled ? PrinterBarrier::kSpoolerDisabled : PrinterBarrier::kNone;
}

bool SkipsFailedPrinterStep(const PrinterStepData& step, PrinterBarrier barrier) {
  return barrier != PrinterBarrier::kNone && step.product_was_there && !step.printer_was_there;
}

std::wstring PrinterStepCommandLine(const std::wstring& program, const wchar_t* command_switch,
                                    const std::optional<std::wstring>& log_file,
                                    unsigned time_limit_seconds) {
  std::wstring line = Quoted(program) + L" " + command_switch;
  if (log_file) line += L" /log " + Quoted(*log_file);
  return line + L" /timeout " + std::to_wstring(time_limit_seconds);
}

}  // namespace tarnwell
