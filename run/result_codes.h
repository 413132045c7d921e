#pragma once

namespace vantrel {

// Results shared by the reader, the salvage and the query rebuilder. The values are the ones
// the logs and the saved outcomes have always carried.
enum class RunResult : int {
  kNothing = 0,  // no row, no page, no definition; a file that could not be opened
  kDone = 1,
  kStopped = 5,  // the user confirmed a stop
};

}  // namespace vantrel
