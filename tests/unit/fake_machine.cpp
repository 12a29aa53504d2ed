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
  return description + L"\r\nin " + location + L" at line " + std::to_wstring(line) +
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
  if (fail_printer_list) throw RunError(L"The printer list cannot be read.", printer_list_error);
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

PrinterParts FakeMachine::ReadPrinterParts(const std::wstring& printer) {
  if (!HasPrinter(printers, printer)) throw RunError(L"The printer name is invalid.");
  const auto found = printer_parts.find(printer);
  return found != printer_parts.end() ? found->second : standard_parts;
}

void FakeMachine::DeletePrinterQueue(const std::wstring& printer) {
  log.push_back(L"DeletePrinterQueue " + printer);
  printers.erase(std::remove(printers.begin(), printers.end(), printer), printers.end());
  if (default_printer == printer) default_printer.clear();
}

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

RegistryData FakeMachine::QueryRegistryValue(RegRoot, const std::wstring& key_path,
                                             const std::wstring& value_name) {
  log.push_back(L"RegRead " + key_path + L"|" + value_name);
  const auto key = registry.find(key_path);
  if (key == registry.end()) return {reg::kFileNotFound, reg::kNone, {}};
  const auto value = key->second.find(value_name);
  if (value == key->second.end()) return {reg::kFileNotFound, reg::kNone, {}};
  return {reg::kSuccess, value->second.type, value->second.data};
}

RegistryData FakeMachine::QueryMachinePolicyValue(const std::wstring& key_path,
                                                  const std::wstring& value_name) {
  const auto key = policies.find(key_path);
  if (key == policies.end()) {
    return {policy_read_error ? policy_read_error : reg::kFileNotFound, reg::kNone, {}};
  }
  const auto value = key->second.find(value_name);
  if (value == key->second.end()) return {reg::kFileNotFound, reg::kNone, {}};
  return {reg::kSuccess, value->second.type, value->second.data};
}

namespace {

// Runs for `polls` HasEnded calls, then ends with the machine's exit code.
class FakeProcess : public StartedProcess {
 public:
  FakeProcess(FakeMachine& m, int polls) : m_(m), polls_left_(polls) { ++m_.live_processes; }
  ~FakeProcess() override { --m_.live_processes; }
  bool HasEnded() override { return polls_left_-- <= 0; }
  std::optional<std::uint32_t> ExitCode() override {
    if (m_.exit_code_query_fails) return std::nullopt;
    return polls_left_ < 0 ? m_.exit_code : 259u;
  }
  bool OthersRunning() override {
    m_.log.push_back(L"OthersRunning");
    return others_left_-- > 0;
  }
  void Pause(unsigned milliseconds) override { m_.PauseServicingMessages(milliseconds); }
  void EndAll() override {
    m_.log.push_back(L"EndAll");
    polls_left_ = 0;
    others_left_ = 0;
  }
  std::optional<std::wstring> Finish() override { return m_.temporary_folder_left; }

 private:
  FakeMachine& m_;
  int polls_left_;
  int others_left_ = m_.others_polls;
};

class FakeLock : public CommandLock {
 public:
  explicit FakeLock(FakeMachine& m) : m_(m) { ++m_.locks_held; }
  ~FakeLock() override {
    --m_.locks_held;
    m_.log.push_back(L"ReleaseCommandLock");
  }

 private:
  FakeMachine& m_;
};

}  // namespace

ProcessStart FakeMachine::Start(std::deque<std::uint32_t>& errors) {
  if (on_start) on_start();
  if (!errors.empty()) {
    const std::uint32_t error = errors.front();
    errors.pop_front();
    if (error != 0) {
      ProcessStart failed;
      failed.error = error;
      return failed;
    }
  }
  ProcessStart started;
  started.process = std::make_unique<FakeProcess>(*this, polls_until_exit);
  started.temporary_folder = temporary_folder;
  started.temporary_folder_made = temporary_folder_made;
  return started;
}

ProcessStart FakeMachine::StartProcess(const std::wstring& program,
                                       const std::wstring& command_line, int show_state) {
  log.push_back(L"Start " + command_line);
  started.push_back(command_line);
  started_programs.push_back(program);
  start_show_states.push_back(show_state);
  return Start(start_errors);
}

ProcessStart FakeMachine::StartElevated(const std::wstring& program, const std::wstring& arguments,
                                        int show_state) {
  log.push_back(L"StartElevated " + program + L"|" + arguments);
  start_show_states.push_back(show_state);
  return Start(elevated_start_errors);
}

void FakeMachine::ProcessPendingMessages() {
  if (!during_first_wait) during_first_wait = Busy{pointer, enabled};
  if (during_wait) during_wait();
}

void FakeMachine::PauseServicingMessages(unsigned milliseconds) {
  log.push_back(L"Pause " + std::to_wstring(milliseconds));
  ++pauses;
}

Answer FakeMachine::ShowMessage(const std::wstring& text, const std::wstring& caption_text,
                                MessageKind kind) {
  log.push_back(L"Message " + text);
  shown.push_back({text, caption_text, kind});
  if (answers.empty()) return kind.buttons == MessageButtons::YesNo ? Answer::No : Answer::Ok;
  const Answer answer = answers.front();
  answers.pop_front();
  return answer;
}

void FakeMachine::ShellOpen(const std::wstring& file, const std::wstring& parameters,
                            const std::wstring& directory, int show_command) {
  opened.push_back(file + L"|" + parameters + L"|" + directory + L"|" +
                   std::to_wstring(show_command));
  log.push_back(L"ShellOpen " + opened.back());
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

void FakeMachine::ApplySkinLook(const SkinLook& look) {
  log.push_back(L"ApplySkinLook");
  skin_look = look;
}

std::unique_ptr<CommandLock> FakeMachine::TakeCommandLock() {
  log.push_back(L"TakeCommandLock");
  if (lock_fails) throw RunError(L"Access is denied.");
  if (lock_held_elsewhere) return nullptr;
  return std::make_unique<FakeLock>(*this);
}

}  // namespace tarnwell::testing
