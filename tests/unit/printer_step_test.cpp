// What the package's printer steps read from the package and the command
// line they start the program with: the program's own bounds and quoting.
#include <gtest/gtest.h>

#include "core/installer/printer_step.h"

namespace tarnwell::testing {
namespace {

constexpr wchar_t kProgram[] = L"C:\\Program Files (x86)\\Tarnwell\\Tarnwell PDF Printer Software.exe";
constexpr wchar_t kLog[] = L"C:\\ProgramData\\Tarnwell\\Logs\\run.log";

TEST(PrinterStep, ReadsTheStepsDataWithTheProgramsOwnBounds) {
  const std::wstring both = std::wstring(kProgram) + L"|" + kLog + L"|";
  const struct {
    std::wstring data;
    std::optional<unsigned> seconds;  // nullopt: refused
    bool update = false;
  } cases[] = {
      {both + L"60|1", 60, true},
      {both + L"60|0", 60, false},
      {both + L"60|", 60, false},
      {both + L"60", 60},
      {both + L"604800", 604800},
      {both + L"604801", 1800},  // longer than /timeout takes
      {both + L"0", 1800},
      {both + L"+5", 1800},
      {std::wstring(kProgram) + L"|" + kLog, 1800},
      {std::wstring(L"Tarnwell.exe|") + kLog + L"|60", std::nullopt},
      {std::wstring(kProgram) + L"|\\\\?\\C:\\x.log|60", std::nullopt},
      {kProgram, std::nullopt},
  };
  for (const auto& c : cases) {
    const auto step = ReadPrinterStepData(c.data);
    ASSERT_EQ(step.has_value(), c.seconds.has_value()) << c.data;
    if (!step) continue;
    EXPECT_EQ(step->time_limit_seconds, *c.seconds) << c.data;
    EXPECT_EQ(step->update, c.update) << c.data;
    EXPECT_EQ(step->program, kProgram);
    EXPECT_EQ(step->log_file, kLog);
  }
  EXPECT_EQ(PrinterStepCommandLine(kProgram, L"/install", std::wstring(kLog), 60),
            std::wstring(L"\"") + kProgram + L"\" /install /log \"" + kLog + L"\" /timeout 60");
  EXPECT_EQ(PrinterStepCommandLine(kProgram, L"/uninstall", std::nullopt, 5),
            std::wstring(L"\"") + kProgram + L"\" /uninstall /timeout 5");
}

// An upgrade or a repair on a PC whose printer cannot be there updates the
// files without it; anything else that fails the printer step fails the
// installation. The data is the install step's, as the package formats it.
TEST(PrinterStep, SkipsThePrinterOnlyWhereTheProductWasThereAndThePrinterCannotBe) {
  const std::wstring head = std::wstring(kProgram) + L"|" + kLog + L"|60|1|";
  const std::wstring upgrade = L"{6E1C7C55-94B0-4C4D-9E0B-3A2C1F9D8E71}|";
  const struct {
    std::wstring data;
    int exit_code;
    bool spooler_disabled;
    bool skips;
  } cases[] = {
      {head + upgrade, 1625, false, true},          // upgrade, protected print mode
      {head + L"00:00:00|", 1625, false, true},     // repair (Installed)
      {head + upgrade, 1603, true, true},           // upgrade, spooler disabled
      {head + L"|", 1625, false, false},            // first installation
      {head + L"|", 1603, true, false},
      {head + upgrade + L"1", 1625, false, false},  // a printer there before the run
      {head + upgrade + L"1", 1603, true, false},
      {head + upgrade, 1603, false, false},         // another failure
      {head + upgrade, 1618, false, false},
      {std::wstring(kProgram) + L"|" + kLog + L"|60|1", 1625, false, false},
  };
  for (const auto& c : cases) {
    const auto step = ReadPrinterStepData(c.data);
    ASSERT_TRUE(step.has_value()) << c.data;
    EXPECT_EQ(SkipsFailedPrinterStep(*step, FindPrinterBarrier(c.exit_code, c.spooler_disabled)),
              c.skips)
        << c.data << " " << c.exit_code << " " << c.spooler_disabled;
  }
}

}  // namespace
}  // namespace tarnwell::testing
