#include "win32/unattended/command_line_words.h"

#include <windows.h>

#include "core/port/run_error.h"
#include "core/unattended/switches.h"
#include "win32_common/system_library.h"
#include "win32_common/scoped_handle.h"

namespace tarnwell {
namespace {

using CommandLineToArgvFunction = LPWSTR*(WINAPI*)(LPCWSTR, int*);

// shell32 is needed only here and only with switches, so it is loaded on
// that first use, from the system folder alone, rather than at every start.
CommandLineToArgvFunction LoadCommandLineToArgv() {
  try {
    return SystemFunction<CommandLineToArgvFunction>(L"shell32.dll", "CommandLineToArgvW");
  } catch (const RunError&) {
    return nullptr;
  }
}

}  // namespace

bool ProcessHasArguments() { return HasWordsAfterProgramName(GetCommandLineW()); }

std::optional<std::vector<std::wstring>> SplitCommandLineWords(const std::wstring& command_line) {
  const CommandLineToArgvFunction split = LoadCommandLineToArgv();
  if (!split) return std::nullopt;
  int count = 0;
  const UniqueLocal<LPWSTR*> words(split(command_line.c_str(), &count));
  if (!words) return std::nullopt;
  std::vector<std::wstring> after_program;
  for (int i = 1; i < count; ++i) after_program.emplace_back(words.get()[i]);
  return after_program;
}

std::optional<std::vector<std::wstring>> ProcessCommandLineWords() {
  return SplitCommandLineWords(GetCommandLineW());
}

}  // namespace tarnwell
