#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "destinations/destination.h"
#include "run/expected.h"
#include "run/log_sink.h"

namespace vantrel {

// Where a saving run puts the destination of one source file, in words every kind of
// destination can take its names from.
struct DestinationPlace {
  std::string run;   // the run's name: "Repair_9-5-7"
  std::string name;  // the source's file name without its extension, unique in the run
};

// A user table of a saved destination and the rows it holds.
struct SavedTable {
  std::string name;
  long long rows = 0;
};

// What a server said when it was reached, before anything was saved there.
struct DestinationProbe {
  std::string engine;     // "PostgreSQL"
  std::string version;    // as the server gives it: "15.14"
  std::string database;   // the database connected to
  std::string user;       // the user connected as
  long long schemas = 0;  // the database's own schemas (the system's left out)
};

// How a run's destinations are to be made, besides their address.
struct DestinationOptions {
  // A server: each source file in a schema of its own (named after it), else every file of
  // the run in the run's one schema.
  bool schemaPerFile = true;
  // A server: asked when a table or query of the name exists there already, with "table
  // [NAME]" or "query [NAME]": true replaces it, false keeps it. None keeps every one.
  std::function<bool(std::string_view what)> replaceExisting;
  // Where a destination logs the steps it takes on its own.
  const LogSink* log = nullptr;
  // A server: how long a new connection may wait for it, and the run's stop request, which
  // ends the wait at once.
  int connectTimeoutSeconds = 10;
  const std::atomic<int>* stop = nullptr;
};

// The destinations of one saving run, all of one kind at one address.
class DestinationKind {
 public:
  virtual ~DestinationKind() = default;
  virtual DestinationCapabilities capabilities() const = 0;
  // Where the run's destinations go, for the outputs: the run's folder, the server.
  virtual std::string runLocation(std::string_view run) const = 0;
  // Where the destination of `place` is, for the log and the outputs, before it is made: its
  // file, or the server and schema.
  virtual std::string location(const DestinationPlace& place) const = 0;
  // A new, empty destination at `place`. Raises a DestinationError when it cannot be made.
  virtual std::unique_ptr<Destination> create(const DestinationPlace& place) const = 0;
  // One destination per source file: whether the one of `place` exists from before, and its
  // removal (one the user chose to replace, or one that came out empty).
  virtual bool exists(const DestinationPlace& place) const;
  virtual void remove(const DestinationPlace& place) const;
  // The run is over: what it left empty of its own (a folder) goes.
  virtual void endRun(std::string_view run) const;
  // The user tables of the saved destination `location`, read back from it; empty when it
  // cannot be read.
  virtual std::vector<SavedTable> savedTables(const std::string& location) const;
  // Reaches the destinations' server and says what it found; none for a kind with no server
  // (files in a folder). Raises a DestinationError when it cannot be reached.
  virtual std::optional<DestinationProbe> probe() const;
  // For the end of a run on the command line: where the destinations of `locations` are, when
  // that is more than their locations say ("postgresql://HOST/DB, schema NAME"); "" if not.
  virtual std::string summary(const std::vector<std::string>& locations) const;
};

// The kinds of destination a program knows, each chosen by the address the user gives: a
// folder for SQLite files, "postgresql://..." for a PostgreSQL server. A program registers the
// kinds it links at its start; the first whose entry takes an address serves it.
class DestinationRegistry {
 public:
  // Whether an entry serves an address.
  using Takes = std::function<bool(std::string_view address)>;
  // The run's destinations at an address the entry takes, or why it cannot serve it (the
  // address is no usable connection string...).
  using Opens = std::function<Expected<std::unique_ptr<DestinationKind>, std::string>(
      std::string_view address, const DestinationOptions& options)>;

  // Adds an entry; a later entry is asked before the earlier ones, so that a kind addressed by
  // a scheme ("postgresql://") is asked before the one that takes any folder.
  void add(std::string name, Takes takes, Opens opens);
  // Takes the named entry out again (a test's own destination).
  void removeEntry(std::string_view name);

  Expected<std::unique_ptr<DestinationKind>, std::string> open(
      std::string_view address, const DestinationOptions& options = {}) const;

 private:
  struct Entry {
    std::string name;
    Takes takes;
    Opens opens;
  };
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;  // the latest first
};

// The program's registry.
DestinationRegistry& destinationRegistry();

}  // namespace vantrel
