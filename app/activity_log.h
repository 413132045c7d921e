#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "app/configuration.h"
#include "run/log_sink.h"

namespace vantrel {

// The text file "Activity Log.txt" that records every step of a repair, appended to across
// runs. Callers append texts piece by piece with explicit "\r\n" line breaks.
class ActivityLog final : public LogSink {
 public:
  static constexpr std::string_view kFileName = "Activity Log.txt";
  // A file larger than this when a run starts is emptied first; a run's texts are never cut
  // in the middle.
  static constexpr std::uintmax_t kSizeLimit = 5'242'880;

  explicit ActivityLog(std::filesystem::path file) : path_(std::move(file)) {}

  // The log in the folder the configuration gives: LogPath when it names a folder that can be
  // written to, else FilePath when it does, else stateFolder().
  static ActivityLog atConfiguredLocation(const Configuration& configuration,
                                          const EnvironmentLookup& environment = systemEnvironment);

  // The file the texts go to: the one View Log shows and Clear Log clears.
  const std::filesystem::path& path() const { return path_; }

  // Appends the UTF-8 text whole (invalid sequences become U+FFFD) and returns 1, or 0 when
  // the file cannot be written. The folder is created when missing. Appends from any thread
  // wait for each other, so no text is lost or mixed into another.
  int appendLogLine(std::string_view text) const override;

  // Clear Log: deletes the file, then starts it again with "\r\n". Returns appendLogLine's
  // result.
  int clear() const;
  // Empties the file when it is larger than kSizeLimit: called before a run's first text.
  void trimBetweenRuns() const;

 private:
  std::filesystem::path path_;
};

}  // namespace vantrel
