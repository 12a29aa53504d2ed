// The kit's runner: named checks run one after the other, whatever the one
// before did, each followed at once by the undoing of what it made; a report
// line for each and the closing count. Plain C++, so the native tests and
// the Windows runner share it.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kit {

enum class Status { Passed, Failed, Skipped };

struct Outcome {
  Status status = Status::Passed;
  std::string reason;                // why it failed or was skipped
  std::vector<std::string> details;  // kept in the report below the check
};

Outcome Passed(std::vector<std::string> details = {});
Outcome Failed(std::string reason, std::vector<std::string> details = {});
Outcome Skipped(std::string reason);

// What a check made on the machine, with how to undo it. An undo answers
// what it could not undo, or nothing when all is gone.
class Cleanup {
 public:
  void Add(std::string what, std::function<std::string()> undo);
  // Undoes everything, newest first, also past an undo that throws: a line
  // for each thing that could not be undone.
  std::vector<std::string> UndoAll();

 private:
  struct Step {
    std::string what;
    std::function<std::string()> undo;
  };
  std::vector<Step> steps_;
};

struct Check {
  std::string name;
  std::function<Outcome(Cleanup&)> run;
};

struct Totals {
  int passed = 0;
  int failed = 0;
  int skipped = 0;
};

// Runs every check and undoes what each made, handing each report line to
// `write` as it comes. A check that throws, or whose leftovers cannot be
// undone, is failed. The last line is "N passed, N failed, N skipped".
Totals RunChecks(const std::vector<Check>& checks,
                 const std::function<void(const std::string&)>& write);

}  // namespace kit
