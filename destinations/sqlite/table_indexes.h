#pragma once

#include <memory>

#include "destinations/sqlite/dao_database.h"

namespace vantrel {

// The rows of a table through `rows`, then the table's indexes, so that no salvaged row is
// refused for an index. A unique index the rows break is made without its uniqueness, and
// the sink's notes say so; an index the engine refuses otherwise is named in them too.
std::unique_ptr<RowSink> indexingRowSink(CDaoDatabase& database, const TableDescription& table,
                                         const TableCreation& creation,
                                         std::unique_ptr<RowSink> rows);

}  // namespace vantrel
