// The floors for the start-up and memory figures: a program that opens one
// empty window and does nothing else, built with the same toolchain, flags
// and static linking as the program itself. Built with BENCH_READ_PRINTERS
// (and the program's manifest) it is the same-work floor: it also reads the
// printer list once before its window shows, the least any program doing
// this job must do. The driver closes it with WM_CLOSE once it has measured it.
#include <windows.h>

#ifdef BENCH_READ_PRINTERS
#include <winspool.h>

#include <vector>
#endif

namespace {

#ifdef BENCH_READ_PRINTERS
constexpr wchar_t kClass[] = L"TarnwellBenchPrinterList";

// Local printers and connections, names only: what the program's check reads.
void ReadPrinterList() {
  constexpr DWORD kKinds = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
  DWORD needed = 0;
  DWORD count = 0;
  std::vector<BYTE> buffer;
  while (!EnumPrintersW(kKinds, nullptr, 4, buffer.data(), static_cast<DWORD>(buffer.size()),
                        &needed, &count) &&
         GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    buffer.resize(needed);
  }
}
#else
constexpr wchar_t kClass[] = L"TarnwellBenchBare";
#endif
// The program's main window has a client area of 536 x 154 pixels at 96 dpi;
// the same size keeps the first paint comparable.
constexpr int kClientWidth = 536;
constexpr int kClientHeight = 154;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kClass;
  if (!RegisterClassExW(&wc)) return 1;
#ifdef BENCH_READ_PRINTERS
  ReadPrinterList();
#endif

  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
  const HWND hwnd = CreateWindowExW(0, kClass, L"Bare window", kStyle, CW_USEDEFAULT,
                                    CW_USEDEFAULT, frame.right - frame.left,
                                    frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
  if (!hwnd) return 1;
  ShowWindow(hwnd, show_command);
  UpdateWindow(hwnd);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
