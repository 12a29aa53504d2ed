// What a privileged command answered and where it logged, against what it
// should, for the second account's check (second_account_check.cpp). Plain
// C++, so the native tests can plant faults in it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kit {

// One privileged command as the check saw it.
struct CommandSeen {
  std::optional<unsigned long> code;  // none: it did not end in time
  std::string log_folder;             // the folder in ProgramData its new log is in; "" none
  std::string log;                    // that log's text, UTF-8
};

struct CommandExpected {
  unsigned long code = 0;
  // The log in a folder beside the product's name ("<name>-<16 hex>"), not
  // in the product's own folder.
  bool fresh_folder = false;
  std::vector<std::string> log_says;
};

// The product's folder under ProgramData, where the logs go.
inline constexpr char kProductFolder[] = "Tarnwell PDF Printer Software";

// Whether `name` is a fresh folder made in place of the product's:
// the product's name, a hyphen and 16 lower-case hexadecimal digits.
bool IsFreshProductFolder(const std::string& name);

// A line for each way `seen` differs from `expected`; none when it agrees.
std::vector<std::string> CommandDifferences(const CommandExpected& expected,
                                            const CommandSeen& seen);

}  // namespace kit
