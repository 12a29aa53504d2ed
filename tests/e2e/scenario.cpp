#include "scenario.h"

#include <winspool.h>

namespace e2e {
namespace {

constexpr wchar_t kWineX11Key[] = L"Software\\Wine\\X11 Driver";

// Without a window manager Wine waits two seconds for one whenever a
// top-level window hides, message boxes included. Unmanaged windows skip the
// wait; programs started after the setting is made pick it up.
class UnmanagedWineWindows : public ::testing::Environment {
 public:
  void SetUp() override {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!GetProcAddress(ntdll, "wine_get_version") ||
        !RegGetValueW(HKEY_CURRENT_USER, kWineX11Key, L"Managed", RRF_RT_REG_SZ, nullptr,
                      nullptr, nullptr)) {
      return;
    }
    added_ = !RegSetKeyValueW(HKEY_CURRENT_USER, kWineX11Key, L"Managed", REG_SZ, L"N",
                              2 * sizeof(wchar_t));
  }
  void TearDown() override {
    if (added_) RegDeleteKeyValueW(HKEY_CURRENT_USER, kWineX11Key, L"Managed");
  }

 private:
  bool added_ = false;
};

[[maybe_unused]] const auto* const kUnmanaged =
    ::testing::AddGlobalTestEnvironment(new UnmanagedWineWindows);

}  // namespace

void Scenario::SetUp() {
  ResetMachine();
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string name = std::string(test->test_suite_name()) + " " + test->name();
  app_ = std::make_unique<AppFolder>(std::wstring(name.begin(), name.end()));
}

void Scenario::TearDown() {
  program_.reset();
  app_.reset();
  ResetMachine();
}

std::unique_ptr<Program> Scenario::Start() {
  auto program = std::make_unique<Program>(app_->path());
  EXPECT_TRUE(program->started());
  return program;
}

HWND Scenario::StartPastInstructions() {
  program_ = Start();
  return PassInstructions();
}

HWND Scenario::PassInstructions() {
  const auto box = program_->WaitForBox();
  if (!box) {
    ADD_FAILURE() << "no instructions message";
    return nullptr;
  }
  EXPECT_EQ(box->text, kInstructions);
  EXPECT_FALSE(program_->MainWindowVisible());
  Press(*box, IDOK);
  return program_->WaitForMainWindow();
}

HWND Scenario::StartWithPrinterPresent() {
  EXPECT_TRUE(PrinterExists(kPackageName));
  program_ = Start();
  HWND main = program_->WaitForMainWindow();
  const auto box = program_->CurrentBox();
  EXPECT_FALSE(box.has_value()) << "unexpected message " << testing::PrintToString(box->text);
  return main;
}

void Scenario::ExpectNotice(const std::wstring& text) {
  const auto box = program_->WaitForBox();
  ASSERT_TRUE(box.has_value()) << "no message box";
  EXPECT_EQ(box->caption, kTitle);
  EXPECT_EQ(box->text, text);
  EXPECT_EQ(box->buttons, kOkOnly);
  EXPECT_FALSE(box->has_icon);
  ExpectCommandControlsEnabled(true);
  EXPECT_TRUE(Press(*box, IDOK));
}

void Scenario::ExpectCommandControlsEnabled(bool enabled) {
  for (int id : kCommandControls) {
    HWND control = program_->Control(id);
    ASSERT_NE(control, nullptr) << "control " << id;
    EXPECT_EQ(IsWindowEnabled(control) != FALSE, enabled) << "control " << id;
  }
}

void Scenario::MakeOtherPrinterTheDefault() {
  ASSERT_TRUE(app_->InstallPackageDirectly());
  ASSERT_TRUE(AddPrinterLike(L"E2E Other Printer", kPackageName));
  ASSERT_TRUE(SetDefaultPrinterW(L"E2E Other Printer"));
  DeletePrinterNamed(kPackageName);
  RemoveTree(InstalledPackageFolder());
  DeleteRegistration();
  ASSERT_FALSE(PrinterExists(kPackageName));
  ASSERT_EQ(DefaultPrinter(), L"E2E Other Printer");
}

}  // namespace e2e
