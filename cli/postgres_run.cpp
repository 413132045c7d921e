#include "cli/postgres_run.h"

#include <stdlib.h>

#include <iostream>
#include <set>

namespace vantrel::cli {

PostgresRun::PostgresRun(PostgresSaving saving, std::filesystem::path workFolder)
    : schemaPerFile_(saving.schemaPerFile),
      display_(saving.target.display),
      destinations_(std::move(saving)),
      workFolder_(std::move(workFolder)) {}

PostgresRun::~PostgresRun() {
  std::error_code ignored;  // a folder of the system's temporary area; nothing of value in it
  std::filesystem::remove_all(workFolder_, ignored);
}

std::string PostgresRun::describe(const SavingOutcome& outcome) const {
  std::set<std::string> schemas;
  for (const SavedFile& file : outcome.files) {
    if (file.status == SavedFile::Status::Saved ||
        file.status == SavedFile::Status::SavedWithLosses ||
        file.status == SavedFile::Status::Stopped)
      schemas.insert(postgresSchemaName(file.destination, schemaPerFile_));
  }
  if (schemas.empty()) return "";
  std::string text = display_;
  const char* separator = schemas.size() == 1 ? ", schema " : ", schemas ";
  for (const std::string& schema : schemas) {
    text += separator + schema;
    separator = ", ";
  }
  return text;
}

std::unique_ptr<PostgresRun> startPostgresRun(const std::string& to, bool schemaPerFile,
                                              std::function<bool(std::string_view)> replaceExisting,
                                              const LogSink* log, ConnectLimits connect) {
  std::string problem;
  auto target = parsePostgresTarget(to, problem);
  if (!target) {
    std::cerr << "vantrel-cli: --to: " << problem << "\n";
    return nullptr;
  }
  target->connectTimeoutSeconds = connect.timeoutSeconds;
  std::string pattern = (std::filesystem::temp_directory_path() / "vantrel-to-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::cerr << "vantrel-cli: cannot make a work folder in "
              << std::filesystem::temp_directory_path().string() << "\n";
    return nullptr;
  }
  return std::make_unique<PostgresRun>(
      PostgresSaving{.target = *std::move(target),
                     .schemaPerFile = schemaPerFile,
                     .replaceExisting = std::move(replaceExisting),
                     .log = log,
                     .stop = connect.stop},
      std::filesystem::path(pattern));
}

}  // namespace vantrel::cli
