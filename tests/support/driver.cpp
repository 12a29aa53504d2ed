#include "driver.h"

#include "app_files.h"
#include "processes.h"

namespace e2e {
namespace {

constexpr DWORD kPollMs = 20;
constexpr UINT kSendTimeoutMs = 2000;

struct WindowSearch {
  DWORD pid;  // 0: children of any process
  const wchar_t* window_class;
  std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if ((!search->pid || pid == search->pid) &&
      (!search->window_class || ClassName(hwnd) == search->window_class)) {
    search->found.push_back(hwnd);
  }
  return TRUE;
}

std::vector<HWND> TopLevelWindows(DWORD pid, const wchar_t* window_class) {
  WindowSearch search{pid, window_class, {}};
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> Descendants(HWND parent) {
  WindowSearch search{0, nullptr, {}};
  EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

DWORD_PTR Ask(HWND hwnd, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(hwnd, message, wparam, lparam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &answer);
  return answer;
}

Box ReadBox(HWND hwnd) {
  Box box{hwnd, WindowText(hwnd)};
  for (HWND child : Descendants(hwnd)) {
    const std::wstring cls = ClassName(child);
    const auto id = static_cast<WORD>(GetDlgCtrlID(child));
    const bool icon_style = (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
    if (cls == L"Static" && id == 0xFFFF) {
      box.text = WindowText(child);
    } else if (cls == L"Static" && icon_style && IsWindowVisible(child)) {
      box.has_icon = box.has_icon || Ask(child, STM_GETICON) != 0;
    } else if (cls == L"Button" && IsWindowVisible(child)) {
      box.buttons.push_back(id);
    }
  }
  return box;
}

void SendMouse(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof input);
}

// A button event that carries its own place on the screen: one that takes
// the pointer's current place can land where the pointer was a moment ago
// when a late move from the X server reaches Wine after ours (a busy
// machine clicked the previous click's button that way).
void SendMouseAt(DWORD flags, POINT at) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = MulDiv(at.x, 65535, width - 1);
  input.mi.dy = MulDiv(at.y, 65535, height - 1);
  input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &input, sizeof input);
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD timeout_ms) {
  const ULONGLONG end = GetTickCount64() + timeout_ms;
  while (!done()) {
    if (GetTickCount64() >= end) return false;
    Sleep(kPollMs);
  }
  return true;
}

std::wstring WindowText(HWND hwnd) {
  // Asked of the window itself, so a control's text comes back as set.
  std::wstring text(Ask(hwnd, WM_GETTEXTLENGTH) + 1, L'\0');
  text.resize(Ask(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
  return text;
}

std::wstring ClassName(HWND hwnd) {
  wchar_t name[256] = {};
  GetClassNameW(hwnd, name, 256);
  return name;
}

Placement PlacementIn(HWND window, HWND container) {
  RECT r;
  GetWindowRect(window, &r);
  POINT origin{0, 0};
  ClientToScreen(container, &origin);
  return {r.left - origin.x, r.top - origin.y, r.right - r.left, r.bottom - r.top};
}

bool IsChecked(HWND button) { return Ask(button, BM_GETCHECK) == BST_CHECKED; }

bool Press(const Box& box, int button_id) {
  PostMessageW(box.hwnd, WM_COMMAND, MAKEWPARAM(button_id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box.hwnd, button_id)));
  return WaitUntil([&] { return !IsWindow(box.hwnd); });
}

Program::Program(const std::wstring& folder) {
  const support::Started started = support::StartInFolder(folder + L"\\" + support::kProgramFile, folder);
  process_ = started.process;
  pid_ = started.pid;
}

Program::~Program() { support::EndAndClose(process_, kWaitMs); }

bool Program::Running() const {
  return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool Program::WaitForExit(DWORD timeout_ms) const {
  return process_ && WaitForSingleObject(process_, timeout_ms) == WAIT_OBJECT_0;
}

HWND Program::FindMainWindow() const {
  const auto windows = TopLevelWindows(pid_, L"TarnwellForm1");
  return windows.empty() ? nullptr : windows.front();
}

bool Program::MainWindowVisible() const {
  HWND main = FindMainWindow();
  return main && IsWindowVisible(main);
}

HWND Program::WaitForMainWindow(DWORD timeout_ms) const {
  return WaitUntil([&] { return MainWindowVisible(); }, timeout_ms) ? FindMainWindow() : nullptr;
}

std::optional<Box> Program::CurrentBox() const {
  for (HWND hwnd : TopLevelWindows(pid_, L"#32770")) {
    if (IsWindowVisible(hwnd)) return ReadBox(hwnd);
  }
  return std::nullopt;
}

std::optional<Box> Program::WaitForBox(DWORD timeout_ms) const {
  std::optional<Box> box;
  WaitUntil([&] { return (box = CurrentBox()).has_value(); }, timeout_ms);
  return box;
}

HWND Program::Control(int id) const {
  HWND main = FindMainWindow();
  for (HWND child : main ? Descendants(main) : std::vector<HWND>{}) {
    if (GetDlgCtrlID(child) == id) return child;
  }
  return nullptr;
}

HWND Program::FocusedWindow() const {
  HWND main = FindMainWindow();
  GUITHREADINFO info{sizeof info};
  if (!main || !GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

void Program::PointAt(HWND window, std::optional<POINT> at) const {
  SetForegroundWindow(FindMainWindow());
  // Input that arrives while the program is still handling its activation
  // (a window shown a moment ago) can lose the button to a late focus
  // change; wait until it has emptied its queue.
  WaitForInputIdle(process_, kSendTimeoutMs);
  Responds(kSendTimeoutMs);
  RECT r;
  GetWindowRect(window, &r);
  POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  if (at) {
    p = *at;
    ClientToScreen(window, &p);
  }
  SetCursorPos(p.x, p.y);
  SendMouse(MOUSEEVENTF_MOVE);  // the move is what the program's handlers see
}

HCURSOR Program::CursorOver(HWND window, std::optional<POINT> at) const {
  PointAt(window, at);
  Sleep(300);  // time for the program to handle the move
  CURSORINFO info{sizeof info};
  return GetCursorInfo(&info) ? info.hCursor : nullptr;
}

void Program::ClickWithMouse(HWND window) const {
  PointAt(window);
  RECT r;
  GetWindowRect(window, &r);
  const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  SendMouseAt(MOUSEEVENTF_LEFTDOWN, centre);
  SendMouseAt(MOUSEEVENTF_LEFTUP, centre);
}

// The key goes to the program's focused control as keyboard input is
// delivered there: synthesised input under a bare Xvfb lands wherever the X
// server's own focus happens to be, which a fresh Wine prefix leaves unsettled.
void Program::PressKey(WORD vk) const {
  HWND focus = FocusedWindow();
  if (!focus) return;
  const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
  PostMessageW(focus, WM_KEYDOWN, vk, 1 | (scan << 16));
  PostMessageW(focus, WM_KEYUP, vk, 1 | (scan << 16) | (1u << 30) | (1u << 31));
}

bool Program::Responds(DWORD timeout_ms) const {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(FindMainWindow(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeout_ms,
                             &ignored) != 0;
}

void Program::Close() const { PostMessageW(FindMainWindow(), WM_CLOSE, 0, 0); }

}  // namespace e2e
