#include "core/printer/wait_end.h"

namespace tarnwell {

bool WaitIsOver(const WaitObservation& seen) {
  if (!seen.process_ended) return false;
  return !seen.others_running || seen.result_present;
}

}  // namespace tarnwell
