// A restart the printer step needs, carried from the deferred step to the
// end of the installation.
//
// Windows Installer honours MsiSetMode(MSIRUNMODE_REBOOTATEND) only from an
// immediate action; from a deferred one the request is lost and msiexec
// answers 0. So the deferred step records the request as a global atom
// named after the product, and an immediate action after InstallFinalize
// takes the atom away and asks Windows Installer for the restart.
#pragma once

#include <windows.h>
#include <msi.h>

namespace tarnwell {

// From the deferred printer step: notes that a restart is needed at the end.
// The outcome goes into the installation's log.
void RecordRestartRequest(MSIHANDLE install);

}  // namespace tarnwell

// Immediate, after InstallFinalize: asks for the restart if a printer step
// of this run recorded one.
extern "C" UINT WINAPI RestartIfRequested(MSIHANDLE install);
// Immediate, before the transaction: drops a request left by a run that
// failed after recording it, so that it does not ask for this run's restart.
extern "C" UINT WINAPI ForgetRestartRequest(MSIHANDLE install);
