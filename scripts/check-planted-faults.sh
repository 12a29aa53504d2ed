#!/usr/bin/env bash
# Plants small faults in the product, one at a time, in a copy of the source
# tree, and runs the tiers that cover each fault's code: a fault the tests do
# not notice is a wrong result that would reach a user or an administrator
# unseen. Each fault is an exact text substitution that must match once; one
# that no longer matches (the code moved on) is reported and counted as not
# caught, so the list cannot quietly stop testing anything. Prints each fault
# as caught (with the tier and the first test that failed) or missed, then
# the score of each area and of the whole list.
# Slow (the copy is built once, then rebuilt for each fault; the Windows
# tiers run under Wine in a prefix of the copy's own): not part of
# scripts/test.sh; docs/building.md says when to run it and how long it takes.
#   scripts/check-planted-faults.sh          every fault
#   scripts/check-planted-faults.sh WORD...  the faults whose area or name holds a WORD
# Fails when a fault does not apply or does not build, when the unchanged
# copy fails a tier, or when fewer than 90 % are caught.
set -uo pipefail
# Read whole before it runs, so the list may be edited during a long run.
{
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

areas=()
names=()
files=()
olds=()
news=()
tiers=()
area="" folder="" area_tiers=""
# section AREA FOLDER TIER...: the faults after it are in files below FOLDER
# and are judged by each TIER in turn until one fails:
#   unit            the native unit tests
#   wine:REGEX      the Windows tests (ctest of build/win32) whose names match
#   tables          scripts/check-msi-tables.py --planted on the built package
#   script:PATH     a check script of the copy, run under its Wine prefix
#   check:PATH      a check script of the copy that needs nothing built
section() { area="$1" folder="$2"; shift 2; area_tiers="$*"; }
# fault NAME FILE OLD NEW: FILE (below the section's FOLDER) with OLD replaced by NEW.
fault() {
  areas+=("$area") names+=("$1") files+=("$folder/$2") olds+=("$3") news+=("$4")
  tiers+=("$area_tiers")
}

section core src/core unit
# The printer's exact name.
fault "name: a longer name counts" printer/printer_search.h \
  'return device_name == name;' 'return device_name.starts_with(name);'
fault "name: compared without case" printer/printer_search.h \
  'return device_name == name;' \
  'if (device_name.size() != name.size()) return false; for (std::size_t i = 0; i < name.size(); ++i) if ((device_name[i] | 0x20) != (name[i] | 0x20)) return false; return true;'
fault "name: the last printer is never looked at" printer/printer_search.cpp \
  'return index_ < count_;' 'return index_ + 1 < count_;'
# Exit codes.
fault "exit code: 1618 answered as 1603" unattended/exit_codes.h \
  'kAnotherInProgress = 1618;' 'kAnotherInProgress = 1603;'
fault "exit code: /status answers 0 without the printer" unattended/exit_codes.h \
  'kNotInstalled = 1;' 'kNotInstalled = 0;'
fault "exit code: elevation needed answered as 1603" unattended/unattended_commands.cpp \
  'return exit_code::kElevationRequired;' 'return exit_code::kFailed;'
fault "exit code: the setup's 1618 not passed on" unattended/unattended_commands.cpp \
  'if (package_code_ == exit_code::kAnotherInProgress) {' 'if (package_code_ == exit_code::kFailed) {'
fault "exit code: protected print mode answered as 1603" unattended/exit_codes.h \
  'kProtectedPrint = 1625;' 'kProtectedPrint = 1603;'
fault "protected print: a policy value other than 1 turns it on" printer/protected_print.cpp \
  'if (value == 1) {' 'if (value != 0) {'
fault "protected print: Windows' answer off yields to the policy" printer/protected_print.cpp \
  'case ProtectedPrintAnswer::Off:' 'case ProtectedPrintAnswer::Off: findings.on = policy == PolicySays::On;'
fault "protected print: the window's Install runs the setup anyway" main_window/install_command.cpp \
  'if (!FindProtectedPrintMode(m).on) return Flow::Next();' 'return Flow::Next();'
fault "spooler: a stopped spooler gets the bare error report" app/step_runner.cpp \
  'if (SpoolerUnreachable(e.system_error())) {' 'if (false) {'
fault "package step: a first installation goes on without the printer it cannot have" \
  installer/printer_step.cpp '&& step.product_was_there && !step.printer_was_there;' \
  '&& !step.printer_was_there;'
fault "package step: a disabled spooler never lets an upgrade go on" installer/printer_step.cpp \
  'return spooler_disabled ? PrinterBarrier::kSpoolerDisabled' 'return false ? PrinterBarrier::kSpoolerDisabled'
# Switch parsing.
fault "switches: upper case letters fold wrongly" unattended/switches.cpp \
  "c = static_cast<wchar_t>(c - L'A' + L'a');" "c = static_cast<wchar_t>(c - L'A' + L'b');"
fault "switches: '-' does not start a switch" unattended/switches.cpp \
  "return !word.empty() && (word[0] == L'/' || word[0] == L'-');" \
  "return !word.empty() && word[0] == L'/';"
fault "switches: two actions accepted" unattended/switches.cpp \
  'if (action_word_) {' 'if (false) {'
fault "switches: /default with another action" unattended/switches.cpp \
  'Refuse(L"/default goes only with /install.");' ';'
fault "switches: /timeout 0 accepted" unattended/switches.cpp \
  'if (value == 0 || value > kMaxTimeoutSeconds) return std::nullopt;' \
  'if (value > kMaxTimeoutSeconds) return std::nullopt;'
# The log path's rules.
fault "log path: '..' accepted" unattended/log_path.cpp \
  'if (component == L"." || component == L"..") {' 'if (component == L".") {'
fault "log path: NUL is a file" unattended/log_path.cpp \
  'L"CON", L"PRN", L"AUX", L"NUL",' 'L"CON", L"PRN", L"AUX", L"NIL",'
fault "log path: a named pipe accepted" unattended/log_path.cpp \
  'if (share == L"PIPE" || share == L"IPC$" || share == L"MAILSLOT") {' \
  'if (share == L"IPC$" || share == L"MAILSLOT") {'
fault "log path: the IPC\$ share accepted" unattended/log_path.cpp \
  'if (share == L"PIPE" || share == L"IPC$" || share == L"MAILSLOT") {' \
  'if (share == L"PIPE" || share == L"MAILSLOT") {'
fault "log path: a stream after a colon accepted" unattended/log_path.cpp \
  "if (path.find(L':', 2) != std::wstring::npos) {" "if (false) {"
# The allow-list of who may change what runs as LocalSystem.
fault "allow-list: CREATOR OWNER on the object itself" installer/folder_access.cpp \
  'return MayOwn(entry.holder) || (entry.holder == Holder::CreatorOwner && entry.inherit_only);' \
  'return MayOwn(entry.holder) || entry.holder == Holder::CreatorOwner;'
fault "allow-list: no access list accepted" installer/folder_access.cpp \
  'if (!list.has_list) return' 'if (!list.has_owner) return'
fault "allow-list: writing to the program's folder not watched" installer/folder_access.cpp \
  'place == PathPlace::ProgramOrPackage ? kChangesAnything : kChangesThePath;' 'kChangesThePath;'
fault "allow-list: any owner accepted" installer/folder_access.cpp \
  'if (!MayOwn(list.owner)) return' 'if (false) return'
fault "allow-list: a deny after the allow subtracts" installer/folder_access.cpp \
  'if (&entry == &allowed) break;' 'if (&entry == &allowed) continue;'
fault "allow-list: an inherit-only deny subtracts from the folder's own allow" \
  installer/folder_access.cpp \
  'if (!allowed.inherit_only && denied.inherit_only) return false;' 'if (false) return false;'
fault "allow-list: changing attributes not watched" installer/folder_access.cpp \
  'constexpr std::uint32_t kWriteAttributes = 0x100;' 'constexpr std::uint32_t kWriteAttributes = 0;'
fault "allow-list: changing attributes counts on a held folder above" installer/folder_access.cpp \
  '{right::kWriteAttributes, true, false, L"change its attributes"},' \
  '{right::kWriteAttributes, true, true, L"change its attributes"},'
fault "allow-list: an Everyone deny reaches ANONYMOUS LOGON" installer/folder_access.cpp \
  'allowed.holder != Holder::AnonymousLogon;' 'true;'
fault "allow-list: the program's folder judged as a folder above" installer/folder_access.cpp \
  'return index + own >= count ?' 'return index + 1 >= count ?'
fault "log path: a fresh folder's name of another length reused" installer/log_folder_rule.cpp \
  'if (found.size() != name.size() + 17 ||' 'if (found.size() < name.size() + 17 ||'
# The printer's health and the package's version.
fault "health: a missing driver not noticed" printer/printer_health.cpp \
  '} else if (!machine.PrinterDriverInstalled(parts.driver)) {' '} else if (false) {'
fault "health: a missing port not noticed" printer/printer_health.cpp \
  'if (!machine.PrinterPortExists(port)) {' 'if (false) {'
fault "version: only the first field compared" printer/package_version.cpp \
  'const std::size_t fields = std::max(left->size(), right->size());' \
  'const std::size_t fields = 1;'
fault "version: the file version read as the product's" printer/version_resource.cpp \
  'const std::uint32_t ms = U32(v, kFixedAt + 16);' 'const std::uint32_t ms = U32(v, kFixedAt + 8);'
fault "version: a version without its key read" printer/version_resource.cpp \
  'if (U16(v, 6 + 2 * i) != static_cast<std::uint8_t>(key[i])) return std::nullopt;' ';'
# Privileged starts: what is busy, what is held first, what runs from Windows' folders.
fault "privileged: a file in use answered 1603" unattended/unattended_commands.cpp \
  'if (refusal.in_use) {' 'if (false) {'
fault "privileged: a file held for good is \"try again later\" for ever" \
  unattended/unattended_commands.cpp 'if (count < kInUseBound) {' 'if (true) {'
fault "privileged: a program below Windows' folders run as a vendor's" \
  unattended/unattended_steps.cpp \
  'if (upper.compare(0, folder.size(), folder) == 0) return true;' \
  'if (upper.compare(0, folder.size(), folder) == 0 && upper.find(L'"'"'\\'"'"', folder.size()) == std::wstring::npos) return true;'
fault "privileged: /update reads the version before the hold" unattended/unattended_commands.cpp \
  'if (const auto refused = HoldSetupToReadItsVersion()) return *refused;' ';'
fault "privileged: any command of Windows' folders run" unattended/unattended_commands.cpp \
  'const auto run = windows_own ? SystemMsiExecRemoval(m_, *resolved) : resolved;' \
  'const auto run = resolved;'
fault "privileged: a temporary folder left behind logged as removed" \
  unattended/unattended_steps.cpp \
  '} else if (result.temporary_folder_left) {' '} else if (false) {'
fault "msiexec: no UI level added" printer/msiexec_command.cpp \
  ': L" /qn") + L" /norestart";' ': L"") + L"";'
fault "msiexec: a registered UI level that shows dialogs kept in session 0" \
  printer/msiexec_command.cpp \
  '(ui_level == L"quiet" ? L" /quiet" : L" /qn")' '(ui_level.empty() ? L" /qn" : L" /" + ui_level)'
fault "msiexec: other arguments kept" printer/msiexec_command.cpp \
  '    } else if (name != L"norestart") {
      return std::nullopt;
    }' '    }'
fault "msiexec: a product code's letters not checked" printer/msiexec_command.cpp \
  "if (dash ? text[i] != L'-' : !IsHex(text[i])) return false;" \
  "if (dash && text[i] != L'-') return false;"
fault "version: a package whose two schemes differ is installed on every run" unattended/printer_condition.cpp \
  'if (*order > 0 && InstalledAsShipped(machine, *beside, *installed)) {' 'if (false) {'
fault "version: a registration older than its setup answered as done" unattended/unattended_commands.cpp \
  'if (update && !RegisteredAsShipped(m_, log_)) return exit_code::kFailed;' 'if (update) RegisteredAsShipped(m_, log_);'
# Quoting and finding the program to start.
fault "quoting: the program's path left unquoted" printer/command_line.cpp \
  'return {program, L"\"" + program + L"\"" + rest};' 'return {program, program + rest};'
fault "quoting: a drive-relative path counts as full" printer/command_line.cpp \
  "path[1] == L':' && IsSeparator(path[2]);" "path[1] == L':';"
fault "quoting: a quoted relative program accepted" printer/command_line.cpp \
  'if (IsFullyQualified(word) && is_file(word)) return word;' 'if (is_file(word)) return word;'
# The wait's end rule.
fault "wait: over when the setup itself ends" printer/run_and_wait.cpp \
  'return seen.process_ended && (!seen.others_running || seen.result_present);' \
  'return seen.process_ended;'
fault "wait: a time limit ten times too short" printer/run_and_wait.cpp \
  'std::uint64_t{*time_limit_seconds} * 1000' 'std::uint64_t{*time_limit_seconds} * 100'
fault "wait: a program without a full path started" printer/run_and_wait.cpp \
  'if (IsFullyQualified(split.program)) {' 'if (!split.program.empty()) {'
# The step runner's order.
fault "steps: a failed step ends the handler" app/step_runner.cpp \
  'ShowErrorReport(app, location, e.description(), step.line);
      flow = step.on_error;' \
  'ShowErrorReport(app, location, e.description(), step.line);
      flow = Flow::End();'
fault "steps: inserted steps land after the line" app/step_runner.cpp \
  'steps.insert(at, ' 'steps.insert(at + 1, '
# The skin file's bounds.
fault "skin: a file twice the limit accepted" look/skin_file.cpp \
  'if (text_.size() > kMaxSkinFileBytes) {' 'if (text_.size() > 2 * kMaxSkinFileBytes) {'
fault "skin: an overlong UTF-8 form accepted" look/skin_file.cpp \
  'if (code < smallest) FailAt(' 'if (false) FailAt('
fault "skin: a duplicate key accepted" look/skin_file.cpp \
  'if (first_line_[k] != 0) {' 'if (false) {'
fault "skin: a colour longer than #RRGGBB accepted" look/skin_file.cpp \
  "bool well_formed = value.size() == 7 && value[0] == '#';" \
  "bool well_formed = value.size() >= 7 && value[0] == '#';"

# The Win32 side: what started programs get, what the spooler answers a
# repair, the log, the unattended command's answers, the window. Judged by
# the adapter tests and every end-to-end suite under Wine.
section win32 src/win32_common 'wine:^(wine_adapter|e2e_)'
fault "environment: PATH reaches a started program unfiltered" child_environment.cpp \
  'if (IsPathVariable(variable)) {' 'if (false) {'
fault "environment: a PATH folder that fails the check is kept" child_environment.cpp \
  '      left_out.push_back(*why);
      continue;' '      left_out.push_back(*why);'
fault "program path: a file in use answered as refused, not busy" trusted_path.cpp \
  'if (open.error == ERROR_SHARING_VIOLATION) {' 'if (false) {'
fault "program path: the folder beside the program not checked" trusted_path.cpp \
  'if (tree == ProgramTree::kProgramOnly) return std::nullopt;' 'return std::nullopt;'
# Missed under Wine, by design: Wine 8 shows a link's reparse attribute when
# asked by name, never through a handle, which is what the check reads (a
# Unix link read 0x410 by name, 0x10 through its handle), and its
# CreateSymbolicLinkW reports success and makes nothing. Checked instead by
# reading the code against "CreateFileW" and "BY_HANDLE_FILE_INFORMATION"
# on Microsoft Learn: opened with FILE_FLAG_OPEN_REPARSE_POINT, the handle is
# the link's own, whose attributes carry FILE_ATTRIBUTE_REPARSE_POINT.
fault "program path: a link accepted" trusted_path.cpp \
  'if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {' 'if (false) {'
fault "log folder: a name another process holds refuses the walk" log_folder_path.cpp \
  'error == ERROR_SHARING_VIOLATION || error == ERROR_CANT_ACCESS_FILE;' \
  'error == ERROR_CANT_ACCESS_FILE;'
fault "log folder: an earlier fresh folder reused without its check" log_folder_path.cpp \
  'if (!found.file || Unusable(found.file.get(), role)) continue;' 'if (!found.file) continue;'
section win32 src/win32 'wine:^(wine_adapter|e2e_)'
fault "started programs: run in the caller's current folder" machine/process.cpp \
  'child.folder.c_str(), &startup' 'nullptr, &startup'
fault "started programs: a privileged start keeps the caller's TEMP" machine/process.cpp \
  'SetTemporaryFolder(child.block, temporary.path());' ';'
fault "started programs: not in the job, so what a setup starts is not waited for" \
  machine/process.cpp 'JoinJob(info.hProcess, JobForStart())' 'nullptr'
fault "spooler: the printer's driver read as its port" machine/printer_parts.cpp \
  'return {info->pDriverName ? info->pDriverName : L"", info->pPortName ? info->pPortName : L""};' \
  'return {info->pPortName ? info->pPortName : L"", info->pDriverName ? info->pDriverName : L""};'
fault "spooler: removing a printer already gone fails" machine/printer_parts.cpp \
  'if (error == ERROR_INVALID_PRINTER_NAME) return;' ';'
fault "spooler: a missing port found" machine/printer_parts.cpp \
  'if (SameName(entries[i].pName, name)) return true;' 'return true;'
fault "spooler: only this platform's drivers listed" machine/printer_parts.cpp \
  'const_cast<wchar_t*>(L"all")' 'nullptr'
fault "default printer: the scripting host's refusal ignored" machine/default_printer.cpp \
  'result = network->SetDefaultPrinter(name.get());
  if (FAILED(result)) ThrowFailure(result);' 'network->SetDefaultPrinter(name.get());'
fault "lock: a lock another instance holds is taken" machine/command_lock.cpp \
  'if (taken == WAIT_TIMEOUT) return {};' 'if (taken == WAIT_TIMEOUT) return OwnedMutex(std::move(mutex));'
fault "lock: any account may take the privileged commands' lock" machine/command_lock.cpp \
  'TrustedAccountsDescriptor(L"GA", L"");' 'TrustedAccountsDescriptor(L"GA", kOthersMayTakeTurns);'
fault "started programs: a started image other than the held program resumed" \
  machine/process.cpp \
  'if (!StartedFromHeldFile(info.hProcess, checked)) {' 'if (StartedFromHeldFile(info.hProcess, checked)) {'
fault "log: a line written over the file's start" unattended/log_file.cpp \
  'SetFilePointerEx(file_.get(), none, nullptr, FILE_END)' 'SetFilePointerEx(file_.get(), none, nullptr, FILE_BEGIN)'
fault "unattended: a log that cannot be opened, and the command runs anyway" \
  unattended/unattended_main.cpp '} else if (file && !file->is_open()) {' '} else if (false) {'
fault "unattended: /status prints nothing" unattended/unattended_main.cpp \
  'status ? static_cast<LogSink&>(printed) : log' 'log'
fault "unattended: the log has no closing line" unattended/unattended_main.cpp \
  'log.WriteLine(ClosingLine(code, file ? file->dropped() : 0));' ';'
fault "window: a disabled button's click runs its command" window/form1_window.cpp \
  'if (!IsWindowEnabled(button)) return;' ';'
fault "window: the focus goes to the text box after every command" window/form1_window.cpp \
  'focus_ = IsWindowEnabled(button) ? button : text1_;' 'focus_ = text1_;'
# Missed under Wine, by design: Wine 8 answers SPI_GETHIGHCONTRAST with no
# flags ever and refuses SPI_SETHIGHCONTRAST (error 1439), so no test here
# can turn high contrast on. Checked instead by the unit table
# WindowColours.HighContrastUsesTheSystemsColoursAndIgnoresTheSkin (what the
# window draws once the flag is read) and by reading the call against
# "SystemParametersInfoW" and "HIGHCONTRASTW" on Microsoft Learn.
fault "window: high contrast not noticed" window/system_colours.cpp \
  '(high_contrast.dwFlags & HCF_HIGHCONTRASTON);' 'false;'

# The Windows Installer package: its printer steps, its tables and how they
# are built, judged by the package's validation rules first (quick), then by
# the package installed, upgraded and removed under Wine's msiexec.
section package installer tables 'wine:^msi_Msi'
fault "restart: the removal's printer step records no request" tarnwell.wxs \
  '<CustomAction Id="SetRemovePrinterData" Property="RemovePrinter" Impersonate="yes"
                  Value="[INSTALLDIR]Tarnwell PDF Printer Software.exe|[CommonAppDataFolder]Tarnwell PDF Printer Software\Logs\Tarnwell PDF Printer Software.log|[PRINTERTIMEOUT]|[RestartRequestNonce]"/>' \
  '<CustomAction Id="SetRemovePrinterData" Property="RemovePrinter" Impersonate="yes"
                  Value="[INSTALLDIR]Tarnwell PDF Printer Software.exe|[CommonAppDataFolder]Tarnwell PDF Printer Software\Logs\Tarnwell PDF Printer Software.log|[PRINTERTIMEOUT]"/>'
fault "restart: logged as asked for, never asked of Windows Installer" restart_request.cpp \
  'const UINT result = MsiSetMode(install, MSIRUNMODE_REBOOTATEND, TRUE);' \
  'const UINT result = ERROR_SUCCESS;'
# Windows refuses MsiSetMode to a deferred action, which Wine does not show
# (tests/msi/msi_test.cpp): the package's tables judge this one.
fault "restart: RestartIfRequested runs in the script" tarnwell.wxs \
  'DllEntry="RestartIfRequested"
                  Execute="immediate"' 'DllEntry="RestartIfRequested"
                  Execute="deferred"'
fault "steps: a printer that cannot be installed answered as success" printer_actions.cpp \
  ': ERROR_INSTALL_FAILURE;' ': ERROR_SUCCESS;'
fault "steps: a printer that cannot be removed keeps the package" printer_actions.cpp \
  'Log(install, L"Tarnwell PDF Printer Software /uninstall failed; the removal goes on.");
      break;' \
  'Log(install, L"Tarnwell PDF Printer Software /uninstall failed; the removal goes on.");
      return ERROR_INSTALL_FAILURE;'
fault "steps: a file held for good stops every removal" printer_actions.cpp \
  'if (unsafe->in_use && !rollback && tarnwell::CountHeldFile(unsafe->file)) {' 'if (false) {'
fault "steps: PRINTERTIMEOUT not passed on to the install step" tarnwell.wxs \
  '|[PRINTERTIMEOUT]|[PRINTERUPDATE]|' '|1800|[PRINTERUPDATE]|'
fault "upgrade: protected print mode still fails an upgrade that had no printer" \
  printer_actions.cpp 'RunProgram(install, L"/install", true)' 'RunProgram(install, L"/install", false)'
fault "upgrade: the install step is not told that the product was there before" tarnwell.wxs \
  '|[Installed][WIX_UPGRADE_DETECTED]|' '||'
fault "upgrade: a disabled Print Spooler service not seen by the install step" printer_actions.cpp \
  'config->dwStartType == SERVICE_DISABLED;' 'config->dwStartType == SERVICE_AUTO_START;'
fault "rollback: the rollback steps run impersonated" build_msi.cmake \
  'SET `Type` = 3393 WHERE' 'SET `Type` = 1345 WHERE'
fault "upgrade: the old version removed after the transaction's start" build_msi.cmake \
  'SET `Sequence` = 1501 WHERE' 'SET `Sequence` = 1550 WHERE'
fault "REMOVEPRINTER: unset, the printer goes even where the package never put it" tarnwell.wxs \
  'Property="REMOVEPRINTER" Impersonate="yes" Value="[INSTALLPRINTER]"' \
  'Property="REMOVEPRINTER" Impersonate="yes" Value="1"'
fault "log folder: where the program's log went not said in the installation's log" log_folder.cpp \
  '  take_notes();
  if (log.folder.refusal) {' '  if (log.folder.refusal) {'
fault "upgrade: a development build no longer replaces a rebuild of its own version" \
  build_msi.cmake 'set(upgrade_attributes 513)' 'set(upgrade_attributes 1)'

# release/deploy.cmd, what deployment tools run: under Wine's cmd by its
# own tests, then through the recipe cards and blocks of docs/.
section deploy installer wine:msi_DeployScript script:scripts/check-readme-commands.sh
fault "exit code: the program's 3010 answered as 0" deploy.cmd \
  'exit /b %errorlevel%' $'if not errorlevel 3011 if errorlevel 3010 exit /b 0\nexit /b %errorlevel%'
fault "status: given the install's /timeout, refused instead of answered" deploy.cmd \
  'if /i not "%command%"=="status" if not defined has_timeout' 'if not defined has_timeout'
fault "uninstall: a printer package still registered answered as nothing left" deploy.cmd \
  'if not errorlevel 1 goto no_program' 'rem'
fault "log path: the machine's log in the Temp folder" deploy.cmd \
  'set "log_switch= /log "%ProgramData%\%product%\Logs\%command%.log""' \
  'set "log_switch= /log "%TEMP%\%product%\Logs\%command%.log""'
fault "time limit: install and uninstall without /timeout 1800" deploy.cmd \
  'set "timeout_switch= /timeout 1800"' 'set "timeout_switch="'
fault "files: the package app installs the printer too" deploy.cmd \
  'INSTALLPRINTER=0 /qn' '/qn'
fault "removefiles: the package app's removal leaves the printer" deploy.cmd \
  'REMOVEPRINTER=1 /qn' '/qn'
fault "folder detection: the release's printer package version not put in" folder_detection.py \
  'script.replace("{PrinterPackageVersion}", found[0])' 'script'
fault "files: msiexec's log not where Intune collects it" deploy.cmd \
  'if /i "%tool%"=="intune" set "logs=%ProgramData%\Microsoft\IntuneManagementExtension\Logs"' 'rem'

# The check scripts, each judged by the tests that feed it a fault it must
# report: a check that passes on a good tree proves nothing about a bad one.
section checks scripts script:tests/checks/check_scripts_test.sh script:tests/layers/check_layers_test.sh
fault "imports: a DLL not on the list reported but not counted" check-imports.sh \
  'echo "imports: ${program#"$root"/} imports $dll, which is not allowed"
      failures=$((failures + 1))' \
  'echo "imports: ${program#"$root"/} imports $dll, which is not allowed"'
fault "imports: the check's own status lost" check-imports.sh \
  '[ "$failures" -eq 0 ]' '[ "$failures" -ge 0 ]'
fault "layers: the machine may include the window" check-layers.sh \
  '[win32/machine]="win32_common core/look' '[win32/machine]="win32/window win32_common core/look'
fault "layers: angle-bracket includes not read" check-layers.sh \
  '[[ "$target" == */* && -d "src/${target%%/*}" ]] && printf' \
  '[[ "$target" == */* && -f "src/${target%%/*}" ]] && printf'
fault "layers: a Windows header looked for in one folder of the core only" check-layers.sh \
  'windows_headers)(\.h)?[>\"]" src/core)"' 'windows_headers)(\.h)?[>\"]" src/core/texts)"'
fault "reproducible: a file of other bytes passes" check-reproducible.sh \
  'elif ! cmp -s "$first/$file" "$second/$file"; then' 'elif false; then'
fault "reproducible: a file missing from both builds passes" check-reproducible.sh \
  'grep -qxF "$file" <<<"$listing" || listing+=' 'true || listing+='
fault "recipes: the check's own status lost" check-readme-commands.sh \
  'exit "$failed"' 'exit 0'

# The recipe cards' check, one rule at a time left unapplied, judged by its
# own test, which feeds it a card that breaks each rule.
section checks scripts check:tests/checks/check_cards_test.sh
fault "cards: the rule fields not applied" check-deployment-cards.py \
  'def rule_fields(self, rule, card, app):' $'def rule_fields(self, rule, card, app):\n        return'
fault "cards: the rule no-variable not applied" check-deployment-cards.py \
  'def rule_no_variable(self, rule, card, app):' $'def rule_no_variable(self, rule, card, app):\n        return'
fault "cards: the rule script-output not applied" check-deployment-cards.py \
  'def rule_script_output(self, rule, card, app):' $'def rule_script_output(self, rule, card, app):\n        return'
fault "cards: the rule script-64-bit not applied" check-deployment-cards.py \
  'def rule_script_64_bit(self, rule, card, app):' $'def rule_script_64_bit(self, rule, card, app):\n        return'
fault "cards: the rule registry-view not applied" check-deployment-cards.py \
  'def rule_registry_view(self, rule, card, app):' $'def rule_registry_view(self, rule, card, app):\n        return'
fault "cards: the rule required-assignment not applied" check-deployment-cards.py \
  'def rule_required_assignment(self, rule, card, app):' $'def rule_required_assignment(self, rule, card, app):\n        return'
fault "cards: the rule retry-code not applied" check-deployment-cards.py \
  'def rule_retry_code(self, rule, card, app):' $'def rule_retry_code(self, rule, card, app):\n        return'
fault "cards: the rule success-codes not applied" check-deployment-cards.py \
  'def rule_success_codes(self, rule, card, app):' $'def rule_success_codes(self, rule, card, app):\n        return'
fault "cards: the rule install-time not applied" check-deployment-cards.py \
  'def rule_install_time(self, rule, card, app):' $'def rule_install_time(self, rule, card, app):\n        return'
fault "cards: the rule dependency-supersedence not applied" check-deployment-cards.py \
  'def rule_dependency_supersedence(self, rule, card, app):' $'def rule_dependency_supersedence(self, rule, card, app):\n        return'
fault "cards: the rule supersedence-detection not applied" check-deployment-cards.py \
  'def rule_supersedence_detection(self, rule, card, app):' $'def rule_supersedence_detection(self, rule, card, app):\n        return'
fault "cards: the rule printer-requirements not applied" check-deployment-cards.py \
  'def rule_printer_requirements(self, rule, card, app):' $'def rule_printer_requirements(self, rule, card, app):\n        return'
fault "cards: the rule install-folder not applied" check-deployment-cards.py \
  'def rule_install_folder(self, rule, card, app):' $'def rule_install_folder(self, rule, card, app):\n        return'
fault "cards: the rule gpo-restart not applied" check-deployment-cards.py \
  'def rule_gpo_restart(self, rule, card, app):' $'def rule_gpo_restart(self, rule, card, app):\n        return'
fault "cards: a rule missing from the rules file passes" check-deployment-cards.py \
  'for name in sorted(applied - written):' 'for name in []:'
fault "cards: the check's own status lost" check-deployment-cards.py \
  '    if check.faults:
        return 1' '    if False:
        return 1'

# Only the faults asked for.
selected=()
for i in "${!names[@]}"; do
  if [ "$#" -eq 0 ]; then selected+=("$i"); continue; fi
  for word in "$@"; do
    if [[ "${areas[$i]}: ${names[$i]}" == *"$word"* ]]; then selected+=("$i"); break; fi
  done
done
[ "${#selected[@]}" -gt 0 ] || { echo "no fault's area or name holds: $*"; exit 2; }
# What the selection needs: the native tree, the Windows tree, Wine.
need_native=0 need_win32=0
used_tiers=()
for i in "${selected[@]}"; do
  for tier in ${tiers[$i]}; do
    case "$tier" in
      unit) need_native=1 ;;
      check:*) ;;
      *) need_win32=1 ;;
    esac
    [[ " ${used_tiers[*]} " == *" $tier "* ]] || used_tiers+=("$tier")
  done
done

copy="$(mktemp -d "${TMPDIR:-/tmp}/tarnwell-faults.XXXXXX")"
cleanup() {
  if [ "$need_win32" = 1 ] && declare -F tarnwell_stop_wine >/dev/null; then tarnwell_stop_wine; fi
  rm -rf "$copy"
}
trap cleanup EXIT
tree="$copy/tree"
log="$copy/log"
mkdir "$tree"
(cd "$root" && git ls-files -z --cached --others --exclude-standard |
   xargs -0 -r sh -c 'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' sh |
   tar --null -T - -cf -) | tar -xf - -C "$tree" || { echo "could not copy the source tree"; exit 2; }

# rebuild TIERS: brings the trees the TIERS read up to date with the sources.
rebuild() {
  local tier
  for tier in $1; do
    if [ "$tier" = unit ]; then
      cmake --build "$tree/build/native" -j2 >"$log" 2>&1 || return 1
      break
    fi
  done
  for tier in $1; do
    if [ "$tier" != unit ] && [[ "$tier" != check:* ]]; then
      cmake --build "$tree/build/win32" -j2 >"$log" 2>&1 || return 1
      break
    fi
  done
}
# judge TIER: runs one tier on the copy; fails when it notices something.
# Every unit test, and every Windows test, that hangs fails after its bound.
judge() {
  case "$1" in
    unit) ctest --test-dir "$tree/build/native" -j2 --timeout 60 >"$log" 2>&1 ;;
    wine:*) ctest --test-dir "$tree/build/win32" --timeout 600 -R "${1#wine:}" \
              --output-on-failure >"$log" 2>&1 ;;
    tables) /usr/bin/python3 "$tree/scripts/check-msi-tables.py" --planted "$tree"/release/*.msi \
              >"$log" 2>&1 ;;
    script:*) bash "$tree/${1#script:}" >"$log" 2>&1 ;;
    check:*) bash "$tree/${1#check:}" >"$log" 2>&1 ;;
    *) echo "unknown tier $1" >"$log"; return 2 ;;
  esac
}
# What failed, from the log of a tier that noticed the fault: the first
# test case or check that said so. ctest names its failed test before that
# test's output, so a GoogleTest case that failed is looked for first.
first_failure() {
  awk '!failed && match($0, /\[  FAILED  \] [^ ]+/) { failed = substr($0, RSTART + 13, RLENGTH - 13) }
       !other && /Test +#[0-9]+: .*\*\*\*/ { other = $0; sub(/.*Test +#[0-9]+: /, "", other); sub(/ .*/, "", other) }
       !other && match($0, /FAIL(ED)?: .*/) { other = substr($0, RSTART, 100) }
       END { print (failed != "" ? failed : other) }' "$log"
}

if [ "$need_native" = 1 ]; then
  echo "Building the copy's native unit tests (once)"
  if ! cmake -S "$tree" -B "$tree/build/native" -DCMAKE_BUILD_TYPE=Debug >"$log" 2>&1 ||
     ! rebuild unit; then
    tail -n 40 "$log"
    echo "FAILED: the unchanged copy does not build"
    exit 2
  fi
fi
if [ "$need_win32" = 1 ]; then
  echo "Building the copy's program, package and Windows tests (once)"
  if ! "$tree/scripts/build.sh" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "FAILED: the unchanged copy does not build"
    exit 2
  fi
  # The copy's own Wine prefix, display and wineserver.
  unset DISPLAY TARNWELL_WINEPREFIX
  source "$tree/scripts/wine-env.sh"
  tarnwell_ensure_prefix
  tarnwell_ensure_display || exit 2
  tarnwell_start_wineserver
fi
echo "Running each tier once on the unchanged copy: ${used_tiers[*]}"
for tier in "${used_tiers[@]}"; do
  if ! judge "$tier"; then
    tail -n 40 "$log"
    echo "FAILED: the unchanged copy fails $tier: no fault it judges can be judged"
    exit 2
  fi
done

caught=0 missed=0 errors=0
declare -A area_total area_caught
for i in "${selected[@]}"; do
  name="${areas[$i]}: ${names[$i]}" file="$tree/${files[$i]}" old="${olds[$i]}" new="${news[$i]}"
  area_total[${areas[$i]}]=$(( ${area_total[${areas[$i]}]:-0} + 1 ))
  if [ ! -f "$file" ]; then
    echo "error:  $name: ${files[$i]} is not there"
    errors=$((errors + 1))
    continue
  fi
  # The whole file, its last line break included.
  original="$(cat "$file"; printf x)"
  original="${original%x}"
  rest="${original//"$old"/}"
  matches=$(( (${#original} - ${#rest}) / ${#old} ))
  if [ "$matches" -ne 1 ]; then
    echo "error:  $name: the text to change is in ${files[$i]} $matches times, not once"
    errors=$((errors + 1))
    continue
  fi
  printf '%s' "${original/"$old"/"$new"}" >"$file"
  if ! rebuild "${tiers[$i]}"; then
    echo "error:  $name: the copy does not build with it"
    errors=$((errors + 1))
  else
    noticed=""
    for tier in ${tiers[$i]}; do
      if ! judge "$tier"; then noticed="$tier"; break; fi
    done
    if [ -z "$noticed" ]; then
      echo "missed: $name"
      missed=$((missed + 1))
    else
      echo "caught: $name (by $noticed: $(first_failure))"
      caught=$((caught + 1))
      area_caught[${areas[$i]}]=$(( ${area_caught[${areas[$i]}]:-0} + 1 ))
    fi
  fi
  # Written anew, so the next build sees the file changed back.
  printf '%s' "$original" >"$file"
done

# Areas are single words.
for a in $(printf '%s\n' "${!area_total[@]}" | sort); do
  echo "area $a: ${area_caught[$a]:-0} of ${area_total[$a]} caught"
done
total="${#selected[@]}"
echo "planted faults: $caught of $total caught ($((caught * 100 / total)) %), $missed missed, $errors not applied"
[ "$errors" -eq 0 ] && [ $((caught * 10)) -ge $((total * 9)) ]
exit
}
