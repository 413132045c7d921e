#pragma once

namespace vantrel {

// How a walk ended: over a file's catalog, a table's rows, the relations, the saved queries
// or the files of a saving run. A walk that could not start says why through its own
// failure type (OpenFailure for a file), never through this.
enum class WalkEnd {
  kFinished,
  kStopped,  // the user confirmed a stop
};

}  // namespace vantrel
