#pragma once

#include <stdexcept>
#include <string>

namespace vantrel {

// A text that is not the Jet SQL or Jet DDL it should be; what() says what was expected where.
// The engine that was handed the text reports it in its own terms.
class JetSqlError : public std::runtime_error {
 public:
  explicit JetSqlError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace vantrel
