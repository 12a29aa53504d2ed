#include "fake_machine.h"

#include <algorithm>
#include <cstring>

#include "core/app/error_report.h"

namespace tarnwell::testing {

void FakeMachine::SetRegSz(const std::wstring& key, const std::wstring& name,
                           const std::wstring& text, bool with_terminator) {
  FakeRegValue value{reg::kSz, {}};
  const std::size_t chars = text.size() + (with_terminator ? 1 : 0);
  value.data.resize(chars * sizeof(wchar_t));
  std::wstring copy = text;
  copy.push_back(L'\0');
  std::memcpy(value.data.data(), copy.data(), value.data.size());
  registry[key][name] = value;
}

std::wstring ExpectedReport(const std::wstring& location, const std::wstring& description,
                            int line) {
  return description + L"\r\n" + location + L"at line " + std::to_wstring(line) +
         L"\r\rPlease email screenshot of this message to " + SupportEmailAddress();
}

int FakeMachine::CountLog(const std::wstring& prefix) const {
  int n = 0;
  for (const auto& entry : log) n += entry.rfind(prefix, 0) == 0 ? 1 : 0;
  return n;
}

void FakeMachine::QueryFileTime(const std::wstring& path) {
  log.push_back(L"QueryFileTime " + path);
  if (!entries.count(path)) throw RunError(L"File not found");
}

std::optional<std::uint32_t> FakeMachine::FindEntry(const std::wstring& path) {
  log.push_back(L"FindEntry " + path);
  const auto it = entries.find(path);
  if (it == entries.end()) return std::nullopt;
  return it->second;
}

std::wstring FakeMachine::EnvironmentVariable(const std::wstring& name) {
  log.push_back(L"Env " + name);
  const auto it = env.find(name);
  return it == env.end() ? std::wstring() : it->second;
}

std::size_t FakeMachine::ReadPrinterList() {
  log.push_back(L"ReadPrinterList");
  if (fail_printer_list) throw RunError(L"The printer list cannot be read.");
  return printers.size();
}

std::wstring FakeMachine::PrinterName(std::size_t index) {
  log.push_back(L"PrinterName " + std::to_wstring(index));
  if (fail_printer_name.count(index)) throw RunError(L"The printer name cannot be read.");
  return printers.at(index);
}

namespace {
bool HasPrinter(const std::vector<std::wstring>& printers, const std::wstring& name) {
  for (const auto& p : printers) {
    if (p == name) return true;
  }
  return false;
}
}  // namespace

void FakeMachine::SetDefaultPrinterByScriptHost(const std::wstring& printer) {
  log.push_back(L"ScriptHostDefault " + printer);
  if (!script_host_works) throw RunError(L"Not implemented");
  if (!HasPrinter(printers, printer)) throw RunError(L"Invalid printer name");
  default_printer = printer;
}

void FakeMachine::SetDefaultPrinterBySpooler(const std::wstring& printer) {
  log.push_back(L"SpoolerDefault " + printer);
  if (!spooler_works || !HasPrinter(printers, printer)) throw RunError(L"Invalid printer name");
  default_printer = printer;
}

long FakeMachine::RegOpenKeyForRead(RegRoot, const std::wstring& path, RegKey* key) {
  log.push_back(L"RegOpen " + path);
  if (!registry.count(path)) return reg::kFileNotFound;
  open_key_paths_.push_back(path);
  *key = open_key_paths_.size();
  ++open_keys;
  return reg::kSuccess;
}

long FakeMachine::QueryRegValue(RegKey key, const std::wstring& name, std::uint32_t* type,
                                void* data, std::uint32_t* size) {
  log.push_back(L"RegQuery " + name);
  if (key == 0 || key > open_key_paths_.size()) return 6;  // invalid handle
  const auto& values = registry[open_key_paths_[key - 1]];
  const auto it = values.find(name);
  if (it == values.end()) return reg::kFileNotFound;
  const FakeRegValue& value = it->second;
  if (type) *type = value.type;
  const auto stored = static_cast<std::uint32_t>(value.data.size());
  if (data) {
    if (*size < stored) {
      *size = stored;
      return reg::kMoreData;
    }
    std::memcpy(data, value.data.data(), stored);
  }
  *size = stored;
  if (!data && between_reg_queries) between_reg_queries();
  return reg::kSuccess;
}

long FakeMachine::RegCloseKey(RegKey) {
  log.push_back(L"RegClose");
  --open_keys;
  return reg::kSuccess;
}

ProcessStart FakeMachine::StartProcess(const std::wstring& command_line, int show_state) {
  log.push_back(L"Start " + command_line);
  started.push_back(command_line);
  start_show_states.push_back(show_state);
  polls_ = 0;
  if (on_start) on_start();
  if (starts.empty()) return {true, 0, 1};
  const ProcessStart result = starts.front();
  starts.pop_front();
  return result;
}

ProcessStart FakeMachine::StartElevated(const std::wstring& program, const std::wstring& arguments,
                                        int show_state) {
  log.push_back(L"StartElevated " + program + L"|" + arguments);
  start_show_states.push_back(show_state);
  polls_ = 0;
  if (on_start) on_start();
  if (elevated_starts.empty()) return {true, 0, 2};
  const ProcessStart result = elevated_starts.front();
  elevated_starts.pop_front();
  return result;
}

bool FakeMachine::ProcessEnded(ProcessHandle) { return ++polls_ > polls_until_exit; }

bool FakeMachine::ProcessExitCode(ProcessHandle, std::uint32_t* code) {
  if (exit_code_query_fails) return false;
  *code = polls_ > polls_until_exit ? exit_code : 259;
  return true;
}

void FakeMachine::CloseProcess(ProcessHandle) {
  log.push_back(L"CloseProcess");
  ++closed_processes;
}

void FakeMachine::ProcessPendingMessages() {
  if (during_wait) during_wait();
}

void FakeMachine::PauseServicingMessages(unsigned milliseconds) {
  log.push_back(L"Pause " + std::to_wstring(milliseconds));
  ++pauses;
}

int FakeMachine::ShowMessage(const std::wstring& text, const std::wstring& caption_text,
                             unsigned style) {
  log.push_back(L"Message " + text);
  shown.push_back({text, caption_text, style});
  if (answers.empty()) return style == msgbox::kYesNo ? msgbox::kAnswerNo : msgbox::kAnswerOk;
  const int answer = answers.front();
  answers.pop_front();
  return answer;
}

void FakeMachine::ShellOpen(const std::wstring& file, const std::wstring& parameters,
                            const std::wstring& directory, int show_command) {
  log.push_back(L"ShellOpen " + file + L"|" + parameters + L"|" + directory + L"|" +
                std::to_wstring(show_command));
}

void FakeMachine::SetEnabled(Control control, bool on) {
  log.push_back(std::wstring(on ? L"Enable " : L"Disable ") +
                std::to_wstring(static_cast<int>(control)));
  enabled[control] = on;
}

bool FakeMachine::IsSelected(Control control) {
  log.push_back(L"IsSelected " + std::to_wstring(static_cast<int>(control)));
  return selected.count(control) > 0;
}

void FakeMachine::SetPointerKind(PointerKind kind) {
  log.push_back(L"Pointer " + std::to_wstring(static_cast<int>(kind)));
  pointer = kind;
  pointer_history.push_back(kind);
}

void FakeMachine::SetCaption(const std::wstring& text) {
  log.push_back(L"Caption " + text);
  caption = text;
}

void FakeMachine::SetApplicationIcon() {
  log.push_back(L"Icon");
  if (!icon_loads) throw RunError(L"The icon cannot be loaded.");
}

void FakeMachine::LoadCustomPointer(const std::wstring& path) {
  log.push_back(L"LoadPointer " + path);
  if (!cursor_loads) throw RunError(L"The file is not a cursor file.");
  custom_pointer = path;
}

std::vector<std::uint8_t> FakeMachine::ReadFileBytes(const std::wstring& path,
                                                     std::size_t max_bytes) {
  log.push_back(L"ReadFile " + path);
  read_limits.push_back(max_bytes);
  const auto it = file_bytes.find(path);
  if (it == file_bytes.end()) throw RunError(L"File not found");
  const std::size_t n = std::min(it->second.size(), max_bytes + 1);
  return {it->second.begin(), it->second.begin() + static_cast<std::ptrdiff_t>(n)};
}

void FakeMachine::SetBackColour(Control control, OleColour colour) {
  log.push_back(L"BackColour " + std::to_wstring(static_cast<int>(control)));
  back_colours[control] = colour;
}

std::int32_t FakeMachine::MainWindowHandle() {
  log.push_back(L"WindowHandle");
  return window_handle;
}

void FakeMachine::ApplySkinLook(std::int32_t window, const SkinLook& look) {
  log.push_back(L"ApplySkinLook " + std::to_wstring(window));
  skinned_window = window;
  skin_look = look;
}

}  // namespace tarnwell::testing
