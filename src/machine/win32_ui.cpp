// The user-interface side of the Win32 machine: the main window's controls,
// pointer, caption and icon, message boxes, and opening files through the shell.
#include "machine/win32_machine.h"

#include <shellapi.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "app/cursor_file.h"
#include "app/run_error.h"
#include "app/window/dpi.h"
#include "app/window/form1_window.h"
#include "machine/unique_handle.h"

namespace tarnwell {
namespace {

// Far above any real cursor file; a larger file is not read at all.
constexpr LONGLONG kCursorFileLimit = 4 * 1024 * 1024;
constexpr int kApplicationIcon = 1;

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

// The whole file, or a RunError saying why it cannot be read.
std::vector<std::uint8_t> ReadCursorFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) throw RunError(DescribeWin32Error(GetLastError()));
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    throw RunError(Quoted(path) + L" is a folder, not a cursor file.");
  }
  const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) throw RunError(DescribeWin32Error(GetLastError()));
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size)) throw RunError(DescribeWin32Error(GetLastError()));
  if (size.QuadPart > kCursorFileLimit) {
    throw RunError(Quoted(path) + L" is too large to be a cursor file.");
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
  DWORD read = 0;
  if (!bytes.empty() &&
      !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
    throw RunError(DescribeWin32Error(GetLastError()));
  }
  bytes.resize(read);
  return bytes;
}

UniqueIcon LoadApplicationIcon(int width_metric, int height_metric, UINT dpi) {
  const HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kApplicationIcon),
                                 IMAGE_ICON, SystemMetricForDpi(width_metric, dpi),
                                 SystemMetricForDpi(height_metric, dpi), LR_DEFAULTCOLOR);
  if (!icon) throw RunError(DescribeWin32Error(GetLastError()));
  return UniqueIcon(static_cast<HICON>(icon));
}

}  // namespace

std::wstring DescribeWin32Error(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (length == 0 || !buffer) return L"System error " + std::to_wstring(error) + L".";
  std::wstring text(buffer, length);
  LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n')) text.pop_back();
  return text;
}

int Win32Machine::ShowMessage(const std::wstring& text, const std::wstring& caption,
                              unsigned style) {
  // Until the main window shows, message boxes stand on their own.
  const HWND main = window_ ? window_->hwnd() : nullptr;
  const HWND owner = main && IsWindowVisible(main) ? main : nullptr;
  return MessageBoxW(owner, text.c_str(), caption.c_str(), style);
}

void Win32Machine::ShellOpen(const std::wstring& file, const std::wstring& parameters,
                             const std::wstring& directory, int show_command) {
  const HWND owner = window_ ? window_->hwnd() : nullptr;
  ShellExecuteW(owner, nullptr, file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
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
  if (window_) SetWindowTextW(window_->hwnd(), caption.c_str());
}

void Win32Machine::SetApplicationIcon() {
  if (!window_) return;
  const UINT dpi = window_->dpi();
  UniqueIcon big = LoadApplicationIcon(SM_CXICON, SM_CYICON, dpi);
  UniqueIcon small = LoadApplicationIcon(SM_CXSMICON, SM_CYSMICON, dpi);
  window_->SetIcons(std::move(big), std::move(small));
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
