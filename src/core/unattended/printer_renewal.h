// The steps /install takes around a printer it removes and sets up again:
// one that cannot work (a repair), or one older than the package beside the
// program (/update). Each step writes what it decides to the log.
#pragma once

#include <cstdint>

#include "core/port/machine.h"
#include "core/unattended/log_sink.h"

namespace tarnwell {

// Whether the installed printer is to be removed and set up again. Throws
// when the spooler or the registry cannot tell.
bool NeedsRenewal(Machine& machine, LogSink& log, bool update);

// Whether the printer is this account's default, so that it becomes the
// default again once it is back. Never for LocalSystem, whose default
// printer is nobody's.
bool IsDefaultOfThisAccount(Machine& machine, LogSink& log);

// Deletes the queue through the spooler when it is still there after the
// uninstaller, or when no uninstaller could run. False, logged, when it
// cannot be deleted. Throws when the printer list cannot be read.
bool DeleteQueueLeftBehind(Machine& machine, LogSink& log);

// After the setup of a renewal: whether the printer it made works. One that
// does not is deleted, so no printer is left that cannot print; the
// command then fails.
bool WorksAfterRenewal(Machine& machine, LogSink& log);

// When the setup of a renewal left no printer: the old package is gone
// with it, so the log says that no printer is left and what brings it back.
void NoPrinterAfterRenewal(LogSink& log);

// The command's answer when the setup asked for no restart but the
// uninstaller before it did (`uninstaller_code`): the restart is still
// needed to finish.
int RestartAfterRemoval(LogSink& log, std::int32_t uninstaller_code);

}  // namespace tarnwell
