// The program run with switches, as a deployment tool runs it: its exit
// code, its log and the machine's state afterwards, and no window at all.
#include <windows.h>
#include <aclapi.h>
#include <winspool.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "scenario.h"
#include "win32_common/scoped_handle.h"

namespace e2e {
namespace {

constexpr DWORD kRunLimitMs = 60000;

// Every window any process makes or shows while a run lasts, seen as it
// happens (a poll would miss a box that comes and goes). The hidden window
// COM makes for its own messages is no window a person sees, and does not
// count as one.
class WindowWatch {
 public:
  WindowWatch() {
    watch_ = this;
    hook_ = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_SHOW, nullptr, OnEvent, 0, 0,
                            WINEVENT_OUTOFCONTEXT);
  }
  ~WindowWatch() {
    if (hook_) UnhookWinEvent(hook_);
    watch_ = nullptr;
  }
  bool hooked() const { return hook_ != nullptr; }
  bool SawWindowOf(DWORD pid) const { return pids_.count(pid) > 0; }
  // Any window at all, COM's hidden one included: shows the watch works.
  bool HeardOf(DWORD pid) const { return heard_.count(pid) > 0; }

 private:
  static void CALLBACK OnEvent(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG, DWORD,
                               DWORD) {
    if (!watch_ || object != OBJID_WINDOW || !hwnd) return;
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    watch_->heard_.insert(pid);
    if (std::wstring(name) != L"OleMainThreadWndClass") watch_->pids_.insert(pid);
  }
  static inline WindowWatch* watch_ = nullptr;
  HWINEVENTHOOK hook_ = nullptr;
  std::set<DWORD> pids_;
  std::set<DWORD> heard_;
};


// The objects named in \BaseNamedObjects (where "Global\" names go), by
// name and type, read with ntdll's directory functions.
struct NamedObject {
  std::wstring name, type;
};

std::vector<NamedObject> GlobalObjects() {
  struct Text {
    USHORT length, maximum;
    PWSTR buffer;
  };
  struct Attributes {
    ULONG length;
    HANDLE root;
    Text* name;
    ULONG attributes;
    PVOID descriptor, quality;
  };
  struct Entry {
    Text name, type;
  };
  using OpenDirectory = LONG(NTAPI*)(HANDLE*, ACCESS_MASK, Attributes*);
  using QueryDirectory = LONG(NTAPI*)(HANDLE, PVOID, ULONG, BOOLEAN, BOOLEAN, PULONG, PULONG);
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const auto open = reinterpret_cast<OpenDirectory>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "NtOpenDirectoryObject")));
  const auto query = reinterpret_cast<QueryDirectory>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryDirectoryObject")));
  std::vector<NamedObject> objects;
  if (!open || !query) return objects;
  wchar_t path[] = L"\\BaseNamedObjects";
  Text name{sizeof(path) - sizeof(wchar_t), sizeof(path), path};
  Attributes attributes{sizeof(Attributes), nullptr, &name, 0x40 /* case-insensitive */, nullptr,
                        nullptr};
  HANDLE directory = nullptr;
  if (open(&directory, 0x0001 /* DIRECTORY_QUERY */, &attributes) != 0) return objects;
  alignas(8) BYTE buffer[4096];
  ULONG context = 0;
  for (bool first = true; query(directory, buffer, sizeof(buffer), TRUE, first, &context,
                                nullptr) == 0; first = false) {
    const auto* entry = reinterpret_cast<const Entry*>(buffer);
    objects.push_back({{entry->name.buffer, entry->name.length / sizeof(wchar_t)},
                       {entry->type.buffer, entry->type.length / sizeof(wchar_t)}});
  }
  CloseHandle(directory);
  return objects;
}

HANDLE OpenToReadSecurity(const NamedObject& object) {
  const std::wstring name = L"Global\\" + object.name;
  if (object.type == L"Mutant") return OpenMutexW(READ_CONTROL, FALSE, name.c_str());
  if (object.type == L"Job") return OpenJobObjectW(READ_CONTROL, FALSE, name.c_str());
  if (object.type == L"Event") return OpenEventW(READ_CONTROL, FALSE, name.c_str());
  if (object.type == L"Semaphore") return OpenSemaphoreW(READ_CONTROL, FALSE, name.c_str());
  if (object.type == L"Section") return OpenFileMappingW(READ_CONTROL, FALSE, name.c_str());
  return nullptr;
}

struct Outcome {
  DWORD code = 0xFFFFFFFF;
  bool window_seen = false;
  bool hook_heard = false;
};

class Unattended : public Scenario {
 protected:
  std::wstring Exe() const { return app_->path() + L"\\Tarnwell PDF Printer Software.exe"; }
  std::wstring LogPath() const { return app_->path() + L"\\logs \u00dc\\run.log"; }

  // Runs the program with `switches` and waits for it, pumping messages so
  // the window watch hears of every window. With `answer_boxes`, a box it shows is answered OK.
  Outcome Run(const std::wstring& switches, bool answer_boxes = false) {
    Outcome outcome;
    WindowWatch watch;
    EXPECT_TRUE(watch.hooked());
    std::wstring line = L"\"" + Exe() + L"\" " + switches;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(Exe().c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        app_->path().c_str(), &startup, &info)) {
      ADD_FAILURE() << "cannot start the program: " << GetLastError();
      return outcome;
    }
    CloseHandle(info.hThread);
    const ULONGLONG deadline = GetTickCount64() + kRunLimitMs;
    while (GetTickCount64() < deadline) {
      const DWORD woke = MsgWaitForMultipleObjects(1, &info.hProcess, FALSE, 50, QS_ALLINPUT);
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      if (woke == WAIT_OBJECT_0) break;
      if (answer_boxes) AnswerBoxOf(info.dwProcessId);
    }
    if (WaitForSingleObject(info.hProcess, 0) != WAIT_OBJECT_0) {
      ADD_FAILURE() << "the run did not end";
      TerminateProcess(info.hProcess, 1);
    }
    // Events of the run's last moments may still be on their way.
    const ULONGLONG drained = GetTickCount64() + 300;
    while (GetTickCount64() < drained) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    GetExitCodeProcess(info.hProcess, &outcome.code);
    CloseHandle(info.hProcess);
    outcome.window_seen = watch.SawWindowOf(info.dwProcessId);
    outcome.hook_heard = watch.HeardOf(info.dwProcessId);
    return outcome;
  }

  static void AnswerBoxOf(DWORD pid) {
    HWND box = nullptr;
    while ((box = FindWindowExW(nullptr, box, L"#32770", nullptr)) != nullptr) {
      DWORD owner = 0;
      GetWindowThreadProcessId(box, &owner);
      if (owner == pid) PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
  }

  std::string Log() const {
    std::ifstream in(std::filesystem::path(LogPath()), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  void MakeLogFolder() const { CreateDirectoryW((app_->path() + L"\\logs \u00dc").c_str(), nullptr); }
};

// The log's folder is missing: the first run, elevated, makes it.
TEST_F(Unattended, InstallStatusUninstallAsADeploymentToolRunsThem) {
  MakeOtherPrinterTheDefault();
  const std::wstring log = L" /log \"" + LogPath() + L"\"";

  Outcome run = Run(L"/INSTALL -default" + log);
  EXPECT_EQ(run.code, 0u);
  EXPECT_FALSE(run.window_seen);
  // Setting the default printer makes COM's hidden window: the watch heard
  // of it, so it does see this process's windows.
  EXPECT_TRUE(run.hook_heard);
  EXPECT_TRUE(PrinterExists(kPackageName));
  EXPECT_TRUE(RegistrationExists());
  EXPECT_EQ(DefaultPrinter(), kPackageName);
  const std::string first = Log();
  EXPECT_NE(first.find("Starting the setup: \"" ), std::string::npos) << first;
  EXPECT_NE(first.find("ended with exit code 0"), std::string::npos) << first;
  EXPECT_NE(first.find("Exit code 0."), std::string::npos) << first;
  // Run elevated (Wine's token always is), the setup had a temporary folder
  // of its own, not the Windows folder's Temp, and it is gone.
  EXPECT_NE(first.find("The setup's temporary folder (TEMP and TMP): \"C:\\windows\\Temp\\"
                       "Tarnwell-"),
            std::string::npos)
      << first;
  EXPECT_NE(first.find(", made for it so that only SYSTEM and the Administrators may use it, "
                       "and removed after it."),
            std::string::npos);
  // The folder this run made is gone; others' (a killed run's) are not ours to judge.
  const std::string named = "(TEMP and TMP): \"";
  const std::size_t start = first.find(named);
  ASSERT_NE(start, std::string::npos) << first;
  const std::size_t from = start + named.size();
  const std::string folder = first.substr(from, first.find('"', from) - from);
  EXPECT_EQ(folder.size(), std::string("C:\\windows\\Temp\\Tarnwell-").size() + 16) << folder;
  EXPECT_EQ(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES) << folder;

  // Again: nothing to do, the setup is not run.
  EXPECT_EQ(Run(L"/install" + log).code, 0u);
  EXPECT_NE(Log().find("installed already: the setup is not run"), std::string::npos);
  EXPECT_EQ(Run(L"/status" + log).code, 0u);

  run = Run(L"/uninstall" + log);
  EXPECT_EQ(run.code, 0u);
  EXPECT_FALSE(run.window_seen);
  EXPECT_FALSE(PrinterExists(kPackageName));
  EXPECT_FALSE(RegistrationExists());
  EXPECT_EQ(Run(L"/status" + log).code, 1u);
  EXPECT_EQ(Run(L"/uninstall" + log).code, 0u);
  EXPECT_NE(Log().find("is not installed: nothing to do"), std::string::npos);
}

TEST_F(Unattended, FailuresAreExitCodesAndLogLinesNeverWindows) {
  MakeLogFolder();
  const std::wstring log = L" /log \"" + LogPath() + L"\"";
  app_->UseSetupFixture(L"e2e_failing_setup.exe");
  Outcome run = Run(L"/install" + log);
  EXPECT_EQ(run.code, 1603u);
  EXPECT_FALSE(run.window_seen);
  EXPECT_NE(Log().find("is not there after the setup"), std::string::npos) << Log();

  // Another program has setup.exe open without sharing: it is busy, not
  // unsafe. Nothing is started, and the tool is told to try again later,
  // until the bound of answers in a row: then the command fails, so that
  // the tool reports a file held for good. (Restart Manager, which names
  // the holder on Windows, names none under Wine.)
  {
    const std::wstring setup = app_->Package() + L"\\setup.exe";
    const tarnwell::UniqueFile holder(
        CreateFileW(setup.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    EXPECT_EQ(Run(L"/install" + log).code, 1618u);
    EXPECT_NE(Log().find("\\setup.exe\" is in use by another program (Windows: Sharing "
                         "violation.); try again later."),
              std::string::npos)
        << Log();
    EXPECT_EQ(Run(L"/install" + log).code, 1618u);
    EXPECT_EQ(Run(L"/install" + log).code, 1603u);
    EXPECT_NE(Log().find("\\setup.exe\" is in use by another program (Windows: Sharing "
                         "violation.). The last 3 commands found it in use: end the program "
                         "that holds it, or restart the PC, then run the command again."),
              std::string::npos)
        << Log();
  }

  // Run elevated (Wine's token always is), a setup in a folder every
  // account may change is not started.
  ASSERT_TRUE(LetEveryoneChange(app_->Package()));
  EXPECT_EQ(Run(L"/install" + log).code, 1603u);
  EXPECT_NE(Log().find("Nothing was started: \"C:\\"), std::string::npos) << Log();
  EXPECT_NE(Log().find("Quellmark PDF Setup\" is not safe: Everyone may write to it."),
            std::string::npos);
  const std::string text = Log();
  EXPECT_EQ(text.find("Starting the setup"), text.rfind("Starting the setup"));  // the first run's

  RemoveTree(app_->Package());
  EXPECT_EQ(Run(L"/install" + log).code, 1603u);
  EXPECT_NE(Log().find("was not found"), std::string::npos);

  run = Run(L"/install /bogus" + log);
  EXPECT_EQ(run.code, 1639u);
  EXPECT_FALSE(run.window_seen);
  EXPECT_NE(Log().find("Unknown switch \"/bogus\""), std::string::npos);

  // The lock's name taken by an object of another kind: a failure, not a
  // command in progress.
  HANDLE squatter = CreateEventW(nullptr, TRUE, FALSE,
                                 L"Global\\Tarnwell PDF Printer Software command");
  ASSERT_NE(squatter, nullptr);
  EXPECT_EQ(Run(L"/uninstall" + log).code, 1603u);
  CloseHandle(squatter);
  EXPECT_NE(Log().find("Failed: The lock's name \"Global\\Tarnwell PDF Printer Software command\" "
                       "is taken by an object this program did not make."),
            std::string::npos);

  // Run elevated, the log's missing folders are made.
  const std::wstring made = app_->path() + L"\\New Folder\\Sub\\x.log";
  EXPECT_EQ(Run(L"/status /log \"" + made + L"\"").code, 1u);
  EXPECT_TRUE(PathExists(made));
  // A quoted folder: its last backslash escapes the quote, and the rest of
  // the line would be its name. Refused; written as the usage says, it works.
  const std::wstring folder = app_->path() + L"\\logs \u00dc";
  EXPECT_EQ(Run(L"/status /log \"" + folder + L"\\\" /default").code, 1639u);
  EXPECT_EQ(Run(L"/status /log \"" + folder + L"\\\\\"").code, 1u);
  EXPECT_EQ(GetFileAttributesW((folder + L"\\Tarnwell PDF Printer Software.log").c_str()) &
                FILE_ATTRIBUTE_DIRECTORY, 0u);
  // Named without a backslash, the existing folder is found so inside the
  // held walk: a file of that name could not be opened (1622).
  EXPECT_EQ(Run(L"/status /log \"" + folder + L"\"").code, 1u);

  // The one window of this mode: /? shows the usage until it is answered.
  EXPECT_EQ(Run(L"/?", true).code, 0u);
}

// The policy that turns Windows protected print mode on, set in the prefix:
// /install changes nothing and answers 1625, /status says what /install
// would answer. Set to 0, /install installs as always.
TEST_F(Unattended, ProtectedPrintModeIsRefusedBeforeAnythingRuns) {
  MakeLogFolder();
  const std::wstring log = L" /log \"" + LogPath() + L"\"";
  ASSERT_TRUE(SetProtectedPrintPolicy(1));
  const Outcome run = Run(L"/install" + log);
  EXPECT_EQ(run.code, 1625u);
  EXPECT_FALSE(run.window_seen);
  EXPECT_FALSE(PrinterExists(kPackageName));
  EXPECT_FALSE(RegistrationExists());
  EXPECT_FALSE(PathExists(InstalledPackageFolder()));
  std::string text = Log();
  EXPECT_EQ(text.find("Starting the setup"), std::string::npos) << text;
  EXPECT_NE(text.find("Windows NT\\Printers\\WPP\\WindowsProtectedPrintGroupPolicyState is 1"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("Nothing was done: Windows protected print mode"), std::string::npos);
  EXPECT_NE(text.find("Exit code 1625."), std::string::npos) << text;

  EXPECT_EQ(Run(L"/status" + log).code, 1u);
  EXPECT_NE(Log().find("/install cannot install it here: it answers 1625."), std::string::npos);

  ASSERT_TRUE(SetProtectedPrintPolicy(0));
  EXPECT_EQ(Run(L"/install" + log).code, 0u);
  EXPECT_TRUE(PrinterExists(kPackageName));
  text = Log();
  EXPECT_NE(text.find("WindowsProtectedPrintGroupPolicyState is 0"), std::string::npos) << text;
}

TEST_F(Unattended, OneCommandAtATimeWithOtherRuns) {
  MakeLogFolder();
  app_->UseSetupFixture(L"e2e_slow_setup.exe");
  const std::wstring log = L" /log \"" + LogPath() + L"\"";
  Outcome slow;
  std::thread first([&] { slow = Run(L"/install" + log); });
  ASSERT_TRUE(WaitUntil([&] { return ProcessRunsUnder(app_->Package()); }, 10000));
  EXPECT_EQ(Run(L"/install" + log).code, 1618u);
  // The log's folder is held while the run logs into it, and only then.
  const std::wstring folder = app_->path() + L"\\logs \u00dc";
  const std::wstring moved = app_->path() + L"\\logs moved";
  EXPECT_FALSE(MoveFileW(folder.c_str(), moved.c_str()));
  first.join();
  EXPECT_EQ(slow.code, 0u);
  EXPECT_TRUE(MoveFileW(folder.c_str(), moved.c_str()));
  EXPECT_TRUE(MoveFileW(moved.c_str(), folder.c_str()));
  EXPECT_TRUE(PrinterExists(kPackageName));

  // Both runs wrote into one log: every line whole, with its time stamp.
  const std::string text = Log();
  std::size_t lines = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find("\r\n", at);
    ASSERT_NE(end, std::string::npos);
    const std::string line = text.substr(at, end - at);
    EXPECT_GE(line.size(), 24u);
    EXPECT_EQ(line.substr(4, 1) + line.substr(10, 1) + line.substr(19, 1), "- .") << line;
    at = end + 2;
    ++lines;
  }
  EXPECT_GE(lines, 8u);
  EXPECT_NE(text.find("in progress"), std::string::npos);
}

// Other accounts may take a window's turn and see whether a command runs,
// nothing more: the privileged commands' own mutex grants them nothing, and
// only LocalSystem, the Administrators group and the object's owner may
// end, limit, join or re-secure what a setup runs in.
TEST_F(Unattended, TheNamedObjectsGrantOtherAccountsOnlyWaitingAndQuerying) {
  app_->UseSetupFixture(L"e2e_slow_setup.exe");
  Outcome slow;
  std::thread first([&] { slow = Run(L"/install"); });
  ASSERT_TRUE(WaitUntil([&] { return ProcessRunsUnder(app_->Package()); }, 10000));
  // The program runs as this test's account: the one that made the objects.
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  BYTE user[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
  DWORD size = sizeof(user);
  ASSERT_TRUE(GetTokenInformation(token, TokenUser, user, size, &size));
  CloseHandle(token);
  const PSID maker = reinterpret_cast<TOKEN_USER*>(user)->User.Sid;
  std::set<std::wstring> seen;
  for (const NamedObject& object : GlobalObjects()) {
    if (object.name.find(L"Tarnwell") == std::wstring::npos) continue;
    SCOPED_TRACE(::testing::PrintToString(object.name + L" (" + object.type + L")"));
    seen.insert(object.type + L": " + object.name);
    const HANDLE handle = OpenToReadSecurity(object);
    ASSERT_NE(handle, nullptr) << GetLastError();
    PSID owner = nullptr;
    PACL dacl = nullptr;
    tarnwell::UniqueLocal<PSECURITY_DESCRIPTOR> descriptor;
    ASSERT_EQ(GetSecurityInfo(handle, SE_KERNEL_OBJECT,
                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                              nullptr, &dacl, nullptr, descriptor.put()), static_cast<DWORD>(ERROR_SUCCESS));
    CloseHandle(handle);
    ASSERT_NE(dacl, nullptr);  // no access list at all lets everyone do anything
    // The privileged commands' mutex: nothing at all for other accounts.
    const DWORD others_may = object.name == L"Tarnwell PDF Printer Software command" ? 0
                             : object.type == L"Mutant" ? SYNCHRONIZE | MUTEX_MODIFY_STATE
                                                        : SYNCHRONIZE | JOB_OBJECT_QUERY;
    for (WORD i = 0; i < dacl->AceCount; ++i) {
      ACE_HEADER* header = nullptr;
      ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&header)));
      if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
      const auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
      const PSID sid = const_cast<DWORD*>(&ace->SidStart);
      if (IsWellKnownSid(sid, WinLocalSystemSid) ||
          IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || EqualSid(sid, owner) ||
          EqualSid(sid, maker)) {
        continue;
      }
      EXPECT_EQ(ace->Mask & ~others_may, 0u) << std::hex << ace->Mask;
    }
  }
  first.join();
  EXPECT_EQ(slow.code, 0u);
  EXPECT_EQ(seen, (std::set<std::wstring>{
                      L"Mutant: Tarnwell PDF Printer Software command",
                      L"Mutant: Tarnwell PDF Printer Software window command",
                      L"Job: Tarnwell PDF Printer Software command processes",
                      L"Job: Tarnwell PDF Printer Software finished command processes"}));
}

// Deletes a port through the local port monitor, as a user or a clean-up would.
bool DeletePort(const wchar_t* port) {
  PRINTER_DEFAULTSW rights{nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
  HANDLE monitor = nullptr;
  if (!OpenPrinterW(const_cast<wchar_t*>(L",XcvMonitor Local Port"), &monitor, &rights)) {
    return false;
  }
  DWORD needed = 0, status = 0;
  BYTE unused = 0;
  const BOOL sent = XcvDataW(monitor, L"DeletePort", reinterpret_cast<BYTE*>(const_cast<wchar_t*>(port)),
                             static_cast<DWORD>((wcslen(port) + 1) * sizeof(wchar_t)), &unused, 0,
                             &needed, &status);
  ClosePrinter(monitor);
  return sent && status == ERROR_SUCCESS;
}

// A printer whose port is gone: /status says so, /install mends it, and
// the account whose default it was keeps it as its default.
TEST_F(Unattended, BrokenPrinterIsToldApartAndRepaired) {
  MakeLogFolder();
  MakeOtherPrinterTheDefault();
  const std::wstring log = L" /log \"" + LogPath() + L"\"";
  ASSERT_EQ(Run(L"/install /default" + log).code, 0u);
  ASSERT_TRUE(DeletePort(L"FILE:"));
  EXPECT_EQ(Run(L"/status" + log).code, 2u);
  EXPECT_NE(Log().find("Its port \"FILE:\" does not exist."), std::string::npos) << Log();

  const Outcome run = Run(L"/install" + log);
  EXPECT_EQ(run.code, 0u) << Log();
  EXPECT_FALSE(run.window_seen);
  EXPECT_NE(Log().find("Starting the uninstaller"), std::string::npos);
  EXPECT_TRUE(PrinterExists(kPackageName));
  EXPECT_EQ(Run(L"/status" + log).code, 0u);
  EXPECT_EQ(DefaultPrinter(), kPackageName);
}

// A registered uninstall command of Windows' own folders: the system's
// MsiExec removing a product by its code is run, quiet and without a
// restart though the command asked for neither; rundll32 with a DLL of
// anyone's is refused, and nothing is started.
TEST_F(Unattended, FromWindowsFoldersOnlyMsiExecRemovingAProductRuns) {
  MakeLogFolder();
  const std::wstring log = L" /log \"" + LogPath() + L"\"";
  ASSERT_EQ(Run(L"/install" + log).code, 0u);
  WriteUninstallString(L"MsiExec.exe /X{5C3B8D4E-0F21-4A7B-9C6D-1E2F3A4B5C6D}");
  // Wine's msiexec knows no such product: the printer stays.
  EXPECT_EQ(Run(L"/uninstall" + log).code, 1603u);
  std::string text = Log();
  EXPECT_NE(text.find("Starting the uninstaller: \"C:\\windows\\system32\\MsiExec.exe\" "
                      "/X{5C3B8D4E-0F21-4A7B-9C6D-1E2F3A4B5C6D} /qn /norestart (as "),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("is still there after the uninstaller"), std::string::npos);

  WriteUninstallString(L"rundll32.exe C:\\users\\Public\\remove.dll,Remove");
  const std::size_t before = text.size();
  EXPECT_EQ(Run(L"/uninstall" + log).code, 1603u);
  text = Log().substr(before);
  EXPECT_NE(text.find("The uninstall command \"rundll32.exe C:\\users\\Public\\remove.dll,"
                      "Remove\" is refused"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("Starting the uninstaller"), std::string::npos);
  EXPECT_TRUE(PrinterExists(kPackageName));
}

// From the package the program shipped with to a newer one beside it; a
// newer setup that fails after the old package is gone leaves no printer,
// and the next /install installs again.
TEST_F(Unattended, UpdateReplacesAnOlderPackage) {
  MakeLogFolder();
  MakeOtherPrinterTheDefault();
  const std::wstring log = L" /log \"" + LogPath() + L"\"";
  ASSERT_EQ(Run(L"/install /default" + log).code, 0u);
  EXPECT_EQ(RegisteredVersion(), L"7.0.0.0");
  const std::wstring next =
      L"Z:" + std::filesystem::path(E2E_NEXT_PACKAGE_DIR).make_preferred().wstring();
  for (const wchar_t* file : {L"\\setup.exe", L"\\uninstall.exe"}) {
    ASSERT_TRUE(CopyFileW((next + file).c_str(),
                          (app_->Package() + file).c_str(), FALSE));
  }
  EXPECT_EQ(Run(L"/status" + log).code, 0u);
  EXPECT_EQ(Run(L"/status /update" + log).code, 3u);
  EXPECT_EQ(Run(L"/install" + log).code, 0u);
  EXPECT_EQ(RegisteredVersion(), L"7.0.0.0");  // not without /update

  EXPECT_EQ(Run(L"/install /update" + log).code, 0u) << Log();
  EXPECT_EQ(RegisteredVersion(), L"7.1.0.0");
  EXPECT_EQ(Run(L"/status /update" + log).code, 0u);
  EXPECT_EQ(DefaultPrinter(), kPackageName);

  app_->UseSetupFixture(L"e2e_failing_newer_setup.exe");
  const std::size_t before = Log().size();
  EXPECT_EQ(Run(L"/install /update" + log).code, 1603u);
  const std::string failed = Log().substr(before);
  EXPECT_NE(failed.find("Starting the uninstaller"), std::string::npos) << failed;
  EXPECT_NE(failed.find("is not there after the setup"), std::string::npos) << failed;
  EXPECT_FALSE(PrinterExists(kPackageName));
  EXPECT_EQ(Run(L"/status" + log).code, 1u);

  ASSERT_TRUE(MoveFileExW((app_->Package() + L"\\real-setup.exe").c_str(),
                          (app_->Package() + L"\\setup.exe").c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(Run(L"/install" + log).code, 0u);
  EXPECT_EQ(Run(L"/status /update" + log).code, 0u);
}

}  // namespace
}  // namespace e2e
