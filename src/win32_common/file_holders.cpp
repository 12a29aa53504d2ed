#include "win32_common/file_holders.h"

#include <windows.h>
#include <restartmanager.h>

#include <algorithm>
#include <vector>

#include "core/port/run_error.h"
#include "win32_common/system_library.h"

namespace tarnwell {
namespace {

// No more are named: a line, not a process list.
constexpr UINT kMostNamed = 8;
constexpr UINT kMostListed = 256;

// The session's end, whatever way out.
class RestartSession {
 public:
  explicit RestartSession(decltype(&RmEndSession) end) : end_(end) {}
  ~RestartSession() {
    if (open_) end_(handle_);
  }
  RestartSession(const RestartSession&) = delete;
  RestartSession& operator=(const RestartSession&) = delete;
  DWORD handle_ = 0;
  bool open_ = false;

 private:
  decltype(&RmEndSession) end_;
};

}  // namespace

std::wstring HoldersOf(const std::wstring& path) {
  try {
    static const auto start =
        SystemFunction<decltype(&RmStartSession)>(L"rstrtmgr.dll", "RmStartSession");
    static const auto end = SystemFunction<decltype(&RmEndSession)>(L"rstrtmgr.dll", "RmEndSession");
    static const auto add =
        SystemFunction<decltype(&RmRegisterResources)>(L"rstrtmgr.dll", "RmRegisterResources");
    static const auto list = SystemFunction<decltype(&RmGetList)>(L"rstrtmgr.dll", "RmGetList");
    RestartSession session(end);
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    if (start(&session.handle_, 0, key) != ERROR_SUCCESS) return {};
    session.open_ = true;
    LPCWSTR files[] = {path.c_str()};
    if (add(session.handle_, 1, files, 0, nullptr, 0, nullptr) != ERROR_SUCCESS) return {};
    // A list too short for them all is not filled: asked again, once, with
    // room for as many as there were.
    UINT needed = 0;
    UINT count = 0;
    std::vector<RM_PROCESS_INFO> found(kMostNamed);
    DWORD reasons = 0;
    DWORD listed = ERROR_MORE_DATA;
    for (int tries = 0; tries < 2 && listed == ERROR_MORE_DATA; ++tries) {
      if (needed > found.size()) found.resize(std::min<UINT>(needed, kMostListed));
      count = static_cast<UINT>(found.size());
      listed = list(session.handle_, &needed, &count, found.data(), &reasons);
    }
    if (listed != ERROR_SUCCESS) return {};
    std::wstring named;
    for (UINT i = 0; i < count && i < kMostNamed; ++i) {
      named += (named.empty() ? L", held by " : L", ") + std::wstring(found[i].strAppName) +
               L" (process " + std::to_wstring(found[i].Process.dwProcessId) + L")";
    }
    if (count > kMostNamed) named += L" and " + std::to_wstring(count - kMostNamed) + L" more";
    return named;
  } catch (const RunError&) {
    return {};
  }
}

}  // namespace tarnwell
