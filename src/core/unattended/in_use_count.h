// How many privileged commands in a row found the same file in use. Any
// account that may read a package's files may open one with no sharing and
// keep it open, and "in use" alone is "try again later" (1618), which the
// deployment tools retry for ever. So the answers are counted, per file,
// under the program's key in HKEY_LOCAL_MACHINE, which only LocalSystem and
// the Administrators may write: past the bound the command fails (1603),
// naming the file and what holds it, which a person can act on.
#pragma once

#include <optional>
#include <string>

#include "core/port/machine.h"

namespace tarnwell {

// The answers in a row for one file that are still "try again later"; the
// next one for it fails.
inline constexpr unsigned kInUseBound = 3;
// The value under kProgramKey: "<answers in a row>|<file>".
inline constexpr wchar_t kInUseValue[] = L"FileInUse";

struct InUseRecord {
  unsigned count = 0;
  std::wstring file;
};

// The record `text` holds; nothing for an empty or malformed one.
std::optional<InUseRecord> ParseInUseRecord(const std::wstring& text);

// The count after one more "in use" answer for `file`, given the record
// kept: the same file as the kept one (case aside) counts on, another
// starts again at 1.
unsigned NextInUseCount(const std::optional<InUseRecord>& kept, const std::wstring& file);

// The record kept on this machine, if any.
std::optional<InUseRecord> KeptInUseRecord(Machine& machine);

// Counts one more "in use" answer for `file` (NextInUseCount), keeps it,
// and answers it. Where the record cannot be written (no administrator rights) it
// answers 1: such a run is never privileged, so never meets this.
unsigned CountInUse(Machine& machine, const std::wstring& file);

// A check that found nothing in use ends the run of answers.
void ForgetInUse(Machine& machine);

}  // namespace tarnwell
