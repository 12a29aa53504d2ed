#include "stock_compare.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <stdexcept>
#include <utility>

#include "core/installer/log_folder_rule.h"
#include "sddl_reader.h"

namespace kit {
namespace {

using tarnwell::AccessList;

// SDDL's account letters for the accounts a file system's lists name
// (https://learn.microsoft.com/en-us/windows/win32/secauthz/sid-strings);
// `in_table` for those the stock file writes by their letters.
struct Alias {
  const char* letters;
  const char* sid;
  bool in_table;
};
constexpr Alias kAliases[] = {
    {"SY", "S-1-5-18", true},     {"BA", "S-1-5-32-544", true}, {"BU", "S-1-5-32-545", true},
    {"AU", "S-1-5-11", true},     {"WD", "S-1-1-0", true},      {"CO", "S-1-3-0", true},
    {"IU", "S-1-5-4", true},      {"AC", "S-1-15-2-1", true},   {"AN", "S-1-5-7", true},
    {"CG", "S-1-3-1", false},     {"OW", "S-1-3-4", false},     {"LS", "S-1-5-19", false},
    {"NS", "S-1-5-20", false},    {"BG", "S-1-5-32-546", false}, {"PU", "S-1-5-32-547", false},
    {"BO", "S-1-5-32-551", false}, {"RC", "S-1-5-12", false},   {"NU", "S-1-5-2", false},
    {"SU", "S-1-5-6", false},     {"PS", "S-1-5-10", false},    {"RD", "S-1-5-32-555", false},
};

std::string Sid(const std::string& account) {
  for (const Alias& alias : kAliases) {
    if (account == alias.letters) return alias.sid;
  }
  return account;
}

std::string TableAccount(const std::string& account) {
  const std::string sid = Sid(account);
  for (const Alias& alias : kAliases) {
    if (sid == alias.sid && alias.in_table) return alias.letters;
  }
  return sid;
}

// One spelling for each entry: flags in order, rights in hex, SIDs.
std::string Canonical(const std::string& entry) {
  std::vector<std::string> fields = tarnwell::testing::EntryFields(entry);
  std::vector<std::string> flags;
  for (std::size_t i = 0; i + 1 < fields[1].size(); i += 2) flags.push_back(fields[1].substr(i, 2));
  std::sort(flags.begin(), flags.end());
  fields[1].clear();
  for (const std::string& flag : flags) fields[1] += flag;
  char rights[16];
  std::snprintf(rights, sizeof rights, "0x%x",
                static_cast<unsigned>(tarnwell::testing::RightsOf(fields[2])));
  fields[2] = rights;
  fields[5] = Sid(fields[5]);
  std::string joined = fields[0];
  for (std::size_t i = 1; i < fields.size(); ++i) joined += ";" + fields[i];
  return joined;
}

bool Protected(const std::string& control) { return control.find('P') != std::string::npos; }

std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (const wchar_t c : text) narrow += c < 0x80 ? static_cast<char>(c) : '?';
  return narrow;
}

std::string Verdict(const std::optional<std::wstring>& why) {
  return why ? "refused (" + Narrow(*why) + ")" : "allowed";
}

}  // namespace

std::string InTableSpelling(const std::string& sddl) {
  const tarnwell::testing::SddlParts parsed = tarnwell::testing::SplitSddl(sddl);
  std::string spelt = "O:" + TableAccount(parsed.owner) + "D:" + parsed.control;
  for (const std::string& entry : parsed.entries) {
    std::vector<std::string> fields = tarnwell::testing::EntryFields(entry);
    fields[5] = TableAccount(fields[5]);
    spelt += "(" + fields[0];
    for (std::size_t i = 1; i < fields.size(); ++i) spelt += ";" + fields[i];
    spelt += ")";
  }
  return spelt;
}

std::vector<std::string> SddlDifferences(const std::string& table, const std::string& measured) {
  const tarnwell::testing::SddlParts expected = tarnwell::testing::SplitSddl(table);
  const tarnwell::testing::SddlParts found = tarnwell::testing::SplitSddl(measured);
  std::vector<std::string> differences;
  if (Sid(expected.owner) != Sid(found.owner)) {
    differences.push_back("owner: the table has " + expected.owner + ", the PC " + found.owner);
  }
  if (Protected(expected.control) != Protected(found.control)) {
    differences.push_back(Protected(expected.control)
                              ? "the table's list is protected from inheritance, the PC's is not"
                              : "the PC's list is protected from inheritance, the table's is not");
  }
  std::vector<std::string> canonical;
  for (const std::string& entry : found.entries) canonical.push_back(Canonical(entry));
  std::vector<bool> matched(canonical.size(), false);
  for (const std::string& entry : expected.entries) {
    const std::string wanted = Canonical(entry);
    std::size_t i = 0;
    while (i < canonical.size() && (matched[i] || canonical[i] != wanted)) ++i;
    if (i == canonical.size()) {
      differences.push_back("only in the table: (" + entry + ")");
    } else {
      matched[i] = true;
    }
  }
  for (std::size_t i = 0; i < canonical.size(); ++i) {
    if (!matched[i]) differences.push_back("only on the PC: (" + found.entries[i] + ")");
  }
  return differences;
}

std::vector<std::string> VerdictDifferences(const AccessList& table, const AccessList& measured) {
  using tarnwell::LogFolderRole;
  using tarnwell::PathPlace;
  const std::pair<const char*, std::function<std::optional<std::wstring>(const AccessList&)>>
      rules[] = {
          {"as a program's folder",
           [](const AccessList& list) { return UnsafeAccess(list, PathPlace::ProgramOrPackage); }},
          {"as a folder above a program",
           [](const AccessList& list) { return UnsafeAccess(list, PathPlace::FolderAbove); }},
          {"as the folder a log is in",
           [](const AccessList& list) {
             return UnusableLogPathFolder(true, false, list, LogFolderRole::HoldsTheLog);
           }},
          {"as a folder above a log",
           [](const AccessList& list) {
             return UnusableLogPathFolder(true, false, list, LogFolderRole::Above);
           }},
      };
  std::vector<std::string> differences;
  for (const auto& [rule, judge] : rules) {
    const std::string expected = Verdict(judge(table));
    const std::string found = Verdict(judge(measured));
    if (expected != found) {
      differences.push_back(std::string(rule) + ": the table's list is " + expected +
                            ", the PC's " + found);
    }
  }
  return differences;
}

}  // namespace kit
