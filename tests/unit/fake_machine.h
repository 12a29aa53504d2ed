// An in-memory machine: answers what the test sets up and records, in order,
// every operation the handlers ask of it.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/app/app.h"
#include "core/port/run_error.h"
#include "core/port/machine.h"

namespace tarnwell::testing {

struct Shown {
  std::wstring text;
  std::wstring caption;
  MessageKind kind;
};

struct FakeRegValue {
  std::uint32_t type;
  std::vector<std::uint8_t> data;
};

class FakeMachine : public Machine {
 public:
  // --- What the machine answers ---
  std::wstring folder = L"C:\\Apps\\Tarnwell";
  std::map<std::wstring, std::uint32_t> entries;  // path -> attributes
  std::map<std::wstring, std::wstring> env = {{L"ProgramFiles", L"C:\\Program Files (x86)"}};
  std::vector<std::wstring> printers;
  bool fail_printer_list = false;
  std::uint32_t printer_list_error = 0;  // the platform's error number when it fails
  std::set<std::size_t> fail_printer_name;  // indexes whose name cannot be read
  bool script_host_works = true;
  bool local_system = false;
  std::uint64_t clock_ms = 0;
  bool spooler_works = true;
  std::wstring default_printer;
  // Every printer's driver and port, unless named here; which exist.
  PrinterParts standard_parts{L"Quellmark PDF Driver", L"QPDF:"};
  std::map<std::wstring, PrinterParts> printer_parts;
  std::set<std::wstring> drivers = {L"Quellmark PDF Driver"};
  std::set<std::wstring> ports = {L"QPDF:"};
  std::map<std::wstring, std::wstring> program_versions;  // path -> version resource
  std::map<std::wstring, std::map<std::wstring, FakeRegValue>> registry;  // key -> values
  bool registry_writable = true;  // false: as a standard user under HKLM
  // Machine policies (64-bit view): key -> values; a read of another key fails
  // with policy_read_error when it is set, else finds nothing.
  std::map<std::wstring, std::map<std::wstring, FakeRegValue>> policies;
  long policy_read_error = 0;
  ProtectedPrintAnswer protected_print_answer = ProtectedPrintAnswer::NotAvailable;
  // Start outcomes, consumed in order; when empty, every start succeeds.
  // A start that fails: the platform's error number.
  std::deque<std::uint32_t> start_errors;
  std::deque<std::uint32_t> elevated_start_errors;
  std::uint32_t exit_code = 0;
  int polls_until_exit = 1;          // HasEnded calls answering false before true
  bool exit_code_query_fails = false;
  std::deque<Answer> answers;        // message box answers; OK (or No) when empty
  bool cursor_loads = true;
  bool icon_loads = true;
  std::set<Control> selected = {Control::Option1};
  // Called on every message-servicing pass, to act as the user would meanwhile.
  std::function<void()> during_wait;
  // Called when a program is started (plainly or elevated), to act as it would.
  std::function<void()> on_start;
  std::map<std::wstring, std::vector<std::uint8_t>> file_bytes;  // path -> contents
  std::map<TextId, std::wstring> translated;  // texts in the user's language; English otherwise
  // --- The processes a started program starts, and the command lock ---
  int others_polls = 0;              // OthersRunning calls answering true after the process ended
  bool lock_held_elsewhere = false;
  bool lock_fails = false;           // the lock cannot be made at all
  // Programs another account could change, with why (HoldProgramPath).
  std::map<std::wstring, std::wstring> unsafe_programs;
  // What every start gives as its temporary folder, and why Finish could
  // not remove it.
  std::wstring temporary_folder;
  bool temporary_folder_made = false;
  std::optional<std::wstring> temporary_folder_left;
  // Programs another program keeps from being checked now, with why.
  std::map<std::wstring, std::wstring> programs_in_use;

  // --- What was asked ---
  std::vector<std::wstring> log;
  std::vector<Shown> shown;
  std::vector<std::wstring> started;  // command lines, in order
  std::vector<std::wstring> started_programs;  // the programs named apart, in order
  std::vector<int> start_show_states;
  std::vector<std::wstring> opened;  // what was opened: file|parameters|folder|show command
  std::map<Control, bool> enabled;
  PointerKind pointer = PointerKind::Normal;
  std::vector<PointerKind> pointer_history;
  // The window as it was on the first message-servicing pass of a wait.
  struct Busy {
    PointerKind pointer;
    std::map<Control, bool> enabled;
  };
  std::optional<Busy> during_first_wait;
  std::wstring caption = L"Form1";
  std::wstring custom_pointer;
  int pauses = 0;
  int live_processes = 0;            // started processes not yet let go of
  std::map<Control, OleColour> back_colours;
  std::vector<std::size_t> read_limits;  // max_bytes of each ReadFileBytes
  std::optional<SkinLook> skin_look;
  int locks_held = 0;                // command locks taken and not yet let go of

  // Windows' own folders.
  std::wstring system_folder = L"C:\\Windows\\system32";
  std::wstring windows_folder = L"C:\\Windows";
  std::wstring SystemFolder() override { return system_folder; }
  std::wstring WindowsFolder() override { return windows_folder; }

  // Helpers for tests.
  void AddFile(const std::wstring& path, std::uint32_t attributes = 0) { entries[path] = attributes; }
  void SetRegSz(const std::wstring& key, const std::wstring& name, const std::wstring& text,
                bool with_terminator = true);
  int CountLog(const std::wstring& prefix) const;
  bool Logged(const std::wstring& prefix) const { return CountLog(prefix) > 0; }

  // --- Machine ---
  std::wstring ApplicationFolder() override { return folder; }
  void QueryFileTime(const std::wstring& path) override;
  std::optional<std::uint32_t> FindEntry(const std::wstring& path) override;
  std::wstring EnvironmentVariable(const std::wstring& name) override;
  std::size_t ReadPrinterList() override;
  std::wstring PrinterName(std::size_t index) override;
  void SetDefaultPrinterByScriptHost(const std::wstring& printer) override;
  void SetDefaultPrinterBySpooler(const std::wstring& printer) override;
  std::wstring DefaultPrinterName() override { return default_printer; }
  PrinterParts ReadPrinterParts(const std::wstring& printer) override;
  bool PrinterDriverInstalled(const std::wstring& driver) override { return drivers.count(driver) > 0; }
  bool PrinterPortExists(const std::wstring& port) override { return ports.count(port) > 0; }
  void DeletePrinterQueue(const std::wstring& printer) override;
  std::optional<std::wstring> ProgramVersion(const std::wstring& path) override {
    log.push_back(L"ProgramVersion " + path);
    const auto found = program_versions.find(path);
    if (found == program_versions.end()) return std::nullopt;
    return found->second;
  }
  bool WriteRegistryText(RegRoot, const std::wstring& key_path, const std::wstring& value_name,
                         const std::wstring& text) override {
    log.push_back(L"RegWrite " + key_path + L"|" + value_name + L"=" + text);
    if (!registry_writable) return false;
    SetRegSz(key_path, value_name, text);
    return true;
  }
  RegistryData QueryRegistryValue(RegRoot root, const std::wstring& key_path,
                                  const std::wstring& value_name) override;
  RegistryData QueryMachinePolicyValue(const std::wstring& key_path,
                                       const std::wstring& value_name) override;
  ProtectedPrintAnswer AskProtectedPrintMode() override { return protected_print_answer; }
  ProcessStart StartProcess(const std::wstring& program, const std::wstring& command_line,
                            int show_state) override;
  ProcessStart StartElevated(const std::wstring& program, const std::wstring& arguments,
                             int show_state) override;
  void ProcessPendingMessages() override;
  void PauseServicingMessages(unsigned milliseconds) override;
  std::wstring Text(TextId id) override {
    const auto found = translated.find(id);
    return found != translated.end() ? found->second : std::wstring(EnglishText(id));
  }
  Answer ShowMessage(const std::wstring& text, const std::wstring& caption,
                     MessageKind kind) override;
  void ShellOpen(const std::wstring& file, const std::wstring& parameters,
                 const std::wstring& directory, int show_command) override;
  void SetEnabled(Control control, bool on) override;
  bool IsSelected(Control control) override;
  PointerKind GetPointerKind() override { return pointer; }
  void SetPointerKind(PointerKind kind) override;
  void SetCaption(const std::wstring& text) override;
  void SetApplicationIcon() override;
  void LoadCustomPointer(const std::wstring& path) override;
  std::vector<std::uint8_t> ReadFileBytes(const std::wstring& path,
                                          std::size_t max_bytes) override;
  void SetBackColour(Control control, OleColour colour) override;
  void ApplySkinLook(const SkinLook& look) override;
  std::unique_ptr<CommandLock> TakeCommandLock() override;
  std::wstring AccountName() override { return local_system ? L"NT AUTHORITY\\SYSTEM" : L"PC\\user"; }
  bool RunsAsLocalSystem() override { return local_system; }
  std::uint64_t SteadyMilliseconds() override { return clock_ms += 10; }
  std::optional<PathRefusal> HoldProgramPath(const std::wstring& program, ProgramTree tree,
                                             std::optional<unsigned>) override {
    log.push_back(L"HoldProgramPath " + program +
                  (tree == ProgramTree::kProgramOnly ? L"" : L" and its folder's tree"));
    if (const auto busy = programs_in_use.find(program); busy != programs_in_use.end()) {
      return PathRefusal{busy->second, true, program};
    }
    const auto found = unsafe_programs.find(program);
    if (found == unsafe_programs.end()) return std::nullopt;
    return PathRefusal{found->second};
  }

 private:
  ProcessStart Start(std::deque<std::uint32_t>& errors);
};

// A fake machine and an application whose title start-up has set.
struct Harness {
  FakeMachine m;
  App app{m};
  Harness() { app.title = L"Tarnwell PDF Printer"; }
};

// The text of the error report for a step that failed, built independently of
// the program's own builder.
std::wstring ExpectedReport(const std::wstring& location, const std::wstring& description,
                            int line);

}  // namespace tarnwell::testing
