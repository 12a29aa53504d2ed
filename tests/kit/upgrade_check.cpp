// The package's major upgrade whose new printer setup fails: the kit's
// second package is the release's application folder at a higher version
// with a newer printer package whose setup fails. Its RemoveExistingProducts
// runs inside the transaction, so when its printer step fails Windows
// Installer rolls the whole upgrade back: the release must be registered
// again, the newer version not, and the printer (removed by the upgrade's
// printer step to set up the newer one) back through the release's
// RollbackUpgradePrinter.
// https://learn.microsoft.com/en-us/windows/win32/msi/removeexistingproducts-action
// https://learn.microsoft.com/en-us/windows/win32/msi/rollback-installation
// https://learn.microsoft.com/en-us/windows/win32/msi/major-upgrades
// https://learn.microsoft.com/en-us/windows/win32/api/msi/nf-msi-msiqueryproductstatew
#include "kit_context.h"

#include <msi.h>
#include <msiquery.h>

#include <filesystem>

#include "win32_common/system_library.h"

namespace kit {
namespace {

namespace fs = std::filesystem;

// An msi.dll function, from the system folder.
template <typename Function>
Function Msi(const char* name) {
  return tarnwell::SystemFunction<Function>(L"msi.dll", name);
}

// The package's ProductCode, or empty.
std::wstring ProductCode(const fs::path& package) {
  MSIHANDLE database = 0;
  MSIHANDLE view = 0;
  MSIHANDLE record = 0;
  std::wstring code;
  const auto close = Msi<decltype(&MsiCloseHandle)>("MsiCloseHandle");
  if (Msi<decltype(&MsiOpenDatabaseW)>("MsiOpenDatabaseW")(package.c_str(), MSIDBOPEN_READONLY,
                                                           &database) == ERROR_SUCCESS &&
      Msi<decltype(&MsiDatabaseOpenViewW)>("MsiDatabaseOpenViewW")(
          database, L"SELECT `Value` FROM `Property` WHERE `Property` = 'ProductCode'", &view) ==
          ERROR_SUCCESS &&
      Msi<decltype(&MsiViewExecute)>("MsiViewExecute")(view, 0) == ERROR_SUCCESS &&
      Msi<decltype(&MsiViewFetch)>("MsiViewFetch")(view, &record) == ERROR_SUCCESS) {
    wchar_t value[64] = {};
    DWORD size = 64;
    if (Msi<decltype(&MsiRecordGetStringW)>("MsiRecordGetStringW")(record, 1, value, &size) ==
        ERROR_SUCCESS) {
      code = value;
    }
  }
  for (MSIHANDLE handle : {record, view, database}) {
    if (handle) close(handle);
  }
  return code;
}

bool Installed(const std::wstring& product) {
  return Msi<decltype(&MsiQueryProductStateW)>("MsiQueryProductStateW")(product.c_str()) ==
         INSTALLSTATE_DEFAULT;
}

std::optional<DWORD> Msiexec(const std::wstring& arguments) {
  return support::RunProgramToEnd(Expanded(L"%SystemRoot%\\System32\\msiexec.exe"), arguments, {},
                                  900000);
}

std::string Code(const std::optional<DWORD>& code) {
  return code ? std::to_string(*code) : "nothing within 15 minutes";
}

}  // namespace

Outcome FailedUpgradeRollsBack(const Context& context, Cleanup& cleanup) {
  // Read under Wine too: the kit must carry both packages, as two products.
  fs::path release;
  for (const auto& entry : fs::directory_iterator(fs::path(context.folder) / L"package")) {
    if (entry.path().extension() == L".msi") release = entry.path();
  }
  const fs::path failing =
      fs::path(context.folder) / L"test-packages" / L"failing-printer-upgrade.msi";
  const std::wstring old_code = ProductCode(release);
  const std::wstring new_code = ProductCode(failing);
  if (old_code.empty() || new_code.empty() || old_code == new_code) {
    return Failed("the product codes of " + Utf8(release.wstring()) + " and " +
                  Utf8(failing.wstring()) + " cannot be read or are the same");
  }
  if (context.under_wine) {
    return Skipped("Wine's msiexec removes the old version in a session of its own that it "
                   "commits, so no rollback of a major upgrade ever runs");
  }
  if (PrinterInstalled()) return Skipped("the printer is installed on this PC already");
  if (Installed(old_code) || Installed(new_code)) {
    return Skipped("the package is installed on this PC already");
  }
  const fs::path logs = fs::path(context.report).parent_path();
  const std::wstring install_log = (logs / L"run-checks-upgrade-install.log").wstring();
  const std::wstring upgrade_log = (logs / L"run-checks-upgrade.log").wstring();
  // Whatever was installed goes, newest first; the MSI logs stay beside the report.
  for (const std::wstring& product : {old_code, new_code}) {
    cleanup.Add("the package " + Utf8(product), [product]() -> std::string {
      if (!Installed(product)) return "";
      const auto code = Msiexec(L"/x " + product + L" /qn /norestart");
      return Installed(product) ? "msiexec /x answered " + Code(code) + " and it is still there"
                                : "";
    });
  }

  std::vector<std::string> details;
  bool all_held = true;
  const auto expect = [&](bool held, const std::string& what) {
    details.push_back((held ? "as expected: " : "WRONG: ") + what);
    all_held = all_held && held;
  };
  auto code = Msiexec(L"/i \"" + release.wstring() + L"\" /qn /norestart /l*v \"" + install_log +
                      L"\"");
  if (code != 0u || !PrinterInstalled() || !Installed(old_code)) {
    return Failed("the release's install answered " + Code(code) +
                      (PrinterInstalled() ? "" : ", no printer") + "; see " + Utf8(install_log),
                  details);
  }
  code = Msiexec(L"/i \"" + failing.wstring() + L"\" /qn /norestart /l*v \"" + upgrade_log + L"\"");
  expect(code == 1603u, "the failing upgrade answered " + Code(code) + " (its log: " +
                            Utf8(upgrade_log) + ")");
  expect(Installed(old_code), "the release is registered " +
                                  std::string(Installed(old_code) ? "again" : ": NOT"));
  expect(!Installed(new_code),
         std::string("the newer version is ") + (Installed(new_code) ? "registered" : "not registered"));
  expect(PrinterInstalled(), std::string("the printer is ") +
                                 (PrinterInstalled() ? "back" : "gone"));
  return all_held ? Passed(details) : Failed("the upgrade was not rolled back", details);
}

}  // namespace kit
