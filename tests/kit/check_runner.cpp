#include "check_runner.h"

#include <exception>
#include <utility>

namespace kit {
namespace {

std::string Threw(const std::exception_ptr& thrown) {
  try {
    std::rethrow_exception(thrown);
  } catch (const std::exception& error) {
    return std::string("threw: ") + error.what();
  } catch (...) {
    return "threw something that is not a std::exception";
  }
}

Outcome RunOne(const Check& check, Cleanup& cleanup) {
  try {
    return check.run(cleanup);
  } catch (...) {
    return Failed(Threw(std::current_exception()));
  }
}

const char* Word(Status status) {
  switch (status) {
    case Status::Passed: return "passed ";
    case Status::Failed: return "FAILED ";
    case Status::Skipped: return "skipped";
  }
  return "?";
}

}  // namespace

Outcome Passed(std::vector<std::string> details) {
  return {Status::Passed, {}, std::move(details)};
}
Outcome Failed(std::string reason, std::vector<std::string> details) {
  return {Status::Failed, std::move(reason), std::move(details)};
}
Outcome Skipped(std::string reason) { return {Status::Skipped, std::move(reason), {}}; }

void Cleanup::Add(std::string what, std::function<std::string()> undo) {
  steps_.push_back({std::move(what), std::move(undo)});
}

std::vector<std::string> Cleanup::UndoAll() {
  std::vector<std::string> left;
  for (auto step = steps_.rbegin(); step != steps_.rend(); ++step) {
    std::string why;
    try {
      why = step->undo();
    } catch (...) {
      why = Threw(std::current_exception());
    }
    if (!why.empty()) left.push_back("could not undo " + step->what + ": " + why);
  }
  steps_.clear();
  return left;
}

Totals RunChecks(const std::vector<Check>& checks,
                 const std::function<void(const std::string&)>& write) {
  Totals totals;
  for (const Check& check : checks) {
    Cleanup cleanup;
    Outcome outcome = RunOne(check, cleanup);
    const std::vector<std::string> left = cleanup.UndoAll();
    if (!left.empty() && outcome.status != Status::Failed) {
      outcome.status = Status::Failed;
      outcome.reason = "it left things behind";
    }
    outcome.details.insert(outcome.details.end(), left.begin(), left.end());
    write(std::string(Word(outcome.status)) + "  " + check.name +
          (outcome.reason.empty() ? "" : ": " + outcome.reason));
    for (const std::string& detail : outcome.details) write("           " + detail);
    switch (outcome.status) {
      case Status::Passed: ++totals.passed; break;
      case Status::Failed: ++totals.failed; break;
      case Status::Skipped: ++totals.skipped; break;
    }
  }
  write(std::to_string(totals.passed) + " passed, " + std::to_string(totals.failed) +
        " failed, " + std::to_string(totals.skipped) + " skipped");
  return totals;
}

}  // namespace kit
