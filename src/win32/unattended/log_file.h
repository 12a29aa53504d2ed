// The /log file: lines appended in UTF-8, each led by the local time.
#pragma once

#include <string>

#include "core/unattended/log_sink.h"
#include "win32_common/scoped_handle.h"

namespace tarnwell {

// Several runs may log into one file at once. Each line is written under a
// lock on the file, at its end, in one write, so no line is lost or torn;
// appending alone is not enough for that under every platform.
class LogFile : public LogSink {
 public:
  // Opens the file for shared writing, creating it when missing. A file that
  // cannot be opened leaves a log that writes nothing.
  explicit LogFile(const std::wstring& path);

  bool is_open() const { return static_cast<bool>(file_); }

  // "YYYY-MM-DD hh:mm:ss.mmm <text>" and CR LF. Line breaks and other
  // control characters in `text` become blanks, so one call is one line.
  // A line that cannot be written is dropped.
  void WriteLine(const std::wstring& text) override;

 private:
  UniqueFile file_;
};

}  // namespace tarnwell
