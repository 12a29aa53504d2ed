#include "measure.h"

#include <psapi.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cwctype>
#include <limits>

#include "processes.h"

namespace bench {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr DWORD kCloseTimeoutMs = 10000;

double Frequency() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  return frequency;
}

struct Search {
  DWORD pid;
  const wchar_t* window_class;
  HWND found;
};

std::string ReadWholeFile(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string text;
  char buffer[4096];
  DWORD read = 0;
  // Files under /proc report no size; read until the end.
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
  CloseHandle(file);
  return text;
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

std::wstring FromUtf8(const std::string& text) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0);
  std::wstring wide(length, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

template <typename Visit>
void ForEachEntry(const std::wstring& folder, Visit visit) {
  WIN32_FIND_DATAW entry;
  const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    visit(std::wstring(entry.cFileName));
  } while (FindNextFileW(find, &entry));
  FindClose(find);
}

bool AllDigits(const std::wstring& name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), iswdigit);
}

}  // namespace

double NowMs() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / Frequency();
}

double CounterToMs(long long counter) { return static_cast<double>(counter) * 1000.0 / Frequency(); }

void Pause(double ms) {
  const double end = NowMs() + ms;
  while (NowMs() < end) {
    const double left = end - NowMs();
    Sleep(left > 2 ? static_cast<DWORD>(left - 1) : 1);
  }
}

Summary Summarize(std::vector<double> samples) {
  samples.erase(std::remove_if(samples.begin(), samples.end(),
                               [](double s) { return std::isnan(s); }),
                samples.end());
  Summary summary;
  summary.count = static_cast<int>(samples.size());
  if (samples.empty()) {
    summary.median = summary.min = summary.max = kNaN;
    return summary;
  }
  std::sort(samples.begin(), samples.end());
  const std::size_t n = samples.size();
  summary.median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
  summary.min = samples.front();
  summary.max = samples.back();
  return summary;
}

Launched::Launched(const std::wstring& program, const std::wstring& folder) : program_(program) {
  started_ms_ = NowMs();
  const support::Started started = support::StartInFolder(program, folder);
  process_ = started.process;
  pid_ = started.pid;
}

Launched::~Launched() { support::EndAndClose(process_, kCloseTimeoutMs); }

HWND Launched::VisibleWindow(const wchar_t* window_class) const {
  HWND window = nullptr;
  while ((window = FindWindowExW(nullptr, window, window_class, nullptr)) != nullptr) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == pid_ && IsWindowVisible(window)) return window;
  }
  return nullptr;
}

HWND Launched::WaitForVisible(const wchar_t* window_class, DWORD timeout_ms) const {
  const double end = NowMs() + timeout_ms;
  while (NowMs() < end) {
    if (HWND window = VisibleWindow(window_class)) return window;
    if (WaitForSingleObject(process_, 0) != WAIT_TIMEOUT) return nullptr;
    Sleep(1);
  }
  return nullptr;
}

void Launched::CloseAndWait(HWND window) {
  if (!process_) return;
  if (window) PostMessageW(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process_, kCloseTimeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, kCloseTimeoutMs);
  }
}

double PeakWorkingSetBytes(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  if (!GetProcessMemoryInfo(process, &counters, sizeof(counters))) return 0;
  return static_cast<double>(counters.PeakWorkingSetSize);
}

ProcessClock::ProcessClock(const std::wstring& program, HANDLE process) : process_(process) {
  const std::wstring wanted = Lower(program);
  // Wine passes the program's path to Linux as the first argument.
  ForEachEntry(L"Z:\\proc", [&](const std::wstring& name) {
    if (!AllDigits(name)) return;
    const std::string command_line = ReadWholeFile(L"Z:\\proc\\" + name + L"\\cmdline");
    const std::string first = command_line.substr(0, command_line.find('\0'));
    if (Lower(FromUtf8(first)) == wanted) unix_pid_ = std::max(unix_pid_, _wtoi(name.c_str()));
  });
}

double ProcessClock::CpuMs() const {
  if (unix_pid_ <= 0) {
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(process_, &created, &ended, &kernel, &user)) return kNaN;
    const auto ticks = [](const FILETIME& t) {
      return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                 t.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) / 1e4;
  }
  const std::wstring tasks = L"Z:\\proc\\" + std::to_wstring(unix_pid_) + L"\\task";
  double total_ns = 0;
  int threads = 0;
  ForEachEntry(tasks, [&](const std::wstring& tid) {
    if (!AllDigits(tid)) return;
    // schedstat: time on the processor in nanoseconds, then the waits.
    const std::string stat = ReadWholeFile(tasks + L"\\" + tid + L"\\schedstat");
    if (stat.empty()) return;
    total_ns += std::strtod(stat.c_str(), nullptr);
    ++threads;
  });
  return threads ? total_ns / 1e6 : kNaN;
}

double RoundTripMs(HWND window, UINT timeout_ms) {
  DWORD_PTR ignored = 0;
  // A message that times out counts with the time it was left waiting.
  const double start = NowMs();
  SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeout_ms, &ignored);
  return NowMs() - start;
}

}  // namespace bench
