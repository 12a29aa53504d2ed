// What /status finds, on the program's standard output as well as in the
// log: a detection script or an administrator at a command prompt that
// redirects it reads what is missing without a /log file.
#pragma once

#include <string>

#include "core/unattended/log_sink.h"

namespace tarnwell {

// `text` in UTF-8, as the log file and a redirected output hold it.
std::string Utf8(const std::wstring& text);

// One line on the program's standard output, when it has one (a GUI
// program started without redirection has none): to a console as its text,
// to a file or pipe in UTF-8 with CR LF.
void WriteToStandardOutput(const std::wstring& text);

// Passes every line to `log` and writes it to the standard output.
class StandardOutputSink : public LogSink {
 public:
  explicit StandardOutputSink(LogSink& log) : log_(log) {}
  void WriteLine(const std::wstring& text) override;

 private:
  LogSink& log_;
};

}  // namespace tarnwell
