#pragma once

#include <string>

#include "destinations/destination.h"

namespace vantrel {

// The one failure the destination engine raises. A call that raises has changed nothing in
// the destination; callers catch it around each statement, value, row, query or relation.
// what() is the engine's message.
class CDaoException : public DestinationError {
 public:
  explicit CDaoException(const std::string& message,
                         DestinationFault fault = DestinationFault::kNone)
      : DestinationError(message, fault) {}
};

}  // namespace vantrel
