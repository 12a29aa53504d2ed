// Skins at start-up, as they reach the screen: the plain white window, the
// sample skins' colours, and the button face left by a skin the program
// rejects. Colours are read back from the screen itself.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "scenario.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

using Rgb = DWORD;  // 0xRRGGBB, as skin files write colours and screen bitmaps hold them
constexpr Rgb kWhite = 0xFFFFFF;

// The sample skins in the source tree; Wine shows the Unix root as drive Z:.
fs::path SkinsFolder() {
  const fs::path this_file = L"Z:" + fs::path(__FILE__).make_preferred().wstring();
  return this_file.parent_path().parent_path().parent_path() / L"skins";
}

std::string Hex(Rgb colour) {
  char text[8];
  snprintf(text, sizeof text, "#%06lX", static_cast<unsigned long>(colour));
  return text;
}

// The main window's client area as the screen shows it.
class ScreenImage {
 public:
  explicit ScreenImage(HWND window) : window_(window) {
    RECT r;
    GetClientRect(window, &r);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    width_ = r.right - r.left;
    const int height = r.bottom - r.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width_, height, screen, r.left, r.top, SRCCOPY);
    const auto* pixels = static_cast<const Rgb*>(bits);
    for (int i = 0; i < width_ * height; ++i) pixels_.push_back(pixels[i] & 0xFFFFFF);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
  }
  bool operator==(const ScreenImage&) const = default;

  Rgb At(POINT p) const { return pixels_[p.y * width_ + p.x]; }
  // How often each colour appears over `control`.
  std::map<Rgb, int> Colours(HWND control) const {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
    std::map<Rgb, int> count;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) ++count[At({x, y})];
    }
    return count;
  }
  // A control's background: its most frequent colour.
  std::string Face(HWND control) const {
    const auto count = Colours(control);
    return Hex(std::max_element(count.begin(), count.end(), [](auto& a, auto& b) {
                 return a.second < b.second;
               })->first);
  }
  bool Shows(HWND control, Rgb colour) const { return Colours(control).contains(colour); }

 private:
  HWND window_;
  int width_ = 0;
  std::vector<Rgb> pixels_;
};

class Skin : public Scenario {
 protected:
  void SetUp() override {
    Scenario::SetUp();
    SetCursorPos(0, 0);  // a push button under the pointer would show its hover face
  }
  std::wstring SkinFile() const { return app_->path() + L"\\x\\o.cjs"; }

  // The main window once painted: `surface` on its bare surface and the
  // picture still (the push buttons paint after the window).
  HWND Painted(HWND main, Rgb surface) {
    if (!main) return nullptr;
    SetForegroundWindow(main);
    WaitUntil([&] {
      const ScreenImage before(main);
      Sleep(100);
      return before.At(kBareSurface) == surface && ScreenImage(main) == before;
    }, 3000);
    return main;
  }

  void ExpectFaces(HWND main, Rgb surface, Rgb frame, Rgb option, Rgb button) {
    const ScreenImage image(main);
    EXPECT_EQ(Hex(image.At(kBareSurface)), Hex(surface)) << "window surface";
    EXPECT_EQ(Hex(image.At(kFrameSurface)), Hex(frame)) << "frame";
    for (int id : {kOption1, kOption2}) {
      EXPECT_EQ(image.Face(program_->Control(id)), Hex(option)) << "option " << id;
    }
    for (int id : {kPushButton13, kPushButton1}) {
      EXPECT_EQ(image.Face(program_->Control(id)), Hex(button)) << "push button " << id;
    }
  }
};

TEST_F(Skin, WithoutAnOrdinarySkinFileTheWindowStaysWhite) {
  ASSERT_TRUE(app_->InstallPackageDirectly());
  const struct {
    const char* kind;
    void (*lay_out)(const fs::path& skin_file);
  } cases[] = {
      {"no x folder", [](const fs::path&) {}},
      {"o.cjs is a folder", [](const fs::path& file) { fs::create_directories(file); }},
      {"o.cjs is hidden", [](const fs::path& file) {
         fs::create_directories(file.parent_path());
         fs::copy_file(SkinsFolder() / L"slate.cjs", file);
         SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    fs::remove_all(fs::path(SkinFile()).parent_path());
    c.lay_out(SkinFile());
    HWND main = Painted(StartWithPrinterPresent(), kWhite);
    ASSERT_NE(main, nullptr);
    ExpectFaces(main, kWhite, kWhite, kWhite, kWhite);
    program_.reset();
  }
}

TEST_F(Skin, SampleSkinsColourTheWindowAndItsControls) {
  ASSERT_TRUE(app_->InstallPackageDirectly());
  const struct {
    const wchar_t* file;
    Rgb window, frame, frame_text, option, option_text, button, button_text, hover;
  } skins[] = {
      {L"slate.cjs", 0x2B2F36, 0x2B2F36, 0xC9D1D9, 0x2B2F36, 0xE8EAED,
       0x3D5A80, 0xFFFFFF, 0x4F74A3},
      {L"meadow.cjs", 0xEAF4E0, 0xEAF4E0, 0x2E5A1C, 0xEAF4E0, 0x1F3316,
       0x5E8C31, 0xFFFFFF, 0x76A844},
  };
  for (const auto& skin : skins) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(skin.file)));
    fs::create_directories(fs::path(SkinFile()).parent_path());
    fs::copy_file(SkinsFolder() / skin.file, SkinFile(), fs::copy_options::overwrite_existing);
    SetCursorPos(0, 0);
    HWND main = Painted(StartWithPrinterPresent(), skin.window);
    ASSERT_NE(main, nullptr);
    ExpectFaces(main, skin.window, skin.frame, skin.option, skin.button);

    // The texts take the skin's colours, whatever the visual style would draw.
    const ScreenImage image(main);
    EXPECT_TRUE(image.Shows(program_->Control(kFrame1), skin.frame_text));
    EXPECT_TRUE(image.Shows(program_->Control(kOption1), skin.option_text));
    EXPECT_TRUE(image.Shows(program_->Control(kOption2), skin.option_text));
    EXPECT_TRUE(image.Shows(program_->Control(kPushButton1), skin.button_text));

    HWND install = program_->Control(kPushButton13);
    program_->PointAt(install);
    WaitUntil([&] { return ScreenImage(main).Face(install) == Hex(skin.hover); }, 3000);
    EXPECT_EQ(ScreenImage(main).Face(install), Hex(skin.hover)) << "under the pointer";
    program_.reset();
  }
}

TEST_F(Skin, RejectedSkinIsReportedFirstAndLeavesTheButtonFace) {
  fs::create_directories(fs::path(SkinFile()).parent_path());
  std::ofstream(fs::path(SkinFile())) << "window.face = #101010\nbuton.face = #202020\n";
  program_ = Start();
  const auto report = program_->WaitForBox();
  ASSERT_TRUE(report.has_value());
  EXPECT_FALSE(program_->MainWindowVisible());
  EXPECT_EQ(report->caption, L"Application Error");
  EXPECT_EQ(report->text, L"\"" + SkinFile() + L"\", line 2: unknown key \"buton.face\"\r\n"
                          L"in TarnwellPDFPrinter2021/08/31.Form1.Form_Load at line 102\r\r"
                          L"Please email screenshot of this message to " E2E_SUPPORT_EMAIL);
  ASSERT_TRUE(Press(*report, IDOK));

  // Start-up goes on: the printer check, then the window, unskinned.
  HWND shown = PassInstructions();
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const Rgb button_face = GetRValue(face) << 16 | GetGValue(face) << 8 | GetBValue(face);
  HWND main = Painted(shown, button_face);
  ASSERT_NE(main, nullptr);
  ExpectFaces(main, button_face, button_face, button_face, kWhite);
}

}  // namespace
}  // namespace e2e
