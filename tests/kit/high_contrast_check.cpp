// With the system's high-contrast setting on, the program's window takes the
// system's colours: the window's face is the window colour and the Install
// button's face the button colour of the scheme in force. A screenshot of
// the window is kept beside the report.
// https://learn.microsoft.com/en-us/windows/win32/api/winuser/nf-winuser-systemparametersinfow (SPI_SETHIGHCONTRAST)
// https://learn.microsoft.com/en-us/windows/win32/api/winuser/ns-winuser-highcontrastw
// https://learn.microsoft.com/en-us/windows/win32/api/winuser/nf-winuser-printwindow
#include <filesystem>
#include <fstream>
#include <map>

#include "driver.h"
#include "kit_context.h"
#include "win32/window/control_ids.h"

namespace kit {
namespace {

using Pixels = std::vector<DWORD>;  // 0x00RRGGBB, top row first

std::string Hex(DWORD rgb) {
  char text[8];
  std::snprintf(text, sizeof text, "#%06lX", static_cast<unsigned long>(rgb & 0xFFFFFF));
  return text;
}

DWORD Rgb(COLORREF colour) {
  return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

// The window's client area as it paints itself, and a BMP file of it.
Pixels Capture(HWND window, int& width, int& height, const std::wstring& bmp) {
  RECT client{};
  GetClientRect(window, &client);
  width = client.right;
  height = client.bottom;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  PrintWindow(window, memory, PW_CLIENTONLY);
  SelectObject(memory, old);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  Pixels pixels(static_cast<std::size_t>(width) * height);
  GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  for (DWORD& pixel : pixels) pixel &= 0xFFFFFF;

  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size() * 4);
  std::ofstream out(std::filesystem::path(bmp), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  out.write(reinterpret_cast<const char*>(pixels.data()), pixels.size() * 4);
  return pixels;
}

// The most frequent colour in `area` of the client area.
DWORD Face(const Pixels& pixels, int width, RECT area) {
  std::map<DWORD, int> counts;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) ++counts[pixels[y * width + x]];
  }
  DWORD face = 0;
  int most = -1;
  for (const auto& [colour, count] : counts) {
    if (count > most) std::tie(face, most) = std::tie(colour, count);
  }
  return face;
}

}  // namespace

Outcome WindowInHighContrast(const Context& context, Cleanup& cleanup) {
  if (context.under_wine) {
    return Skipped("Wine 8 answers SPI_GETHIGHCONTRAST with off always and cannot set it");
  }
  HIGHCONTRASTW before{};
  before.cbSize = sizeof before;
  if (!SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof before, &before, 0)) {
    return Failed("could not read the high-contrast setting: " + SystemError(GetLastError()));
  }
  if (!(before.dwFlags & HCF_HIGHCONTRASTON)) {
    HIGHCONTRASTW on{};
    on.cbSize = sizeof on;
    on.dwFlags = HCF_HIGHCONTRASTON;
    if (!SystemParametersInfoW(SPI_SETHIGHCONTRAST, sizeof on, &on, SPIF_SENDCHANGE)) {
      return Failed("could not turn high contrast on: " + SystemError(GetLastError()));
    }
    cleanup.Add("high contrast turned on", []() -> std::string {
      HIGHCONTRASTW off{};
      off.cbSize = sizeof off;
      return SystemParametersInfoW(SPI_SETHIGHCONTRAST, sizeof off, &off, SPIF_SENDCHANGE)
                 ? ""
                 : SystemError(GetLastError());
    });
  }
  const DWORD window_colour = Rgb(GetSysColor(COLOR_WINDOW));
  const DWORD button_colour = Rgb(GetSysColor(COLOR_BTNFACE));
  std::vector<std::string> details = {"the scheme's window colour " + Hex(window_colour) +
                                      ", button face " + Hex(button_colour)};
  if (window_colour == 0xFFFFFF) {
    return Skipped("the high-contrast scheme in force has a white window colour, as the plain "
                   "look has: choose a dark scheme in Settings and run again");
  }

  e2e::Program program(context.folder + L"\\program");
  if (!program.started()) return Failed("the program did not start");
  // A PC without the printer first shows how to add it by hand.
  e2e::WaitUntil([&] { return program.MainWindowVisible() || program.CurrentBox(); });
  if (const auto box = program.CurrentBox()) e2e::Press(*box, IDOK);
  const HWND window = program.WaitForMainWindow();
  if (!window) return Failed("the program's window did not show");
  Sleep(1000);  // its first paint
  const std::wstring bmp = context.report + L"-high-contrast.bmp";
  int width = 0;
  int height = 0;
  const Pixels pixels = Capture(window, width, height, bmp);
  details.push_back("screenshot: " + Utf8(bmp));
  const RECT corner{0, 0, 8, 8};
  const DWORD face = Face(pixels, width, corner);
  const HWND button = program.Control(tarnwell::ids::kPushButton13);
  RECT area{};
  if (button) {
    GetWindowRect(button, &area);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&area), 2);
  }
  const DWORD button_face = button ? Face(pixels, width, area) : 0;
  program.Close();
  program.WaitForExit();
  details.push_back("the window's face " + Hex(face) + ", the Install button's " +
                    Hex(button_face));
  if (face != window_colour) return Failed("the window's face is not the window colour", details);
  if (!button || button_face != button_colour) {
    return Failed("the Install button's face is not the button colour", details);
  }
  return Passed(details);
}

}  // namespace kit
