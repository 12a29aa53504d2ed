// What the driver measures with: one clock shared by every process, a
// summary of repeated samples, the programs it starts, their windows, their
// processor time and memory.
#pragma once

#include <windows.h>

#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace bench {

// Milliseconds on the performance counter, which every process reads alike.
double NowMs();
double CounterToMs(long long counter);
// Sleeps about `ms` milliseconds (1 ms granularity).
void Pause(double ms);

struct Summary {
  double median = std::numeric_limits<double>::quiet_NaN();
  double min = median, max = median;
  int count = 0;
};
// Leaves out samples that are not numbers (failed runs).
Summary Summarize(std::vector<double> samples);

// A program started with `folder` as its working directory, as a double
// click in the shell starts it.
class Launched {
 public:
  Launched(const std::wstring& program, const std::wstring& folder);
  ~Launched();
  Launched(const Launched&) = delete;
  Launched& operator=(const Launched&) = delete;

  bool ok() const { return process_ != nullptr; }
  HANDLE process() const { return process_; }
  DWORD pid() const { return pid_; }
  const std::wstring& program() const { return program_; }
  double started_ms() const { return started_ms_; }

  // A top-level window of this process of class `window_class`, once it is
  // visible; polled every millisecond. Null after `timeout_ms`.
  HWND WaitForVisible(const wchar_t* window_class, DWORD timeout_ms) const;
  HWND VisibleWindow(const wchar_t* window_class) const;
  // Closes `window` as its close box does, then waits for the process to end;
  // ends it by force when it does not.
  void CloseAndWait(HWND window);

 private:
  std::wstring program_;
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
  double started_ms_ = 0;
};

// Peak working set of the process so far, in bytes; 0 when unknown.
double PeakWorkingSetBytes(HANDLE process);

// Processor time (user and system) of a running program, in milliseconds.
// Under Wine it is read from the kernel's accounting of the program's Linux
// process, because Wine's GetProcessTimes reports no user time for processes
// other than the caller; elsewhere GetProcessTimes answers.
class ProcessClock {
 public:
  ProcessClock(const std::wstring& program, HANDLE process);
  // Sum over the process's threads; NaN when unreadable.
  double CpuMs() const;

 private:
  HANDLE process_;
  int unix_pid_ = 0;  // 0: not under Wine, or not found
};

// Round trip of WM_NULL sent to `window`, in milliseconds; a time-out counts
// with the full time waited.
double RoundTripMs(HWND window, UINT timeout_ms = 2000);

}  // namespace bench
