// The product version a program file carries, read from the file's own
// bytes: the PE headers, the resource tree and the fixed part of the
// version resource, each read where the headers say and checked against
// the file's size, so a file written to mislead is a file without a
// version, never a read past what was asked for. The file is read through
// whatever handle the caller holds; nothing is opened by name here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarnwell {

// Reads exactly `size` bytes at `offset` into `out`; false when they cannot
// be read.
using ReadFileAt =
    std::function<bool(std::uint64_t offset, std::size_t size, std::vector<std::uint8_t>& out)>;

// The largest version resource read; Windows' own are a few KiB.
inline constexpr std::size_t kMostVersionResourceBytes = 64 * 1024;

// "7.1.0.2": the product version of the fixed part of the version resource
// (the numbers Windows shows and compares, whatever the text blocks say),
// from the first language of resource 1, or of the first version resource
// when there is no resource 1. Nothing when the file is not a program, has
// no version resource, or its headers point outside `file_size`. At most a
// few dozen reads, none larger than kMostVersionResourceBytes.
std::optional<std::wstring> ProductVersionOfProgram(const ReadFileAt& read,
                                                    std::uint64_t file_size);

}  // namespace tarnwell
