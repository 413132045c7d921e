#include "app/saving_failures.h"

#include <limits>

namespace vantrel {
namespace {

using Status = SavedFile::Status;

bool failed(const SavedFile& file) {
  return file.status != Status::Saved && file.status != Status::Kept &&
         file.status != Status::Stopped;
}

size_t failedFileCount(const SavingOutcome& outcome) {
  size_t count = 0;
  for (const SavedFile& file : outcome.files)
    count += failed(file) ? 1 : 0;
  return count;
}

std::string summary(const SavingOutcome& outcome, size_t maxLossLines, std::string_view lineEnd) {
  const size_t count = failedFileCount(outcome);
  std::string text =
      "Repairing failed for " + std::to_string(count) + (count == 1 ? " file" : " files") + ":";
  for (const std::string& line : savingFailures(outcome, maxLossLines))
    text += std::string(lineEnd) + line;
  return text;
}

}  // namespace

std::vector<std::string> savingFailures(const SavingOutcome& outcome, size_t maxLossLines) {
  std::vector<std::string> lines;
  for (const SavedFile& file : outcome.files) {
    if (!failed(file)) continue;
    lines.push_back(file.problem.empty() ? file.source + ": not saved" : file.problem);
    if (file.status != Status::SavedWithLosses) continue;
    const auto& losses = file.tally.objects;
    for (size_t i = 0; i < losses.size() && i < maxLossLines; ++i)
      lines.push_back("  " + objectLossText(losses[i]));
    if (losses.size() > maxLossLines) {
      lines.push_back("  ... and " + std::to_string(losses.size() - maxLossLines) +
                      " more, each named in the activity log");
    }
  }
  return lines;
}

std::vector<std::string> stoppedFiles(const SavingOutcome& outcome) {
  std::vector<std::string> lines;
  for (const SavedFile& file : outcome.files) {
    if (file.status == Status::Stopped) lines.push_back(file.problem);
  }
  return lines;
}

std::string failureSummaryText(const SavingOutcome& outcome) {
  return summary(outcome, 20, "\n");
}

int logSavingFailures(const ActivityLog& log, const SavingOutcome& outcome) {
  return log.appendLogLine("\r\n\r\n" +
                           summary(outcome, std::numeric_limits<size_t>::max(), "\r\n") + "\r\n");
}

}  // namespace vantrel
