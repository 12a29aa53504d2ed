// What every scenario shares: a clean machine and a fresh application folder
// before and after, the program's texts, and the steps a person takes again
// and again.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "win32/window/control_ids.h"
#include "driver.h"
#include "system_state.h"

namespace e2e {

inline constexpr wchar_t kTitle[] = L"Tarnwell PDF Printer";

// The controls are found by the identifiers the program gives them.
using tarnwell::ids::kFrame1;
using tarnwell::ids::kOption1;
using tarnwell::ids::kOption2;
using tarnwell::ids::kPushButton1;
using tarnwell::ids::kPushButton13;
using tarnwell::ids::kText1;
inline constexpr int kCommandControls[] = {kPushButton13, kPushButton1, kOption1, kOption2};

// Client points on the window's bare surface (between the frame and the
// install button) and on the frame's own surface (right of its options).
inline constexpr POINT kBareSurface = {268, 81};
inline constexpr POINT kFrameSurface = {450, 35};

inline const std::vector<int> kOkOnly = {IDOK};
inline const std::vector<int> kYesNo = {IDYES, IDNO};

inline const std::wstring kInstructions =
    L"Quellmark PDF Setup is not installed. Please follow these instructions:\r\n"
    L"\r\n"
    L"1) Go to Control Panel -> Printers and Faxes to add a local printer.\r\n"
    L"2) Choose ''CPW2: (Quellmark PDF Setup)'' on Select a Printer Port dialog box, click Next.\r\n"
    L"3) Choose a Postscript printer (e.g. HP Color LaserJet PS), click Next.\r\n"
    L"4) Enter Quellmark PDF Setup as Printer name, click Next -> Finish.";

class Scenario : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::unique_ptr<Program> Start();
  // Starts with the printer missing, closes the instructions: the main window.
  HWND StartPastInstructions();
  // The started program's next message is the printer instructions, shown
  // while the main window is still hidden; closes it: the main window.
  HWND PassInstructions();
  // Starts with the printer present: the main window, with no message first.
  HWND StartWithPrinterPresent();
  // A notice with the application title, exactly `text`, OK only, no icon,
  // shown with the four command controls enabled; closed with OK.
  void ExpectNotice(const std::wstring& text);
  void ExpectCommandControlsEnabled(bool enabled);
  // Another printer is the default one, and the package is not installed.
  void MakeOtherPrinterTheDefault();

  std::unique_ptr<AppFolder> app_;
  std::unique_ptr<Program> program_;
};

}  // namespace e2e
