// Start-up, the step runner, the error report and the small shared routines.
#include <gtest/gtest.h>

#include <stdexcept>

#include "core/app/error_report.h"
#include "core/app/shared_routines.h"
#include "core/app/step_runner.h"
#include "core/look/cursor_file.h"
#include "core/main_window/form1_handlers.h"
#include "core/printer/printer_presence.h"
#include "fake_machine.h"

namespace tarnwell::testing {
namespace {

const std::wstring kTitle = L"Tarnwell PDF Printer";
const std::wstring kLoadLocation = L"TarnwellPDFPrinter2021/08/31.Form1.Form_Load";
const std::wstring kCursorPath = L"C:\\Apps\\Tarnwell\\HAND-M.CUR";
const std::wstring kPresenceText =
    L"Quellmark PDF Setup is not installed. Please follow these instructions:\r\n\r\n"
    L"1) Go to Control Panel -> Printers and Faxes to add a local printer.\r\n"
    L"2) Choose ''CPW2: (Quellmark PDF Setup)'' on Select a Printer Port dialog box, click "
    L"Next.\r\n"
    L"3) Choose a Postscript printer (e.g. HP Color LaserJet PS), click Next.\r\n"
    L"4) Enter Quellmark PDF Setup as Printer name, click Next -> Finish.";

Flow Fail() { throw RunError(L"boom"); }

TEST(ErrorReport, TextAndStyle) {
  ASSERT_NE(std::wstring(SupportEmailAddress()), L"");
  Harness h;
  EXPECT_EQ(BuildErrorReportText(h.m, L"X", L"Bad file name", 104),
            L"Bad file name\r\nin X at line 104\r\rPlease email screenshot of this message to " +
                std::wstring(SupportEmailAddress()));
  EXPECT_EQ(BuildErrorReportText(h.m, L"X", L"", 7).substr(0, 7), L"\r\nin X ");
  ShowErrorReport(h.app, L"X", L"d", 3);
  ASSERT_EQ(h.m.shown.size(), 1u);
  EXPECT_EQ(h.m.shown[0].text, ExpectedReport(L"X", L"d", 3));
  EXPECT_EQ(h.m.shown[0].caption, L"Application Error");
  EXPECT_EQ(h.m.shown[0].kind, kWarning);
}

TEST(StepRunner, FollowsFlowsAndResumesFailuresPerStep) {
  Harness h;
  std::vector<int> ran;
  auto step = [&](int line, Flow flow) {
    return Step{line, [&ran, line, flow] { ran.push_back(line); return flow; }};
  };
  RunSteps(h.app, L"H",
           {step(10, Flow::Goto(40)), step(20, Flow::End()), step(30, Flow::Next()),
            step(40, Flow::Goto(20)), step(50, Flow::Next())});
  EXPECT_EQ(ran, (std::vector<int>{10, 40, 20}));
  EXPECT_TRUE(h.m.shown.empty());

  ran.clear();
  RunSteps(h.app, L"H",
           {Step{2, Fail}, step(4, Flow::Next()), Step{6, Fail, Flow::Goto(10)},
            step(8, Flow::Next()), step(10, Flow::Next()),
            Step{12, []() -> Flow { throw std::runtime_error("disk"); }},
            Step{14, Fail, Flow::End()}, step(16, Flow::Next())});
  EXPECT_EQ(ran, (std::vector<int>{4, 10}));
  ASSERT_EQ(h.m.shown.size(), 4u);
  EXPECT_EQ(h.m.shown[0].text, ExpectedReport(L"H", L"boom", 2));
  EXPECT_EQ(h.m.shown[1].text, ExpectedReport(L"H", L"boom", 6));
  EXPECT_EQ(h.m.shown[2].text, ExpectedReport(L"H", L"disk", 12));
  EXPECT_EQ(h.m.shown[3].text, ExpectedReport(L"H", L"boom", 14));
}

TEST(StepRunner, GotoToMissingLineIsAProgrammingFault) {
  Harness h;
  EXPECT_THROW(RunSteps(h.app, L"L ", {{2, [] { return Flow::Goto(99); }}}), std::logic_error);
  EXPECT_THROW(RunSteps(h.app, L"L ", {{2, Fail, Flow::Goto(98)}}), std::logic_error);
}

TEST(SharedRoutines, ApplicationTitle) {
  EXPECT_EQ(DeriveApplicationTitle(L"Tarnwell PDF Printer Software"), kTitle);
  const std::wstring word(35, L'a');  // 44 characters: cut word by word
  EXPECT_EQ(DeriveApplicationTitle(word + L" bb cc dd"), word + L" bb");
  EXPECT_EQ(DeriveApplicationTitle(L"One two"), L"One");
  EXPECT_THROW(DeriveApplicationTitle(L"Single"), RunError);
  EXPECT_THROW(DeriveApplicationTitle(std::wstring(41, L'x') + L" y"), RunError);
  Harness h;
  h.app.title.clear();
  SetApplicationTitle(h.app);
  EXPECT_EQ(h.app.title, kTitle);
}

TEST(SharedRoutines, FileExists) {
  FakeMachine m;
  m.AddFile(L"C:\\f");
  m.AddFile(L"C:\\d", file_attr::kDirectory);
  EXPECT_TRUE(FileExists(m, L"C:\\f"));
  EXPECT_TRUE(FileExists(m, L"C:\\d"));
  EXPECT_FALSE(FileExists(m, L"C:\\missing"));
  EXPECT_FALSE(FileExists(m, L""));
}

TEST(PointerHandlers, KeepHourglassOtherwiseNormalOrHand) {
  Harness h;
  PushButton_MouseMove(h.app);
  EXPECT_EQ(h.m.pointer, PointerKind::Custom);
  Form_MouseMove(h.app);
  EXPECT_EQ(h.m.pointer, PointerKind::Normal);
  h.m.pointer = PointerKind::Hourglass;
  PushButton_MouseMove(h.app);
  Form_MouseMove(h.app);
  EXPECT_EQ(h.m.pointer, PointerKind::Hourglass);
  EXPECT_EQ(h.m.pointer_history.size(), 2u);
}

TEST(FormLoad, WithCursorAndPrinterShowsNothing) {
  Harness h;
  h.app.title.clear();
  h.m.AddFile(kCursorPath);
  h.m.printers = {L"Fax", L"Quellmark PDF Setup"};
  Form_Load(h.app);
  EXPECT_TRUE(h.m.shown.empty());
  EXPECT_EQ(h.m.caption, L"Tarnwell PDF Printer Software");
  EXPECT_TRUE(h.m.Logged(L"Icon"));
  EXPECT_EQ(h.m.custom_pointer, kCursorPath);
  EXPECT_EQ(h.app.title, kTitle);
}

TEST(FormLoad, FailuresAreReportedFirstAndTheSequenceGoesOn) {
  Harness h;
  h.app.title.clear();
  h.m.icon_loads = false;
  h.m.cursor_loads = false;
  h.m.AddFile(kCursorPath);
  Form_Load(h.app);
  ASSERT_EQ(h.m.shown.size(), 3u);
  EXPECT_EQ(h.m.shown[0].text,
            ExpectedReport(kLoadLocation, L"The icon cannot be loaded.", 104));
  EXPECT_EQ(h.m.shown[1].text,
            ExpectedReport(kLoadLocation, L"The file is not a cursor file.", 126));
  EXPECT_EQ(h.m.shown[2].text, kPresenceText);
  EXPECT_EQ(h.m.shown[2].caption, kTitle);  // the title step ran after the icon failed
  EXPECT_TRUE(h.m.custom_pointer.empty());
}

TEST(FormLoad, NoCursorFileIsNoFailureAndUnreadablePrintersGiveNoInstructions) {
  Harness h;
  h.m.fail_printer_list = true;
  Form_Load(h.app);
  EXPECT_FALSE(h.m.Logged(L"LoadPointer"));
  ASSERT_EQ(h.m.shown.size(), 1u);
  EXPECT_EQ(h.m.shown[0].text,
            ExpectedReport(kLoadLocation, L"The printer list cannot be read.", 126));
}

TEST(PrinterPresence, ExactNameAnywhereInTheListCounts) {
  FakeMachine english;
  EXPECT_EQ(PrinterMissingInstructions(english), kPresenceText);
  const std::vector<std::pair<std::vector<std::wstring>, bool>> cases = {
      {{L"Quellmark PDF Setup"}, true},
      {{L"A", L"Quellmark PDF Setup", L"B"}, true},
      {{L"A", L"Quellmark PDF Setup"}, true},
      {{}, false},
      {{L"QUELLMARK PDF SETUP", L"Quellmark PDF Setup2", L" Quellmark PDF Setup"}, false}};
  for (const auto& [printers, present] : cases) {
    Harness h;
    h.m.printers = printers;
    CheckPrinterPresence(h.app);
    CheckPrinterPresence(h.app);  // nothing remembers the first time
    ASSERT_EQ(h.m.shown.size(), present ? 0u : 2u) << printers.size();
    if (present) continue;
    EXPECT_EQ(h.m.shown[1].text, kPresenceText);
    EXPECT_EQ(h.m.shown[1].caption, kTitle);
    EXPECT_EQ(h.m.shown[1].kind, kNotice);
  }
}

// A cursor file: header, one 16-byte directory entry, then the image bytes.
std::vector<std::uint8_t> CursorFile(std::vector<std::uint8_t> image, std::uint32_t claimed = 0) {
  const std::uint32_t size = claimed ? claimed : static_cast<std::uint32_t>(image.size());
  std::vector<std::uint8_t> b = {0, 0, 2, 0, 1, 0, 32, 32, 0, 0, 0, 0, 0, 0};
  for (std::uint32_t v : {size, 22u}) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  b.insert(b.end(), image.begin(), image.end());
  return b;
}

TEST(CursorFile, DescribesWhatIsWrong) {
  std::vector<std::uint8_t> bitmap(40, 0);
  bitmap[0] = 40;
  EXPECT_EQ(DescribeCursorFileProblem(CursorFile(bitmap)), std::nullopt);
  EXPECT_EQ(DescribeCursorFileProblem(CursorFile({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'})),
            std::nullopt);
  auto truncated = CursorFile(bitmap);
  truncated.resize(12);
  auto no_image = CursorFile(bitmap);
  no_image[4] = 0;
  auto icon = CursorFile(bitmap);
  icon[2] = 1;
  const std::wstring beyond = L"The cursor file is cut short: image 1 lies beyond its end.";
  const std::vector<std::pair<std::vector<std::uint8_t>, std::wstring>> cases = {
      {{}, L"The cursor file is empty."},
      {{'M', 'Z', 0x90, 0}, L"The file is not a cursor file."},
      {icon, L"The file is not a cursor file."},
      {no_image, L"The cursor file holds no image."},
      {truncated, L"The cursor file is cut short: its image directory is incomplete."},
      {CursorFile(bitmap, 41), beyond},
      {CursorFile(bitmap, 0xFFFFFFFF), beyond},
      {CursorFile({1, 2, 3, 4, 5, 6, 7, 8, 9}), L"Image 1 of the cursor file is not a picture."},
  };
  for (const auto& [bytes, problem] : cases) {
    EXPECT_EQ(DescribeCursorFileProblem(bytes), problem) << bytes.size();
  }
}

}  // namespace
}  // namespace tarnwell::testing
