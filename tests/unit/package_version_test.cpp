// The package's versions compared as numbers, field by field.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/printer/package_version.h"

namespace tarnwell::testing {
namespace {

TEST(PackageVersion, ComparedFieldByFieldAsNumbers) {
  struct Case {
    const wchar_t* beside;
    const wchar_t* installed;
    std::optional<int> order;  // -1 older, 0 same, 1 newer, nothing: not known
  };
  const Case cases[] = {
      {L"7.0.0.0", L"7.0.0.0", 0},
      {L"7.1.0.0", L"7.0.0.0", 1},
      {L"7.0.0.0", L"7.1.0.0", -1},
      {L"7.0.10.0", L"7.0.9.0", 1},  // numbers, not text
      {L"10.0", L"9.99", 1},
      {L"7.1", L"7.1.0.0", 0},  // missing fields are 0
      {L"7.1.0.1", L"7.1", 1},
      {L"7.1.0.0", L"7.1.0 (build 12)", 0},  // text after the numbers
      {L"7.1.0.0", L"7.1.0-beta", 0},
      {L"7.1.0.0", L" v7.0", 1},
      {L"7.1.0.0", L"007.001", 0},
      {L"7.1.0.0", L"", std::nullopt},
      {L"7.1.0.0", L"seven", std::nullopt},
      {L"7.1.0.0", L"Version 7.1", std::nullopt},
      {L"7.1.0.0", L"7..1", std::nullopt},
      {L"7.1.0.0", L"7.", std::nullopt},
      {L"7.1.0.0", L"7.x", std::nullopt},
      {L"7.1.0.0", L"1234567890.1", std::nullopt},  // more than nine digits
      {L"999999999.0", L"999999998.9", 1},
  };
  for (const Case& c : cases) {
    const std::optional<int> order = CompareVersions(c.beside, c.installed);
    const std::optional<int> sign =
        order ? std::optional<int>((*order > 0) - (*order < 0)) : std::nullopt;
    EXPECT_EQ(sign, c.order) << ::testing::PrintToString(std::wstring(c.beside)) << " vs "
                             << ::testing::PrintToString(std::wstring(c.installed));
  }
}

}  // namespace
}  // namespace tarnwell::testing
