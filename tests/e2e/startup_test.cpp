// Starting the program and closing it: the start-up messages, the window as
// it opens, the pointer over it.
#include <filesystem>
#include <fstream>

#include "scenario.h"

namespace e2e {
namespace {

using StartUp = Scenario;

TEST_F(StartUp, MissingPrinterInstructionsComeBeforeTheWindow) {
  program_ = Start();
  const auto box = program_->WaitForBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_FALSE(program_->MainWindowVisible());
  EXPECT_EQ(box->caption, kTitle);
  EXPECT_EQ(box->text, kInstructions);
  EXPECT_EQ(box->buttons, kOkOnly);
  EXPECT_FALSE(box->has_icon);

  ASSERT_TRUE(Press(*box, IDOK));
  EXPECT_NE(program_->WaitForMainWindow(), nullptr);
  EXPECT_FALSE(program_->CurrentBox().has_value());
}

TEST_F(StartUp, WindowOpensAtOnceWithItsLayoutWhenThePrinterIsPresent) {
  ASSERT_TRUE(app_->InstallPackageDirectly());
  HWND main = StartWithPrinterPresent();
  ASSERT_NE(main, nullptr);
  HDC screen = GetDC(nullptr);
  ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSX), 96) << "the layout below is in pixels at 96 dpi";
  ReleaseDC(nullptr, screen);

  EXPECT_EQ(WindowText(main), L"Tarnwell PDF Printer Software");
  RECT client, frame;
  GetClientRect(main, &client);
  EXPECT_EQ(client.right, 536);
  EXPECT_EQ(client.bottom, 154);
  GetWindowRect(main, &frame);
  EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
  const LONG style = GetWindowLongW(main, GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & (WS_MAXIMIZEBOX | WS_THICKFRAME));

  // The layout's twips divided by 15; the option buttons sit in the frame.
  const struct {
    int id, container;
    Placement placement;
    const wchar_t* text;
  } controls[] = {
      {kText1, 0, {176, 190, 81, 35}, L"Text1"},
      {kFrame1, 0, {8, 8, 520, 69}, L"Install Options"},
      {kOption1, kFrame1, {16, 20, 297, 17}, L"Install PDF Printer and set as default printer"},
      {kOption2, kFrame1, {16, 43, 305, 17},
       L"Install PDF Printer but do not set as default printer"},
      {kPushButton13, 0, {8, 85, 520, 27}, L"Install PDF Printer"},
      {kPushButton1, 0, {8, 119, 520, 27}, L"Uninstall PDF Printer"},
  };
  for (const auto& c : controls) {
    HWND control = program_->Control(c.id);
    ASSERT_NE(control, nullptr) << "control " << c.id;
    HWND container = c.container ? program_->Control(c.container) : main;
    EXPECT_EQ(PlacementIn(control, container), c.placement) << "control " << c.id;
    EXPECT_EQ(WindowText(control), c.text);
  }
  // The system's button class, so assistive technology knows them as buttons.
  EXPECT_EQ(ClassName(program_->Control(kPushButton13)), L"Button");
  EXPECT_EQ(ClassName(program_->Control(kPushButton1)), L"Button");
  EXPECT_TRUE(IsChecked(program_->Control(kOption1)));
  EXPECT_FALSE(IsChecked(program_->Control(kOption2)));
  EXPECT_EQ(program_->FocusedWindow(), program_->Control(kText1));
}

TEST_F(StartUp, TabKeyCyclesTextBoxSelectedOptionAndBothButtons) {
  ASSERT_TRUE(app_->InstallPackageDirectly());
  HWND main = StartWithPrinterPresent();
  ASSERT_NE(main, nullptr);
  // A window shown a moment ago can take its activation, and so its focus,
  // a while later on a busy X server: a Tab sent before then goes nowhere.
  ASSERT_TRUE(WaitUntil([&] {
    SetForegroundWindow(main);
    return program_->FocusedWindow() != nullptr;
  }, 5000));
  for (int id : {kText1, kOption1, kPushButton13, kPushButton1, kText1}) {
    HWND control = program_->Control(id);
    ASSERT_NE(control, nullptr);
    if (id != kText1 || program_->FocusedWindow() != control) program_->PressKey(VK_TAB);
    EXPECT_TRUE(WaitUntil([&] { return program_->FocusedWindow() == control; }, 2000))
        << "focus should be on control " << id;
  }
}

TEST_F(StartUp, BrokenCursorFileIsReportedOnceBeforeTheWindow) {
  const std::wstring tail =
      L"in TarnwellPDFPrinter2021/08/31.Form1.Form_Load at line 126\r\r"
      L"Please email screenshot of this message to " E2E_SUPPORT_EMAIL;
  const struct {
    const char* kind;
    const char* bytes;  // null: a folder of that name
  } cases[] = {{"garbage bytes", "not a cursor\x01\x02\x03"}, {"zero bytes", ""}, {"a folder", nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    DeleteFileW(app_->CursorFile().c_str());
    if (c.bytes) {
      std::ofstream(std::filesystem::path(app_->CursorFile()), std::ios::binary) << c.bytes;
    } else {
      CreateDirectoryW(app_->CursorFile().c_str(), nullptr);
    }
    program_ = Start();
    const auto report = program_->WaitForBox();
    ASSERT_TRUE(report.has_value());
    EXPECT_FALSE(program_->MainWindowVisible());
    EXPECT_EQ(report->caption, L"Application Error");
    EXPECT_EQ(report->buttons, kOkOnly);
    EXPECT_TRUE(report->has_icon);
    // First line: the failure's own description, worded by the program.
    const std::size_t line_end = report->text.find(L"\r\n");
    ASSERT_NE(line_end, std::wstring::npos) << testing::PrintToString(report->text);
    EXPECT_NE(line_end, 0u);
    EXPECT_EQ(report->text.find_first_of(L"\r\n"), line_end);
    EXPECT_EQ(report->text.substr(line_end + 2), tail);
    ASSERT_TRUE(Press(*report, IDOK));

    // Start-up goes on with the printer check, then the window opens.
    EXPECT_NE(PassInstructions(), nullptr);
    EXPECT_FALSE(program_->CurrentBox().has_value());
    program_.reset();
    RemoveDirectoryW(app_->CursorFile().c_str());
  }
}

TEST_F(StartUp, ClosingTheWindowEndsTheProgram) {
  ASSERT_NE(StartPastInstructions(), nullptr);
  program_->Close();
  EXPECT_TRUE(program_->WaitForExit(5000));
}

// The program's normal pointer is what its window's bare surface shows.
TEST_F(StartUp, PointerIsTheHandOverPushButtonsAndNormalElsewhere) {
  ASSERT_TRUE(app_->InstallPackageDirectly());
  HWND main = StartWithPrinterPresent();
  ASSERT_NE(main, nullptr);
  const HCURSOR normal = program_->CursorOver(main, kBareSurface);
  ASSERT_NE(normal, nullptr);

  const HCURSOR hand = program_->CursorOver(program_->Control(kPushButton13));
  EXPECT_NE(hand, normal);
  EXPECT_NE(hand, nullptr);
  EXPECT_EQ(program_->CursorOver(program_->Control(kFrame1), kFrameSurface), normal);
  EXPECT_EQ(program_->CursorOver(program_->Control(kPushButton1)), hand);
  // Option buttons and the text box keep whatever kind was set last.
  EXPECT_EQ(program_->CursorOver(program_->Control(kOption1)), hand);
  EXPECT_EQ(program_->CursorOver(main, kBareSurface), normal);
  EXPECT_EQ(program_->CursorOver(program_->Control(kOption2)), normal);
}

TEST_F(StartUp, WithoutTheCursorFileTheButtonsShowTheNormalPointer) {
  ASSERT_TRUE(DeleteFileW(app_->CursorFile().c_str()));
  ASSERT_TRUE(app_->InstallPackageDirectly());
  HWND main = StartWithPrinterPresent();
  ASSERT_NE(main, nullptr);
  const HCURSOR normal = program_->CursorOver(main, kBareSurface);
  EXPECT_EQ(program_->CursorOver(program_->Control(kPushButton13)), normal);
  EXPECT_EQ(program_->CursorOver(program_->Control(kPushButton1)), normal);
}

}  // namespace
}  // namespace e2e
