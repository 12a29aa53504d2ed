// Where the unattended commands write what they decide, line by line. The
// Windows side appends to the /log file; a run without /log writes nowhere.
#pragma once

#include <string>

namespace tarnwell {

class LogSink {
 public:
  virtual ~LogSink() = default;
  // One line of text, without a line break; the sink adds the time and the
  // break. A sink that cannot write drops the line and says nothing.
  virtual void WriteLine(const std::wstring& text) = 0;
};

}  // namespace tarnwell
