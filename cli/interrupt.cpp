#include "cli/interrupt.h"

#include <atomic>
#include <csignal>

namespace vantrel::cli {
namespace {

std::atomic<RunState*> guardedRun{nullptr};
std::atomic<bool> sawInterrupt{false};
struct sigaction previousAction {};

// Only lock-free atomic stores: safe in a signal handler.
extern "C" void onInterrupt(int) {
  sawInterrupt.store(true);
  if (RunState* run = guardedRun.load()) run->stopRequested.store(1);
}

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

}  // namespace

InterruptGuard::InterruptGuard(RunState& run) {
  guardedRun.store(&run);
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a read waiting for an answer returns at once
  sigaction(SIGINT, &action, &previousAction);
}

InterruptGuard::~InterruptGuard() {
  sigaction(SIGINT, &previousAction, nullptr);
  guardedRun.store(nullptr);
}

bool InterruptGuard::interrupted() {
  return sawInterrupt.load();
}

}  // namespace vantrel::cli
