// A run-time failure of one operation, carrying the description the user reads.
#pragma once

#include <exception>
#include <string>

namespace tarnwell {

class RunError : public std::exception {
 public:
  explicit RunError(std::wstring description) : description_(std::move(description)) {}
  const std::wstring& description() const noexcept { return description_; }
  const char* what() const noexcept override { return "tarnwell::RunError"; }

 private:
  std::wstring description_;
};

}  // namespace tarnwell
