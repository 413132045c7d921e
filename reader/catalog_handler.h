#pragma once

#include <cstdint>
#include <string>

#include "reader/source_database.h"
#include "run/walk_end.h"

namespace vantrel {

// What the catalog walk and the damaged-catalog scan hand every object they find to: the
// analysis counts and lists them, the saving re-creates them. The walk is the same for both.
// Each call returns kStopped when the user stopped the run (the walk then ends at once).
class CatalogHandler {
 public:
  virtual ~CatalogHandler() = default;

  // A user table, its definition on `tdefPage`.
  virtual WalkEnd onTable(SourceDatabase& db, int64_t tdefPage, const std::string& name) = 0;
  // A saved query other than the engine's hidden ones.
  virtual WalkEnd onQuery(SourceDatabase& db, int64_t queryId, const std::string& name) = 0;
  // The relations: once after the last catalog row, or after the scan's last page when it
  // found a relationship.
  virtual WalkEnd onRelations(SourceDatabase& db) = 0;
};

}  // namespace vantrel
