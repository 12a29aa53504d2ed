// When the wait for a setup or uninstaller is over. Many packages start the
// real work in a child and end at once (bootstrappers, uninstallers that run
// a copy of themselves), and some leave a resident helper behind after a good
// install: the wait follows the whole tree, but not past a finished result.
#pragma once

namespace tarnwell {

struct WaitObservation {
  bool process_ended = false;   // the started process itself
  bool others_running = false;  // any process it started (job or descendants)
  bool result_present = false;  // the package's whole result is on the machine
};

// Over once the started process has ended and either nothing it started
// still runs or the package's result is already there.
bool WaitIsOver(const WaitObservation& seen);

}  // namespace tarnwell
