#include "win32/unattended/standard_output.h"

#include <windows.h>

#include <string>

namespace tarnwell {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
  if (size > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                        size, nullptr, nullptr);
  }
  return bytes;
}

void WriteToStandardOutput(const std::wstring& text) {
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (output == nullptr || output == INVALID_HANDLE_VALUE) return;
  const std::wstring line = text + L"\r\n";
  DWORD written = 0;
  DWORD mode = 0;
  if (GetConsoleMode(output, &mode)) {
    WriteConsoleW(output, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    return;
  }
  const std::string bytes = Utf8(line);
  WriteFile(output, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void StandardOutputSink::WriteLine(const std::wstring& text) {
  log_.WriteLine(text);
  WriteToStandardOutput(text);
}

}  // namespace tarnwell
