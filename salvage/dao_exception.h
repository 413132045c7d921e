#pragma once

#include <stdexcept>
#include <string>

namespace vantrel {

// The one failure the destination engine raises. A call that raises has changed nothing in
// the destination; callers catch it around each statement, value, row, query or relation.
// what() is the engine's message.
class CDaoException : public std::runtime_error {
 public:
  explicit CDaoException(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace vantrel
