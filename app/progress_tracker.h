#pragma once

#include <string>

#include "reader/catalog_handler.h"
#include "run/run_state.h"

namespace vantrel {

// Follows a run through its files, tables and pages and reports each step through the run's
// hooks. While it lives it observes the run's rows.
class ProgressTracker : public RowObserver {
 public:
  ProgressTracker(RunState& run, int fileCount);
  ~ProgressTracker() override;
  ProgressTracker(const ProgressTracker&) = delete;
  ProgressTracker& operator=(const ProgressTracker&) = delete;

  void startFile(int fileNumber, const std::string& sourcePath);
  // `db` must stay valid until endFile(), which the caller makes as soon as the file's walk
  // has returned (the database is gone then).
  void startTable(const SourceDatabase& db, const std::string& table);
  void endFile();
  void rowReached() override;

  const RunProgress& progress() const { return progress_; }

 private:
  void report();

  RunState& run_;
  RunProgress progress_;
  const SourceDatabase* db_ = nullptr;
};

// Passes every object on to the handler that analyses or saves it, telling the tracker of each
// table first.
class ProgressHandler : public CatalogHandler {
 public:
  ProgressHandler(CatalogHandler& inner, ProgressTracker& tracker)
      : inner_(inner), tracker_(tracker) {}

  WalkEnd onTable(SourceDatabase& db, int64_t tdefPage, const std::string& name) override;
  WalkEnd onQuery(SourceDatabase& db, int64_t queryId, const std::string& name) override {
    return inner_.onQuery(db, queryId, name);
  }
  WalkEnd onRelations(SourceDatabase& db) override { return inner_.onRelations(db); }

 private:
  CatalogHandler& inner_;
  ProgressTracker& tracker_;
};

}  // namespace vantrel
