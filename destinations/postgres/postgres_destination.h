#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "destinations/destination.h"
#include "destinations/destination_registry.h"
#include "destinations/postgres/postgres_url.h"
#include "run/log_sink.h"

namespace vantrel {

// The tables and queries the files of one run wrote into its one schema, by name in folded
// case: a later file's object of such a name is refused, never put in its place.
struct PostgresRunNames {
  std::mutex mutex;
  std::set<std::string> tables;
  std::set<std::string> queries;
  // Whether `name` is taken in `names`; else, with `claim`, takes it.
  bool taken(std::set<std::string>& names, const std::string& name, bool claim);
};

// The tables each destination of a run saved whole, in the order they were saved, by the
// destination's location (a schema per file): what the run reports as saved.
struct PostgresSavedTables {
  std::mutex mutex;
  std::map<std::string, std::vector<std::string>> byLocation;
};

// How a saving run writes into a PostgreSQL server.
struct PostgresSaving {
  PostgresTarget target;
  // Each source file in a schema named after it ("Northwind"); else every file of the run in
  // the run's schema, named after the run's subfolder ("repair_9_5_7" for "Repair_9-5-7").
  bool schemaPerFile = true;
  // Asked when a table or query of the name exists in the schema already (from an earlier
  // file or run), with "table [NAME]" or "query [NAME]": true replaces it, false keeps it.
  // None keeps every one.
  std::function<bool(std::string_view what)> replaceExisting;
  // Where the steps taken after a table's rows are in (its key and indexes) are logged.
  const LogSink* log = nullptr;
  // One schema for the run: what its files wrote there (made by PostgresDestinations).
  std::shared_ptr<PostgresRunNames> runNames;
  // Where each destination tells the tables it saved (made by PostgresDestinations).
  std::shared_ptr<PostgresSavedTables> savedTables;
  // The run's stop request: a connection still being made gives up when it is set.
  const std::atomic<int>* stop = nullptr;
};

// What a PostgreSQL destination cannot hold in a name: more than 63 bytes (the server cuts the
// rest, so two long names would become one), the names of the system columns every table has
// (xmin, ctid, ...) and those of the engine's own tables.
NameRules postgresNameRules();

// The schema the destination of `place` is written into (see PostgresSaving). A name too
// long for the server is cut and made unique with a short hash.
std::string postgresSchemaName(const DestinationPlace& place, bool schemaPerFile);

// Makes the PostgreSQL destination of each source file: a connection of its own, in its
// schema (made when missing), with the catalog tables "MSysVantrelQueries" and
// "MSysVantrelRelations" that the SQLite destination has too.
// Each table is made in a transaction of its own that its rows, key and indexes complete, so
// that a failure (the server going away in the middle of the rows) leaves no half table.
class PostgresDestinations : public DestinationKind {
 public:
  explicit PostgresDestinations(PostgresSaving saving);
  DestinationCapabilities capabilities() const override;
  std::string runLocation(std::string_view run) const override;
  std::string location(const DestinationPlace& place) const override;
  std::unique_ptr<Destination> create(const DestinationPlace& place) const override;
  // "postgresql://USER@HOST:PORT/DB, schema NAME" with every schema of the locations.
  std::string summary(const std::vector<std::string>& locations) const override;
  // The tables the destination at `location` saved, with their rows as the server counts them
  // now; what could be counted when the server cannot be reached again.
  std::optional<DestinationProbe> probe() const override;
  std::vector<SavedTable> savedTables(const std::string& location) const override;

 private:
  PostgresSaving saving_;
  mutable std::mutex mutex_;
  mutable std::map<std::string, std::string> schemas_;  // by location
};

// Whether an address names a PostgreSQL server: a "postgresql://" (or "postgres://") URL or a
// key=value connection string.
bool isPostgresAddress(std::string_view address);

// Registers the PostgreSQL servers, for the addresses isPostgresAddress() takes; an address
// that is no usable connection string (a password in it included) is refused with the reason.
void registerPostgresDestination(DestinationRegistry& registry);

}  // namespace vantrel
