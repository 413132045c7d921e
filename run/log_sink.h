#pragma once

#include <string_view>

namespace vantrel {

// Where a run's texts go in the activity log. The salvage appends through this; the workflow's
// log file implements it, so the layers below never know where or how the log is written.
class LogSink {
 public:
  // Appends the text whole and returns 1, or 0 when it could not be written. Callers put
  // their own "\r\n" line breaks in the text.
  virtual int appendLogLine(std::string_view text) const = 0;

 protected:
  LogSink() = default;
  LogSink(const LogSink&) = default;
  LogSink& operator=(const LogSink&) = default;
  ~LogSink() = default;
};

}  // namespace vantrel
