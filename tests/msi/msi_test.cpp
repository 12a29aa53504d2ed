// The Windows Installer package installed, upgraded and removed by msiexec
// as deployment tools run it (/qn), checked by what is left on the machine.
//
// MsiPackage needs nothing of the program; MsiPrinter runs the program's
// /install and /uninstall through the package's printer steps.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>

#include "package_state.h"
#include "system_state.h"
#include "win32_common/scoped_handle.h"

namespace msi {
namespace {

namespace fs = std::filesystem;

constexpr DWORD kFailed = 1603;

// Wine shows the Unix root as drive Z:.
std::wstring WindowsPath(const char* unix_path) {
  return L"Z:" + fs::path(unix_path).make_preferred().wstring();
}
std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }
std::wstring Wide(const char* text) { return fs::path(text).wstring(); }

const std::wstring kRelease = Quoted(WindowsPath(MSI_RELEASE_PACKAGE));
const std::wstring kNewer = Quoted(WindowsPath(MSI_TEST_PACKAGES "/newer.msi"));
const std::wstring kFailingPrinter = Quoted(WindowsPath(MSI_TEST_PACKAGES "/failing-printer.msi"));
const std::wstring kFailingUpgrade = Quoted(WindowsPath(MSI_TEST_PACKAGES "/failing-upgrade.msi"));
const std::wstring kFailingUpdate = Quoted(WindowsPath(MSI_TEST_PACKAGES "/failing-update.msi"));
const std::wstring kEndlessSetup = Quoted(WindowsPath(MSI_TEST_PACKAGES "/endless-setup.msi"));
const std::wstring kRebuilt = Quoted(WindowsPath(MSI_TEST_PACKAGES "/rebuilt.msi"));
const std::wstring kRestart = Quoted(WindowsPath(MSI_TEST_PACKAGES "/restart.msi"));

bool Contains(const std::wstring& lower_case_text, std::wstring part) {
  CharLowerBuffW(part.data(), static_cast<DWORD>(part.size()));
  return lower_case_text.find(part) != std::wstring::npos;
}

// Runs `program` with `arguments` and waits for it to end.
void RunToEnd(const std::wstring& program, const std::wstring& arguments) {
  std::wstring command_line = Quoted(program) + L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  ASSERT_TRUE(CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0,
                             nullptr, nullptr, &startup, &info));
  CloseHandle(info.hThread);
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 30000), WAIT_OBJECT_0);
  CloseHandle(info.hProcess);
}

// Installs the printer as someone would without the package: the printer
// package's own setup, run from the application folder.
void InstallPrinterByOtherMeans() {
  RunToEnd(WindowsPath(MSI_DIST_DIR) + L"\\Quellmark PDF Setup\\setup.exe", L"-s -c");
  ASSERT_TRUE(e2e::PrinterExists(e2e::kPackageName));
}

class MsiTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetMachine(); }
  void TearDown() override { ResetMachine(); }

  // Everything of the application folder, in the program's folder.
  static void ExpectApplicationFolderInstalled() {
    const std::wstring dist = WindowsPath(MSI_DIST_DIR);
    const std::vector<std::wstring> shipped = FilesUnder(dist);
    ASSERT_FALSE(shipped.empty());
    for (const std::wstring& file : shipped) {
      const fs::path installed = fs::path(InstallFolder()) / file;
      ASSERT_TRUE(fs::exists(installed)) << installed;
      EXPECT_EQ(fs::file_size(installed), fs::file_size(fs::path(dist) / file)) << installed;
    }
  }

  // The shortcut starts the installed program; Programs and Features shows
  // one entry of `version` by Quellmark, with the icon, the support address
  // as its contact, the program's folder and no Modify button.
  static void ExpectOneInstalledEntry(const char* version) {
    EXPECT_EQ(ShortcutTarget().value_or(L"(no shortcut)"),
              InstallFolder() + L"\\Tarnwell PDF Printer Software.exe");
    const std::vector<Entry> entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].publisher, L"Quellmark");
    EXPECT_EQ(entries[0].version, Wide(version));
    EXPECT_EQ(entries[0].no_modify, 1u);
    EXPECT_EQ(entries[0].contact, Wide(MSI_CONTACT));
    EXPECT_EQ(entries[0].install_location, InstallFolder() + L"\\");
    const std::wstring icon = ProductIcon(entries[0].product_code);
    EXPECT_TRUE(!icon.empty() && e2e::PathExists(icon)) << "icon: " << icon;
  }

  static void ExpectNothingInstalled() {
    EXPECT_FALSE(e2e::PathExists(InstallFolder()));
    EXPECT_FALSE(ShortcutTarget().has_value());
    EXPECT_TRUE(Entries().empty());
  }

  static void ExpectNoPrinter() {
    EXPECT_FALSE(e2e::PrinterExists(e2e::kPackageName));
    EXPECT_FALSE(e2e::PathExists(e2e::InstalledPackageFolder()));
    EXPECT_FALSE(e2e::RegistrationExists());
  }
};

using MsiPackage = MsiTest;
using MsiPrinter = MsiTest;

TEST_F(MsiPackage, WithoutThePrinterInstallsAndRemovesOnlyTheFiles) {
  ASSERT_EQ(Msiexec(L"/i " + kRelease + L" /qn INSTALLPRINTER=0"), 0u);
  ASSERT_NO_FATAL_FAILURE(ExpectApplicationFolderInstalled());
  ExpectOneInstalledEntry(MSI_RELEASE_VERSION);
  ExpectNoPrinter();

  ASSERT_EQ(Msiexec(L"/x " + kRelease + L" /qn REMOVEPRINTER=0"), 0u);
  ExpectNothingInstalled();
}

TEST_F(MsiPrinter, InstallsThePrinterAndRemovesEverything) {
  const std::wstring log = MsiLog(L"install");
  ASSERT_EQ(Msiexec(L"/i " + kRelease + L" /qn /l*v " + Quoted(log)), 0u) << log;
  ASSERT_NO_FATAL_FAILURE(ExpectApplicationFolderInstalled());
  ExpectOneInstalledEntry(MSI_RELEASE_VERSION);
  EXPECT_TRUE(e2e::PrinterExists(e2e::kPackageName));
  // The program's own log is named in the installation's log, and written.
  EXPECT_TRUE(Contains(ReadLogLowerCase(log), ProgramLog())) << log;
  EXPECT_TRUE(e2e::PathExists(ProgramLog()));

  ASSERT_EQ(Msiexec(L"/x " + kRelease + L" /qn"), 0u);
  ExpectNothingInstalled();
  ExpectNoPrinter();
}

// The newer version carries a newer printer package, which its printer step
// installs in place of the older one.
TEST_F(MsiPrinter, NewerVersionReplacesTheOlderOneWhichThenRefusesToInstall) {
  ASSERT_EQ(Msiexec(L"/i " + kRelease + L" /qn"), 0u);
  EXPECT_EQ(e2e::RegisteredVersion(), L"7.0.0.0");
  ASSERT_EQ(Msiexec(L"/i " + kNewer + L" /qn"), 0u);
  ExpectOneInstalledEntry(MSI_NEWER_VERSION);
  EXPECT_TRUE(e2e::PrinterExists(e2e::kPackageName));
  EXPECT_EQ(e2e::RegisteredVersion(), L"7.1.0.0");

  EXPECT_EQ(Msiexec(L"/i " + kRelease + L" /qn"), kFailed);
  ExpectOneInstalledEntry(MSI_NEWER_VERSION);

  ASSERT_EQ(Msiexec(L"/x " + kNewer + L" /qn"), 0u);
  ExpectNothingInstalled();
  ExpectNoPrinter();
}

TEST_F(MsiPrinter, PrinterThatCannotBeInstalledLeavesNothingBehind) {
  EXPECT_EQ(Msiexec(L"/i " + kFailingPrinter + L" /qn"), kFailed);
  ExpectNothingInstalled();
  ExpectNoPrinter();
}

// With Windows protected print mode on, the printer step's 1625 fails the
// installation, which leaves nothing behind, and the MSI log says why;
// without the printer (INSTALLPRINTER=0) the package installs as always.
TEST_F(MsiPrinter, ProtectedPrintModeFailsTheInstallAndSaysWhy) {
  ASSERT_TRUE(e2e::SetProtectedPrintPolicy(1));
  const std::wstring log = MsiLog(L"install");
  EXPECT_EQ(Msiexec(L"/i " + kRelease + L" /qn /l*v " + Quoted(log)), kFailed);
  ExpectNothingInstalled();
  ExpectNoPrinter();
  EXPECT_TRUE(Contains(ReadLogLowerCase(log),
                       L"the program ended with exit code 1625: Windows protected print mode is "
                       L"on: it allows only Windows' own printer drivers"))
      << log;
  EXPECT_EQ(Msiexec(L"/i " + kRelease + L" INSTALLPRINTER=0 /qn"), 0u);
  ExpectApplicationFolderInstalled();
  ExpectNoPrinter();
}

// The package brought the printer, which went since (as on a PC where the
// mode, once on, leaves no room for it); with the mode on, an upgrade and a
// repair update the files, skip the printer step with a warning in the MSI
// log and answer 0. The choice stays, so once the mode is off a repair
// brings the printer.
TEST_F(MsiPrinter, ProtectedPrintModeSkipsTheMissingPrinterInAnUpgradeAndARepair) {
  ASSERT_EQ(Msiexec(L"/i " + kRelease + L" /qn"), 0u);
  RunToEnd(InstallFolder() + L"\\Tarnwell PDF Printer Software.exe", L"/uninstall");
  ASSERT_FALSE(e2e::PrinterExists(e2e::kPackageName));
  ASSERT_TRUE(e2e::SetProtectedPrintPolicy(1));
  const wchar_t warning[] =
      L"/install /update: warning: the printer step is skipped: the program ended with exit "
      L"code 1625: Windows protected print mode is on";
  for (const wchar_t* run : {L"upgrade", L"repair"}) {
    const std::wstring log = MsiLog(std::wstring(L"protected-") + run);
    const std::wstring repair =
        run == std::wstring(L"repair") ? L" REINSTALL=ALL REINSTALLMODE=omus" : L"";
    EXPECT_EQ(Msiexec(L"/i " + kNewer + L" /qn" + repair + L" /l*v " + Quoted(log)), 0u) << log;
    ExpectOneInstalledEntry(MSI_NEWER_VERSION);
    EXPECT_EQ(RememberedChoice().value_or(L"(none)"), L"1");
    EXPECT_FALSE(e2e::PrinterExists(e2e::kPackageName));
    EXPECT_TRUE(Contains(ReadLogLowerCase(log), warning)) << log;
  }
  ASSERT_TRUE(e2e::SetProtectedPrintPolicy(std::nullopt));
  ASSERT_EQ(Msiexec(L"/i " + kNewer + L" /qn REINSTALL=ALL REINSTALLMODE=omus"), 0u);
  EXPECT_TRUE(e2e::PrinterExists(e2e::kPackageName));
  EXPECT_EQ(e2e::RegisteredVersion(), L"7.1.0.0");
}

// Sets the Print Spooler service's start type, as an administrator does
// through the service manager; true when it was set.
bool SetSpoolerStart(DWORD start_type) {
  const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return false;
  const SC_HANDLE service = OpenServiceW(manager, L"Spooler", SERVICE_CHANGE_CONFIG);
  const bool set = service && ChangeServiceConfigW(service, SERVICE_NO_CHANGE, start_type,
                                                   SERVICE_NO_CHANGE, nullptr, nullptr, nullptr,
                                                   nullptr, nullptr, nullptr, nullptr);
  if (service) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return set;
}

// With the Print Spooler service disabled, an upgrade that had no printer
// goes on without it when its printer step fails, and says why; a first
// installation still fails and leaves nothing. (Wine's printer functions
// work without the service, so the failing setup stands in for a spooler
// that does not answer.)
TEST_F(MsiPrinter, DisabledSpoolerSkipsThePrinterInAnUpgradeButNotInAFirstInstall) {
  ASSERT_TRUE(SetSpoolerStart(SERVICE_DISABLED));
  struct Restore {
    ~Restore() { SetSpoolerStart(SERVICE_DEMAND_START); }
  } restore;
  EXPECT_EQ(Msiexec(L"/i " + kFailingPrinter + L" /qn"), kFailed);
  ExpectNothingInstalled();

  ASSERT_EQ(Msiexec(L"/i " + kRelease + L" /qn INSTALLPRINTER=0"), 0u);
  const std::wstring log = MsiLog(L"spooler-disabled-upgrade");
  EXPECT_EQ(Msiexec(L"/i " + kFailingUpgrade + L" /qn INSTALLPRINTER=1 /l*v " + Quoted(log)), 0u)
      << log;
  ExpectOneInstalledEntry(MSI_NEWER_VERSION);
  EXPECT_TRUE(Contains(ReadLogLowerCase(log),
                       L"/install /update: warning: the printer step is skipped: the program "
                       L"ended with exit code 1 and the Print Spooler service is disabled"))
      << log;
}

TEST_F(MsiPrinter, PrinterThatCannotBeRemovedDoesNotKeepThePackage) {
  ASSERT_EQ(Msiexec(L"/i " + kRelease + L" /qn"), 0u);
  ASSERT_TRUE(e2e::PrinterExists(e2e::kPackageName));
  // Without its folder the printer package cannot be uninstalled.
  e2e::RemoveTree(e2e::InstalledPackageFolder());

  const std::wstring log = MsiLog(L"remove");
  EXPECT_EQ(Msiexec(L"/x " + kRelease + L" /qn /l*v " + Quoted(log)), 0u);
  ExpectNothingInstalled();
  EXPECT_TRUE(Contains(ReadLogLowerCase(log), L"/uninstall failed")) << log;
}

// Another account holds a file of the installed program's folder open with
// no sharing: the removal's printer step refuses to run the program, and the
// removal stops, until the third answer in a row, when it goes on without
// removing the printer, says so, and leaves the printer package registered.
// Wine's msiexec does not put a product's registration and component states
// back when a removal rolls back, so no removal can follow a stopped one
// here: the bound is met through the record two answers leave, and the
// stopped removal comes last.
TEST_F(MsiPrinter, AFileHeldForGoodLetsTheThirdRemovalGoOnWithoutThePrinter) {
  const std::wstring program_key = L"SOFTWARE\\Quellmark\\Tarnwell PDF Printer Software";
  const std::wstring note = InstallFolder() + L"\\note.txt";
  const auto kept = [&] {
    wchar_t text[600] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    RegGetValueW(HKEY_LOCAL_MACHINE, program_key.c_str(), L"FileInUse", RRF_RT_REG_SZ, nullptr,
                 text, &size);
    return std::wstring(text);
  };
  ASSERT_EQ(Msiexec(L"/i " + kRelease + L" /qn"), 0u);
  ASSERT_TRUE(e2e::PrinterExists(e2e::kPackageName));
  {
    const tarnwell::UniqueFile held(CreateFileW(note.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                                nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(held);
    const std::wstring second = L"2|" + note;
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, program_key.c_str(), L"FileInUse", REG_SZ,
                              second.c_str(), static_cast<DWORD>((second.size() + 1) * 2)),
              ERROR_SUCCESS);
    const std::wstring log = MsiLog(L"held-3");
    EXPECT_EQ(Msiexec(L"/x " + kRelease + L" /qn /l*v " + Quoted(log)), 0u) << log;
    EXPECT_TRUE(Entries().empty());
    EXPECT_TRUE(e2e::PrinterExists(e2e::kPackageName));
    EXPECT_TRUE(e2e::RegistrationExists());
    EXPECT_TRUE(Contains(ReadLogLowerCase(log), L"note.txt\" was in use the last 3 times in a "
                                                L"row, so the printer is not removed"))
        << log;
  }
  e2e::RemoveTree(InstallFolder());
  ASSERT_EQ(Msiexec(L"/i " + kRelease + L" /qn"), 0u);
  const tarnwell::UniqueFile held(
      CreateFileW(note.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  ASSERT_TRUE(held);
  const std::wstring stopped = MsiLog(L"held-1");
  EXPECT_EQ(Msiexec(L"/x " + kRelease + L" /qn /l*v " + Quoted(stopped)), kFailed) << stopped;
  EXPECT_TRUE(Contains(ReadLogLowerCase(stopped), L"note.txt\" is in use by another program"))
      << stopped;
  EXPECT_TRUE(Contains(ReadLogLowerCase(stopped), L"the removal stops")) << stopped;
  EXPECT_EQ(kept(), L"1|" + note);
}

// A repair keeps the first installation's choice, and a removal leaves a
// printer the package never installed.
TEST_F(MsiPrinter, RemembersThatThePrinterWasNotWanted) {
  ASSERT_EQ(Msiexec(L"/i " + kRelease + L" /qn INSTALLPRINTER=0"), 0u);
  EXPECT_EQ(RememberedChoice().value_or(L"(none)"), L"0");
  ASSERT_EQ(Msiexec(L"/i " + kRelease + L" /qn REINSTALL=ALL REINSTALLMODE=omus"), 0u);
  ExpectNoPrinter();

  ASSERT_NO_FATAL_FAILURE(InstallPrinterByOtherMeans());
  ASSERT_EQ(Msiexec(L"/x " + kRelease + L" /qn"), 0u);
  ExpectNothingInstalled();
  EXPECT_TRUE(e2e::PrinterExists(e2e::kPackageName));
  EXPECT_FALSE(RememberedChoice().has_value());
}

// Windows Installer removes the old version inside the new one's
// transaction, so a failed upgrade rolls back to the old version whole.
// Wine's msiexec cannot show that: it removes the old version in a session
// of its own, printer step included, and nothing brings it back. What Wine
// shows is the failure and its reason; the tables show the order Windows
// Installer follows.
TEST_F(MsiPrinter, FailedUpgradeFailsAndItsTablesKeepTheOldVersionInItsTransaction) {
  ASSERT_EQ(Msiexec(L"/i " + kRelease + L" /qn"), 0u);
  const std::wstring log = MsiLog(L"failed-upgrade");
  EXPECT_EQ(Msiexec(L"/i " + kFailingUpgrade + L" /qn /l*v " + Quoted(log)), kFailed) << log;
  EXPECT_TRUE(Contains(ReadLogLowerCase(log), L"ended with exit code 1 (failed)")) << log;

  const std::wstring package = WindowsPath(MSI_TEST_PACKAGES "/failing-upgrade.msi");
  const std::map<std::wstring, Step> steps = ExecuteSequence(package);
  ASSERT_TRUE(steps.count(L"RemoveExistingProducts") && steps.count(L"InstallInitialize"));
  EXPECT_GT(steps.at(L"RemoveExistingProducts").sequence, steps.at(L"InstallInitialize").sequence);
  for (const wchar_t* deferred : {L"InstallPrinter", L"RemovePrinter"}) {
    const std::wstring rollback = std::wstring(L"Rollback") + deferred;
    ASSERT_TRUE(steps.count(deferred) && steps.count(rollback)) << deferred;
    EXPECT_GT(steps.at(deferred).sequence, steps.at(L"RemoveExistingProducts").sequence);
    EXPECT_LT(steps.at(rollback).sequence, steps.at(deferred).sequence) << deferred;
    EXPECT_EQ(steps.at(rollback).type, 3393) << deferred;  // rollback, in-script, no impersonation
    EXPECT_EQ(steps.at(deferred).type, 3073) << deferred;  // deferred, no impersonation, checked
  }
}

// The upgrade's printer step removes the old printer package to set up the
// newer one (/install /update), whose setup fails. On Windows the upgrade
// removed the old version inside its transaction, so the rollback restores
// the old version's files and entry and then runs the old version's
// RollbackUpgradePrinter, whose /install puts the old printer package back.
// Wine's msiexec removes the old version in a session of its own that it
// commits, so no rollback of it ever runs here: what Wine shows is the
// failure and its reason; the old version's tables show the order Windows
// Installer follows (its step before its files go, so after they are back).
TEST_F(MsiPrinter, FailedPrinterUpdateInAnUpgradeIsUndoneBeforeTheOldVersionsFiles) {
  ASSERT_EQ(Msiexec(L"/i " + kRelease + L" /qn"), 0u);
  ASSERT_EQ(e2e::RegisteredVersion(), L"7.0.0.0");
  const std::wstring log = MsiLog(L"failed-update");
  EXPECT_EQ(Msiexec(L"/i " + kFailingUpdate + L" /qn /l*v " + Quoted(log), 90000).value_or(0),
            kFailed)
      << log;
  EXPECT_TRUE(Contains(ReadLogLowerCase(log),
                       L"/install /update: the program ended with exit code 1603"))
      << log;

  const std::map<std::wstring, Step> steps = ExecuteSequence(WindowsPath(MSI_RELEASE_PACKAGE));
  for (const wchar_t* action : {L"InstallInitialize", L"RemoveExistingProducts", L"RemoveFiles",
                                L"RollbackUpgradePrinter"}) {
    ASSERT_TRUE(steps.count(action)) << action;
  }
  // Validation (ICE63) wants the removal right after InstallInitialize.
  EXPECT_EQ(steps.at(L"RemoveExistingProducts").sequence,
            steps.at(L"InstallInitialize").sequence + 1);
  EXPECT_GT(steps.at(L"RollbackUpgradePrinter").sequence,
            steps.at(L"RemoveExistingProducts").sequence);
  EXPECT_LT(steps.at(L"RollbackUpgradePrinter").sequence, steps.at(L"RemoveFiles").sequence);
  EXPECT_EQ(steps.at(L"RollbackUpgradePrinter").type, 3393);  // rollback, in-script, as LocalSystem
}

// A rebuild of the same version with other content replaces the installed
// one; removing its feature removes the printer the first install put there.
TEST_F(MsiPrinter, SameVersionRebuildReplacesAndRemoveCompleteRemovesThePrinter) {
  ASSERT_EQ(Msiexec(L"/i " + kRelease + L" /qn"), 0u);
  const std::wstring first = Entries().at(0).product_code;
  ASSERT_EQ(Msiexec(L"/i " + kRebuilt + L" /qn"), 0u);
  ExpectOneInstalledEntry(MSI_RELEASE_VERSION);
  EXPECT_NE(Entries().at(0).product_code, first);
  EXPECT_TRUE(e2e::PrinterExists(e2e::kPackageName));

  const std::wstring log = MsiLog(L"remove-complete");
  EXPECT_EQ(Msiexec(L"/i " + kRebuilt + L" /qn REMOVE=Complete /l*v " + Quoted(log)), 0u)
      << log;
  ExpectNothingInstalled();
  ExpectNoPrinter();
}

// The restart requests recorded under the product's key (32-bit view).
int RestartRequests() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Quellmark\\Tarnwell PDF Printer Software", 0,
                    KEY_QUERY_VALUE | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) {
    return 0;
  }
  int count = 0;
  wchar_t name[256];
  for (DWORD length = 256, i = 0;
       RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       length = 256, ++i) {
    count += std::wstring(name, length).rfind(L"RestartRequest ", 0) == 0;
  }
  RegCloseKey(key);
  return count;
}

// A printer step whose program needs a restart succeeds, and msiexec asks
// for the restart at its end (with /norestart: exit code 3010), in an
// installation and in a removal alike. The deferred step only records the
// request under this run's name (Windows refuses MsiSetMode there, which
// Wine does not show); the immediate action after InstallFinalize asks for
// it and deletes the record. A record another run left behind, or one
// planted under any other name, asks for nothing and goes.
TEST_F(MsiPrinter, RestartNeededByThePrinterStepIsAskedForAfterTheTransaction) {
  const std::wstring package = WindowsPath(MSI_TEST_PACKAGES "/restart.msi");
  const std::map<std::wstring, Step> steps = ExecuteSequence(package);
  ASSERT_TRUE(steps.count(L"RestartIfRequested") && steps.count(L"InstallFinalize"));
  EXPECT_GT(steps.at(L"RestartIfRequested").sequence, steps.at(L"InstallFinalize").sequence);
  EXPECT_EQ(steps.at(L"RestartIfRequested").type, 65);  // DLL, immediate, impersonated, ignored

  const std::wstring log = MsiLog(L"restart");
  EXPECT_EQ(Msiexec(L"/i " + kRestart + L" /qn /norestart /l*v " + Quoted(log)), 3010u) << log;
  ASSERT_EQ(Entries().size(), 1u);
  const std::wstring text = ReadLogLowerCase(log);
  const std::size_t recorded = text.find(L"restart request: recorded as \"restartrequest ");
  const std::size_t finalized = text.find(L"installfinalize", recorded);
  const std::size_t asked = text.find(L"restartifrequested: msisetmode(msirunmode_rebootatend) answered 0");
  EXPECT_NE(recorded, std::wstring::npos) << log;
  EXPECT_NE(finalized, std::wstring::npos) << log;
  ASSERT_NE(asked, std::wstring::npos) << log;
  EXPECT_TRUE(recorded < finalized && finalized < asked) << log;
  EXPECT_EQ(RestartRequests(), 0) << "the request was not deleted";

  // Removed, with a request no step of this run made planted first: without
  // the printer step nothing asks for a restart; the removal's own printer
  // step asks for one as the installation's did.
  struct Removal {
    const wchar_t* remove_printer;
    DWORD code;
  };
  for (const Removal& removal : {Removal{L"0", 0}, Removal{L"1", 3010}}) {
    if (Entries().empty()) {
      ASSERT_EQ(Msiexec(L"/i " + kRestart + L" /qn /norestart"), 3010u);
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Quellmark\\Tarnwell PDF Printer Software",
                              0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD one = 1;
    RegSetValueExW(key, L"RestartRequest 0123456789ABCDEF0123456789ABCDEF", 0, REG_DWORD,
                   reinterpret_cast<const BYTE*>(&one), sizeof one);
    RegCloseKey(key);
    ASSERT_EQ(RestartRequests(), 1);
    const std::wstring removal_log =
        MsiLog(std::wstring(L"restart-removal-") + removal.remove_printer);
    EXPECT_EQ(Msiexec(L"/x " + kRestart + L" /qn /norestart REMOVEPRINTER=" +
                      removal.remove_printer + L" /l*v " + Quoted(removal_log)),
              removal.code) << removal_log;
    EXPECT_EQ(RestartRequests(), 0) << removal_log;
    ExpectNothingInstalled();
  }
}

// A folder every account may change is not run from as LocalSystem: the
// printer step runs nothing, says why, and the installation fails.
TEST_F(MsiPrinter, PrinterStepRunsNothingFromAFolderEveryoneMayChange) {
  const std::wstring open_folder = L"C:\\Open to all";
  e2e::RemoveTree(open_folder);
  ASSERT_TRUE(CreateDirectoryW(open_folder.c_str(), nullptr));
  ASSERT_TRUE(e2e::LetEveryoneChange(open_folder));

  const std::wstring log = MsiLog(L"open-folder");
  EXPECT_EQ(Msiexec(L"/i " + kRelease + L" /qn INSTALLDIR=" + Quoted(open_folder + L"\\Tarnwell") +
                    L" /l*v " + Quoted(log)),
            kFailed);
  EXPECT_TRUE(Contains(ReadLogLowerCase(log), L"nothing was run, because")) << log;
  EXPECT_TRUE(Contains(ReadLogLowerCase(log), L"everyone may")) << log;
  EXPECT_TRUE(Entries().empty());
  ExpectNoPrinter();
  e2e::RemoveTree(open_folder);
}

// The log folder's name taken before the printer step runs, by a file or
// by a folder others may change: the step makes a new folder beside it,
// names it in the installation's log, writes the program's log there,
// deletes nothing, and the installation succeeds. Wine shows no owner but
// its one user, so the folder is one Everyone may change; other owners are
// the native table's (log_folder_rule_test.cpp).
TEST_F(MsiPrinter, TakenLogFolderNameGivesANewFolderBesideIt) {
  const std::wstring product = ProgramLog().substr(0, ProgramLog().find(L"\\Logs\\"));
  for (const bool as_file : {true, false}) {
    ResetMachine();
    if (as_file) {
      const HANDLE planted = CreateFileW(product.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                         FILE_ATTRIBUTE_NORMAL, nullptr);
      ASSERT_NE(planted, INVALID_HANDLE_VALUE);
      CloseHandle(planted);
    } else {
      ASSERT_TRUE(CreateDirectoryW(product.c_str(), nullptr));
      ASSERT_TRUE(CreateDirectoryW((product + L"\\Logs").c_str(), nullptr));
      ASSERT_TRUE(e2e::LetEveryoneChange(product));
    }
    const std::wstring log = MsiLog(as_file ? L"log-name-a-file" : L"log-name-a-folder");
    EXPECT_EQ(Msiexec(L"/i " + kRelease + L" /qn /l*v " + Quoted(log)), 0u) << log;
    EXPECT_TRUE(e2e::PrinterExists(e2e::kPackageName)) << log;
    const std::vector<std::wstring> fresh = FreshLogFolders();
    ASSERT_EQ(fresh.size(), 1u) << log;
    EXPECT_TRUE(Contains(ReadLogLowerCase(log),
                         L"the new log folder \"" + fresh[0] + L"\" is used instead"))
        << log;
    EXPECT_TRUE(e2e::PathExists(fresh[0] + L"\\Logs\\Tarnwell PDF Printer Software.log"));
    EXPECT_TRUE(e2e::PathExists(as_file ? product : product + L"\\Logs"));
  }
}

// A setup that never ends is ended with everything it started once
// PRINTERTIMEOUT runs out, and the installation fails and rolls back.
TEST_F(MsiPrinter, PrinterTimeoutEndsASetupThatNeverEnds) {
  const std::wstring log = MsiLog(L"timeout");
  const std::optional<DWORD> code =
      Msiexec(L"/i " + kEndlessSetup + L" /qn PRINTERTIMEOUT=5 /l*v " + Quoted(log), 90000);
  EXPECT_EQ(code.value_or(0), kFailed) << log;
  EXPECT_FALSE(e2e::ProcessRunsUnder(InstallFolder()));
  ExpectNothingInstalled();
  EXPECT_TRUE(Contains(ReadLogLowerCase(ProgramLog()), L"did not end within 5 seconds"));
}

}  // namespace
}  // namespace msi
