// A program for the Wine tests to start. What it does depends on its first
// argument:
//   exit <code> <milliseconds>  waits, then ends with the given exit code;
//   tree <code> <milliseconds>  starts a copy of itself that waits that long
//                               and ends at once with the given exit code;
//   show                        shows a window as told and reports, in its
//                               exit code, 1000 + 100 if the window is visible
//                               + 10 if it is minimised + the show state;
//   where                       writes "<current folder>|<PATH>" (UTF-16) to
//                               "<its own path>.where";
//   temp                        writes "<TEMP>|<TMP>|<GetTempPathW>" (UTF-16)
//                               to "<its own path>.temp", and a file into
//                               that folder, as an unpacking setup would;
//   mutex <name> <event>        takes the named mutex, sets the named event,
//                               and holds the mutex until it is ended;
//   hold <path> <event>         opens the file or folder with read and delete
//                               access and no delete sharing, sets the named
//                               event, and holds it until it is ended;
//   anything else               leaves "<its own path>.ran" and ends with 42,
//                               so a test can tell which copy ran.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

namespace {

constexpr UINT kMarkerExitCode = 42;

UINT ShowAndReport(HINSTANCE instance, int show_state) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = instance;
  window_class.lpszClassName = L"TarnwellWineChild";
  RegisterClassW(&window_class);
  const HWND window = CreateWindowW(L"TarnwellWineChild", L"child", WS_OVERLAPPEDWINDOW,
                                    CW_USEDEFAULT, CW_USEDEFAULT, 200, 100, nullptr, nullptr,
                                    instance, nullptr);
  if (!window) return 1;
  ShowWindow(window, show_state);
  const UINT report = 1000 + (IsWindowVisible(window) ? 100 : 0) + (IsIconic(window) ? 10 : 0) +
                      static_cast<UINT>(show_state);
  DestroyWindow(window);
  return report;
}

UINT LeaveMarker() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  const std::wstring marker = std::wstring(path, length) + L".ran";
  const HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  CloseHandle(file);
  return kMarkerExitCode;
}

// Writes what a started program found beside it, for the test to read.
UINT WriteReport(const std::wstring& file_name, const std::wstring& report) {
  const HANDLE file = CreateFileW(file_name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(file, report.data(), static_cast<DWORD>(report.size() * sizeof(wchar_t)), &written,
            nullptr);
  CloseHandle(file);
  return kMarkerExitCode;
}

UINT ReportWhere() {
  wchar_t path[MAX_PATH], folder[MAX_PATH], search[4096] = L"";
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH || !GetCurrentDirectoryW(MAX_PATH, folder)) return 1;
  GetEnvironmentVariableW(L"PATH", search, 4096);
  const std::wstring report = std::wstring(folder) + L"|" + search;
  return WriteReport(std::wstring(path, length) + L".where", report);
}

UINT ReportTemp() {
  wchar_t path[MAX_PATH], temp[MAX_PATH] = L"", tmp[MAX_PATH] = L"", folder[MAX_PATH + 1] = L"";
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH);
  GetEnvironmentVariableW(L"TMP", tmp, MAX_PATH);
  GetTempPathW(MAX_PATH + 1, folder);
  const HANDLE unpacked = CreateFileW((std::wstring(folder) + L"unpacked.dll").c_str(),
                                      GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (unpacked == INVALID_HANDLE_VALUE) return 2;
  CloseHandle(unpacked);
  SetFileAttributesW((std::wstring(folder) + L"unpacked.dll").c_str(), FILE_ATTRIBUTE_READONLY);
  const std::wstring report = std::wstring(temp) + L"|" + tmp + L"|" + folder;
  return WriteReport(std::wstring(path, length) + L".temp", report);
}

// Sets `event` (made if need be) once the holding is done, then waits to be
// ended by the test.
[[noreturn]] void HoldUntilEnded(const wchar_t* event) {
  const HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, event);
  if (ready) SetEvent(ready);
  for (;;) Sleep(INFINITE);
}

UINT HoldMutex(const wchar_t* name, const wchar_t* event) {
  const HANDLE mutex = CreateMutexW(nullptr, FALSE, name);
  if (!mutex || WaitForSingleObject(mutex, 10000) != WAIT_OBJECT_0) return 1;
  HoldUntilEnded(event);
}

UINT HoldOpen(const wchar_t* path, const wchar_t* event) {
  const HANDLE held = CreateFileW(path, GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (held == INVALID_HANDLE_VALUE) return 1;
  HoldUntilEnded(event);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_state) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  const std::wstring mode = arguments && count > 1 ? arguments[1] : L"";
  UINT exit_code = 0;
  if (mode == L"exit" && count > 3) {
    exit_code = static_cast<UINT>(std::wcstoul(arguments[2], nullptr, 10));
    Sleep(static_cast<DWORD>(std::wcstoul(arguments[3], nullptr, 10)));
  } else if (mode == L"tree" && count > 3) {
    exit_code = static_cast<UINT>(std::wcstoul(arguments[2], nullptr, 10));
    std::wstring command_line = L"\"" + std::wstring(arguments[0]) + L"\" exit 0 " + arguments[3];
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &info)) {
      CloseHandle(info.hThread);
      CloseHandle(info.hProcess);
    }
  } else if (mode == L"mutex" && count > 3) {
    exit_code = HoldMutex(arguments[2], arguments[3]);
  } else if (mode == L"hold" && count > 3) {
    exit_code = HoldOpen(arguments[2], arguments[3]);
  } else if (mode == L"show") {
    exit_code = ShowAndReport(instance, show_state);
  } else if (mode == L"where") {
    exit_code = ReportWhere();
  } else if (mode == L"temp") {
    exit_code = ReportTemp();
  } else {
    exit_code = LeaveMarker();
  }
  LocalFree(arguments);
  ExitProcess(exit_code);
}
