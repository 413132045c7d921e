#pragma once

#include <memory>

#include "destinations/sqlite/dao_database.h"

namespace vantrel {

// The rows of one table through a recordset over it. Once a table has more rows than fit one
// batch, the rows are inserted by a thread of their own while the next ones are read; a
// refused row is then counted by finish(). Rows wait in at most a few batches of bounded size.
std::unique_ptr<RowSink> recordsetRowSink(CDaoDatabase& database, const TableDescription& table,
                                          const TableCreation& creation);

}  // namespace vantrel
