#pragma once

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "reader/property_block.h"
#include "reader/source_database.h"

namespace vantrel {

// The tables' property blocks as their catalog rows store them, by definition page. (Only
// tables: the low bits of other objects' ids may repeat a table's.)
struct ObjectPropertyBytes {
  std::unordered_map<int64_t, std::vector<uint8_t>> byTable;
};

// Reads them in one pass over the catalog, or returns those read before. The pass notes no
// damage: the catalog walk notes what it meets in the same rows.
const ObjectPropertyBytes& objectPropertyBytes(SourceDatabase& db);

// The property block of the table whose definition is on `tdefPage`; none when its catalog
// row has none, cannot be read, or holds something else. The table the catalog walk is at
// takes it from the walk; any other from one more pass over the catalog.
std::optional<PropertyBlock> tableProperties(SourceDatabase& db, int64_t tdefPage);

}  // namespace vantrel
