// What /? shows: the command lines the program takes and its exit codes.
#pragma once

#include <string>

namespace tarnwell {

// Several lines, CR LF breaks, for one message box captioned with the
// application's title.
std::wstring UnattendedUsageText();

}  // namespace tarnwell
