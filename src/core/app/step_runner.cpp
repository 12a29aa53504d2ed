#include "core/app/step_runner.h"

#include <iterator>
#include <stdexcept>

#include "core/app/error_report.h"
#include "core/app/shared_routines.h"
#include "core/port/run_error.h"
#include "core/port/spooler_errors.h"

namespace tarnwell {
namespace {

std::size_t IndexOfLine(const std::vector<Step>& steps, int line) {
  for (std::size_t i = 0; i < steps.size(); ++i) {
    if (steps[i].line == line) return i;
  }
  throw StepTableError("step table has no line " + std::to_string(line));
}

// Index of the step to run after `current` takes `flow`; steps.size() ends.
std::size_t Follow(const std::vector<Step>& steps, std::size_t current, const Flow& flow) {
  switch (flow.kind) {
    case Flow::Kind::Next:
      return current + 1;
    case Flow::Kind::Goto:
      return IndexOfLine(steps, flow.line);
    case Flow::Kind::End:
      break;
  }
  return steps.size();
}

std::wstring Widen(const char* text) {
  std::wstring wide;
  for (const char* p = text; p && *p; ++p) wide.push_back(static_cast<unsigned char>(*p));
  return wide;
}

}  // namespace

void InsertBefore(std::vector<Step>& steps, int line, std::vector<Step> more) {
  const auto at = steps.begin() + static_cast<std::ptrdiff_t>(IndexOfLine(steps, line));
  steps.insert(at, std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
}

void RunSteps(App& app, const std::wstring& location, const std::vector<Step>& steps) {
  std::size_t i = 0;
  while (i < steps.size()) {
    const Step& step = steps[i];
    Flow flow;
    try {
      flow = step.action();
    } catch (const RunError& e) {
      if (SpoolerUnreachable(e.system_error())) {
        // Every later step needs the spooler too, and would only fail or
        // answer wrongly ("Printer already installed." after an unread list).
        MsgBox(app, TextId::SpoolerNotRunning, kWarning);
        return;
      }
      ShowErrorReport(app, location, e.description(), step.line);
      flow = step.on_error;
    } catch (const StepTableError&) {
      throw;
    } catch (const std::bad_alloc&) {
      ShowErrorReport(app, location, L"Out of memory", step.line);
      flow = step.on_error;
    } catch (const std::exception& e) {
      ShowErrorReport(app, location, Widen(e.what()), step.line);
      flow = step.on_error;
    }
    i = Follow(steps, i, flow);
  }
}

}  // namespace tarnwell
