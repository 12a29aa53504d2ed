// Stands in for a package setup that never ends: starts a copy of itself
// (so that a time limit must end the whole tree, not just this process) and
// then waits for ever.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int) {
  if (std::wstring(arguments).find(L"child") == std::wstring::npos) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command_line = std::wstring(L"\"") + self + L"\" child";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessW(self, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &info)) {
      CloseHandle(info.hThread);
      CloseHandle(info.hProcess);
    }
  }
  Sleep(INFINITE);
  return 0;
}
