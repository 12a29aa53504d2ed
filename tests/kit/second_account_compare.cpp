#include "second_account_compare.h"

#include <cstring>

namespace kit {

bool IsFreshProductFolder(const std::string& name) {
  const std::size_t base = std::strlen(kProductFolder);
  if (name.size() != base + 17 || name.compare(0, base, kProductFolder) != 0 ||
      name[base] != '-') {
    return false;
  }
  for (std::size_t i = base + 1; i < name.size(); ++i) {
    const char c = name[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

std::vector<std::string> CommandDifferences(const CommandExpected& expected,
                                            const CommandSeen& seen) {
  std::vector<std::string> differences;
  if (!seen.code) {
    differences.push_back("it did not end in time");
  } else if (*seen.code != expected.code) {
    differences.push_back("it answered " + std::to_string(*seen.code) + ", not " +
                          std::to_string(expected.code));
  }
  if (seen.log_folder.empty()) {
    differences.push_back("it wrote no log in ProgramData");
    return differences;
  }
  if (expected.fresh_folder ? !IsFreshProductFolder(seen.log_folder)
                            : seen.log_folder != kProductFolder) {
    differences.push_back("it logged in \"" + seen.log_folder + "\", not in " +
                          (expected.fresh_folder ? std::string("a fresh folder beside \"") +
                                                       kProductFolder + "\""
                                                 : "\"" + std::string(kProductFolder) + "\""));
  }
  for (const std::string& text : expected.log_says) {
    if (seen.log.find(text) == std::string::npos) {
      differences.push_back("its log does not say \"" + text + "\"");
    }
  }
  return differences;
}

}  // namespace kit
