#include "win32/unattended/log_file.h"

#include <aclapi.h>

#include <algorithm>
#include <cstdio>

#include "core/port/run_error.h"
#include "core/unattended/log_path.h"
#include "win32_common/account_security.h"
#include "win32_common/bounded_open.h"
#include "win32_common/files.h"

namespace tarnwell {
namespace {

// A command waits at most this long for its log in all, and one line at
// most the shorter time, so a lock held for good costs a few lines' worth
// of waiting and the rest of the lines are dropped at once.
constexpr std::int64_t kCommandWaitMs = 2000;
constexpr std::int64_t kLineWaitMs = 250;
constexpr int kYieldsBeforeSleeping = 20;

std::wstring LocalTimeStamp() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t stamp[32];
  std::swprintf(stamp, sizeof(stamp) / sizeof(stamp[0]), L"%04u-%02u-%02u %02u:%02u:%02u.%03u",
                now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                now.wMilliseconds);
  return stamp;
}

std::wstring OneLine(std::wstring text) {
  for (wchar_t& c : text) {
    if (c < L' ' && c != L'\t') c = L' ';
  }
  return text;
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                      nullptr, nullptr);
  return bytes;
}

std::int64_t Ticks() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

std::int64_t TicksPerMs() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return std::max<std::int64_t>(frequency.QuadPart / 1000, 1);
}

// The exclusive lock on the whole possible range of a file, taken only if
// no one else holds it, so every writer of the file waits for the one at
// work, wherever it writes.
bool TryLockWholeFile(HANDLE file) {
  OVERLAPPED range{};  // offset 0
  return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                    MAXDWORD, &range) != FALSE;
}

void UnlockWholeFile(HANDLE file) {
  OVERLAPPED range{};
  UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &range);
}

bool IsExistingFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Opens every folder of the path, refusing any that is a junction or a
// symbolic link. The handles, held without delete sharing, keep each folder
// from being renamed or replaced by a link until the file is open.
bool HoldPlainFolders(const std::wstring& file, const Deadline& deadline,
                      std::vector<UniqueFile>& held) {
  for (const std::wstring& folder : LogPathFolders(file)) {
    UniqueFile handle = CreateFileBefore(deadline, folder, FILE_READ_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT)
                            .file;
    BY_HANDLE_FILE_INFORMATION info;
    if (!handle || !GetFileInformationByHandle(handle.get(), &info)) return false;
    // Asked by name too, now that the held folder cannot be swapped: not
    // every file system reports a link through the handle.
    const DWORD by_name = GetFileAttributesW(folder.c_str());
    const DWORD attributes = info.dwFileAttributes | (by_name == INVALID_FILE_ATTRIBUTES ? 0 : by_name);
    if (by_name == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      return false;
    }
    held.push_back(std::move(handle));
  }
  return true;
}

}  // namespace

// The log may be named in a folder anyone can write to (the system's
// temporary folder, when a deployment tool runs us as LocalSystem), so a
// file planted there in advance must not lead the writes elsewhere: a
// symbolic link or junction is opened as itself, not followed, and a file
// with more than one name is not written. Running with rights others lack,
// the folders must not lead through links either, a file another account
// owns is not written, and a new file is only for trusted accounts.
LogFile::LogFile(const std::wstring& path) {
  const std::wstring file = LogFileOf(path, IsExistingFolder);
  const bool privileged = RunsElevatedOrAsLocalSystem();
  // A file another account holds up (an oplock on a file it planted) costs
  // the command its log within the wait a command has for it, not more.
  const Deadline deadline = Deadline::In(kCommandWaitMs);
  std::vector<UniqueFile> folders;
  if (privileged && !HoldPlainFolders(file, deadline, folders)) return;
  std::shared_ptr<void> descriptor;
  if (privileged) {
    try {
      descriptor = Shared(TrustedAccountsDescriptor(L"FA", L""));
    } catch (const RunError&) {
      return;
    }
  }
  // A pipe's server may act as the account that opens it, unless told it
  // may only identify it.
  BoundedOpen opened = CreateFileBefore(
      deadline, file, GENERIC_WRITE | READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE,
      OPEN_ALWAYS,
      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | SECURITY_SQOS_PRESENT |
          SECURITY_IDENTIFICATION,
      std::move(descriptor));
  if (!opened.file) return;
  const bool existed = opened.error == ERROR_ALREADY_EXISTS;
  if (!IsOrdinaryDiskFile(opened.file.get())) return;
  if (privileged && existed && !HasTrustedOwner(opened.file.get(), SE_FILE_OBJECT)) return;
  file_ = std::move(opened.file);
}

bool LogFile::LockInTime() {
  if (TryLockWholeFile(file_.get())) return true;
  const std::int64_t per_ms = TicksPerMs();
  const std::int64_t began = Ticks();
  const std::int64_t line_limit =
      std::min(kLineWaitMs * per_ms, kCommandWaitMs * per_ms - waited_ticks_);
  bool locked = false;
  for (int attempt = 0; !locked && Ticks() - began < line_limit; ++attempt) {
    if (attempt < kYieldsBeforeSleeping) {
      SwitchToThread();
    } else {
      Sleep(1);
    }
    locked = TryLockWholeFile(file_.get());
  }
  waited_ticks_ += Ticks() - began;
  return locked;
}

void LogFile::WriteLine(const std::wstring& text) {
  if (!file_) return;
  if (!LockInTime()) {
    ++dropped_;
    return;
  }
  // Stamped under the lock, so the lines of all writers stand in time order.
  const std::string line = Utf8(LocalTimeStamp() + L" " + OneLine(text) + L"\r\n");
  const LARGE_INTEGER none{};
  DWORD written = 0;
  if (!SetFilePointerEx(file_.get(), none, nullptr, FILE_END) ||
      !WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
      written != line.size()) {
    ++dropped_;
  }
  UnlockWholeFile(file_.get());
}

}  // namespace tarnwell
