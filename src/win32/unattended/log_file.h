// The /log file: lines appended in UTF-8, each led by the local time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/unattended/log_sink.h"
#include "win32_common/log_folder_path.h"
#include "win32_common/scoped_handle.h"

namespace tarnwell {

// Several runs may log into one file at once. Each line is written under a
// lock on the file, at its end, in one write, so no line is lost or torn;
// appending alone is not enough for that under every platform. The lock is
// never waited for long: anyone who can open the file can hold it, and a
// command must not hang on that.
class LogFile : public LogSink {
 public:
  // Opens `path` (one LogPathRefusal accepts; a folder gets kLogFileName)
  // for shared writing, creating the file when missing. A path that cannot
  // be opened, or leads where a privileged run must not write, leaves a log
  // that is not open and writes nothing. Run with rights others lack, the
  // folders are made or replaced as HoldLogFolder says, and held until the
  // log is closed.
  explicit LogFile(const std::wstring& path);

  bool is_open() const { return static_cast<bool>(file_); }

  // What the user should know of where the log went: a folder not used and
  // the one used instead, or why there is no log, as sentences.
  const std::vector<std::wstring>& notes() const { return notes_; }

  // "YYYY-MM-DD hh:mm:ss.mmm <text>" and CR LF. Line breaks and other
  // control characters in `text` become blanks, so one call is one line.
  // A line whose lock cannot be had in time, or that cannot be written, is
  // dropped and counted.
  void WriteLine(const std::wstring& text) override;

  // How many lines were dropped so far.
  unsigned dropped() const { return dropped_; }

 private:
  bool LockInTime();
  // `may_be_folder`: the path's last name may be an existing folder, for the
  // log to go into it.
  void OpenInHeldFolder(const std::wstring& file, bool may_be_folder, const Deadline& deadline);

  HeldLogFolder folder_;  // declared before the file: let go only once it is closed
  UniqueFile file_;
  std::vector<std::wstring> notes_;
  unsigned dropped_ = 0;
  std::int64_t waited_ticks_ = 0;  // performance-counter ticks spent waiting
};

}  // namespace tarnwell
