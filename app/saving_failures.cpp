#include "app/saving_failures.h"

namespace vantrel {

std::vector<std::string> savingFailures(const SavingOutcome& outcome) {
  std::vector<std::string> lines;
  for (const SavedFile& file : outcome.files) {
    if (file.status == SavedFile::Status::NotOpened ||
        file.status == SavedFile::Status::NothingSalvaged) {
      // The saving run says why, in the words the saving list and the log use.
      lines.push_back(file.problem.empty()
                          ? file.source + ": cannot be opened as an Access database"
                          : file.problem);
    } else if (file.status == SavedFile::Status::Saved && !file.problem.empty()) {
      lines.push_back(file.problem);
    } else if (file.status == SavedFile::Status::NotCreated) {
      lines.push_back(file.problem.empty() ? file.source + ": the destination " +
                                                 file.destination.string() + " cannot be created"
                                           : file.problem);
    }
  }
  return lines;
}

namespace {

std::string summary(const std::vector<std::string>& failures, std::string_view lineEnd) {
  std::string text = "Repairing failed for " + std::to_string(failures.size()) +
                     (failures.size() == 1 ? " file" : " files") + ":";
  for (const std::string& line : failures)
    text += std::string(lineEnd) + line;
  return text;
}

}  // namespace

std::string failureSummaryText(const std::vector<std::string>& failures) {
  return summary(failures, "\n");
}

int logSavingFailures(const ActivityLog& log, const std::vector<std::string>& failures) {
  return log.appendLogLine("\r\n\r\n" + summary(failures, "\r\n") + "\r\n");
}

}  // namespace vantrel
