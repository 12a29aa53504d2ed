#include "results.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

namespace bench {
namespace {

std::string Range(const Summary& s, const std::string& unit) {
  if (std::isnan(s.median)) return "not measured";
  std::string text = Format(s.median) + (unit.empty() ? "" : " " + unit);
  if (s.count > 1) text += " [" + Format(s.min) + ", " + Format(s.max) + "]";
  return text;
}

std::string Measured(const Row& row) {
  return row.text.empty() ? Range(row.value, row.unit) : row.text;
}

std::string Floor(const Row& row) {
  if (row.floor_name.empty()) return "-";
  return row.floor_name + ": " + Format(row.floor.median) + (row.unit.empty() ? "" : " " + row.unit);
}

std::string Ratio(const Row& row) {
  return row.ratio_unit.empty() ? "-" : Range(row.ratio, row.ratio_unit);
}

std::string Met(const Row& row) {
  if (!row.met) return row.target.empty() ? "-" : "n/a";
  return *row.met ? "yes" : "NO";
}

// CSV field, quoted when it holds a separator or a quote.
std::string Field(const std::string& text) {
  if (text.find_first_of(",\"\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string Number(double value) { return std::isnan(value) ? "" : Format(value); }

}  // namespace

std::string Format(double value) {
  if (std::isnan(value)) return "n/a";
  if (std::isinf(value)) return "inf";
  char text[32];
  const double size = std::fabs(value);
  std::snprintf(text, sizeof text, size >= 100 ? "%.0f" : size >= 10 ? "%.1f" : "%.2f", value);
  return text;
}

void Results::Add(Row row) { rows_.push_back(std::move(row)); }

void Results::PrintTable() const {
  const std::vector<std::string> heads = {"figure", "measured: median [min, max]", "floor",
                                          "ratio: median [min, max]", "target", "met"};
  std::vector<std::vector<std::string>> cells;
  for (const Row& row : rows_) {
    cells.push_back({row.figure, Measured(row), Floor(row), Ratio(row), row.target, Met(row)});
  }
  std::vector<std::size_t> widths(heads.size());
  for (std::size_t i = 0; i < heads.size(); ++i) {
    widths[i] = heads[i].size();
    for (const auto& line : cells) widths[i] = std::max(widths[i], line[i].size());
  }
  const auto print = [&](const std::vector<std::string>& line) {
    std::string text = "|";
    for (std::size_t i = 0; i < line.size(); ++i) {
      text += " " + line[i] + std::string(widths[i] - line[i].size(), ' ') + " |";
    }
    std::printf("%s\n", text.c_str());
  };
  print(heads);
  std::vector<std::string> rule;
  for (std::size_t width : widths) rule.push_back(std::string(width, '-'));
  print(rule);
  for (const auto& line : cells) print(line);
  for (const Row& row : rows_) {
    if (!row.note.empty()) std::printf("  %s: %s\n", row.figure.c_str(), row.note.c_str());
  }
  std::fflush(stdout);
}

bool Results::WriteCsv(const std::wstring& path) const {
  std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out << "figure,unit,median,min,max,runs,text,floor,floor_median,ratio_unit,ratio_median,"
         "ratio_min,ratio_max,target,met,note\n";
  for (const Row& row : rows_) {
    out << Field(row.figure) << ',' << Field(row.unit) << ',' << Number(row.value.median) << ','
        << Number(row.value.min) << ',' << Number(row.value.max) << ',' << row.value.count << ','
        << Field(row.text) << ',' << Field(row.floor_name) << ','
        << (row.floor_name.empty() ? "" : Number(row.floor.median)) << ','
        << Field(row.ratio_unit) << ',' << Number(row.ratio.median) << ','
        << Number(row.ratio.min) << ',' << Number(row.ratio.max) << ',' << Field(row.target)
        << ',' << (row.met ? (*row.met ? "yes" : "no") : "") << ',' << Field(row.note) << '\n';
  }
  return static_cast<bool>(out);
}

}  // namespace bench
