// The printer package's version as the program compares it: the version in
// the setup program's version resource against the DisplayVersion the
// installed package registered.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwell {

// The numbers of a version text, field by field: "7.1.0.2" is {7, 1, 0, 2}.
// Blanks and one "v" may stand before the first number, and any text after
// the last one that does not start with a dot or a digit ("7.1 (x86)",
// "7.1.0-beta"). Nothing is read from a text without a number at its start,
// with an empty field ("7..1", "7.", "7.x") or a field of more than nine
// digits: such a version is not known.
std::optional<std::vector<std::uint32_t>> ReadVersionNumbers(std::wstring_view text);

// Below 0 when `a` is the older version, 0 when both are the same, above 0
// when `a` is the newer one; a missing field counts as 0 (7.1 = 7.1.0.0).
// Nothing when either version is not known.
std::optional<int> CompareVersions(std::wstring_view a, std::wstring_view b);

// The registered version of the installed package (DisplayVersion), or
// nothing when it is not there or not text.
std::optional<std::wstring> RegisteredPackageVersion(class Machine& machine);

}  // namespace tarnwell
