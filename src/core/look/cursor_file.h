// Checks a cursor file's bytes before the platform is asked to load them, so
// that a broken file gets a description that says what is wrong with it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnwell {

// nullopt when the bytes are a well-formed cursor file (every image inside
// the file, each a bitmap or PNG); otherwise what is wrong, in a sentence.
std::optional<std::wstring> DescribeCursorFileProblem(const std::vector<std::uint8_t>& bytes);

}  // namespace tarnwell
