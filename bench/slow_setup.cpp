// Takes the place of the package's setup.exe in the bench's application
// folder: sleeps (10 s unless BENCH_SETUP_DELAY_MS says otherwise), hands its
// arguments to the real setup kept beside it as real-setup.exe, and, just
// before it ends, writes the performance counter to the file named by
// BENCH_SETUP_END_FILE. The counter is the same clock in every process, so
// the driver can tell how long after this moment the program reacted.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr DWORD kDefaultDelayMs = 10000;

std::wstring Variable(const wchar_t* name) {
  wchar_t value[1024] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, 1024);
  return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

DWORD DelayMs() {
  const std::wstring text = Variable(L"BENCH_SETUP_DELAY_MS");
  return text.empty() ? kDefaultDelayMs : static_cast<DWORD>(std::wcstoul(text.c_str(), nullptr, 10));
}

std::wstring OwnFolder() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring folder = self;
  folder.resize(folder.find_last_of(L'\\'));
  return folder;
}

DWORD RunRealSetup(PWSTR arguments) {
  std::wstring command_line = L"\"" + OwnFolder() + L"\\real-setup.exe\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return 2;
  }
  WaitForSingleObject(info.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return code;
}

void WriteEndTime(const std::wstring& file) {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  FILE* out = _wfopen(file.c_str(), L"w");
  if (!out) return;
  std::fprintf(out, "%lld\n", now.QuadPart);
  std::fclose(out);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int) {
  Sleep(DelayMs());
  const DWORD code = RunRealSetup(arguments);
  const std::wstring end_file = Variable(L"BENCH_SETUP_END_FILE");
  if (!end_file.empty()) WriteEndTime(end_file);
  return static_cast<int>(code);
}
