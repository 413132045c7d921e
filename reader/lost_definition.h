#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "reader/source_database.h"
#include "reader/table_definition.h"

namespace vantrel {

// Whether the definition at `page` is lost: the page cannot be read, is not a definition
// page, or gives no columns.
bool definitionIsLost(SourceDatabase& db, int64_t page);

// A table whose definition is lost, as its rows describe it: the rows on every data page that
// names `object.tdefPage` as its owner give the columns (see inferRowLayout), and the walk
// then reads them from those pages. None when no live row fits a layout.
std::optional<TableDefinition> inferLostDefinition(SourceDatabase& db, const CatalogObject& object);

// The table's definition as stored or, when that is lost, as its rows describe it.
std::optional<TableDefinition> readOrInferDefinition(SourceDatabase& db,
                                                     const CatalogObject& object);

// Whether a stored value of this database's version decodes as text with no stray character.
bool decodesAsCleanText(const SourceDatabase& db, std::span<const uint8_t> bytes);

}  // namespace vantrel
