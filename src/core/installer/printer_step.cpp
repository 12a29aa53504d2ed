#include "core/installer/printer_step.h"

#include "core/texts/text.h"
#include "core/printer/command_line.h"
#include "core/unattended/switches.h"

namespace tarnwell {

std::optional<PrinterStepData> ReadPrinterStepData(const std::wstring& data) {
  const std::size_t first = data.find(L'|');
  if (first == std::wstring::npos) return std::nullopt;
  const std::size_t second = data.find(L'|', first + 1);
  PrinterStepData step{data.substr(0, first),
                       data.substr(first + 1, second == std::wstring::npos
                                                  ? std::wstring::npos
                                                  : second - first - 1)};
  const std::size_t third = second == std::wstring::npos ? second : data.find(L'|', second + 1);
  if (second != std::wstring::npos) {
    const std::wstring seconds =
        data.substr(second + 1, third == std::wstring::npos ? third : third - second - 1);
    step.time_limit_seconds = TimeoutSeconds(seconds).value_or(kDefaultPrinterStepSeconds);
  }
  step.update = third != std::wstring::npos && data.substr(third + 1) == L"1";
  if (!IsFullyQualified(step.program) || !IsFullyQualified(step.log_file)) return std::nullopt;
  return step;
}

std::wstring PrinterStepCommandLine(const std::wstring& program, const wchar_t* command_switch,
                                    const std::optional<std::wstring>& log_file,
                                    unsigned time_limit_seconds) {
  std::wstring line = Quoted(program) + L" " + command_switch;
  if (log_file) line += L" /log " + Quoted(*log_file);
  return line + L" /timeout " + std::to_wstring(time_limit_seconds);
}

}  // namespace tarnwell
