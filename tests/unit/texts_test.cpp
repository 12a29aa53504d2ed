// The texts the user reads: looked up by identifier through the machine, so
// a translation reaches every place that shows it, with its values filled in.
#include <gtest/gtest.h>

#include "core/app/error_report.h"
#include "core/main_window/form1_handlers.h"
#include "core/main_window/install_command.h"
#include "core/unattended/usage.h"
#include "fake_machine.h"

namespace tarnwell::testing {
namespace {

TEST(Texts, FillInReplacesNamedValuesOnly) {
  EXPECT_EQ(FillIn(L"{a} and {b}, {a}; {c} {open", {{L"a", L"1"}, {L"b", L"{a}"}}),
            L"1 and {a}, 1; {c} {open");
  EXPECT_EQ(FillIn(L"", {{L"a", L"1"}}), L"");
}

TEST(Texts, TranslationsReachTheBoxesTheReportAndTheUsage) {
  Harness h;
  h.m.translated[TextId::PrinterMissingInstructions] = L"{package} fehlt.";
  h.m.translated[TextId::ErrorReportCaption] = L"Anwendungsfehler";
  h.m.translated[TextId::ErrorReport] = L"{description} | in {location} Zeile {line} | {email}";
  h.m.translated[TextId::Usage] = L"{program} /? {package} {product}.log";
  h.m.fail_printer_list = true;
  Form_Load(h.app);  // the printer list fails: the report, in German
  ASSERT_EQ(h.m.shown.size(), 1u);
  EXPECT_EQ(h.m.shown[0].caption, L"Anwendungsfehler");
  EXPECT_EQ(h.m.shown[0].text,
            L"The printer list cannot be read. | in TarnwellPDFPrinter2021/08/31.Form1.Form_Load "
            L"Zeile 126 | " + std::wstring(SupportEmailAddress()));
  h.m.fail_printer_list = false;
  Form_Load(h.app);  // no printer: the instructions, in German
  ASSERT_EQ(h.m.shown.size(), 2u);
  EXPECT_EQ(h.m.shown[1].text, L"Quellmark PDF Setup fehlt.");
  EXPECT_EQ(UnattendedUsageText(h.m),
            L"\"Tarnwell PDF Printer Software.exe\" /? Quellmark PDF Setup "
            L"Tarnwell PDF Printer Software.log");
}

}  // namespace
}  // namespace tarnwell::testing
