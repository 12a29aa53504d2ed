// Runs a handler written as a table of numbered steps, under one error trap.
//
// Why the steps carry numbers: when a step fails, the user is shown an error
// report that names the handler and "at line N", and asked to send a
// screenshot of it. Support reads the handler and N off that screenshot and
// finds the step by its number in the handler's table (grep for "{N," in the
// handler's file). So the numbers are part of what users see: a step keeps
// its number for good, new steps take free numbers, and no table is ever
// renumbered.
//
// A step's action says where to go next: the following step in table order,
// the step with a given line number, or the end of the handler. When an action
// throws, the failure is reported with the handler's location text and the
// step's line, and the run resumes where the step's `on_error` says (by
// default the following step in table order, so a failing test runs the step
// it guards). A failure because the Print Spooler service does not answer
// (core/port/spooler_errors.h) is the exception: the user is told how to
// start the service instead of being shown a report, and the handler ends.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/app/app.h"

namespace tarnwell {

struct Flow {
  enum class Kind { Next, Goto, End };
  Kind kind = Kind::Next;
  int line = 0;

  static Flow Next() { return {Kind::Next, 0}; }
  static Flow Goto(int line) { return {Kind::Goto, line}; }
  static Flow End() { return {Kind::End, 0}; }
};

struct Step {
  int line;
  std::function<Flow()> action;
  Flow on_error = Flow::Next();
};

// A fault in a step table itself (a Goto to a line no step carries): a
// programming error, not something to report to the user and resume from.
class StepTableError : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

// Puts `more` into `steps` just before the step numbered `line`, so shared
// runs of steps (the busy state) sit in a command's table in line order.
// Throws StepTableError when there is no such line.
void InsertBefore(std::vector<Step>& steps, int line, std::vector<Step> more);

// Runs `steps` from the first; reports failures through ShowErrorReport with
// `location`. Throws StepTableError for a Goto to a missing line.
void RunSteps(App& app, const std::wstring& location, const std::vector<Step>& steps);

}  // namespace tarnwell
