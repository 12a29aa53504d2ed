// What /? shows: the command lines the program takes and its exit codes.
#pragma once

#include <string>

#include "core/port/machine.h"

namespace tarnwell {

// Several lines, CR LF breaks, for one message box captioned with the
// application's title, in the user's language.
std::wstring UnattendedUsageText(Machine& machine);

}  // namespace tarnwell
