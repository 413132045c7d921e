#include "app/object_listing.h"

#include "app/analysis_handler.h"
#include "reader/catalog_walk.h"

namespace vantrel {

Expected<CatalogSummary, OpenFailure> listCatalogObjects(const std::string& sourcePath,
                                                         RunState& run) {
  run.stopRequested = 0;
  auto db = tryOpenSourceDatabase(sourcePath, &run);
  if (!db) return Unexpected(db.error());
  CatalogSummary summary;
  ListingHandler handler(summary);
  walkCatalog(**db, handler);
  return summary;
}

}  // namespace vantrel
