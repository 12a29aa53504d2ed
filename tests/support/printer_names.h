// The installed printers' names, as the spooler lists them.
#pragma once

#include <string>
#include <vector>

namespace support {

// Local printers and connections; empty when the list cannot be read.
std::vector<std::wstring> PrinterNames();

}  // namespace support
