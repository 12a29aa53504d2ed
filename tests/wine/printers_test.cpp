// The printer list, the default printer and the scripting host's network
// object over the Win32 machine, with a real printer.
// The machine under test comes first, so that every header after it reads
// the platform's names (windows.h renames some of the port's) the same way.
#include "win32/machine/machine.h"

#include <gtest/gtest.h>

#include "core/app/app.h"
#include "core/port/run_error.h"
#include "core/printer/default_printer.h"
#include "core/printer/printer_search.h"
#include "spooler.h"
#include "test_support.h"
#include "win32/machine/wsh_network.h"
#include "win32_common/scoped_handle.h"

namespace tarnwell {
namespace {

class PrintersOnWine : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(printer_.added()) << "the test printer could not be added"; }

  Win32Machine machine_;
  wine_test::DefaultPrinterKeeper keeper_;
  wine_test::TestPrinter printer_;
};

TEST_F(PrintersOnWine, TheListNamesTheAddedPrinterUntilItIsGone) {
  EXPECT_TRUE(IsPrinterInstalled(machine_, printer_.name()));
  EXPECT_FALSE(IsPrinterInstalled(machine_, printer_.name().substr(1)));

  const std::size_t count = machine_.ReadPrinterList();
  EXPECT_THROW(machine_.PrinterName(count), RunError);
  {
    wine_test::TestPrinter second;
    ASSERT_TRUE(second.added());
    EXPECT_EQ(machine_.ReadPrinterList(), count + 1);
  }
  EXPECT_EQ(machine_.ReadPrinterList(), count);
}

TEST_F(PrintersOnWine, MakeDefaultPrinterMakesAnInstalledPrinterTheDefault) {
  App app(machine_);
  EXPECT_TRUE(MakeDefaultPrinter(app, printer_.name(), false));
  EXPECT_EQ(wine_test::CurrentDefaultPrinter(), printer_.name());
  // Each call has its own object; the second succeeds as the first did.
  EXPECT_TRUE(MakeDefaultPrinter(app, printer_.name(), false));
}

TEST_F(PrintersOnWine, MakeDefaultPrinterRefusesAMissingPrinter) {
  App app(machine_);
  ASSERT_TRUE(MakeDefaultPrinter(app, printer_.name(), false));
  EXPECT_FALSE(MakeDefaultPrinter(app, L"Tarnwell No Such Printer", false));
  EXPECT_EQ(wine_test::CurrentDefaultPrinter(), printer_.name());
}

// Wine's network object has no SetDefaultPrinter: the call reaches it and
// fails with "not implemented", and the default stays where it was (the
// spooler then sets it, as MakeDefaultPrinter above shows).
TEST_F(PrintersOnWine, TheScriptHostIsAskedAndRefusesWithWinesReason) {
  const std::wstring before = wine_test::CurrentDefaultPrinter();
  ASSERT_NE(before, printer_.name());
  try {
    machine_.SetDefaultPrinterByScriptHost(printer_.name());
    ADD_FAILURE() << "Wine's network object sets no default printer";
  } catch (const RunError& error) {
    EXPECT_EQ(error.system_error(), 0x80004001u);  // E_NOTIMPL
    EXPECT_EQ(error.description(), L"Not implemented.");
  }
  EXPECT_EQ(wine_test::CurrentDefaultPrinter(), before);
}

// A driver of the 64-bit platform only, as the printer's own driver is on
// 64-bit Windows: this 32-bit program sees it only when it asks for the
// drivers of every platform.
class SixtyFourBitDriver {
 public:
  SixtyFourBitDriver() : name_(L"Tarnwell Wine Test x64 Driver " + wine_test::UniqueSuffix()) {
    added_ = standin::AddWinePostScriptDriverAs(name_.c_str(), kPlatform) == ERROR_SUCCESS;
  }
  ~SixtyFourBitDriver() {
    if (added_) standin::RemoveDriver(name_.c_str(), kPlatform);
  }
  const std::wstring& name() const { return name_; }
  bool added() const { return added_; }

 private:
  static constexpr wchar_t kPlatform[] = L"Windows x64";
  std::wstring name_;
  bool added_ = false;
};

// What a repair asks of the spooler: the printer's driver and port, whether
// each is still there, and the queue's removal, which a printer already gone
// does not fail.
TEST_F(PrintersOnWine, ARepairReadsTheDriverAndPortAndDeletesTheQueue) {
  EXPECT_EQ(machine_.ReadPrinterParts(printer_.name()),
            (PrinterParts{L"Wine PostScript Driver", L"FILE:"}));
  EXPECT_TRUE(machine_.PrinterDriverInstalled(L"Wine PostScript Driver"));
  const SixtyFourBitDriver other_platform;
  ASSERT_TRUE(other_platform.added());
  EXPECT_TRUE(machine_.PrinterDriverInstalled(other_platform.name()));
  EXPECT_FALSE(machine_.PrinterDriverInstalled(L"Wine PostScript"));
  EXPECT_TRUE(machine_.PrinterPortExists(L"FILE:"));
  EXPECT_FALSE(machine_.PrinterPortExists(L"FILE"));

  machine_.DeletePrinterQueue(printer_.name());
  EXPECT_FALSE(IsPrinterInstalled(machine_, printer_.name()));
  EXPECT_NO_THROW(machine_.DeletePrinterQueue(printer_.name()));
}

// The interface is declared by hand and called through its function table:
// the one property Wine implements shows that the layout lines up.
TEST(ScriptHostNetworkOnWine, TheDeclaredLayoutReachesTheUserName) {
  ComPtr<wsh::IWshNetwork2> network;
  ASSERT_EQ(CoCreateInstance(wsh::kClsidWshNetwork, nullptr, CLSCTX_INPROC_SERVER,
                             wsh::kIidIWshNetwork2, network.put_void()),
            S_OK);
  BSTR name = nullptr;
  ASSERT_EQ(network->get_UserName(&name), S_OK);
  const std::wstring user(name, SysStringLen(name));
  SysFreeString(name);

  wchar_t expected[256];
  DWORD size = 256;
  ASSERT_TRUE(GetUserNameW(expected, &size));
  EXPECT_EQ(user, std::wstring(expected));
}

}  // namespace
}  // namespace tarnwell
