#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "destinations/destination.h"
#include "reader/source_database.h"
#include "run/catalog_summary.h"
#include "run/walk_end.h"
#include "salvage/salvage_context.h"

namespace vantrel {

// One relation of the relations table, its field pairs gathered from its consecutive rows.
struct Relation {
  std::string name;
  std::string primaryTable;
  std::string foreignTable;
  long attributes = 0;
  std::vector<std::pair<int64_t, RelationFieldPair>> pairs;  // with their stored position
};

// Reads the relations stored in the relations table (definition on page 5) and hands each to
// `found`, its pairs in their stored order. A missing relations table, or one without rows,
// has none.
WalkEnd readRelations(SourceDatabase& db, const std::function<void(const Relation&)>& found);

// Re-creates a relation in the destination. One the engine refuses is tried once more under
// its stored name, not enforced; refused twice, it is a loss. Relations of the engine's own
// tables go with those tables.
void saveRelation(const Relation& relation, bool jet4, SalvageContext& context);

// The relation as the analysis lists it.
CatalogSummary::RelationEntry relationEntry(const Relation& relation);

}  // namespace vantrel
