@echo off
rem What deployment tools run (an Intune Win32 app, a Configuration Manager
rem script installer), shipped in release/ beside the Windows Installer
rem package:
rem   deploy.cmd install   [switches]  install the printer (as LocalSystem or an administrator)
rem   deploy.cmd uninstall [switches]  remove it
rem   deploy.cmd status    [switches]  0: installed and working, 1: not installed,
rem                                    2: installed but broken, 3: older than the
rem                                    package beside the program (with /update)
rem   deploy.cmd default   [switches]  as the user: make the printer the user's
rem                                    default once, and record that in HKCU
rem   deploy.cmd forgetdefault         as the user: remove that record
rem   deploy.cmd files [intune^|configmgr]  the Windows Installer package beside
rem                                    this script, files only (INSTALLPRINTER=0)
rem   deploy.cmd removefiles [intune^|configmgr]  its removal (REMOVEPRINTER=1)
rem The switches after the command go to the program exactly as given. install
rem and uninstall get "/timeout 1800" unless a /timeout is given. Unless a
rem /log is given, install, uninstall and status log into
rem %ProgramData%\Tarnwell PDF Printer Software\Logs when run as LocalSystem
rem or elevated (the program makes and secures that folder itself; this
rem script makes no folder there and changes no access list), and without a
rem log otherwise; default logs in the user's own profile.
rem It runs "Tarnwell PDF Printer Software.exe" from its own folder or, when
rem that folder does not hold it, from the folder the Windows Installer
rem package recorded. It ends with the program's exit code, unchanged (install
rem answers 1625 where Windows protected print mode is on: the printer cannot
rem be installed on that PC, and a retry does not help); 1639
rem for an unknown command, 1603 when there is no program, 50 when it was
rem started from a network path. uninstall without a program answers 0 when
rem the printer package's uninstall registration is gone too: nothing is left
rem to remove, whichever app a deployment tool removed first.
rem files and removefiles run the system's msiexec on the one package named
rem "Tarnwell PDF Printer Software *.msi" beside this script and end with its
rem exit code; msiexec logs into the log folder of the tool named (the Intune
rem management extension's, the Configuration Manager client's), or else into
rem %SystemRoot%\Logs. They hold the variables a tool's own command line
rem cannot: Intune expands none in an uninstall command.
setlocal EnableExtensions DisableDelayedExpansion

set "product=Tarnwell PDF Printer Software"
set "marker_key=HKCU\Software\Quellmark\Tarnwell PDF Printer Software"
set "product_key=HKLM\SOFTWARE\Quellmark\Tarnwell PDF Printer Software"
set "registrations=HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall"

rem What runs as LocalSystem must lie in a folder only administrators can
rem change, and a share's permissions cannot be read from here.
set "here=%~dp0"
if "%here:~0,2%"=="\\" goto from_network

set "command=%~1"
if /i "%command%"=="install" goto arguments
if /i "%command%"=="uninstall" goto arguments
if /i "%command%"=="status" goto arguments
if /i "%command%"=="default" goto arguments
if /i "%command%"=="forgetdefault" goto forget_default
if /i "%command%"=="files" goto package
if /i "%command%"=="removefiles" goto package
echo Usage: deploy.cmd install^|uninstall^|status^|default^|forgetdefault [switches for the program] 1>&2
echo        deploy.cmd files^|removefiles [intune^|configmgr] 1>&2
exit /b 1639

:from_network
echo deploy.cmd: it was started from the network path "%~dp0". Nothing is run from a share: copy this folder to a local disk, or install the Windows Installer package. 1>&2
exit /b 50

rem The package beside this script, run by the system's msiexec. The tool's
rem agent made its log folder; %SystemRoot%\Logs is Windows' own.
:package
set "tool=%~2"
set "extra=%~3"
set "logs="
if not defined tool set "logs=%SystemRoot%\Logs"
if /i "%tool%"=="intune" set "logs=%ProgramData%\Microsoft\IntuneManagementExtension\Logs"
if /i "%tool%"=="configmgr" set "logs=%SystemRoot%\CCM\Logs"
if not defined logs goto usage_package
if defined extra goto usage_package
set "package="
set "packages=0"
for /f "delims=" %%p in ('dir /b /a-d "%~dp0%product% *.msi" 2^>nul') do set "package=%~dp0%%p"
for /f "delims=" %%p in ('dir /b /a-d "%~dp0%product% *.msi" 2^>nul') do set /a packages+=1
if not "%packages%"=="1" goto no_package
if /i "%command%"=="removefiles" goto remove_package
"%SystemRoot%\System32\msiexec.exe" /i "%package%" INSTALLPRINTER=0 /qn /norestart /l*v "%logs%\%product% msi-install.log"
exit /b %errorlevel%
:remove_package
"%SystemRoot%\System32\msiexec.exe" /x "%package%" REMOVEPRINTER=1 /qn /norestart /l*v "%logs%\%product% msi-remove.log"
exit /b %errorlevel%
:usage_package
echo Usage: deploy.cmd files^|removefiles [intune^|configmgr] 1>&2
exit /b 1639
:no_package
echo deploy.cmd: %packages% packages named "%product% *.msi" beside this script; one is needed. 1>&2
exit /b 1619

rem The switches after the command, each as given, quotes included: blanks,
rem "&" and an empty "" stay inside their quotes, so no line below takes
rem them for its own (so no quotes around "argument=" and "switches=").
:arguments
set "switches="
set "has_timeout="
set "has_log="
:next_argument
shift
set argument=%1
if not defined argument goto find_program
if /i "%~1"=="/timeout" set "has_timeout=1"
if /i "%~1"=="-timeout" set "has_timeout=1"
if /i "%~1"=="/log" set "has_log=1"
if /i "%~1"=="-log" set "has_log=1"
set switches=%switches% %argument%
goto next_argument

:find_program
set "program=%~dp0%product%.exe"
if exist "%program%" goto switches
set "program="
for /f "tokens=1,2,*" %%a in ('%SystemRoot%\System32\reg.exe query "%product_key%" /v InstallFolder /reg:32 2^>nul') do if /i "%%a"=="InstallFolder" set "program=%%c%product%.exe"
if defined program if exist "%program%" goto switches
set "program=%ProgramFiles%\%product%\%product%.exe"
if defined ProgramFiles(x86) set "program=%ProgramFiles(x86)%\%product%\%product%.exe"
if exist "%program%" goto switches
if /i "%command%"=="uninstall" goto nothing_left
:no_program
echo deploy.cmd: "%product%.exe" is neither beside this script nor in the folder the package recorded, nor in "%program%". 1>&2
exit /b 1603

rem Without the program, removal is done when the printer package's
rem registration (32-bit view, where it registers) is gone as well. reg.exe
rem answers 1 both for a missing key and for one it cannot read, so the
rem folder of registrations must read first.
:nothing_left
"%SystemRoot%\System32\reg.exe" query "%registrations%" /reg:32 >nul 2>nul
if errorlevel 1 goto no_program
"%SystemRoot%\System32\reg.exe" query "%registrations%\Quellmark PDF Setup" /reg:32 >nul 2>nul
if not errorlevel 1 goto no_program
echo deploy.cmd: neither "%product%.exe" nor the printer package's registration is left: nothing to remove.
exit /b 0

:switches
set "timeout_switch="
set "log_switch="
if /i "%command%"=="default" goto default_log
if /i not "%command%"=="status" if not defined has_timeout set "timeout_switch= /timeout 1800"
if defined has_log goto run
rem A standard user's program cannot use the machine's log folder (1622).
call :privileged
if errorlevel 1 goto run
set "log_switch= /log "%ProgramData%\%product%\Logs\%command%.log""
goto run

rem The user's default printer, once: the user's own profile holds the log.
:default_log
if defined has_log goto run
set "logs=%LOCALAPPDATA%\%product%\Logs"
mkdir "%logs%" 2>nul
set "log_switch= /log "%logs%\default.log""

:run
if /i "%command%"=="default" goto run_default
"%program%" /%command%%timeout_switch%%switches%%log_switch%
exit /b %errorlevel%

rem The record lets a deployment tool's detection say "done", so that a
rem later change by the user (or by Windows) is never undone.
:run_default
"%program%" /install /default%switches%%log_switch%
set "code=%errorlevel%"
if not "%code%"=="0" if not "%code%"=="3010" if not "%code%"=="1641" exit /b %code%
"%SystemRoot%\System32\reg.exe" add "%marker_key%" /v DefaultPrinterSet /t REG_DWORD /d 1 /f >nul
if errorlevel 1 exit /b 1603
exit /b %code%

rem Removes only the record; the user's default printer stays as it is.
:forget_default
"%SystemRoot%\System32\reg.exe" delete "%marker_key%" /v DefaultPrinterSet /f >nul 2>nul
"%SystemRoot%\System32\reg.exe" query "%marker_key%" /v DefaultPrinterSet >nul 2>nul
if not errorlevel 1 exit /b 1603
exit /b 0

rem 0 when this runs as LocalSystem or elevated: the token's integrity level
rem is System or High (whoami), or, where whoami does not list it, the
rem administrators' "net session" answers.
:privileged
"%SystemRoot%\System32\whoami.exe" /groups 2>nul | "%SystemRoot%\System32\findstr.exe" /c:"S-1-16-12288" /c:"S-1-16-16384" >nul 2>nul
if not errorlevel 1 exit /b 0
"%SystemRoot%\System32\net.exe" session >nul 2>nul
if not errorlevel 1 exit /b 0
exit /b 1
