// Skins at start-up, as they reach the screen: the plain white window, the
// sample skins' colours, and the button face left by a skin the program
// rejects. Colours are read back from the screen itself.
#include <filesystem>
#include <fstream>

#include "scenario.h"
#include "screen_image.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr Rgb kWhite = 0xFFFFFF;

// The sample skins in the source tree (source paths are left out of what the
// build writes, so not from __FILE__); Wine shows the Unix root as drive Z:.
fs::path SkinsFolder() { return L"Z:" + fs::path(E2E_SKINS_DIR).make_preferred().wstring(); }

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
      // White is too light on meadow's hover face: the caption takes the
      // system's window text instead.
      {L"meadow.cjs", 0xEAF4E0, 0xEAF4E0, 0x2E5A1C, 0xEAF4E0, 0x1F3316,
       0x5E8C31, 0x000000, 0x76A844},
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
