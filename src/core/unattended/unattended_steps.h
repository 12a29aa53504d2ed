// Small steps the unattended commands share that need nothing of a run
// but the machine and the log: which uninstall command is registered,
// whether the printer is there, what a package's restart request and a
// privileged start's temporary folder make of the log and the answer.
#pragma once

#include <cstdint>
#include <string>

#include "core/port/machine.h"
#include "core/printer/run_and_wait.h"
#include "core/unattended/log_sink.h"

namespace tarnwell {

// The quiet command when the package registered one, else its uninstall
// command: no one may be there to answer the uninstaller's questions.
std::wstring RegisteredUninstallCommand(Machine& machine, LogSink& log);

// Whether `program` lies anywhere below the Windows folder (or the system
// folder), at any depth.
bool InWindowsFolders(Machine& machine, const std::wstring& program);

// Whether the printer is installed. A printer list that cannot be read
// throws, with the cause named when the spooler is not there to answer.
bool CheckedPrinterPresence(Machine& machine);

// What a finished package's own request for a restart (`package_code`)
// makes of the command's answer: passed on when its whole result is there.
int RestartAnswer(LogSink& log, const wchar_t* what, std::int32_t package_code, bool whole_result);

// Where a privileged start's TEMP and TMP pointed, and what became of a
// folder made for it; nothing when the start kept the caller's.
void LogTemporaryFolder(Machine& machine, LogSink& log, const wchar_t* what,
                        const RunResult& result);

}  // namespace tarnwell
