// deploy.cmd install, status and uninstall as LocalSystem in session 0, as
// deployment tools run them: each from a scheduled task run once as SYSTEM
// (schtasks.exe), which starts this runner with --system-step; the step runs
// deploy.cmd and records its exit code, account and session. The printer
// must come and go, the log must be where the deployment guide says
// (%ProgramData%\Tarnwell PDF Printer Software\Logs), and no other folder
// may appear at the drive's root or in ProgramData.
// https://learn.microsoft.com/en-us/windows-server/administration/windows-commands/schtasks-create
// https://learn.microsoft.com/en-us/windows-server/administration/windows-commands/schtasks-run
// https://learn.microsoft.com/en-us/windows/win32/api/processthreadsapi/nf-processthreadsapi-processidtosessionid
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "kit_context.h"

namespace kit {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kTask[] = L"Tarnwell test kit as SYSTEM";
constexpr wchar_t kProduct[] = L"Tarnwell PDF Printer Software";

fs::path AppFolder() { return fs::path(Expanded(L"%ProgramFiles%")) / L"Tarnwell test kit system"; }
fs::path StepResult(const Context& context) {
  return fs::path(context.folder) / L"system-step.txt";
}

// schtasks.exe with `arguments` and the task's name after them: whether it answered 0.
bool Schtasks(const std::wstring& arguments) {
  const std::wstring schtasks = Expanded(L"%SystemRoot%\\System32\\schtasks.exe");
  return support::RunProgramToEnd(schtasks, arguments + L" /TN \"" + kTask + L"\"", {}, 60000) ==
         0u;
}

// One deploy.cmd command through the task; the step's record, or why not.
std::optional<std::string> ThroughTask(const Context& context, const std::wstring& command,
                                       std::string& why) {
  DeleteFileW(StepResult(context).c_str());
  const std::wstring runner = (fs::path(context.folder) / L"run-checks.exe").wstring();
  const std::wstring action = L"\\\"" + runner + L"\\\" --system-step " + command;
  if (!Schtasks(L"/Create /F /RU SYSTEM /SC ONCE /ST 23:59 /TR \"" + action + L"\"")) {
    why = "schtasks /Create failed";
    return std::nullopt;
  }
  if (!Schtasks(L"/Run")) {
    why = "schtasks /Run failed";
    return std::nullopt;
  }
  // deploy.cmd gives the program 30 minutes; the kit waits ten.
  for (int waited = 0; waited < 600; ++waited) {
    std::ifstream result(StepResult(context));
    std::string record((std::istreambuf_iterator<char>(result)), std::istreambuf_iterator<char>());
    if (record.find("end\n") != std::string::npos) return record;
    Sleep(1000);
  }
  why = "the task did not finish within ten minutes";
  return std::nullopt;
}

}  // namespace

// The task's side: deploy.cmd beside the copied program, its exit code, the
// account and session it ran in.
int SystemStep(const Context& context, const std::wstring& command) {
  const std::wstring cmd = Expanded(L"%SystemRoot%\\System32\\cmd.exe");
  const std::wstring deploy = (AppFolder() / L"deploy.cmd").wstring();
  const auto code = support::RunProgramToEnd(cmd, L"/d /c \"\"" + deploy + L"\" " + command + L"\"",
                               AppFolder().wstring(), 900000);
  wchar_t account[256];
  DWORD size = 256;
  if (!GetUserNameW(account, &size)) account[0] = L'\0';
  DWORD session = 0;
  ProcessIdToSessionId(GetCurrentProcessId(), &session);
  std::ofstream result(StepResult(context), std::ios::binary);
  result << "exit " << (code ? std::to_string(*code) : "none") << "\naccount " << Utf8(account)
         << "\nsession " << session << "\nend\n";
  return 0;
}

Outcome DeployAsLocalSystem(const Context& context, Cleanup& cleanup) {
  if (context.under_wine) {
    return Skipped("Wine never runs anything as LocalSystem: every process has the one "
                   "elevated user's token, and there is no session 0");
  }
  if (PrinterInstalled()) return Skipped("the printer is installed on this PC already");
  const fs::path drive_root = fs::path(Expanded(L"%SystemDrive%\\"));
  const fs::path program_data = Expanded(L"%ProgramData%");
  const fs::path logs = program_data / kProduct / L"Logs";
  const bool had_product_folder = fs::exists(program_data / kProduct);
  const std::set<std::wstring> root_before = NamesIn(drive_root);
  const std::set<std::wstring> data_before = NamesIn(program_data);
  const std::set<std::wstring> logs_before = NamesIn(logs);

  // Undone newest first: the printer (through the task, from the copy),
  // then the task, the copy, and last the log folder the program made.
  if (!had_product_folder) {
    cleanup.Add(Utf8((program_data / kProduct).wstring()),
                [folder = program_data / kProduct] { return RemoveTree(folder); });
  }
  const fs::path app = AppFolder();
  if (const std::string unmade = CopyProgramWithDeploy(context, cleanup, app); !unmade.empty()) {
    return Failed(unmade);
  }
  cleanup.Add(Utf8(StepResult(context).wstring()), [file = StepResult(context)]() -> std::string {
    return DeleteFileW(file.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND
               ? ""
               : SystemError(GetLastError());
  });
  cleanup.Add("the scheduled task", [] {
    // No task (its making failed) is nothing to undo.
    if (!Schtasks(L"/Query")) return std::string();
    return Schtasks(L"/Delete /F") ? std::string() : std::string("schtasks /Delete failed");
  });
  cleanup.Add("the printer", [context]() -> std::string {
    if (!PrinterInstalled()) return "";
    std::string why;
    ThroughTask(context, L"uninstall", why);
    return PrinterInstalled() ? "still installed after deploy.cmd uninstall" : "";
  });

  std::vector<std::string> details;
  bool all_held = true;
  const auto expect = [&](bool held, const std::string& what) {
    details.push_back((held ? "as expected: " : "WRONG: ") + what);
    all_held = all_held && held;
  };
  struct Step {
    const wchar_t* command;
    bool printer_after;
  };
  for (const Step step :
       {Step{L"install", true}, Step{L"status", true}, Step{L"uninstall", false}}) {
    std::string why;
    const auto record = ThroughTask(context, step.command, why);
    const std::string name = Utf8(step.command);
    if (!record) return Failed("deploy.cmd " + name + ": " + why, details);
    std::string flat = *record;
    for (char& c : flat) c = c == '\n' ? ';' : c;
    expect(record->find("exit 0\n") != std::string::npos &&
               record->find("account SYSTEM\n") != std::string::npos &&
               record->find("session 0\n") != std::string::npos &&
               PrinterInstalled() == step.printer_after,
           "deploy.cmd " + name + ": " + flat +
               (PrinterInstalled() ? " printer there" : " no printer"));
  }
  std::set<std::wstring> new_logs;
  for (const std::wstring& name : NamesIn(logs)) {
    if (!logs_before.contains(name)) new_logs.insert(name);
  }
  expect(!new_logs.empty(),
         std::to_string(new_logs.size()) + " new log(s) in " + Utf8(logs.wstring()));
  for (const auto& [folder, before] :
       {std::pair{drive_root, root_before}, std::pair{program_data, data_before}}) {
    for (const std::wstring& name : NamesIn(folder)) {
      if (!before.contains(name) && name != kProduct) {
        expect(false, "new in " + Utf8(folder.wstring()) + ": " + Utf8(name));
      }
    }
  }
  return all_held ? Passed(details) : Failed("see below", details);
}

}  // namespace kit
