#pragma once

namespace vantrel {

// Results shared by the reader, the salvage and the query rebuilder.
inline constexpr int kResultNothing = 0;  // no row, no page, no definition
inline constexpr int kResultDone = 1;
inline constexpr int kResultStopped = 5;  // the user confirmed a stop

}  // namespace vantrel
