// A restart the printer step needs, carried from the deferred step to the
// end of the installation.
//
// Windows Installer honours MsiSetMode(MSIRUNMODE_REBOOTATEND) only from an
// immediate action; from a deferred one the request is lost and msiexec
// answers 0. So the deferred step records the request as a value under the
// product's key in HKLM (the 32-bit view), and an immediate action after
// InstallFinalize reads it, deletes it and asks Windows Installer for the
// restart. The registry is one for every process of the machine, whichever
// account, session or window station the two actions run in, and only
// SYSTEM and the Administrators may write under HKLM\SOFTWARE, so a
// standard user can neither forge the request nor take it away.
//
// Each run names its request by a nonce of its own, made by an immediate
// action before the transaction and handed to the deferred steps at the end
// of their CustomActionData: a value a failed or interrupted run left
// behind never asks for this run's restart.
#pragma once

#include <windows.h>
#include <msi.h>

#include <string>

namespace tarnwell {

// Takes "|<nonce>" off the end of a printer step's CustomActionData
// ("<program>|<log file>|<seconds>[|<update>]|<nonce>") and answers the nonce; empty,
// and `data` unchanged, when it holds no well-formed one.
std::wstring TakeRestartNonce(std::wstring& data);

// From the deferred printer step: records that this run (`nonce`) needs a
// restart at the end. The outcome goes into the installation's log.
void RecordRestartRequest(MSIHANDLE install, const std::wstring& nonce);

}  // namespace tarnwell

// Immediate, before the transaction: drops the requests earlier runs left
// and makes this run's nonce (the property RestartRequestNonce).
extern "C" UINT WINAPI PrepareRestartRequest(MSIHANDLE install);
// Immediate, after InstallFinalize: asks for the restart if a printer step
// of this run recorded one, and deletes the record.
extern "C" UINT WINAPI RestartIfRequested(MSIHANDLE install);
