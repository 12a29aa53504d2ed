#include "sddl_reader.h"

#include <fstream>
#include <stdexcept>
#include <tuple>
#include <utility>
#include <vector>

namespace tarnwell::testing {
namespace {

constexpr char kTrustedInstaller[] =
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Named as access_list.cpp names them in a refusal.
std::pair<Holder, std::wstring> HolderOf(const std::string& sid) {
  static const std::map<std::string, std::pair<Holder, std::wstring>> known = {
      {"SY", {Holder::System, L"SYSTEM"}},
      {"BA", {Holder::Administrators, L"Administrators"}},
      {kTrustedInstaller, {Holder::TrustedInstaller, L"TrustedInstaller"}},
      {"CO", {Holder::CreatorOwner, L"CREATOR OWNER"}},
      {"WD", {Holder::Everyone, L"Everyone"}},
      {"AN", {Holder::AnonymousLogon, L"ANONYMOUS LOGON"}},
      {"AU", {Holder::Other, L"Authenticated Users"}},
      {"BU", {Holder::Other, L"Users"}},
      {"IU", {Holder::Other, L"Interactive"}},
      {"SU", {Holder::Other, L"SERVICE"}},
      {"S-1-5-3", {Holder::Other, L"BATCH"}},
      {"AC", {Holder::Other, L"S-1-15-2-1"}},
  };
  if (const auto found = known.find(sid); found != known.end()) return found->second;
  if (sid.rfind("S-1-", 0) != 0) throw std::invalid_argument("unknown account " + sid);
  return {Holder::Other, Wide(sid)};
}

AccessEntry EntryOf(const std::string& text) {
  const std::vector<std::string> fields = EntryFields(text);
  AccessEntry entry;
  const std::string& type = fields[0];
  entry.kind = type == "A"   ? EntryKind::Allow
               : type == "D" ? EntryKind::Deny
               : type.find('D') != std::string::npos ? EntryKind::OtherDeny
                                                     : EntryKind::OtherAllow;
  for (std::size_t i = 0; i < fields[1].size(); i += 2) {
    const std::string flag = fields[1].substr(i, 2);
    if (flag == "OI") entry.to_files = true;
    else if (flag == "CI") entry.to_folders = true;
    else if (flag == "IO") entry.inherit_only = true;
    else if (flag == "NP") entry.one_level = true;
    else if (flag != "ID") throw std::invalid_argument("flag " + flag);
  }
  entry.mask = RightsOf(fields[2]);
  std::tie(entry.holder, entry.name) = HolderOf(fields[5]);
  return entry;
}

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::uint32_t RightsOf(const std::string& text) {
  if (text.rfind("0x", 0) == 0) return static_cast<std::uint32_t>(std::stoul(text, nullptr, 16));
  static const std::map<std::string, std::uint32_t> letters = {
      {"GA", 0x10000000}, {"GR", 0x80000000}, {"GW", 0x40000000}, {"GX", 0x20000000},
      {"FA", 0x1F01FF},   {"FR", 0x120089},   {"FW", 0x120116},   {"FX", 0x1200A0},
      {"SD", 0x10000},    {"RC", 0x20000},    {"WD", 0x40000},    {"WO", 0x80000},
      {"CC", 0x1},        {"DC", 0x2},        {"LC", 0x4},        {"SW", 0x8},
      {"RP", 0x10},       {"WP", 0x20},       {"DT", 0x40},       {"LO", 0x80},
      {"CR", 0x100},
  };
  std::uint32_t mask = 0;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const auto found = letters.find(text.substr(i, 2));
    if (text.size() % 2 || found == letters.end()) {
      throw std::invalid_argument("unknown rights " + text);
    }
    mask |= found->second;
  }
  return mask;
}

SddlParts SplitSddl(const std::string& sddl) {
  const std::size_t group = sddl.find("G:");
  const std::size_t dacl = sddl.find("D:");
  if (sddl.rfind("O:", 0) != 0 || dacl == std::string::npos) {
    throw std::invalid_argument("owner and list: " + sddl);
  }
  SddlParts parts;
  parts.owner = sddl.substr(2, (group < dacl ? group : dacl) - 2);
  std::size_t at = sddl.find('(', dacl);
  parts.control = sddl.substr(dacl + 2, (at == std::string::npos ? sddl.size() : at) - dacl - 2);
  while (at != std::string::npos && at < sddl.size()) {
    const std::size_t end = sddl.find(')', at);
    if (sddl[at] != '(' || end == std::string::npos) throw std::invalid_argument("list: " + sddl);
    parts.entries.push_back(sddl.substr(at + 1, end - at - 1));
    at = end + 1;
  }
  return parts;
}

std::vector<std::string> EntryFields(const std::string& entry) {
  std::vector<std::string> fields(1);
  for (const char c : entry) {
    if (c == ';') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  if (fields.size() != 6) throw std::invalid_argument("entry (" + entry + ")");
  return fields;
}

AccessList FromSddl(const std::string& sddl) {
  const SddlParts parts = SplitSddl(sddl);
  AccessList list;
  std::tie(list.owner, list.owner_name) = HolderOf(parts.owner);
  list.is_protected = parts.control.find('P') != std::string::npos;
  for (const std::string& entry : parts.entries) list.entries.push_back(EntryOf(entry));
  return list;
}

#ifdef TARNWELL_STOCK_WINDOWS
std::map<std::string, StockObject> ReadStockWindows() {
  std::ifstream file(TARNWELL_STOCK_WINDOWS);
  if (!file) throw std::runtime_error("cannot read " TARNWELL_STOCK_WINDOWS);
  return ReadStockWindows(file);
}
#endif

std::map<std::string, StockObject> ReadStockWindows(std::istream& file) {
  std::map<std::string, StockObject> rows;
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const std::size_t bar = line.find('|');
    const std::size_t second = line.find('|', bar + 1);
    if (second == std::string::npos) throw std::runtime_error("row: " + line);
    const std::string name = Trimmed(line.substr(0, bar));
    const std::string sddl = Trimmed(line.substr(second + 1));
    StockObject object{Trimmed(line.substr(bar + 1, second - bar - 1)), FromSddl(sddl), sddl};
    if (!rows.emplace(name, std::move(object)).second) throw std::runtime_error("twice: " + name);
  }
  return rows;
}

}  // namespace tarnwell::testing
