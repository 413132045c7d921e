#pragma once

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "run/run_progress.h"

namespace vantrel::cli {

bool standardInputIsTerminal();
bool standardErrorIsTerminal();

// One line of standard input without its line end; none at the end of input or when Ctrl-C
// interrupted the wait.
std::optional<std::string> readAnswerLine();

// A line typed on the terminal without showing it, after `prompt` on standard error; none
// when standard input is no terminal, at the end of input or on Ctrl-C.
std::optional<std::string> readSecretLine(std::string_view prompt);

// The run's progress on one line of standard error, redrawn in place at most ten times a
// second; only on a terminal.
class ProgressLine {
 public:
  ProgressLine();
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  void show(const RunProgress& progress);
  // Every file being saved now, side by side, cut at the terminal's width.
  void show(std::span<const RunProgress> running);
  // Removes the line, so that other output starts at the left margin.
  void clear();

 private:
  void draw(std::string_view text);

  bool enabled_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point lastDrawn_{};
};

// The text of a progress line: "[2/5] Orders: 120/4096 pages".
std::string progressText(const RunProgress& progress);

// The texts of several files' progress side by side, cut to `width` columns (at a character
// boundary); no limit when `width` is 0.
std::string runningFilesText(std::span<const RunProgress> running, size_t width);

// A report text with "\n" line ends in place of "\r\n".
std::string withLineFeeds(std::string_view text);

}  // namespace vantrel::cli
