// release/deploy.cmd run by cmd from an application folder, as a deployment
// tool runs its install and uninstall commands, checked by the exit codes
// it hands back and by what the machine ends with.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>

#include "system_state.h"
#include "package_state.h"

namespace msi {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kMarkerKey[] = L"Software\\Quellmark\\Tarnwell PDF Printer Software";

std::wstring MachineLog(const wchar_t* name) {
  wchar_t program_data[MAX_PATH] = {};
  GetEnvironmentVariableW(L"ProgramData", program_data, MAX_PATH);
  return std::wstring(program_data) + L"\\Tarnwell PDF Printer Software\\Logs\\" + name;
}

std::wstring Lower(std::wstring text) {
  CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

bool DefaultRecorded() {
  DWORD value = 0, size = sizeof value;
  return RegGetValueW(HKEY_CURRENT_USER, kMarkerKey, L"DefaultPrinterSet", RRF_RT_REG_DWORD,
                      nullptr, &value, &size) == ERROR_SUCCESS &&
         value == 1;
}

class DeployScript : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetMachine();
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kMarkerKey, L"DefaultPrinterSet");
    for (const wchar_t* log : {L"install.log", L"uninstall.log"}) DeleteFileW(MachineLog(log).c_str());
    fs::copy_file(L"Z:" + fs::path(MSI_DEPLOY_SCRIPT).make_preferred().wstring(),
                  fs::path(app_.path()) / L"deploy.cmd");
  }
  void TearDown() override {
    ResetMachine();
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kMarkerKey, L"DefaultPrinterSet");
  }

  // cmd /c "FOLDER\deploy.cmd ARGUMENTS": cmd's exit code is the script's.
  std::optional<DWORD> Deploy(const std::wstring& arguments) const {
    return DeployFrom(app_.path(), arguments);
  }
  static std::optional<DWORD> DeployFrom(const std::wstring& folder, const std::wstring& arguments) {
    return RunSystemProgram(L"cmd.exe", L"/c \"\"" + folder + L"\\deploy.cmd\" " + arguments + L"\"",
                            90000);
  }

  e2e::AppFolder app_{L"deploy script"};
};

TEST_F(DeployScript, InstallsReportsAndRemovesWithTheProgramsOwnCodes) {
  EXPECT_EQ(Deploy(L"status").value_or(0), 1u);
  ASSERT_EQ(Deploy(L"install").value_or(1), 0u);
  EXPECT_TRUE(e2e::PrinterExists(e2e::kPackageName));
  EXPECT_NE(ReadLogLowerCase(MachineLog(L"install.log")).find(L"/install /timeout 1800 /log"),
            std::wstring::npos);
  EXPECT_EQ(Deploy(L"status").value_or(1), 0u);

  // Switches after the command reach the program as given: its own log
  // (a name with blanks and "&") instead of the script's, an empty "" (which
  // the program refuses, 1639), and a second /timeout (refused too).
  EXPECT_EQ(Deploy(L"status \"\" /log \"" + MsiLog(L"deploy-status") + L"\"").value_or(0), 1639u);
  const std::wstring own_log = MsiLog(L"deploy & uninstall");
  ASSERT_EQ(Deploy(L"uninstall /log \"" + own_log + L"\"").value_or(1), 0u);
  EXPECT_FALSE(e2e::PrinterExists(e2e::kPackageName));
  EXPECT_NE(ReadLogLowerCase(own_log).find(L"exit code 0."), std::wstring::npos);
  EXPECT_FALSE(e2e::PathExists(MachineLog(L"uninstall.log")));
  EXPECT_EQ(Deploy(L"uninstall /timeout 600 /timeout 60").value_or(0), 1639u);

  EXPECT_EQ(Deploy(L"repair").value_or(0), 1639u);
}

// Whatever the program answers is the script's answer: a stand-in built
// beside these tests, in the program's place, answers 3010 ("done; a restart
// finishes it") to every command.
TEST_F(DeployScript, ProgramsOwnCodeIsPassedOnUnchanged) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  fs::copy_file(fs::path(self).parent_path() / L"msi_restart_program.exe",
                fs::path(app_.path()) / L"Tarnwell PDF Printer Software.exe",
                fs::copy_options::overwrite_existing);
  for (const wchar_t* command : {L"install", L"uninstall", L"status", L"default"}) {
    EXPECT_EQ(Deploy(command).value_or(0), 3010u) << command;
  }
}

// The default time limit would take 30 minutes; a short one given to the
// script ends the setup and everything it started.
TEST_F(DeployScript, TimeLimitEndsASetupThatNeverEnds) {
  app_.UseSetupFixture(L"msi_endless_setup.exe");
  EXPECT_EQ(Deploy(L"install /timeout 3").value_or(0), 1603u);
  EXPECT_FALSE(e2e::ProcessRunsUnder(app_.path()));
  EXPECT_FALSE(e2e::PrinterExists(e2e::kPackageName));
  EXPECT_NE(ReadLogLowerCase(MachineLog(L"install.log")).find(L"did not end within 3 seconds"),
            std::wstring::npos);
}

// The per-user app: the default printer once, recorded for detection; its
// uninstall command removes only the record.
TEST_F(DeployScript, DefaultPrinterIsSetOnceAndItsRecordRemoved) {
  ASSERT_EQ(Deploy(L"install").value_or(1), 0u);
  ASSERT_EQ(Deploy(L"default").value_or(1), 0u);
  EXPECT_EQ(e2e::DefaultPrinter(), e2e::kPackageName);
  EXPECT_TRUE(DefaultRecorded());

  EXPECT_EQ(Deploy(L"forgetdefault").value_or(1), 0u);
  EXPECT_FALSE(DefaultRecorded());
  EXPECT_EQ(e2e::DefaultPrinter(), e2e::kPackageName);
  EXPECT_EQ(Deploy(L"forgetdefault").value_or(1), 0u);
}

// The printer step beside the package: deploy.cmd alone in its folder runs
// the program the package installed without the printer, in the folder the
// package was told to use.
TEST_F(DeployScript, AloneItRunsTheProgramThePackageInstalled) {
  const std::wstring package = L"Z:" + fs::path(MSI_RELEASE_PACKAGE).make_preferred().wstring();
  const std::wstring elsewhere =
      (fs::path(InstallFolder()).parent_path() / L"Tarnwell elsewhere").wstring();
  ASSERT_EQ(Msiexec(L"/i \"" + package + L"\" /qn INSTALLPRINTER=0 INSTALLDIR=\"" + elsewhere +
                    L"\"").value_or(1), 0u);
  const fs::path alone = fs::path(app_.path()).parent_path() / L"deploy script alone";
  e2e::RemoveTree(alone.wstring());
  fs::create_directories(alone);
  fs::copy_file(fs::path(app_.path()) / L"deploy.cmd", alone / L"deploy.cmd");

  EXPECT_EQ(DeployFrom(alone.wstring(), L"install").value_or(1), 0u);
  EXPECT_TRUE(e2e::PrinterExists(e2e::kPackageName));
  EXPECT_NE(ReadLogLowerCase(MachineLog(L"install.log")).find(Lower(elsewhere)), std::wstring::npos);
  EXPECT_EQ(DeployFrom(alone.wstring(), L"uninstall").value_or(1), 0u);
  EXPECT_FALSE(e2e::PrinterExists(e2e::kPackageName));

  // Removed in the other order: the package first. With REMOVEPRINTER=1 it
  // takes the printer, and the printer app's uninstall then finds nothing
  // left (0); with REMOVEPRINTER=0 the printer package stays registered
  // with no program to remove it (1603). (The package's own folder: Wine's
  // msiexec does not find a custom INSTALLDIR again when it removes.)
  struct Order {
    const wchar_t* remove_printer;
    bool printer_left;
    DWORD uninstall_code;
  };
  for (const Order& order : {Order{L"1", false, 0}, Order{L"0", true, 1603}}) {
    ResetMachine();
    ASSERT_EQ(Msiexec(L"/i \"" + package + L"\" /qn INSTALLPRINTER=0").value_or(1), 0u);
    ASSERT_EQ(DeployFrom(alone.wstring(), L"install").value_or(1), 0u);
    ASSERT_EQ(Msiexec(L"/x \"" + package + L"\" /qn REMOVEPRINTER=" + order.remove_printer)
                  .value_or(1), 0u);
    EXPECT_EQ(e2e::PrinterExists(e2e::kPackageName), order.printer_left) << order.remove_printer;
    EXPECT_EQ(e2e::RegistrationExists(), order.printer_left) << order.remove_printer;
    EXPECT_EQ(DeployFrom(alone.wstring(), L"uninstall").value_or(1), order.uninstall_code)
        << order.remove_printer;
  }
  e2e::RemoveTree(alone.wstring());
}

// Started from a network path it runs nothing and says what to do instead.
// Wine serves no share; "\\.\C:\..." is a path that starts the same way.
TEST_F(DeployScript, FromANetworkPathItStopsAtOnce) {
  const std::wstring said = MsiLog(L"deploy-network");
  EXPECT_EQ(DeployFrom(L"\\\\.\\" + app_.path(), L"install 2>\"" + said + L"\"").value_or(0), 50u);
  EXPECT_NE(ReadLogLowerCase(said).find(L"copy this folder to a local disk, or install the windows "
                                        L"installer package"),
            std::wstring::npos);
  EXPECT_FALSE(e2e::PrinterExists(e2e::kPackageName));
}

// A file planted at the log folder's name blocks nothing: the program makes
// a fresh folder beside it and logs there; the file stays. Later runs find
// that folder and log there too, so a name taken for good gives one folder.
TEST_F(DeployScript, LogFolderNameTakenByAFileGivesAFreshFolder) {
  const std::wstring taken = MachineLog(L"").substr(0, MachineLog(L"").rfind(L"\\Logs\\"));
  const HANDLE planted =
      CreateFileW(taken.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(planted, INVALID_HANDLE_VALUE);
  CloseHandle(planted);
  EXPECT_EQ(Deploy(L"install").value_or(1), 0u);
  EXPECT_EQ(Deploy(L"install").value_or(1), 0u);
  EXPECT_EQ(Deploy(L"status").value_or(1), 0u);
  EXPECT_TRUE(e2e::PrinterExists(e2e::kPackageName));
  const std::vector<std::wstring> fresh = FreshLogFolders();
  ASSERT_EQ(fresh.size(), 1u);
  const std::wstring install_log = ReadLogLowerCase(fresh[0] + L"\\Logs\\install.log");
  EXPECT_NE(install_log.find(L"is not installed."), std::wstring::npos) << fresh[0];
  EXPECT_NE(install_log.find(L"is installed already"), std::wstring::npos) << fresh[0];
  EXPECT_TRUE(e2e::PathExists(fresh[0] + L"\\Logs\\status.log"));
  EXPECT_FALSE(fs::is_directory(taken));
}

}  // namespace
}  // namespace msi
