// The user-interface side of the Win32 machine: the main window's controls,
// pointer, caption and icon, message boxes, and opening files through the shell.
#include "win32/machine/machine.h"

#include <shellapi.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "core/look/cursor_file.h"
#include "core/port/run_error.h"
#include "core/texts/text.h"
#include "win32_common/files.h"
#include "win32_common/scoped_handle.h"
#include "win32_common/system_library.h"
#include "win32_common/win32_error.h"

namespace tarnwell {
namespace {

// Far above any real cursor file; a larger file is not read at all.
constexpr std::size_t kCursorFileLimit = 4 * 1024 * 1024;

// The whole file, or a RunError saying why it cannot be read.
std::vector<std::uint8_t> ReadCursorFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) ThrowLastError();
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    throw RunError(Quoted(path) + L" is a folder, not a cursor file.");
  }
  std::vector<std::uint8_t> bytes = ReadFileCapped(path, kCursorFileLimit);
  if (bytes.size() > kCursorFileLimit) {
    throw RunError(Quoted(path) + L" is too large to be a cursor file.");
  }
  return bytes;
}

}  // namespace

Answer Win32Machine::ShowMessage(const std::wstring& text, const std::wstring& caption,
                                MessageKind kind) {
  UINT style = kind.buttons == MessageButtons::YesNo ? MB_YESNO : MB_OK;
  if (kind.icon == MessageIcon::Exclamation) style |= MB_ICONEXCLAMATION;
  // Until the main window shows, message boxes stand on their own.
  const HWND main = window_ ? window_->Handle() : nullptr;
  const HWND owner = main && IsWindowVisible(main) ? main : nullptr;
  switch (MessageBoxW(owner, text.c_str(), caption.c_str(), style)) {
    case IDOK:
      return Answer::Ok;
    case IDYES:
      return Answer::Yes;
    case IDNO:
      return Answer::No;
    default:
      return Answer::Other;
  }
}

void Win32Machine::ShellOpen(const std::wstring& file, const std::wstring& parameters,
                             const std::wstring& directory, int show_command) {
  static const auto shell_execute =
      SystemFunction<decltype(&ShellExecuteW)>(L"shell32.dll", "ShellExecuteW");
  const HWND owner = window_ ? window_->Handle() : nullptr;
  shell_execute(owner, nullptr, file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                directory.empty() ? nullptr : directory.c_str(), show_command);
}

void Win32Machine::SetEnabled(Control control, bool enabled) {
  if (window_) EnableWindow(window_->ControlWindow(control), enabled);
}

bool Win32Machine::IsSelected(Control control) {
  if (!window_) return false;
  return SendMessageW(window_->ControlWindow(control), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

PointerKind Win32Machine::GetPointerKind() {
  return window_ ? window_->pointer_kind() : PointerKind::Normal;
}

void Win32Machine::SetPointerKind(PointerKind kind) {
  if (window_) window_->SetPointerKind(kind);
}

void Win32Machine::SetCaption(const std::wstring& caption) {
  if (window_) SetWindowTextW(window_->Handle(), caption.c_str());
}

void Win32Machine::SetApplicationIcon() {
  if (!window_) return;
  if (const DWORD error = window_->UseApplicationIcon()) ThrowWin32Error(error);
}

void Win32Machine::LoadCustomPointer(const std::wstring& path) {
  const std::vector<std::uint8_t> bytes = ReadCursorFile(path);
  if (const auto problem = DescribeCursorFileProblem(bytes)) {
    throw RunError(Quoted(path) + L": " + *problem);
  }
  SetLastError(ERROR_SUCCESS);
  UniqueCursor cursor(LoadCursorFromFileW(path.c_str()));
  if (!cursor) {
    const DWORD error = GetLastError();
    throw RunError(error != ERROR_SUCCESS
                       ? DescribeWin32Error(error)
                       : Quoted(path) + L" holds no picture that can serve as a pointer.");
  }
  if (window_) window_->SetCustomPointer(std::move(cursor));
}

}  // namespace tarnwell
