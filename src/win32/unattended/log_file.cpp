#include "win32/unattended/log_file.h"

#include <aclapi.h>

#include <algorithm>
#include <cstdio>

#include "core/port/run_error.h"
#include "core/texts/text.h"
#include "core/unattended/log_path.h"
#include "win32/unattended/standard_output.h"
#include "win32_common/account_security.h"
#include "win32_common/bounded_open.h"
#include "win32_common/files.h"
#include "win32_common/relative_open.h"
#include "win32_common/win32_error.h"

namespace tarnwell {
namespace {

// A command waits at most this long for its log in all, and one line at
// most the shorter time, so a lock held for good costs a few lines' worth
// of waiting and the rest of the lines are dropped at once.
constexpr std::int64_t kCommandWaitMs = 2000;
constexpr std::int64_t kLineWaitMs = 250;
constexpr int kYieldsBeforeSleeping = 20;
// The bound of the log path's own checks and opens.
constexpr DWORD kPathChecksMs = 5000;

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

// An existing folder, itself and not a link to one, asked by name through a
// bounded open (anyone who can read a path can hold up an open of it). Only
// for a run without privilege: one with privilege asks inside its held walk.
bool IsPlainFolder(const std::wstring& path, const Deadline& deadline) {
  const BoundedOpen opened = CreateFileBefore(
      deadline, path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT);
  BY_HANDLE_FILE_INFORMATION info;
  return opened.file && GetFileInformationByHandle(opened.file.get(), &info) &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

// The log may be named in a folder anyone can write to (the system's
// temporary folder, when a deployment tool runs us as LocalSystem), so a
// file planted there in advance must not lead the writes elsewhere: a
// symbolic link or junction is opened as itself, not followed, and a file
// with more than one name is not written. Running with rights others lack,
// the folders are checked, made or replaced and held first, and the file is
// opened by its name in the held folder, so no folder on the way can be
// swapped for a link in between; a file another account owns is not
// written, and a new file is only for trusted accounts.
LogFile::LogFile(const std::wstring& path) {
  // The path's checks and opens have a bound of their own: another account
  // that holds up an open of a file it planted costs the command its log
  // within a few seconds, not more.
  const Deadline deadline = Deadline::In(kPathChecksMs);
  if (RunsElevatedOrAsLocalSystem()) {
    // Whether the path names a folder is asked inside the held walk.
    const std::wstring file = LogFileOf(path, [](const std::wstring&) { return false; });
    OpenInHeldFolder(file, file == path, deadline);
    return;
  }
  const std::wstring file =
      LogFileOf(path, [&](const std::wstring& folder) { return IsPlainFolder(folder, deadline); });
  // A pipe's server may act as the account that opens it, unless told it
  // may only identify it.
  BoundedOpen opened = CreateFileBefore(
      deadline, file, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS,
      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | SECURITY_SQOS_PRESENT |
          SECURITY_IDENTIFICATION);
  if (opened.file && IsOrdinaryDiskFile(opened.file.get())) file_ = std::move(opened.file);
}

void LogFile::OpenInHeldFolder(const std::wstring& file, bool may_be_folder,
                               const Deadline& deadline) {
  folder_ = HoldLogFolder(file, deadline, may_be_folder ? kLogFileName : L"");
  notes_ = folder_.notes;
  if (folder_.refusal) {
    notes_.push_back(*folder_.refusal + L" No log is written, and nothing is done.");
    return;
  }
  const std::wstring shown = Quoted(folder_.file);
  std::shared_ptr<void> descriptor;
  try {
    descriptor = Shared(TrustedAccountsDescriptor(L"FA", L""));
  } catch (const RunError& error) {
    notes_.push_back(L"The log file " + shown + L" cannot be made: " + error.description());
    return;
  }
  const std::wstring name = folder_.file.substr(folder_.file.find_last_of(L"\\/") + 1);
  BoundedOpen opened = OpenInFolder(deadline, folder_.folder(), name, OpenAs::File,
                                    OpenMode::OpenOrCreate, GENERIC_WRITE | READ_CONTROL,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, std::move(descriptor));
  std::optional<std::wstring> why;
  if (opened.timed_out) {
    why = L"it could not be opened in time";
  } else if (!opened.file) {
    why = L"it could not be opened: " + DescribeWin32Error(opened.error);
  } else if (!IsOrdinaryDiskFile(opened.file.get())) {
    why = L"it is not a plain file with one name";
  } else if (opened.error == ERROR_ALREADY_EXISTS &&
             !HasTrustedOwner(opened.file.get(), SE_FILE_OBJECT)) {
    why = L"another account owns it";
  }
  if (why) {
    // Windows' own words end with a full stop of their own.
    if (why->ends_with(L'.')) why->pop_back();
    notes_.push_back(L"The log file " + shown + L" is not written: " + *why +
                     L". Nothing is done.");
    return;
  }
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
