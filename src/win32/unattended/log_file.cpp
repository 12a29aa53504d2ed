#include "win32/unattended/log_file.h"

#include <cstdio>

namespace tarnwell {
namespace {

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

// Holds an exclusive lock on the whole possible range of a file, so every
// writer of the file waits for the one at work, wherever it writes.
class WholeFileLock {
 public:
  explicit WholeFileLock(HANDLE file) : file_(file) {
    locked_ = LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &range_) != FALSE;
  }
  ~WholeFileLock() {
    if (locked_) UnlockFileEx(file_, 0, MAXDWORD, MAXDWORD, &range_);
  }
  WholeFileLock(const WholeFileLock&) = delete;
  WholeFileLock& operator=(const WholeFileLock&) = delete;
  bool locked() const { return locked_; }

 private:
  HANDLE file_;
  OVERLAPPED range_{};  // offset 0
  bool locked_ = false;
};

}  // namespace

// The log may be named in a folder anyone can write to (the system's
// temporary folder, when a deployment tool runs us as LocalSystem), so a
// file planted there in advance must not lead the writes elsewhere: a
// symbolic link or junction is opened as itself, not followed, and a file
// with more than one name (a hard link to another file) is not written.
LogFile::LogFile(const std::wstring& path)
    : file_(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                        nullptr)) {
  BY_HANDLE_FILE_INFORMATION info;
  if (file_ && (!GetFileInformationByHandle(file_.get(), &info) || info.nNumberOfLinks > 1 ||
                (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))) {
    file_.reset();
  }
}

void LogFile::WriteLine(const std::wstring& text) {
  if (!file_) return;
  const WholeFileLock lock(file_.get());
  if (!lock.locked()) return;
  // Stamped under the lock, so the lines of all writers stand in time order.
  const std::string line = Utf8(LocalTimeStamp() + L" " + OneLine(text) + L"\r\n");
  const LARGE_INTEGER none{};
  if (!SetFilePointerEx(file_.get(), none, nullptr, FILE_END)) return;
  DWORD written = 0;
  WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace tarnwell
