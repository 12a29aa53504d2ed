#include "restart_request.h"

#include <msiquery.h>

#include <string>

#include "msi_session.h"
#include "win32_common/win32_error.h"

namespace {

// Global atoms live in the window station that msiexec's custom action
// servers share, for the impersonated and the LocalSystem ones alike. The
// ProductCode keeps one product's request from another's.
std::wstring AtomName(MSIHANDLE install) {
  return L"Tarnwell PDF Printer Software restart " + tarnwell::MsiProperty(install, L"ProductCode");
}

std::wstring Hex(ATOM value) {
  std::wstring text = L"0x";
  for (int shift = 12; shift >= 0; shift -= 4) text += L"0123456789ABCDEF"[(value >> shift) & 0xF];
  return text;
}

// Removes the request with every reference to it (each GlobalAddAtom counts
// one); whether there was one. Every call's result goes into the log.
bool TakeRestartRequest(MSIHANDLE install, const wchar_t* step) {
  const std::wstring name = AtomName(install);
  const std::wstring prefix = std::wstring(step) + L": ";
  ATOM atom = GlobalFindAtomW(name.c_str());
  if (!atom) {
    tarnwell::LogToMsi(install, prefix + L"GlobalFindAtom(\"" + name + L"\") found none (" +
                                    tarnwell::DescribeWin32Error(GetLastError()) +
                                    L"): no restart request is recorded.");
    return false;
  }
  tarnwell::LogToMsi(install, prefix + L"GlobalFindAtom(\"" + name + L"\") found atom " + Hex(atom) +
                                  L": a restart request is recorded.");
  // An atom table holds few references; the bound keeps a faulty table from
  // holding the installation.
  for (int reference = 0; atom && reference < 64; ++reference) {
    SetLastError(ERROR_SUCCESS);
    if (GlobalDeleteAtom(atom) != 0) {
      tarnwell::LogToMsi(install, prefix + L"GlobalDeleteAtom(" + Hex(atom) + L") failed: " +
                                      tarnwell::DescribeWin32Error(GetLastError()));
      break;
    }
    atom = GlobalFindAtomW(name.c_str());
  }
  tarnwell::LogToMsi(install, prefix + (atom ? L"the request is still recorded after removal."
                                             : L"GlobalDeleteAtom removed the request."));
  return true;
}

}  // namespace

namespace tarnwell {

void RecordRestartRequest(MSIHANDLE install) {
  const std::wstring name = AtomName(install);
  const ATOM atom = GlobalAddAtomW(name.c_str());
  if (atom) {
    LogToMsi(install, L"Restart request: GlobalAddAtom(\"" + name + L"\") gave atom " + Hex(atom) +
                          L"; the action RestartIfRequested asks for the restart after "
                          L"InstallFinalize.");
  } else {
    LogToMsi(install, L"Restart request: GlobalAddAtom(\"" + name + L"\") failed: " +
                          DescribeWin32Error(GetLastError()) +
                          L" Windows Installer will not ask for the restart; restart the PC "
                          L"after the installation.");
  }
}

}  // namespace tarnwell

extern "C" UINT WINAPI RestartIfRequested(MSIHANDLE install) {
  if (!TakeRestartRequest(install, L"RestartIfRequested")) return ERROR_SUCCESS;
  const UINT result = MsiSetMode(install, MSIRUNMODE_REBOOTATEND, TRUE);
  tarnwell::LogToMsi(install, L"RestartIfRequested: MsiSetMode(MSIRUNMODE_REBOOTATEND) answered " +
                                  std::to_wstring(result) +
                                  (result == ERROR_SUCCESS
                                       ? L": Windows Installer asks for a restart at the end "
                                         L"(3010 with /norestart)."
                                       : L" (" + tarnwell::DescribeWin32Error(result) +
                                             L"): restart the PC after the installation."));
  return ERROR_SUCCESS;
}

extern "C" UINT WINAPI ForgetRestartRequest(MSIHANDLE install) {
  TakeRestartRequest(install, L"ForgetRestartRequest");
  return ERROR_SUCCESS;
}
