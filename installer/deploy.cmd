@echo off
rem What deployment tools run (an Intune Win32 app, a Configuration Manager
rem script installer, a Group Policy start-up script), shipped in release/
rem beside the Windows Installer package:
rem   deploy.cmd install   [switches]  install the printer (as LocalSystem or an administrator)
rem   deploy.cmd uninstall [switches]  remove it
rem   deploy.cmd status    [switches]  0: installed, 1: not installed
rem   deploy.cmd default   [switches]  as the user: make the printer the user's
rem                                    default once, and record that in HKCU
rem   deploy.cmd forgetdefault         as the user: remove that record
rem The switches after the command go to the program as they are. install and
rem uninstall get "/timeout 1800" unless a /timeout is given, and every
rem command gets a log unless a /log is given: install, uninstall and status
rem in a folder only LocalSystem and the Administrators group may change,
rem default in the user's own profile.
rem It runs "Tarnwell PDF Printer Software.exe" from its own folder or, when
rem that folder does not hold it, the one the Windows Installer package
rem installed in its default folder. It ends with the program's exit code,
rem unchanged; 1639 for an unknown command, 1603 when there is no program.
setlocal EnableExtensions DisableDelayedExpansion

set "product=Tarnwell PDF Printer Software"
set "marker_key=HKCU\Software\Quellmark\Tarnwell PDF Printer Software"
set "command=%~1"
if /i "%command%"=="install" goto arguments
if /i "%command%"=="uninstall" goto arguments
if /i "%command%"=="status" goto arguments
if /i "%command%"=="default" goto arguments
if /i "%command%"=="forgetdefault" goto forget_default
echo Usage: deploy.cmd install^|uninstall^|status^|default^|forgetdefault [switches for the program] 1>&2
exit /b 1639

rem The switches after the command, as they were given.
:arguments
set "switches="
set "has_timeout="
set "has_log="
:next_argument
shift
if "%~1"=="" goto find_program
if /i "%~1"=="/timeout" set "has_timeout=1"
if /i "%~1"=="-timeout" set "has_timeout=1"
if /i "%~1"=="/log" set "has_log=1"
if /i "%~1"=="-log" set "has_log=1"
set "switches=%switches% %1"
goto next_argument

:find_program
set "program=%~dp0%product%.exe"
if exist "%program%" goto run_%command%
set "program=%ProgramFiles%\%product%\%product%.exe"
if defined ProgramFiles(x86) set "program=%ProgramFiles(x86)%\%product%\%product%.exe"
if exist "%program%" goto run_%command%
echo deploy.cmd: "%product%.exe" is neither beside this script nor in "%program%". 1>&2
exit /b 1603

rem The machine's commands log where only LocalSystem and the Administrators
rem group may write: the folder is made, given to the Administrators group
rem and its access list replaced by those two.
:run_install
:run_uninstall
if not defined has_timeout set "switches= /timeout 1800%switches%"
:run_status
set "logs=%ProgramData%\%product%\Logs"
mkdir "%logs%" 2>nul
"%SystemRoot%\System32\icacls.exe" "%ProgramData%\%product%" /setowner *S-1-5-32-544 /T /C /Q >nul
"%SystemRoot%\System32\icacls.exe" "%ProgramData%\%product%" /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F /Q >nul
if not defined has_log set "switches=%switches% /log "%logs%\%command%.log""
"%program%" /%command%%switches%
exit /b %errorlevel%

rem The user's default printer, once: the user's own profile holds the log,
rem and the record that lets a deployment tool's detection say "done", so
rem that a later change by the user (or by Windows) is never undone.
:run_default
set "logs=%LOCALAPPDATA%\%product%\Logs"
mkdir "%logs%" 2>nul
if not defined has_log set "switches=%switches% /log "%logs%\default.log""
"%program%" /install /default%switches%
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
