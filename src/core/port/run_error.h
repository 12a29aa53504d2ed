// A run-time failure of one operation, carrying the description the user reads.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace tarnwell {

class RunError : public std::exception {
 public:
  explicit RunError(std::wstring description, std::uint32_t system_error = 0)
      : description_(std::move(description)), system_error_(system_error) {}
  const std::wstring& description() const noexcept { return description_; }
  // The platform's error number behind the failure, or 0 when there is none.
  std::uint32_t system_error() const noexcept { return system_error_; }
  const char* what() const noexcept override { return "tarnwell::RunError"; }

 private:
  std::wstring description_;
  std::uint32_t system_error_ = 0;
};

}  // namespace tarnwell
