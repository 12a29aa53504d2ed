// One row per figure: what was measured, the floor it is compared with, the
// ratio, the target and whether it was met. Printed as a table and written
// as CSV.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "measure.h"

namespace bench {

struct Row {
  explicit Row(std::string figure_name, std::string value_unit = {}, Summary measured = {})
      : figure(std::move(figure_name)), unit(std::move(value_unit)), value(measured) {}

  std::string figure;
  std::string unit;             // of the measured value and the floor
  Summary value;                // NaN median: not measured
  std::string text;             // shown instead of `value` when set
  std::string floor_name;       // empty: no floor
  Summary floor;
  std::string ratio_unit;       // "x" or "%"; empty: no ratio
  Summary ratio;
  std::string target;
  std::optional<bool> met;      // empty: no target, or nothing measured
  std::string note;

  // Sets what the figure is set against and its ratio to that.
  void SetFloor(std::string name, Summary measured_floor, std::string unit, Summary to_floor) {
    floor_name = std::move(name);
    floor = measured_floor;
    ratio_unit = std::move(unit);
    ratio = to_floor;
  }
};

class Results {
 public:
  void Add(Row row);
  const std::vector<Row>& rows() const { return rows_; }
  void PrintTable() const;
  bool WriteCsv(const std::wstring& path) const;

 private:
  std::vector<Row> rows_;
};

// A number as the table shows it: fewer decimals the larger it is.
std::string Format(double value);

}  // namespace bench
