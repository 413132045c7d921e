#pragma once

#include "reader/catalog_handler.h"
#include "salvage/salvage_context.h"

namespace vantrel {

// Hands what the catalog walk finds to the salvage: tables to the table salvage, queries to
// the query rebuilder or the query list, relations to the relations step.
class SalvageHandler : public CatalogHandler {
 public:
  // A destination's long waits (a view's check) end early once the run is asked to stop.
  explicit SalvageHandler(SalvageContext& context) : context_(context) {
    if (context.destination != nullptr) {
      context.destination->watchStopRequest(&context.run.stopRequested);
    }
  }

  RunResult salvageTable(SourceDatabase& db, int typeValue, int64_t tdefPage,
                         const std::string& name) override;
  RunResult rebuildQuery(SourceDatabase& db, int typeValue, int64_t queryId,
                         const std::string& name) override;
  void listQuery(int64_t queryId, const std::string& name) override;
  RunResult salvageRelations(SourceDatabase& db, int value, const std::string& name) override;

 private:
  SalvageContext& context_;
};

}  // namespace vantrel
