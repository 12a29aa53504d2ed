// Opens of files and folders that end in time. Anyone who can read a file
// can put an opportunistic lock on it and so hold another process's
// CreateFile until the lock is let go; a program running with rights others
// lack must not wait for that. The open runs on a worker thread; when it
// has not ended in time it is cancelled, and given up if it still does not
// end.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "win32_common/scoped_handle.h"

namespace tarnwell {

// A point in time the opens of one step share.
class Deadline {
 public:
  static Deadline In(DWORD milliseconds) { return Deadline(GetTickCount64() + milliseconds); }
  // Milliseconds left, 0 once it has passed.
  DWORD Remaining() const {
    const ULONGLONG now = GetTickCount64();
    return now >= end_ ? 0 : static_cast<DWORD>(end_ - now);
  }

 private:
  explicit Deadline(ULONGLONG end) : end_(end) {}
  ULONGLONG end_;
};

struct BoundedOpen {
  UniqueFile file;
  DWORD error = 0;         // GetLastError() after the open (ERROR_ALREADY_EXISTS and kin too)
  bool timed_out = false;  // the open did not end in time: no file, and error is ERROR_TIMEOUT
};

// Runs `open` (a CreateFileW call, or anything that opens and then reports
// through GetLastError) on a worker thread, and waits for it until
// `deadline`. Whatever `open` uses must be owned by it, as it may outlive
// the call.
BoundedOpen OpenBefore(const Deadline& deadline, std::function<HANDLE()> open);

// CreateFileW with these arguments, no template, ending by `deadline`.
// `security` is the new file's descriptor (with CREATE_NEW or OPEN_ALWAYS)
// or null.
BoundedOpen CreateFileBefore(const Deadline& deadline, const std::wstring& path, DWORD access,
                             DWORD share, DWORD disposition, DWORD flags,
                             std::shared_ptr<void> security = nullptr);

}  // namespace tarnwell
