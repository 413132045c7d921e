#pragma once

#include "reader/catalog_handler.h"
#include "salvage/salvage_context.h"

namespace vantrel {

// The saving's share of the catalog walk: every table, saved query and relation the walk
// finds is re-created in the context's destination.
class SavingHandler : public CatalogHandler {
 public:
  // A destination's long waits (a view's check) end early once the run is asked to stop.
  explicit SavingHandler(SalvageContext& context) : context_(context) {
    if (context.destination != nullptr) {
      context.destination->watchStopRequest(&context.run.stopRequested);
    }
  }

  WalkEnd onTable(SourceDatabase& db, int64_t tdefPage, const std::string& name) override;
  WalkEnd onQuery(SourceDatabase& db, int64_t queryId, const std::string& name) override;
  WalkEnd onRelations(SourceDatabase& db) override;

 private:
  SalvageContext& context_;
};

}  // namespace vantrel
