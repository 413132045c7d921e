#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/configuration.h"
#include "run/log_sink.h"

namespace vantrel {

// The text file "Activity Log.txt" that records every step of a repair, appended to across
// runs. Callers append texts piece by piece with explicit "\r\n" line breaks, which the file
// gets as "\n".
class ActivityLog final : public LogSink {
 public:
  static constexpr std::string_view kFileName = "Activity Log.txt";
  // A file larger than this when a run starts is emptied first; a run's texts are never cut
  // in the middle.
  static constexpr std::uintmax_t kSizeLimit = 5'242'880;

  explicit ActivityLog(std::filesystem::path file);

  // The log in the folder the configuration gives: LogPath when it names a folder that can be
  // written to, else FilePath when it does, else stateFolder().
  static ActivityLog atConfiguredLocation(const Configuration& configuration,
                                          const EnvironmentLookup& environment = systemEnvironment);

  // The file the texts go to: the one View Log shows and Clear Log clears.
  const std::filesystem::path& path() const { return path_; }

  // Appends the UTF-8 text whole (invalid sequences become U+FFFD, "\r\n" becomes "\n") and
  // returns 1, or 0 when the file cannot be written. The folder is created when missing. Appends
  // from any thread wait for each other, so no text is lost or mixed into another.
  int appendLogLine(std::string_view text) const override;

  // Clear Log: deletes the file, then starts it again with "\r\n". Returns appendLogLine's
  // result.
  int clear() const;
  // Empties the file when it is larger than kSizeLimit: called before a run's first text.
  void trimBetweenRuns() const;

  // Why an append of this log (or a copy of it) failed first, once one did: "Permission
  // denied". Not a data loss, but the user is told once per run (logWarningText).
  std::optional<std::string> writeFailure() const;

 private:
  struct Failure;
  void noteFailure(int error) const;

  std::filesystem::path path_;
  std::shared_ptr<Failure> failure_;
};

// "The activity log PATH could not be written (WHY): the steps of this run are missing from
// it"; empty when every append was written.
std::string logWarningText(const ActivityLog& log);

}  // namespace vantrel
