// The printer step's part in the count of "in use" answers that the
// program keeps (core/unattended/in_use_count.h): the step checks the
// installed program before it runs it, and a removal must not stop for
// ever because another account holds one of its files open.
#pragma once

#include <optional>
#include <string>

namespace tarnwell {

// Counts one more "in use" answer for `file` in the program's record;
// whether that reaches the bound.
bool CountHeldFile(const std::wstring& file);

// A check that found nothing in use ends the run of answers.
void ForgetHeldFile();

// The file the record names once it has reached the bound (the program's
// own last answers included); nothing otherwise.
std::optional<std::wstring> FileHeldForGood();

}  // namespace tarnwell
