#pragma once

#include "run/run_state.h"

namespace vantrel::cli {

// Ctrl-C (SIGINT) while a run is going: asks the run to stop at its next stop check instead
// of ending the process, and interrupts a question waiting for an answer.
class InterruptGuard {
 public:
  explicit InterruptGuard(RunState& run);
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

  // Whether Ctrl-C was pressed while the guard was in place.
  static bool interrupted();
};

}  // namespace vantrel::cli
