#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/saving_run.h"
#include "run/log_sink.h"
#include "salvage/postgres_destination.h"

namespace vantrel::cli {

// What `repair --to` adds to a saving run: the PostgreSQL destinations, and a private work
// folder that stands where the run would put its files (the run names each file's schema
// from it), removed again at the end.
class PostgresRun {
 public:
  PostgresRun(PostgresSaving saving, std::filesystem::path workFolder);
  ~PostgresRun();
  PostgresRun(const PostgresRun&) = delete;
  PostgresRun& operator=(const PostgresRun&) = delete;

  const std::filesystem::path& workFolder() const { return workFolder_; }
  const DestinationFactory& destinations() const { return destinations_; }
  // "postgresql://USER@HOST:PORT/DB, schema NAME" with every schema the run wrote into; ""
  // when it wrote into none.
  std::string describe(const SavingOutcome& outcome) const;

 private:
  bool schemaPerFile_;
  std::string display_;
  PostgresDestinations destinations_;
  std::filesystem::path workFolder_;
};

// The run's PostgreSQL side for `--to TEXT`; null, with the reason on standard error, when
// TEXT is no usable connection string (a password in it included) or no work folder can be
// made. `replaceExisting` answers for tables and queries that exist in the schema already.
// Each connection waits `connect.timeoutSeconds` at most for the server, and gives up at once
// when `connect.stop` is set.
struct ConnectLimits {
  int timeoutSeconds = 10;
  const std::atomic<int>* stop = nullptr;
};
std::unique_ptr<PostgresRun> startPostgresRun(const std::string& to, bool schemaPerFile,
                                              std::function<bool(std::string_view)> replaceExisting,
                                              const LogSink* log, ConnectLimits connect = {});

}  // namespace vantrel::cli
