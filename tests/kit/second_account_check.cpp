// A standard local account made for the run (a random name and password,
// never an existing account, removed at the end), and from it what any user
// of the PC may do against the privileged commands, each followed by
// deploy.cmd run elevated from a copy in Program Files, as an administrator
// or a deployment tool runs it:
// - the commands' lock: its open is refused (access denied) while a
//   privileged command holds it; a mutex the account made first at its name
//   is not taken for the lock (1603, the log says the name is taken);
// - setup.exe held open with no sharing: 1618 twice, the log naming the
//   holding process, then 1603 naming it;
// - a folder planted at the log folder's name in ProgramData, then held
//   with an opportunistic lock: the command logs in a fresh folder beside
//   it ("<name>-<16 hex>") and installs; nothing is written in the planted one.
// The account's side is this runner again (--second-account), started with
// CreateProcessWithLogonW.
// https://learn.microsoft.com/en-us/windows/win32/api/lmaccess/nf-lmaccess-netuseradd
// https://learn.microsoft.com/en-us/windows/win32/api/lmaccess/nf-lmaccess-netuserdel
// https://learn.microsoft.com/en-us/windows/win32/api/winbase/nf-winbase-createprocesswithlogonw
// https://learn.microsoft.com/en-us/windows/win32/api/winioctl/ni-winioctl-fsctl_request_oplock
// https://learn.microsoft.com/en-us/windows/win32/fileio/oplock-semantics
// https://learn.microsoft.com/en-us/windows/win32/sync/synchronization-object-security-and-access-rights
// https://learn.microsoft.com/en-us/windows/win32/api/restartmanager/nf-restartmanager-rmgetlist
#include "kit_context.h"

#include <lm.h>
#include <ntsecapi.h>
#include <sddl.h>
#include <winioctl.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>

#include "core/unattended/in_use_count.h"
#include "core/unattended/shipped_version.h"
#include "second_account_compare.h"
#include "win32/machine/machine.h"
#include "win32_common/system_library.h"

namespace kit {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kLock[] = L"Global\\Tarnwell PDF Printer Software command";
constexpr wchar_t kProduct[] = L"Tarnwell PDF Printer Software";
using tarnwell::kInUseValue;  // where the program counts "in use" answers in a row
constexpr DWORD kReadyMs = 60000;
constexpr DWORD kCommandMs = 600000;

struct Account {
  std::wstring name;
  std::wstring password;
};

std::wstring RandomText(std::size_t length, const std::wstring& alphabet) {
  std::vector<unsigned char> random(length);
  if (!RtlGenRandom(random.data(), static_cast<ULONG>(random.size()))) {
    throw std::runtime_error("RtlGenRandom failed");
  }
  std::wstring text;
  for (unsigned char byte : random) text += alphabet[byte % alphabet.size()];
  return text;
}

// A new standard account (USER_PRIV_USER: a member of Users only); why
// not, or empty. NetUserAdd refuses a name that exists.
std::string MakeAccount(Account& account) {
  const auto add = tarnwell::SystemFunction<decltype(&NetUserAdd)>(L"netapi32.dll", "NetUserAdd");
  account.name = L"tarnkit" + RandomText(8, L"0123456789abcdef");
  account.password = RandomText(24, L"ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789") +
                     L"aZ7#";
  std::wstring comment = L"Made by the Tarnwell test kit for one run";
  USER_INFO_1 info{};
  info.usri1_name = account.name.data();
  info.usri1_password = account.password.data();
  info.usri1_priv = USER_PRIV_USER;
  info.usri1_comment = comment.data();
  info.usri1_flags = UF_SCRIPT | UF_DONT_EXPIRE_PASSWD;
  DWORD bad_field = 0;
  const NET_API_STATUS status = add(nullptr, 1, reinterpret_cast<BYTE*>(&info), &bad_field);
  return status == NERR_Success ? "" : "NetUserAdd answered " + std::to_string(status);
}

std::string RemoveAccount(const std::wstring& name) {
  const auto remove = tarnwell::SystemFunction<decltype(&NetUserDel)>(L"netapi32.dll", "NetUserDel");
  const NET_API_STATUS status = remove(nullptr, name.c_str());
  return status == NERR_Success || status == NERR_UserNotFound
             ? ""
             : "NetUserDel answered " + std::to_string(status);
}

// The runner started as `account` with --second-account ACTION TARGET EVENT.
class AccountStep {
 public:
  AccountStep(const Account& account, const fs::path& app, const std::wstring& action,
              const std::wstring& target) {
    static int made = 0;
    const std::wstring event_name = L"Global\\Tarnwell test kit ready " +
                                    std::to_wstring(GetCurrentProcessId()) + L"-" +
                                    std::to_wstring(++made);
    // The account may only signal it.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
            L"D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x00100002;;;WD)", SDDL_REVISION_1, &descriptor,
            nullptr)) {
      throw std::runtime_error("event descriptor: " + SystemError(GetLastError()));
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    ready_ = CreateEventW(&attributes, TRUE, FALSE, event_name.c_str());
    LocalFree(descriptor);
    if (!ready_) throw std::runtime_error("event: " + SystemError(GetLastError()));
    const fs::path runner = app / L"run-checks.exe";
    std::wstring command = L"\"" + runner.wstring() + L"\" --second-account " + action + L" \"" +
                           target + L"\" \"" + event_name + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION started{};
    if (!CreateProcessWithLogonW(account.name.c_str(), L".", account.password.c_str(), 0,
                                 runner.c_str(), command.data(), CREATE_NEW_CONSOLE, nullptr,
                                 app.c_str(), &startup, &started)) {
      const DWORD error = GetLastError();
      CloseHandle(ready_);
      throw std::runtime_error("CreateProcessWithLogonW: " + SystemError(error));
    }
    CloseHandle(started.hThread);
    process_ = started.hProcess;
    pid = started.dwProcessId;
  }
  ~AccountStep() {
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 10000);
    CloseHandle(process_);
    CloseHandle(ready_);
  }
  AccountStep(const AccountStep&) = delete;
  AccountStep& operator=(const AccountStep&) = delete;

  // Empty once the step holds what it was asked to; otherwise why not (its
  // exit code is the Windows error it met).
  std::string Ready() {
    const HANDLE both[] = {ready_, process_};
    const DWORD which = WaitForMultipleObjects(2, both, FALSE, kReadyMs);
    if (which == WAIT_OBJECT_0) return "";
    if (which == WAIT_OBJECT_0 + 1) return "it ended: " + SystemError(ExitCode());
    return "it was not ready within a minute";
  }
  // The exit code of a step that does not hold anything.
  DWORD Ended() {
    return WaitForSingleObject(process_, kReadyMs) == WAIT_OBJECT_0 ? ExitCode() : WAIT_TIMEOUT;
  }
  DWORD pid = 0;

 private:
  DWORD ExitCode() {
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
  }
  HANDLE process_ = nullptr;
  HANDLE ready_ = nullptr;
};

// The program's key in the registry, as the 32-bit program sees it.
struct KeptValue {
  bool key = false;
  std::optional<std::wstring> value;
};

KeptValue ReadInUseValue() {
  KeptValue kept;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, tarnwell::kProgramKey, 0,
                    KEY_QUERY_VALUE | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) {
    return kept;
  }
  kept.key = true;
  wchar_t text[1024];
  DWORD size = sizeof text;
  if (RegGetValueW(key, nullptr, kInUseValue, RRF_RT_REG_SZ, nullptr, text, &size) ==
      ERROR_SUCCESS) {
    kept.value = text;
  }
  RegCloseKey(key);
  return kept;
}

// Puts back the count as `kept` had it (none: no value, no key); why not, or empty.
std::string RestoreInUseValue(const KeptValue& kept) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, tarnwell::kProgramKey, 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                    &key) != ERROR_SUCCESS) {
    return kept.key ? "the program's key cannot be opened" : "";
  }
  const LSTATUS set =
      kept.value ? RegSetValueExW(key, kInUseValue, 0, REG_SZ,
                                  reinterpret_cast<const BYTE*>(kept.value->c_str()),
                                  static_cast<DWORD>((kept.value->size() + 1) * sizeof(wchar_t)))
                 : RegDeleteValueW(key, kInUseValue);
  RegCloseKey(key);
  if (set != ERROR_SUCCESS && set != ERROR_FILE_NOT_FOUND) return SystemError(set);
  // A key made during the run (and left with nothing below it) goes too.
  if (!kept.key) {
    const LSTATUS gone = RegDeleteKeyExW(HKEY_LOCAL_MACHINE, tarnwell::kProgramKey, KEY_WOW64_32KEY, 0);
    if (gone != ERROR_SUCCESS && gone != ERROR_FILE_NOT_FOUND) return "key: " + SystemError(gone);
  }
  return "";
}

std::string ReadLog(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    return Utf8(std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2),
                             (bytes.size() - 2) / sizeof(wchar_t)));
  }
  return bytes;
}

// deploy.cmd COMMAND from the copy, elevated; its answer, and the log it
// wrote in ProgramData since it started (in the product's folder or a
// fresh one beside it).
CommandSeen Deploy(const fs::path& app, const fs::path& program_data, const std::wstring& command) {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER since{{now.dwLowDateTime, now.dwHighDateTime}};
  since.QuadPart -= 20000000;  // two seconds, for the file system's rounding
  CommandSeen seen;
  seen.code = support::RunProgramToEnd(
      Expanded(L"%SystemRoot%\\System32\\cmd.exe"),
      L"/d /c \"\"" + (app / L"deploy.cmd").wstring() + L"\" " + command + L"\"", app.wstring(),
      kCommandMs);
  ULONGLONG newest = since.QuadPart;
  for (const std::wstring& name : NamesIn(program_data)) {
    if (name != kProduct && !IsFreshProductFolder(Utf8(name))) continue;
    const fs::path log = program_data / name / L"Logs" / (command + L".log");
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(log.c_str(), GetFileExInfoStandard, &data)) continue;
    const ULONGLONG written =
        ULARGE_INTEGER{{data.ftLastWriteTime.dwLowDateTime, data.ftLastWriteTime.dwHighDateTime}}
            .QuadPart;
    if (written < newest) continue;
    newest = written;
    seen.log_folder = Utf8(name);
    seen.log = ReadLog(log);
  }
  return seen;
}

std::string Shown(const CommandSeen& seen) {
  return "answered " + (seen.code ? std::to_string(*seen.code) : std::string("nothing in time")) +
         ", logged in " + (seen.log_folder.empty() ? "no folder" : "\"" + seen.log_folder + "\"");
}

}  // namespace

// The account's side: one thing a user may do, then, for what it holds,
// the signal and the wait until the runner ends it. The exit code is the
// Windows error met (0: the open or the making worked).
int SecondAccountStep(const std::wstring& action, const std::wstring& target,
                      const std::wstring& event) {
  if (action == L"plant") return CreateDirectoryW(target.c_str(), nullptr) ? 0 : GetLastError();
  if (action == L"lock") {
    const HANDLE mutex = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, target.c_str());
    if (!mutex) return static_cast<int>(GetLastError());
    CloseHandle(mutex);
    return 0;
  }
  HANDLE held = nullptr;  // kept open until the process ends
  if (action == L"squat") {
    held = CreateMutexW(nullptr, TRUE, target.c_str());
    if (held && GetLastError() == ERROR_ALREADY_EXISTS) return ERROR_ALREADY_EXISTS;
  } else if (action == L"hold") {
    held = CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  } else if (action == L"oplock") {
    // Delete access without delete sharing, and a read-handle oplock whose
    // break is never acknowledged: an open that conflicts waits on it.
    held = CreateFileW(target.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED,
                       nullptr);
    if (held != INVALID_HANDLE_VALUE) {
      REQUEST_OPLOCK_INPUT_BUFFER request{REQUEST_OPLOCK_CURRENT_VERSION, sizeof request,
                                          OPLOCK_LEVEL_CACHE_READ | OPLOCK_LEVEL_CACHE_HANDLE,
                                          REQUEST_OPLOCK_INPUT_FLAG_REQUEST};
      static REQUEST_OPLOCK_OUTPUT_BUFFER answer{};
      answer.StructureVersion = REQUEST_OPLOCK_CURRENT_VERSION;
      answer.StructureLength = sizeof answer;
      static OVERLAPPED pending{};
      pending.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
      // Granted, the request stays pending until the oplock breaks.
      if (DeviceIoControl(held, FSCTL_REQUEST_OPLOCK, &request, sizeof request, &answer,
                          sizeof answer, nullptr, &pending) ||
          GetLastError() != ERROR_IO_PENDING) {
        return GetLastError() ? static_cast<int>(GetLastError()) : ERROR_NOT_SUPPORTED;
      }
    }
  } else {
    return ERROR_INVALID_PARAMETER;
  }
  if (!held || held == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
  const HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, event.c_str());
  if (!ready || !SetEvent(ready)) return static_cast<int>(GetLastError());
  Sleep(kCommandMs);  // the runner ends it sooner
  return 0;
}

Outcome SecondAccountCannotStall(const Context& context, Cleanup& cleanup) {
  if (context.under_wine) {
    return Skipped("Wine runs every process with its one user's token, so a second account "
                   "would have the runner's own rights; Wine 8 keeps no access lists on files "
                   "or named objects and grants no opportunistic lock on a folder");
  }
  if (PrinterInstalled()) return Skipped("the printer is installed on this PC already");
  const fs::path program_data = Expanded(L"%ProgramData%");
  const fs::path product = program_data / kProduct;

  Account account;
  const std::string unmade = MakeAccount(account);
  if (!unmade.empty()) return Failed("could not make a standard account: " + unmade);
  cleanup.Add("the account " + Utf8(account.name),
              [name = account.name] { return RemoveAccount(name); });
  cleanup.Add("the account's profile folder, if Windows made one", [name = account.name] {
    const fs::path profile = fs::path(Expanded(L"%SystemDrive%\\Users")) / name;
    return fs::exists(profile) ? RemoveTree(profile) : std::string();
  });

  // A copy every account may read: the kit's own folder may be in a profile.
  const fs::path app = fs::path(Expanded(L"%ProgramFiles%")) / L"Tarnwell test kit second account";
  if (const std::string unmade = CopyProgramWithDeploy(context, cleanup, app); !unmade.empty()) {
    return Failed(unmade);
  }
  std::error_code copied;
  fs::copy_file(fs::path(context.folder) / L"run-checks.exe", app / L"run-checks.exe", copied);
  if (copied) return Failed("could not copy the runner: " + copied.message());

  // The count of "in use" answers starts from none and is put back after.
  const KeptValue kept = ReadInUseValue();
  cleanup.Add("the program's count of files in use",
              [kept] { return RestoreInUseValue(kept); });
  if (kept.value) RestoreInUseValue(KeptValue{true, std::nullopt});

  // The log folder's name free for the account to take: an existing one is
  // moved aside and back. Fresh folders an earlier run made stay (the
  // program may log in them, as it would anyway); those made now go.
  const fs::path aside =
      program_data / (L"Tarnwell test kit aside " + std::to_wstring(GetCurrentProcessId()));
  const bool had_product = fs::exists(product);
  if (had_product && !MoveFileExW(product.c_str(), aside.c_str(), 0)) {
    return Failed("could not move " + Utf8(product.wstring()) + " aside: " +
                  SystemError(GetLastError()));
  }
  const std::set<std::wstring> before = NamesIn(program_data);
  cleanup.Add("the log folders of the run", [=] {
    std::string left;
    for (const std::wstring& name : NamesIn(program_data)) {
      if (before.contains(name) || (name != kProduct && !IsFreshProductFolder(Utf8(name)))) continue;
      left += RemoveTree(program_data / name);
    }
    if (had_product && !MoveFileExW(aside.c_str(), product.c_str(), 0)) {
      left += " moving back " + Utf8(product.wstring()) + ": " + SystemError(GetLastError());
    }
    return left;
  });

  std::vector<std::string> details;
  bool all_held = true;
  const auto expect = [&](bool held, const std::string& what) {
    details.push_back((held ? "as expected: " : "WRONG: ") + what);
    all_held = all_held && held;
  };
  const auto compare = [&](const std::string& what, const CommandExpected& expected,
                           const CommandSeen& seen) {
    std::string line = what + " " + Shown(seen);
    for (const std::string& difference : CommandDifferences(expected, seen)) {
      line += "; " + difference;
    }
    expect(CommandDifferences(expected, seen).empty(), line);
  };

  {  // The lock, held by this runner through the program's own code.
    tarnwell::Win32Machine machine;
    const auto lock = machine.TakeCommandLock();
    if (!lock) return Failed("the commands' lock is held by another command", details);
    AccountStep step(account, app, L"lock", kLock);
    const DWORD code = step.Ended();
    expect(code == ERROR_ACCESS_DENIED,
           "the account's open of the held lock: " +
               (code ? SystemError(code) : std::string("opened")));
  }
  {  // A mutex the account made at the lock's name before any command.
    AccountStep step(account, app, L"squat", kLock);
    const std::string not_ready = step.Ready();
    if (!not_ready.empty()) {
      expect(true, "the account could not make the lock's name: " + not_ready);
    } else {
      compare("with the account's mutex at the lock's name, deploy.cmd install",
              {1603, false, {"is taken by an object this program did not make"}},
              Deploy(app, program_data, L"install"));
    }
  }
  {  // setup.exe held with no sharing: twice "try again", then a failure.
    AccountStep step(account, app, L"hold", (app / L"Quellmark PDF Setup" / L"setup.exe").wstring());
    const std::string not_ready = step.Ready();
    if (!not_ready.empty()) return Failed("the account could not hold setup.exe: " + not_ready, details);
    const std::string holder = "(process " + std::to_string(step.pid) + ")";
    for (int run = 1; run <= 3; ++run) {
      compare("with setup.exe held, deploy.cmd install #" + std::to_string(run),
              run < 3 ? CommandExpected{1618, false,
                                        {"is in use by another program", holder,
                                         "try again later"}}
                      : CommandExpected{1603, false,
                                        {"is in use by another program", holder,
                                         "The last 3 commands found it in use"}},
              Deploy(app, program_data, L"install"));
    }
    expect(!PrinterInstalled(), "no printer after the held setup.exe's answers");
  }
  // The log folder's name planted, then held with an oplock.
  // The program made the folder for the logs above; the account's comes first now.
  if (const std::string left = fs::exists(product) ? RemoveTree(product) : ""; !left.empty()) {
    return Failed("could not remove the log folder the commands made: " + left, details);
  }
  if (AccountStep step(account, app, L"plant", product.wstring()); const DWORD code = step.Ended()) {
    return Failed("the account could not make " + Utf8(product.wstring()) + ": " +
                      SystemError(code),
                  details);
  }
  compare("with the folder planted, deploy.cmd status", {1, true, {}},
          Deploy(app, program_data, L"status"));
  cleanup.Add("the printer", [app, program_data]() -> std::string {
    if (!PrinterInstalled()) return "";
    Deploy(app, program_data, L"uninstall");
    return PrinterInstalled() ? "still installed after deploy.cmd uninstall" : "";
  });
  {
    AccountStep step(account, app, L"oplock", product.wstring());
    const std::string not_ready = step.Ready();
    if (!not_ready.empty()) {
      return Failed("the account could not hold the planted folder with an oplock: " + not_ready,
                    details);
    }
    compare("with the planted folder held by an oplock, deploy.cmd install", {0, true, {}},
            Deploy(app, program_data, L"install"));
    expect(PrinterInstalled(), "the printer is installed");
  }
  expect(!fs::exists(product / L"Logs"), "nothing written in the planted folder");
  return all_held ? Passed(details) : Failed("see below", details);
}

}  // namespace kit
