// The test side's reader of owners and access lists written in SDDL, and of
// tests/data/stock-windows.txt, the picture of Windows the rules are run
// over. Only what file and folder lists use: well-known accounts by their
// two letters or SID, rights by letters or in hex, inheritance flags.
#pragma once

#include <cstdint>
#include <istream>
#include <map>
#include <string>
#include <vector>

#include "core/installer/folder_access.h"

namespace tarnwell::testing {

// "O:SYG:SYD:PAI(A;OICI;FA;;;SY)..." as the rule reads it when run as
// LocalSystem (SYSTEM is the checking account there). The lists of Windows'
// own folders are in the stock file, each row with its source. Throws
// std::invalid_argument on what it cannot read.
AccessList FromSddl(const std::string& sddl);

// An owner and list in SDDL taken apart: the owner as written, the list's
// flags ("PAI"), each entry without its parentheses; and an entry's six
// fields. Both throw std::invalid_argument on what they cannot take apart.
struct SddlParts {
  std::string owner;
  std::string control;
  std::vector<std::string> entries;
};
SddlParts SplitSddl(const std::string& sddl);
std::vector<std::string> EntryFields(const std::string& entry);

// Access rights written as SDDL's letters ("FA", "GXGR") or in hex.
// Throws std::invalid_argument on letters it does not know.
std::uint32_t RightsOf(const std::string& text);

struct StockObject {
  std::string path;
  AccessList list;
  std::string sddl;  // as the row writes it
};

// The rows of the stock file, by name. Throws std::runtime_error on a
// malformed row or a name given twice.
std::map<std::string, StockObject> ReadStockWindows();
// The same from rows read elsewhere (the kit reads the copy beside it).
std::map<std::string, StockObject> ReadStockWindows(std::istream& rows);

}  // namespace tarnwell::testing
