#include "app/saving_failures.h"

namespace vantrel {

std::vector<std::string> savingFailures(const SavingOutcome& outcome) {
  std::vector<std::string> lines;
  for (const SavedFile& file : outcome.files) {
    if (file.status == SavedFile::Status::NotOpened) {
      lines.push_back(file.source + ": cannot be opened as an Access database");
    } else if (file.status == SavedFile::Status::NotCreated) {
      lines.push_back(file.source + ": the destination " + file.destination.string() +
                      " cannot be created");
    }
  }
  return lines;
}

int logSavingFailures(const ActivityLog& log, const std::vector<std::string>& failures) {
  std::string text = "\r\n\r\nRepairing failed for " + std::to_string(failures.size()) +
                     (failures.size() == 1 ? " file" : " files") + ":\r\n";
  for (const std::string& line : failures)
    text += line + "\r\n";
  return log.appendLogLine(text);
}

}  // namespace vantrel
