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
         program + L" /install [/default] [/log <file>]" + br +
         L"    installs the printer; /default also makes it the default printer" + br +
         program + L" /uninstall [/log <file>]" + br +
         L"    removes the printer" + br +
         program + L" /status [/log <file>]" + br +
         L"    tells whether the printer is installed" + br +
         program + L" /?" + br +
         L"    shows this message" + br + br +
         L"/log <file> adds what happens to the end of the file." + br + br +
         L"Exit codes:" + br +
         L"0  done, or nothing to do; /status: installed" + br +
         L"1  /status: not installed" + br +
         L"740  administrator rights are needed" + br +
         L"1603  failed (the log says why)" + br +
         L"1618  another install or removal is in progress" + br +
         L"1639  invalid command line";
}

}  // namespace tarnwell
