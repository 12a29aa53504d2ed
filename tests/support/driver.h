// Drives the real program from outside, the way a person would: starts it
// from an application folder, finds its main window and message boxes, reads
// texts, presses buttons, moves and clicks the mouse, closes it. Every wait
// is bounded.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

inline constexpr DWORD kWaitMs = 15000;

// Polls `done` every 20 ms until it answers true or `timeout_ms` has passed.
bool WaitUntil(const std::function<bool()>& done, DWORD timeout_ms = kWaitMs);

// A message box as shown: the raw text of its static control 0xFFFF (line
// breaks exactly as the program passed them), the ids of its visible buttons.
struct Box {
  HWND hwnd = nullptr;
  std::wstring caption;
  std::wstring text;
  std::vector<int> buttons;
  bool has_icon = false;
};

// Position and size of a window relative to a container's client area.
struct Placement {
  int left, top, width, height;
  bool operator==(const Placement&) const = default;
};

std::wstring WindowText(HWND hwnd);
std::wstring ClassName(HWND hwnd);
Placement PlacementIn(HWND window, HWND container);
bool IsChecked(HWND button);
// Answers a box as a click on its button does; true once the box has gone.
bool Press(const Box& box, int button_id);

// One run of the program, started with its folder as working directory, as
// a double click in the shell does. Ended on destruction if still running.
class Program {
 public:
  explicit Program(const std::wstring& folder);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool started() const { return process_ != nullptr; }
  bool Running() const;
  bool WaitForExit(DWORD timeout_ms = kWaitMs) const;

  HWND FindMainWindow() const;  // visible or not
  bool MainWindowVisible() const;
  HWND WaitForMainWindow(DWORD timeout_ms = kWaitMs) const;  // once visible
  std::optional<Box> CurrentBox() const;
  std::optional<Box> WaitForBox(DWORD timeout_ms = kWaitMs) const;

  // A control of the main window by its identifier, at any depth.
  HWND Control(int id) const;
  // The window with the keyboard focus on the program's thread.
  HWND FocusedWindow() const;
  // Brings the main window forward and moves the mouse over `window`, to the
  // client point `at` or to its centre.
  void PointAt(HWND window, std::optional<POINT> at = std::nullopt) const;
  // The pointer image once the mouse has moved over `window`. Wine reports
  // only the foreground thread's, and cursor handles differ between
  // processes: only the program's own images can be compared.
  HCURSOR CursorOver(HWND window, std::optional<POINT> at = std::nullopt) const;
  void ClickWithMouse(HWND window) const;
  void PressKey(WORD vk) const;
  bool Responds(DWORD timeout_ms) const;
  void Close() const;  // WM_CLOSE, as the close box sends

 private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

}  // namespace e2e
