#include "core/unattended/usage.h"

#include "core/app/app.h"
#include "core/printer/package.h"

namespace tarnwell {

std::wstring UnattendedUsageText() {
  const std::wstring program = std::wstring(L"\"") + kProductName + L".exe\"";
  const std::wstring printer = package::kName;
  const std::wstring br = L"\r\n";
  return L"From a command line, with no window, this program installs, removes or checks "
         L"the PDF printer \"" + printer + L"\":" + br + br +
         program + L" /install [/default] [/log <file>] [/timeout <seconds>]" + br +
         L"    installs the printer; /default also makes it the default printer" + br +
         program + L" /uninstall [/log <file>] [/timeout <seconds>]" + br +
         L"    removes the printer" + br +
         program + L" /status [/log <file>]" + br +
         L"    tells whether the printer is installed" + br +
         program + L" /?" + br +
         L"    shows this message" + br + br +
         L"/log <file> adds what happens to the end of the file, named by its full path "
         L"(C:\\Logs\\run.log or \\\\server\\share\\run.log). A folder gets the file \"" +
         kProductName + L".log\" in it. In quotes, end a folder with two backslashes or "
         L"none: \"C:\\Logs\\\\\" or \"C:\\Logs\"." + br +
         L"/timeout <seconds> ends the setup or uninstaller, and everything it started, when it "
         L"runs longer, and answers 1603." + br + br +
         L"Exit codes:" + br +
         L"0  done, or nothing to do; /status: installed" + br +
         L"1  /status: not installed" + br +
         L"740  administrator rights are needed" + br +
         L"1603  failed (the log says why)" + br +
         L"1618  another install or removal is in progress; try again later" + br +
         L"1622  the log file cannot be opened" + br +
         L"1639  invalid command line" + br +
         L"1641  done; the printer package has started a restart" + br +
         L"3010  done; a restart is needed to finish";
}

}  // namespace tarnwell
