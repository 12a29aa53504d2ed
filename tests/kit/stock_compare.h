// Compares an owner and access list as tests/data/stock-windows.txt writes
// it with the one read from the same folder on a PC, and the verdicts the
// program's rules give the two. Plain C++, so the native tests can plant
// faults in it.
#pragma once

#include <string>
#include <vector>

#include "core/installer/folder_access.h"

namespace kit {

// `sddl` (owner and list) with every account spelt as the table spells it:
// the well-known groups it names by two letters by those letters, every
// other account by its SID ("S-1-5-32-544" becomes "BA", "NS" becomes
// "S-1-5-20"). The group, which no rule reads, is left out.
std::string InTableSpelling(const std::string& sddl);

// Each way `measured` differs from `table` (both SDDL), a line each: the
// owner, the protection from inheritance, and each entry found in only one
// of them. How rights, flags and accounts are spelt, the group and the
// entries' order do not count.
std::vector<std::string> SddlDifferences(const std::string& table, const std::string& measured);

// A line for each rule guarding a privileged run (a program's path, a log's
// path) that judges `measured` otherwise than `table`.
std::vector<std::string> VerdictDifferences(const tarnwell::AccessList& table,
                                            const tarnwell::AccessList& measured);

}  // namespace kit
